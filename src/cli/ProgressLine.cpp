#include "cli/ProgressLine.h"

#include "platform/Text.h"

#include <cstdio>
#include <unistd.h>

namespace tarnwick {

ProgressLine::ProgressLine()
    : enabled_(isatty(STDERR_FILENO) == 1) {}

ProgressLine::~ProgressLine() {
    clear();
}

void ProgressLine::show(const std::string& text, bool force) {
    if (!enabled_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!force && visible_ && now - lastDrawn_ < std::chrono::milliseconds(100)) {
        return;
    }
    lastDrawn_ = now;
    visible_ = true;
    // Carriage return, the text, then erase whatever a longer previous text left on the line.
    std::fprintf(stderr, "\r%s\x1b[K", Text::printable(text).c_str());
    std::fflush(stderr);
}

void ProgressLine::clear() {
    if (enabled_ && visible_) {
        std::fprintf(stderr, "\r\x1b[K");
        std::fflush(stderr);
        visible_ = false;
    }
}

} // namespace tarnwick
