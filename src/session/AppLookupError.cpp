#include "session/AppLookupError.h"

#include <utility>

namespace tarnwick {

namespace {

std::string sentence(AppLookupError::Kind kind, const std::string& query) {
    using Kind = AppLookupError::Kind;
    switch (kind) {
    case Kind::noBundle:
        return "There is no application bundle at \"" + query + "\".";
    case Kind::notAnApp:
        return "\"" + query + "\" is not a macOS .app application bundle.";
    case Kind::several:
        return "Several applications fit \"" + query + "\".";
    case Kind::none:
        break;
    }
    return "No installed application is named or identified as \"" + query + "\".";
}

} // namespace

AppLookupError::AppLookupError(Kind kind, std::string query, std::vector<InstalledApp> candidates)
    : std::runtime_error(sentence(kind, query))
    , kind_(kind)
    , query_(std::move(query))
    , candidates_(std::move(candidates)) {}

} // namespace tarnwick
