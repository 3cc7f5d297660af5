#include "platform/PlatformError.h"

#include <cerrno>
#include <cstring>

namespace tarnwick {

PlatformError::PlatformError(std::string domain, int code, std::string message,
                             std::shared_ptr<const PlatformError> underlying)
    : domain_(std::move(domain))
    , code_(code)
    , message_(std::move(message))
    , underlying_(std::move(underlying)) {}

PlatformError PlatformError::fromErrno(int errnum, std::string_view operation,
                                       const std::filesystem::path& location) {
    std::string message = "Could not " + std::string(operation) + " \"" + location.string() +
                          "\": " + std::strerror(errnum) + ".";
    return PlatformError(std::string(posixDomain), errnum, std::move(message));
}

bool PlatformError::hasCode(std::string_view domain, int code) const {
    for (const PlatformError* error = this; error != nullptr; error = error->underlying()) {
        if (error->domain() == domain && error->code() == code) {
            return true;
        }
    }
    return false;
}

bool PlatformError::isPermissionDenied() const {
    return hasCode(cocoaDomain, 513) || hasCode(cocoaDomain, 257) || hasCode(posixDomain, EACCES) ||
           hasCode(posixDomain, EPERM);
}

} // namespace tarnwick
