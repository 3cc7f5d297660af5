#include "removal/TrashError.h"

namespace tarnwick {

namespace {

constexpr const char* partialHeading = "Some items could not be moved to Trash:\n\n";

} // namespace

TrashError::TrashError(Kind kind, std::string message)
    : kind_(kind)
    , message_(std::move(message)) {}

TrashError TrashError::unsafePath(std::string path) {
    TrashError error(Kind::unsafePath, "Tarnwick blocked an unsafe path: " + path);
    error.path_ = std::move(path);
    return error;
}

TrashError TrashError::partial(std::vector<std::string> lines, std::optional<Uuid> recordedRemoval) {
    std::string message = partialHeading;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        message += (index == 0 ? "" : "\n") + lines[index];
    }
    TrashError error(Kind::partial, std::move(message));
    error.lines_ = std::move(lines);
    error.recordedRemoval_ = recordedRemoval;
    return error;
}

TrashError TrashError::systemApplication() {
    return TrashError(Kind::systemApplication, "System applications cannot be removed.");
}

TrashError TrashError::nothingSelected() {
    return TrashError(Kind::nothingSelected, "Select at least one item to remove.");
}

TrashError TrashError::historyUnwritable(const std::string& reason) {
    return TrashError(Kind::historyUnwritable,
                      "The removal history cannot be written (" + reason + "). Nothing was moved.");
}

TrashError TrashError::noTrash(std::string path) {
    TrashError error(Kind::noTrash, "No Trash can take \u201C" + path +
                                        "\u201D: its volume has no Trash you may use. Nothing was moved.");
    error.path_ = std::move(path);
    return error;
}

} // namespace tarnwick
