#include "removal/AdminLedger.h"

#include "platform/PlatformError.h"
#include "removal/ItemIdentityJson.h"

#include <algorithm>
#include <cerrno>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

// One batch holds what one removal could not move itself: thousands of items at most.
constexpr std::size_t largestLedger = 64 * 1024 * 1024;

// A folder made or found, and then only if nobody but whoever runs this can change it.
OpenFolder privateChild(const OpenFolder& parent, const std::string& name) {
    try {
        parent.createChild(name, 0700);
    } catch (const PlatformError& error) {
        if (!error.hasCode(PlatformError::posixDomain, EEXIST)) {
            throw;
        }
    }
    OpenFolder folder = parent.child(name);
    struct stat status {};
    if (::fstat(folder.descriptor(), &status) != 0) {
        throw PlatformError::fromErrno(errno, "look at", folder.path());
    }
    if (status.st_uid != ::geteuid() || (status.st_mode & 022) != 0) {
        throw PlatformError::fromErrno(EPERM, "keep a record in", folder.path());
    }
    return folder;
}

} // namespace

OpenFolder AdminLedger::openFolder(const fs::path& base, uid_t user) {
    OpenFolder above = OpenFolder::withoutLinks("/");
    for (const auto& component : base.parent_path().relative_path()) {
        try {
            above = above.child(component.native());
        } catch (const PlatformError& error) {
            if (!error.hasCode(PlatformError::posixDomain, ENOENT)) {
                throw;
            }
            above = privateChild(above, component.native());
        }
    }
    return privateChild(privateChild(above, base.filename().string()), std::to_string(user));
}

AdminLedger::AdminLedger(const OpenFolder& folder, std::string batchFolderName)
    : folder_(folder)
    , batchFolderName_(std::move(batchFolderName)) {
    const auto text = folder_.readFile(fileName(), largestLedger);
    if (!text) {
        return;
    }
    const nlohmann::json document = nlohmann::json::parse(*text, nullptr, false);
    if (!document.is_array()) {
        throw PlatformError::fromErrno(EINVAL, "read", folder_.path() / fileName());
    }
    for (const nlohmann::json& item : document) {
        const auto name = item.find("name");
        const auto originalPath = item.find("originalPath");
        const auto identity = item.contains("item") ? ItemIdentityJson::fromJson(item["item"]) : std::nullopt;
        const auto job = item.find("job");
        if (name == item.end() || !name->is_string() || originalPath == item.end() ||
            !originalPath->is_string() || !identity || (job != item.end() && !job->is_string())) {
            throw PlatformError::fromErrno(EINVAL, "read", folder_.path() / fileName());
        }
        entries_.push_back({name->get<std::string>(), originalPath->get<std::string>(), *identity,
                            job == item.end() ? std::string() : job->get<std::string>()});
    }
}

std::string AdminLedger::fileName() const {
    return batchFolderName_ + ".json";
}

const AdminLedger::Entry* AdminLedger::find(std::string_view name) const {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [name](const Entry& entry) { return entry.name == name; });
    return found == entries_.end() ? nullptr : &*found;
}

void AdminLedger::record(Entry entry) {
    std::erase_if(entries_, [&entry](const Entry& other) { return other.name == entry.name; });
    entries_.push_back(std::move(entry));
    write();
}

void AdminLedger::forget(std::string_view name) {
    std::erase_if(entries_, [name](const Entry& entry) { return entry.name == name; });
    if (entries_.empty()) {
        folder_.removeFile(fileName());
    } else {
        write();
    }
}

void AdminLedger::write() const {
    nlohmann::ordered_json document = nlohmann::ordered_json::array();
    for (const Entry& entry : entries_) {
        document.push_back({{"name", entry.name},
                            {"originalPath", entry.originalPath},
                            {"item", ItemIdentityJson::toJson(entry.item)}});
        if (!entry.job.empty()) {
            document.back()["job"] = entry.job;
        }
    }
    folder_.replaceFile(fileName(),
                        document.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
}

} // namespace tarnwick
