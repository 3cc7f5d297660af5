#include "removal/AdminProtocol.h"

#include <charconv>
#include <limits>

namespace tarnwick::AdminProtocol {

namespace {

constexpr std::string_view movedWord = "moved";
constexpr std::string_view missingWord = "missing";
constexpr std::string_view failedPrefix = "failed ";
constexpr std::string_view jobPrefix = "job ";
constexpr std::string_view notePrefix = "note ";

constexpr std::size_t fixedArguments = 12;

constexpr std::string_view moveToTrashWord = "move-to-trash";
constexpr std::string_view putBackWord = "put-back";
constexpr std::string_view macOSLayoutWord = "macOS";
constexpr std::string_view freedesktopLayoutWord = "freedesktop";

// Digits only, and no leading zero: the one way `arguments` writes a number.
bool isDecimal(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos &&
           (text.size() == 1 || text.front() != '0');
}

std::optional<pid_t> processNumber(std::string_view text) {
    if (!isDecimal(text)) {
        return std::nullopt;
    }
    pid_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value <= 1) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::vector<std::string> arguments(const AdminRequest& request) {
    const AdminRequest::Places& places = request.places;
    std::vector<std::string> result{
        std::string(request.action == AdminRequest::Action::putBack ? putBackWord : moveToTrashWord),
        std::to_string(request.parent),
        request.lockFile.string(),
        std::to_string(request.owner),
        places.home.string(),
        places.temporary.string(),
        places.systemRoot.string(),
        std::string(places.layout == FolderLayout::macOS ? macOSLayoutWord : freedesktopLayoutWord),
        places.homeTrash.string(),
        places.ledger.string(),
        request.trashFolder.string(),
        request.batchFolderName};
    for (const AdminRequest::Move& move : request.moves) {
        result.push_back(move.path.string());
        result.push_back(move.batchName);
    }
    return result;
}

std::optional<AdminRequest> request(const std::vector<std::string>& arguments) {
    if (arguments.size() < fixedArguments || (arguments.size() - fixedArguments) % 2 != 0) {
        return std::nullopt;
    }
    AdminRequest result;
    if (arguments[0] == moveToTrashWord) {
        result.action = AdminRequest::Action::moveToTrash;
    } else if (arguments[0] == putBackWord) {
        result.action = AdminRequest::Action::putBack;
    } else {
        return std::nullopt;
    }
    const std::optional<pid_t> parent = processNumber(arguments[1]);
    const std::optional<uid_t> owner = userNumber(arguments[3]);
    if (!parent || !owner) {
        return std::nullopt;
    }
    result.parent = *parent;
    result.lockFile = arguments[2];
    result.owner = *owner;
    AdminRequest::Places& places = result.places;
    places.home = arguments[4];
    places.temporary = arguments[5];
    places.systemRoot = arguments[6];
    if (arguments[7] == macOSLayoutWord) {
        places.layout = FolderLayout::macOS;
    } else if (arguments[7] == freedesktopLayoutWord) {
        places.layout = FolderLayout::freedesktop;
    } else {
        return std::nullopt;
    }
    places.homeTrash = arguments[8];
    places.ledger = arguments[9];
    result.trashFolder = arguments[10];
    result.batchFolderName = arguments[11];
    for (std::size_t index = fixedArguments; index < arguments.size(); index += 2) {
        result.moves.push_back({arguments[index], arguments[index + 1]});
    }
    return result;
}

std::optional<uid_t> userNumber(std::string_view text) {
    // from_chars alone would take a sign; "-1" must not become the largest user number.
    if (!isDecimal(text)) {
        return std::nullopt;
    }
    uid_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    // (uid_t)-1 means "no user" to the calls that take one.
    if (error != std::errc() || end != text.data() + text.size() ||
        value == std::numeric_limits<uid_t>::max()) {
        return std::nullopt;
    }
    return value;
}

std::string lines(const AdminItemOutcome& outcome) {
    std::string result;
    if (!outcome.job.empty()) {
        result += std::string(jobPrefix) + printable(outcome.job) + '\n';
    }
    for (const std::string& note : outcome.notes) {
        result += std::string(notePrefix) + printable(note) + '\n';
    }
    switch (outcome.result) {
    case AdminItemOutcome::Result::moved:
        return result + std::string(movedWord) + '\n';
    case AdminItemOutcome::Result::missing:
        return result + std::string(missingWord) + '\n';
    case AdminItemOutcome::Result::failed:
        break;
    }
    return result + std::string(failedPrefix) + printable(outcome.message) + '\n';
}

std::vector<AdminItemOutcome> outcomes(std::string_view answer, std::size_t moveCount) {
    std::vector<AdminItemOutcome> result;
    AdminItemOutcome told; // what the lines so far said of the next move
    std::size_t start = 0;
    while (result.size() < moveCount && start < answer.size()) {
        // A line break that went through the macOS script runner may come back as CR or CR LF; no answer
        // line holds either, nor is one empty.
        std::size_t end = answer.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = answer.size();
        }
        const std::string_view text = answer.substr(start, end - start);
        start = end + 1;
        if (text.empty()) {
            continue;
        }
        if (text.starts_with(jobPrefix)) {
            told.job = printable(text.substr(jobPrefix.size()));
            continue;
        }
        if (text.starts_with(notePrefix)) {
            told.notes.push_back(printable(text.substr(notePrefix.size())));
            continue;
        }
        if (text == movedWord) {
            told.result = AdminItemOutcome::Result::moved;
        } else if (text == missingWord) {
            told.result = AdminItemOutcome::Result::missing;
        } else if (text.starts_with(failedPrefix)) {
            told.message = printable(text.substr(failedPrefix.size()));
        } else {
            told.message = "The administrator helper answered something unreadable: " + printable(text);
        }
        result.push_back(std::move(told));
        told = {};
    }
    // What was told of a move without its outcome line counts, all the same: a daemon stopped is stopped.
    while (result.size() < moveCount) {
        told.message = "The administrator helper gave no answer for this item.";
        result.push_back(std::move(told));
        told = {};
    }
    return result;
}

} // namespace tarnwick::AdminProtocol
