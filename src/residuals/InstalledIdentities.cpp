#include "residuals/InstalledIdentities.h"

#include "platform/ParallelFor.h"

#include <algorithm>
#include <iterator>

namespace tarnwick {

InstalledIdentities InstalledIdentities::read(const std::vector<InstalledApp>& apps) {
    InstalledIdentities result;
    result.entries_.resize(apps.size());
    parallelFor(apps.size(), [&](std::size_t index) {
        result.entries_[index] = {apps[index], AppIdentityReader::read(apps[index]),
                                  NestedBundle::readAll(apps[index].url)};
    });
    return result;
}

InstalledIdentities InstalledIdentities::without(const std::filesystem::path& url) const {
    InstalledIdentities result;
    std::copy_if(entries_.begin(), entries_.end(), std::back_inserter(result.entries_),
                 [&](const Entry& entry) { return entry.app.url.native() != url.native(); });
    return result;
}

} // namespace tarnwick
