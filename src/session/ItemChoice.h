#pragma once

#include "residuals/ResidualItem.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwick {

// Which findings of a scan a removal takes, and what each way of choosing them chooses.
namespace ItemChoice {

// The window's buttons over all the findings, the hidden ones included.
enum class Command {
    selectSafe, // "Select Safe": every finding but the merely possible matches, which keep their choice
    clear,      // "Clear": none
};

// Whether `item` is chosen after `command`.
bool chosenAfter(Command command, const ResidualItem& item);

// What a section's checkbox sets on each finding the section shows (`chosen` of `shown` being chosen now):
// when all are chosen it releases them, else it chooses them all, the merely possible ones included.
bool sectionCheckboxChooses(std::size_t shown, std::size_t chosen);

// A path named for removal that is not among the findings.
class NotAFinding : public std::runtime_error {
public:
    explicit NotAFinding(std::string path);

    // As the user gave it.
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// With no paths, the preselected findings; else the findings at `paths`, each marked selected. A path
// may be spelt any way that leads to the same place ("a/./b", "a/c/../b", relative), and naming a finding
// twice takes it once. Findings keep the scan's order. Throws NotAFinding for the first path that names
// no finding.
std::vector<ResidualItem> choose(const std::vector<ResidualItem>& found,
                                 const std::vector<std::string>& paths);

} // namespace ItemChoice
} // namespace tarnwick
