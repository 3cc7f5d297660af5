#include "catalogue/InstalledApp.h"

#include "platform/Hashing.h"

namespace tarnwick {

bool operator==(const InstalledApp& left, const InstalledApp& right) {
    return left.url.native() == right.url.native() && left.name == right.name &&
           left.bundleID == right.bundleID && left.version == right.version && left.size == right.size &&
           left.isSystem == right.isSystem && left.executable == right.executable;
}

} // namespace tarnwick

std::size_t std::hash<tarnwick::InstalledApp>::operator()(const tarnwick::InstalledApp& app) const noexcept {
    std::size_t seed = 0;
    tarnwick::hashCombine(seed, app.url.native());
    tarnwick::hashCombine(seed, app.name);
    tarnwick::hashCombine(seed, app.bundleID);
    tarnwick::hashCombine(seed, app.version);
    tarnwick::hashCombine(seed, app.size.has_value());
    if (app.size) {
        tarnwick::hashCombine(seed, *app.size);
    }
    tarnwick::hashCombine(seed, app.isSystem);
    tarnwick::hashCombine(seed, app.executable.has_value());
    if (app.executable) {
        tarnwick::hashCombine(seed, app.executable->native());
    }
    return seed;
}
