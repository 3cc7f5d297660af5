#include "removal/AdministratorBatch.h"

#include "removal/RemovalLock.h"
#include "removal/Uuid.h"

#include <unistd.h>

namespace tarnwick {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t longestSafeName = 128;

// Where a helper without rights beyond the user's records what it moved: beside the history.
constexpr std::string_view ledgerFolderName = "AdministratorMoves";

} // namespace

AdminRequest AdministratorBatch::requestFor(AdminRequest::Action action, const Platform& platform,
                                            const fs::path& homeTrash, const fs::path& historyFolder,
                                            const Uuid& record) {
    AdminRequest request;
    request.action = action;
    request.parent = ::getpid();
    request.lockFile = RemovalLock::prepareHelperLock(historyFolder, record);
    request.owner = ::getuid();
    request.places = {
        platform.home(), platform.temporaryFolder(),      platform.systemRoot(), platform.layout(),
        homeTrash,       historyFolder / ledgerFolderName};
    return request;
}

AdministratorBatch::AdministratorBatch(AdminRequest request, const Trash& trash, std::string_view appName)
    : request_(std::move(request)) {
    request_.trashFolder = trash.folder();
    request_.batchFolderName = std::string(folderPrefix) + safeName(appName) + "-" + Uuid::random().string();
}

AdministratorBatch::AdministratorBatch(AdminRequest request, const fs::path& folder)
    : request_(std::move(request)) {
    request_.trashFolder = folder.parent_path();
    request_.batchFolderName = folder.filename().string();
}

fs::path AdministratorBatch::add(const fs::path& folder, const std::string& name) {
    std::string batchName = std::to_string(request_.moves.size()) + "-" + name;
    request_.moves.push_back({folder / name, batchName});
    return this->folder() / batchName;
}

void AdministratorBatch::addPutBack(const fs::path& place, const fs::path& former) {
    request_.moves.push_back({former, place.filename().string()});
}

bool AdministratorBatch::isInBatchFolder(const fs::path& place, const Trash& trash) {
    const fs::path folder = place.parent_path();
    return folder.parent_path() == trash.folder() && folder.filename().native().starts_with(folderPrefix);
}

std::string AdministratorBatch::safeName(std::string_view appName) {
    std::string result;
    for (std::size_t index = 0; index < appName.size() && result.size() < longestSafeName;) {
        const char byte = appName[index];
        const bool kept = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                          (byte >= '0' && byte <= '9') || byte == '.' || byte == '_' || byte == ' ' ||
                          byte == '-';
        result += kept ? byte : '_';
        // A character of several bytes becomes one "_".
        do {
            ++index;
        } while (index < appName.size() && (static_cast<unsigned char>(appName[index]) & 0xC0) == 0x80);
    }
    return result;
}

void AdministratorBatch::removeIfEmpty(const fs::path& folder, const Trash& trash) {
    if (folder.parent_path() == trash.folder() && folder.filename().native().starts_with(folderPrefix)) {
        ::rmdir(folder.c_str()); // only ever removes an empty folder
    }
}

} // namespace tarnwick
