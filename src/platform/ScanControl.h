#pragma once

#include <cstddef>
#include <functional>
#include <stop_token>

namespace tarnwick {

// How far a scan has got, as its progress callback receives it.
struct ScanProgress {
    // Folders and files looked at so far: a measure of the work done, for display, not an exact count.
    std::size_t searched = 0;
    // Findings so far: applications, or leftovers before pruning.
    std::size_t found = 0;
    // While the findings are measured: how many are done, of how many. Both 0 before measuring.
    std::size_t measured = 0;
    std::size_t toMeasure = 0;

    bool isMeasuring() const { return toMeasure > 0; }
};

// What the caller of a long scan hands it: a way to stop it, and an ear for its progress.
struct ScanControl {
    std::stop_token stop{};
    // Called on the thread that runs the scan, at each step, every few hundred entries of a long walk and
    // several times a second while measuring. It must return quickly: the caller throttles what it shows.
    std::function<void(const ScanProgress&)> progress{};

    bool stopRequested() const { return stop.stop_requested(); }
};

// How a scan ended. What a cancelled scan delivered is incomplete and must never pass for the whole.
enum class ScanOutcome { completed, cancelled };

// The running count of one scan, reported through its control.
class ScanTally {
public:
    explicit ScanTally(const ScanControl& control)
        : control_(control) {}

    // Counts entries looked at, reporting every few hundred; false once a stop is requested, so that a
    // walk's visitor can return its answer directly.
    bool searched(std::size_t entries = 1);

    // Sets the number of findings and reports.
    void found(std::size_t count);

    // Reports how many findings are measured, of how many. Scans report 0 as measuring begins, so that a
    // stop requested then spares all of it.
    void measuring(std::size_t measured, std::size_t total);

    // Reports the count as it stands: the end of a step.
    void report();

    bool stopRequested() const { return control_.stopRequested(); }
    const ScanProgress& progress() const { return progress_; }

private:
    const ScanControl& control_;
    ScanProgress progress_;
    std::size_t sinceReport_ = 0;
};

} // namespace tarnwick
