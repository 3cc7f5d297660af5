#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// The shell command and AppleScript text of the administrator fallback. The texts are exact: the shell
// and the script language must get every path back unchanged, whatever characters it holds.
namespace AdminScript {

// The path between single quotes, each single quote inside written as '\''.
std::string quoted(std::string_view path);

// "/bin/mv -- 'source' 'destination'".
std::string moveCommand(std::string_view source, std::string_view destination);

// do shell script "<command, backslashes and double quotes escaped>" with administrator privileges
std::string source(std::string_view command);

// The shell command inside a script that `source` built; nothing for any other text.
std::optional<std::string> command(std::string_view scriptSource);

} // namespace AdminScript
} // namespace tarnwick
