#pragma once

#include "platform/Platform.h"

#include <QStringList>

namespace tarnwick {

// The window's command line: `--root DIR`, `--user NAME` and `--demo` name the system it shows, as they do
// for the command-line program; `--help` and `--version` answer and exit.
namespace CommandLine {

// Reads `arguments` (the program's name first). Throws LaunchOptions::Error for a line that cannot be used.
Platform platformFor(const QStringList& arguments);

} // namespace CommandLine
} // namespace tarnwick
