#pragma once

#include "removal/LaunchJob.h"
#include "removal/RemovalRecord.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// Marks a text, or a text that counts something (with %Ln), for the translation template; the window
// translates it under its context, the command line prints it in English.
#define TARNWICK_TEXT(context, text) text
#define TARNWICK_PLURAL(context, text) text

// What both front ends say about a removal, so that the window and the command line use the same words.
namespace RemovalTexts {

inline constexpr const char* context = "RemovalTexts";

// A text that counts something: its source, under which translations are filed, with %Ln for the count
// and %1, %2 for what follows it; and its English forms for one and for any other count.
struct CountedText {
    const char* source;
    const char* one;
    const char* other;
};

// The question asked before anything is moved.
inline constexpr std::string_view confirmationTitle =
    TARNWICK_TEXT("RemovalTexts", "Move selected items to Trash?");

// "4 items (30.1 MB) will be moved to the macOS Trash. You can restore them from History until Trash is
// emptied."; the count, then the size.
inline constexpr CountedText confirmation{
    TARNWICK_PLURAL("RemovalTexts", "%Ln items (%1) will be moved to the macOS Trash. You can restore them "
                                    "from History until Trash is emptied."),
    "%Ln item (%1) will be moved to the macOS Trash. You can restore it from History until Trash is emptied.",
    "%Ln items (%1) will be moved to the macOS Trash. You can restore them from History until Trash is "
    "emptied."};

// "4 items • 30.1 MB • 2024-06-01 08:45": the count, the size, the date.
inline constexpr CountedText summaryText{TARNWICK_PLURAL("RemovalTexts", "%Ln items \u2022 %1 \u2022 %2"),
                                         "%Ln item \u2022 %1 \u2022 %2", "%Ln items \u2022 %1 \u2022 %2"};

// `text` in English for `count`, with `arguments` for %1, %2... in order.
std::string english(const CountedText& text, std::size_t count,
                    std::initializer_list<std::string_view> arguments);

std::string confirmationMessage(std::size_t count, std::int64_t bytes);

// One application's line of a confirmation for several: "Skylume — 4 items (30.1 MB)".
std::string appSummary(std::string_view appName, std::size_t count, std::int64_t bytes);

// "1 item", "2 items".
std::string itemCount(std::size_t count);

// The whole seconds of a removal's date, when a calendar can show it: the history file may hold any number.
std::optional<std::time_t> calendarSeconds(RemovalRecord::Date date);

// The local date and time of a removal, "2024-06-01 08:45"; "unknown date" for one no calendar holds.
std::string dateText(RemovalRecord::Date date);

// "4 items • 30.1 MB • 2024-06-01 08:45": the moved items, the size of what was chosen, the date (as
// `dateText` writes it, unless the caller words it the user's way).
std::string summary(const RemovalRecord& record);
std::string summary(const RemovalRecord& record, std::string_view date);

// What a record says when nothing of it can be restored: everything was put back, or the Trash was
// emptied of it. Empty while it can be restored.
std::string_view availability(const RemovalRecord& record, bool isRestorable);

// Why clearing the history did nothing: "The removal history could not be cleared (reason)."
std::string historyNotCleared(const std::string& reason);

// Why forgetting removals did nothing: "The removal history could not be changed (reason)."
std::string historyNotChanged(const std::string& reason);

// What is said of history that could not be read and lies aside in `file`, each time the history is shown,
// until the user deals with it.
std::string keptAsideNotice(const std::string& file);

// The note of the confirmation when processes run from what would move: "Skylume is running. Tarnwick
// will ask it to quit first."
std::string runningNote(const std::vector<std::string>& processNames);

// The note of the confirmation when chosen property lists run launchd jobs: "Tarnwick will stop
// com.example.agent before it moves."
std::string launchJobsNote(const std::vector<LaunchJob>& jobs);

// The second question, asked only of processes that did not quit when asked: "Skylume did not quit. Force
// it to quit? Anything it has not saved is lost."
std::string forceQuitQuestion(const std::vector<std::string>& processNames);

// What is shown while processes asked to quit are given time to end: "Waiting for Skylume to quit…"
std::string waitingToQuit(const std::vector<std::string>& processNames);

} // namespace RemovalTexts
} // namespace tarnwick
