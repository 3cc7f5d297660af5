#pragma once

#include "platform/Platform.h"

#include <QStringList>
#include <stdexcept>
#include <string>

namespace tarnwick {

// A command line the window cannot start with; the message says what to do instead.
class LaunchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The system the window shows: this machine, a Mac disk mounted at `--root DIR`, or the demo tree
// (`--demo`, built into the user's cache folder when missing); `--user NAME` picks the home on such a disk.
class LaunchOptions {
public:
    // Reads `arguments` (the program's name first). Throws LaunchError for a line that cannot be used.
    static Platform platformFor(const QStringList& arguments);
};

} // namespace tarnwick
