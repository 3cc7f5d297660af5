#pragma once

#include <chrono>
#include <string>

namespace tarnwick {

// A one-line progress message on standard error, redrawn in place; silent unless standard error is a
// terminal, so that scripts and pipes only ever see results.
class ProgressLine {
public:
    ProgressLine();
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Shows `text` (through Text::printable: it may name an application), at most about ten times a second
    // unless `force` is set.
    void show(const std::string& text, bool force = false);
    void clear();

private:
    bool enabled_;
    bool visible_ = false;
    std::chrono::steady_clock::time_point lastDrawn_{};
};

} // namespace tarnwick
