#pragma once

#include "catalogue/InstalledApp.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwick {

// Why no single application fits what a user named, with what each front end needs to say so in its own
// words: the query as given and the applications it might have meant.
class AppLookupError : public std::runtime_error {
public:
    enum class Kind {
        // A path was given, and there is no folder there.
        noBundle,
        // A path was given, and the folder there is no `.app` bundle.
        notAnApp,
        // Several installed applications have that name or identifier; they are the candidates.
        several,
        // No installed application has that name or identifier; the candidates contain the query.
        none,
    };

    AppLookupError(Kind kind, std::string query, std::vector<InstalledApp> candidates = {});

    Kind kind() const { return kind_; }
    const std::string& query() const { return query_; }
    // In catalogue order.
    const std::vector<InstalledApp>& candidates() const { return candidates_; }

private:
    Kind kind_;
    std::string query_;
    std::vector<InstalledApp> candidates_;
};

} // namespace tarnwick
