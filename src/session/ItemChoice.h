#pragma once

#include "residuals/ResidualItem.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwick {

// Which findings of a scan a removal takes.
namespace ItemChoice {

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
