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
// shell text: the owner's user number in decimal, the Trash folder, the batch folder name, then a source
// path and its name in the batch folder for each move. The helper answers one line per move, in order:
// "moved", "missing" (nothing was at the source) or "failed <message>".
namespace AdminProtocol {

// The file name of the helper, installed beside the programs that start it.
inline constexpr std::string_view helperName = "tarnwick-admin-helper";

// On macOS the authorisation prompt starts the helper as root and says nothing of who asked; the
// launcher names that user in this environment variable instead.
inline constexpr std::string_view requesterVariable = "TARNWICK_REQUESTER_UID";

std::vector<std::string> arguments(const AdminRequest& request);

// The request that `arguments` built; nothing for a list it cannot have built.
std::optional<AdminRequest> request(const std::vector<std::string>& arguments);

// A user number written in decimal digits only, as `arguments` writes it; nothing for anything else.
std::optional<uid_t> userNumber(std::string_view text);

// The answer line for one move, without its line break.
std::string line(const AdminItemOutcome& outcome);

// The helper's answer to a request of `moveCount` moves: one item per move, in order. A move the helper
// gave no readable answer for (it stopped early, or something else wrote there) counts as failed.
std::vector<AdminItemOutcome> outcomes(std::string_view answer, std::size_t moveCount);

// What an answer line quotes, escaped as for a terminal: it stays one line, and shows what it holds.
using Text::printable;

} // namespace AdminProtocol
} // namespace tarnwick
