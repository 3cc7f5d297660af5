#include "residuals/InstalledIdentities.h"

#include "platform/ParallelFor.h"

#include <mutex>

namespace tarnwick {

struct InstalledIdentities::NestedPrograms {
    std::vector<std::filesystem::path> bundles;
    std::once_flag read;
    std::vector<std::vector<NestedBundle>> programs;
};

InstalledIdentities InstalledIdentities::read(const std::vector<InstalledApp>& apps) {
    InstalledIdentities result;
    result.entries_.resize(apps.size());
    result.nested_ = std::make_shared<NestedPrograms>();
    parallelFor(apps.size(), [&](std::size_t index) {
        auto identity = AppIdentityReader::read(apps[index]);
        auto names = AppNames::of(apps[index], identity);
        result.entries_[index] = {apps[index], std::move(identity), std::move(names)};
    });
    for (std::size_t index = 0; index < apps.size(); ++index) {
        result.places_.push_back(index);
        result.nested_->bundles.push_back(apps[index].url);
    }
    return result;
}

const std::vector<NestedBundle>& InstalledIdentities::nested(const Entry& entry) const {
    NestedPrograms& nested = *nested_;
    std::call_once(nested.read, [&nested] {
        nested.programs.resize(nested.bundles.size());
        parallelFor(nested.bundles.size(), [&nested](std::size_t index) {
            nested.programs[index] = NestedBundle::readAll(nested.bundles[index]);
        });
    });
    return nested.programs[places_[static_cast<std::size_t>(&entry - entries_.data())]];
}

InstalledIdentities InstalledIdentities::without(const std::filesystem::path& url) const {
    InstalledIdentities result;
    result.nested_ = nested_;
    for (std::size_t index = 0; index < entries_.size(); ++index) {
        if (entries_[index].app.url.native() != url.native()) {
            result.entries_.push_back(entries_[index]);
            result.places_.push_back(places_[index]);
        }
    }
    return result;
}

} // namespace tarnwick
