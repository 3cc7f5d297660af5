#pragma once

#include "catalogue/AppIdentityReader.h"
#include "catalogue/InstalledApp.h"
#include "catalogue/NestedBundle.h"

#include <vector>

namespace tarnwick {

// The installed applications with their code-signing identities and the programs nested in them, read
// once per catalogue so that every scan that needs to know what belongs to whom can reuse them.
class InstalledIdentities {
public:
    struct Entry {
        InstalledApp app;
        AppIdentityReader::Identity identity;
        std::vector<NestedBundle> nested{};
    };

    InstalledIdentities() = default;

    // Reads every identity and nested program, several at a time; the entries keep the order of `apps`.
    static InstalledIdentities read(const std::vector<InstalledApp>& apps);

    const std::vector<Entry>& entries() const { return entries_; }

    // The same catalogue without the application at `url` (the one being scanned).
    InstalledIdentities without(const std::filesystem::path& url) const;

private:
    std::vector<Entry> entries_;
};

} // namespace tarnwick
