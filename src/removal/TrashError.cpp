#include "removal/TrashError.h"

#include "platform/Text.h"

namespace tarnwick {

namespace {

constexpr const char* partialHeading = "Some items could not be moved to Trash:\n\n";
constexpr const char* notPutBackHeading = "Some items could not be put back:\n\n";

std::string withLines(std::string heading, const std::vector<std::string>& lines) {
    for (std::size_t index = 0; index < lines.size(); ++index) {
        heading += (index == 0 ? "" : "\n") + lines[index];
    }
    return heading;
}

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
    TrashError error(Kind::partial, withLines(partialHeading, lines));
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

TrashError TrashError::noTrash(std::string path, NoTrashReason reason) {
    const char* why = reason == NoTrashReason::otherMount
                          ? "it lies on another mount of its disk than the Trash, and no move crosses mounts"
                          : "its volume has no Trash you may use";
    TrashError error(Kind::noTrash,
                     "No Trash can take \u201C" + path + "\u201D: " + why + ". Nothing was moved.");
    error.path_ = std::move(path);
    return error;
}

TrashError TrashError::trashIsLink(std::string trashFolder) {
    TrashError error(Kind::trashIsLink,
                     "\u201C" + trashFolder +
                         "\u201D is a link; Tarnwick moves nothing into it. Nothing was moved.");
    error.path_ = std::move(trashFolder);
    return error;
}

TrashError TrashError::mountPoint(std::string path) {
    TrashError error(Kind::mountPoint, "\u201C" + path +
                                           "\u201D is where another disk is mounted, so it cannot go to the "
                                           "Trash. Nothing was moved.");
    error.path_ = std::move(path);
    return error;
}

TrashError TrashError::notPutBack(std::vector<std::string> lines) {
    TrashError error(Kind::notPutBack, withLines(notPutBackHeading, lines));
    error.lines_ = std::move(lines);
    return error;
}

TrashError TrashError::alreadyRestoring() {
    return TrashError(Kind::alreadyRestoring,
                      "This removal is being put back by another Tarnwick window or command. Nothing was "
                      "changed; look at the history again when it is done.");
}

TrashError TrashError::stillRunning(const std::vector<std::string>& processNames) {
    const bool isOne = processNames.size() == 1;
    return TrashError(Kind::stillRunning, Text::listed(processNames) + (isOne ? " is" : " are") +
                                              " running, so nothing was moved. Quit " +
                                              (isOne ? "it" : "them") + ", then remove again.");
}

} // namespace tarnwick
