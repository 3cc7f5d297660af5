#pragma once

#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace tarnwick {

// A failure reported by the operating system, in the shape macOS gives it: a domain, a code within
// that domain, a message for the user, and optionally the failure that caused it.
class PlatformError : public std::exception {
public:
    static constexpr std::string_view posixDomain = "NSPOSIXErrorDomain";
    static constexpr std::string_view cocoaDomain = "NSCocoaErrorDomain";

    PlatformError(std::string domain, int code, std::string message,
                  std::shared_ptr<const PlatformError> underlying = nullptr);

    // `operation` says what was attempted ("move", "open"...), `location` what it was attempted on.
    static PlatformError fromErrno(int errnum, std::string_view operation,
                                   const std::filesystem::path& location);

    const std::string& domain() const { return domain_; }
    int code() const { return code_; }
    const std::string& message() const { return message_; }
    const PlatformError* underlying() const { return underlying_.get(); }

    // Whether this error or any error beneath it has the given domain and code.
    bool hasCode(std::string_view domain, int code) const;

    // Whether the user lacked the rights for it (EACCES, EPERM, or the Cocoa errors over them).
    bool isPermissionDenied() const;

    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string domain_;
    int code_;
    std::string message_;
    std::shared_ptr<const PlatformError> underlying_;
};

} // namespace tarnwick
