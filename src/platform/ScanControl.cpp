#include "platform/ScanControl.h"

namespace tarnwick {

namespace {

// Often enough for a display, rare enough that a callback costs nothing next to the metadata reads.
constexpr std::size_t entriesPerReport = 256;

} // namespace

bool ScanTally::searched(std::size_t entries) {
    progress_.searched += entries;
    sinceReport_ += entries;
    if (sinceReport_ >= entriesPerReport) {
        report();
    }
    return !stopRequested();
}

void ScanTally::found(std::size_t count) {
    progress_.found = count;
    report();
}

void ScanTally::measuring(std::size_t measured, std::size_t total) {
    progress_.measured = measured;
    progress_.toMeasure = total;
    report();
}

void ScanTally::report() {
    sinceReport_ = 0;
    if (control_.progress) {
        control_.progress(progress_);
    }
}

} // namespace tarnwick
