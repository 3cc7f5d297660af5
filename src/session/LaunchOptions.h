#pragma once

#include "platform/Platform.h"

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwick {

// The system a front end looks at, as its `--root DIR`, `--user NAME` and `--demo` options name it: this
// machine, a Mac disk mounted at DIR, or the demo tree (built into the user's cache folder when missing), and
// on a disk or the demo the home of NAME.
namespace LaunchOptions {

// Options that cannot be used; the message says what to do instead, and escapes what it quotes.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Request {
    std::optional<std::string> root{}; // given, even empty
    std::string user{};                // empty when not given
    bool demo = false;
};

struct System {
    Platform platform;
    // The options that name this system again ("--demo" or "--root DIR", then "--user NAME" if given), so
    // that a command suggested to the user acts on the same one. The folder is absolute.
    std::vector<std::string> arguments;
};

// Throws Error. `preparingDemo` is called before the demo tree is made ready, which may take a moment.
System resolve(const Request& request, const std::function<void()>& preparingDemo = {});

} // namespace LaunchOptions
} // namespace tarnwick
