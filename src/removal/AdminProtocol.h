#pragma once

#include "platform/Text.h"
#include "removal/AdminRequest.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// How the removal and the administrator helper talk. The request travels as program arguments, never as
// shell text: the action ("move-to-trash" or "put-back"), the asking process's number, the lock file, the
// owner's user number in decimal, the asker's places (home, temporary folder, system root, layout, Trash of
// the home, ledger folder), the Trash folder, the batch folder name, then for each move a path and the
// item's name in the batch folder. The helper answers one line per move, in order: "moved", "missing"
// (nothing was there to move) or "failed <message>", each after the lines that tell more of that move:
// "job <label>" (the daemon of that list was stopped, or started again) and "note <message>".
namespace AdminProtocol {

// The file name of the helper, installed beside the programs that start it.
inline constexpr std::string_view helperName = "tarnwick-admin-helper";

// How every batch folder's name begins: "Tarnwick-<app>-<identifier>".
inline constexpr std::string_view batchFolderPrefix = "Tarnwick-";

// Where a helper with administrator rights records what it moved: a folder only root may change.
#ifdef __APPLE__
inline constexpr std::string_view systemLedgerFolder = "/private/var/db/tarnwick/administrator-moves";
#else
inline constexpr std::string_view systemLedgerFolder = "/var/lib/tarnwick/administrator-moves";
#endif

std::vector<std::string> arguments(const AdminRequest& request);

// The request that `arguments` built; nothing for a list it cannot have built.
std::optional<AdminRequest> request(const std::vector<std::string>& arguments);

// A user number written in decimal digits only, as `arguments` writes it; nothing for anything else.
std::optional<uid_t> userNumber(std::string_view text);

// The answer lines for one move, each ended by a line break.
std::string lines(const AdminItemOutcome& outcome);

// The helper's answer to a request of `moveCount` moves: one item per move, in order. A move the helper
// gave no readable answer for (it stopped early, or something else wrote there) counts as failed.
std::vector<AdminItemOutcome> outcomes(std::string_view answer, std::size_t moveCount);

// What an answer line quotes, escaped as for a terminal: it stays one line, and shows what it holds.
using Text::printable;

} // namespace AdminProtocol
} // namespace tarnwick
