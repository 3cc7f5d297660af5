#pragma once

#include "removal/RemovalRecord.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

// What both front ends say about a removal, so that the window and the command line use the same words.
namespace RemovalTexts {

// The question asked before anything is moved.
inline constexpr std::string_view confirmationTitle = "Move selected items to Trash?";

// "4 items (30.1 MB) will be moved to the macOS Trash. You can restore them from History until Trash is
// emptied." The count is always written with "items", as the window writes it.
std::string confirmationMessage(std::size_t count, std::int64_t bytes);

// "1 item", "2 items".
std::string itemCount(std::size_t count);

// The local date and time of a removal, "2024-06-01 08:45"; "unknown date" for one no calendar holds.
std::string dateText(RemovalRecord::Date date);

// "4 items • 30.1 MB • 2024-06-01 08:45": the moved items, the size of what was chosen, the date.
std::string summary(const RemovalRecord& record);

// What a record says when nothing of it can be restored: everything was put back, or the Trash was
// emptied of it. Empty while it can be restored.
std::string_view availability(const RemovalRecord& record, bool isRestorable);

// Why clearing the history did nothing: "The removal history could not be cleared (reason)."
std::string historyNotCleared(const std::string& reason);

} // namespace RemovalTexts
} // namespace tarnwick
