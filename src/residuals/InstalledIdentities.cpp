#include "residuals/InstalledIdentities.h"

#include "catalogue/BundleReading.h"
#include "platform/ParallelFor.h"

#include <mutex>

namespace tarnwick {

struct InstalledIdentities::NestedPrograms {
    std::vector<std::filesystem::path> bundles;
    std::vector<std::shared_ptr<const BundleReading>> readings; // what the catalogue read, where it did
    std::once_flag read;
    std::vector<std::vector<NestedBundle>> programs;
};

InstalledIdentities InstalledIdentities::read(const std::vector<InstalledApp>& apps) {
    InstalledIdentities result;
    result.entries_.resize(apps.size());
    result.nested_ = std::make_shared<NestedPrograms>();
    // The catalogue's records carry what it read; only records made otherwise cost a signature read.
    parallelFor(apps.size(), [&](std::size_t index) {
        const InstalledApp& app = apps[index];
        auto identity = app.reading ? app.reading->identity : AppIdentityReader::read(app);
        auto names = AppNames::of(app, identity);
        result.entries_[index] = {app, std::move(identity), std::move(names)};
    });
    for (std::size_t index = 0; index < apps.size(); ++index) {
        result.places_.push_back(index);
        result.nested_->bundles.push_back(apps[index].url);
        result.nested_->readings.push_back(apps[index].reading);
    }
    return result;
}

const std::vector<NestedBundle>& InstalledIdentities::nested(const Entry& entry) const {
    NestedPrograms& nested = *nested_;
    std::call_once(nested.read, [&nested] {
        nested.programs.resize(nested.bundles.size());
        parallelFor(nested.bundles.size(), [&nested](std::size_t index) {
            const auto& reading = nested.readings[index];
            nested.programs[index] = reading ? reading->nested : NestedBundle::readAll(nested.bundles[index]);
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
