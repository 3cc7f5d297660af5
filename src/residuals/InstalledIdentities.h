#pragma once

#include "catalogue/AppIdentityReader.h"
#include "catalogue/InstalledApp.h"
#include "catalogue/NestedBundle.h"
#include "residuals/AppNames.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace tarnwick {

// The installed applications with their code-signing identities and the names their files may be called
// after, read once per catalogue so that every scan that needs to know what belongs to whom can reuse
// them. The programs nested in the applications are read only when a scan first asks for them.
class InstalledIdentities {
public:
    struct Entry {
        InstalledApp app;
        AppIdentityReader::Identity identity;
        AppNames names;
    };

    InstalledIdentities() = default;

    // Reads every identity, several at a time; the entries keep the order of `apps`.
    static InstalledIdentities read(const std::vector<InstalledApp>& apps);

    const std::vector<Entry>& entries() const { return entries_; }

    // The programs nested in the application of `entry`, one of `entries()`. The first call reads those of
    // every application of the catalogue, several at a time; copies made by `without` share what it read.
    // Safe to call from several threads at once.
    const std::vector<NestedBundle>& nested(const Entry& entry) const;

    // The same catalogue without the application at `url` (the one being scanned).
    InstalledIdentities without(const std::filesystem::path& url) const;

private:
    struct NestedPrograms;

    std::vector<Entry> entries_;
    std::vector<std::size_t> places_; // where each entry stands in the catalogue that was read
    std::shared_ptr<NestedPrograms> nested_;
};

} // namespace tarnwick
