// The languages chosen in the system's settings: a program started from the Finder has no locale
// environment, so on a Mac this is where the user's languages are.
#include "platform/Platform.h"

#include <CoreFoundation/CoreFoundation.h>
#include <cstring>
#include <memory>
#include <type_traits>

namespace tarnwick {
namespace {

struct Releaser {
    void operator()(CFTypeRef object) const { CFRelease(object); }
};
using OwnedArray = std::unique_ptr<std::remove_pointer_t<CFArrayRef>, Releaser>;

std::string utf8(CFStringRef text) {
    if (const char* direct = CFStringGetCStringPtr(text, kCFStringEncodingUTF8); direct != nullptr) {
        return direct;
    }
    const CFIndex capacity =
        CFStringGetMaximumSizeForEncoding(CFStringGetLength(text), kCFStringEncodingUTF8);
    if (capacity < 0) {
        return {};
    }
    std::string buffer(static_cast<std::size_t>(capacity) + 1, '\0');
    if (!CFStringGetCString(text, buffer.data(), capacity + 1, kCFStringEncodingUTF8)) {
        return {};
    }
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

} // namespace

std::vector<std::string> Platform::languagesFromSystem() {
    std::vector<std::string> languages;
    const OwnedArray list(CFLocaleCopyPreferredLanguages());
    if (list == nullptr) {
        return languages;
    }
    const CFIndex count = CFArrayGetCount(list.get());
    for (CFIndex index = 0; index < count; ++index) {
        const auto* value = static_cast<CFStringRef>(CFArrayGetValueAtIndex(list.get(), index));
        if (value == nullptr || CFGetTypeID(value) != CFStringGetTypeID()) {
            continue;
        }
        if (std::string language = utf8(value); !language.empty()) {
            languages.push_back(std::move(language));
        }
    }
    return languages;
}

} // namespace tarnwick
