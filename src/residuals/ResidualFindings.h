#pragma once

#include "catalogue/RemovalPolicy.h"
#include "platform/ScanControl.h"
#include "residuals/MatchConfidence.h"
#include "residuals/ResidualCategory.h"
#include "residuals/ResidualItem.h"

#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnwick::ResidualScanner {

// The findings of one scan, one per standardised path. Between two findings of the same path the higher
// confidence wins, and at equal confidence the later one (with its reason and selection).
class ResidualFindings {
public:
    // Nothing `policy` refuses is ever selected, whatever step found it: the removal would refuse it.
    // Nor is anything in the folders of the user's own documents and media of `home`.
    ResidualFindings(const RemovalPolicy& policy, const std::filesystem::path& home);

    // Records `candidate` if something exists there. Sizes are left at 0: they are measured once, for
    // the items that survive pruning.
    void record(const std::filesystem::path& candidate, ResidualCategory category, MatchConfidence confidence,
                std::string_view reason, bool selected);

    // The same for the steps that widen the search: records only where nothing was found yet, so that a
    // finding of the earlier steps keeps its confidence, reason and selection.
    void add(const std::filesystem::path& candidate, ResidualCategory category, MatchConfidence confidence,
             std::string_view reason, bool selected);

    // Lowercased identifiers that the scanned application shares with another installed one (an
    // application group or cloud container both declare). A finding named after one of them, recorded
    // from now on, is proposed as possible and not selected, whatever step found it.
    void setSharedIdentifiers(std::set<std::string> identifiers) { shared_ = std::move(identifiers); }

    // Every finding, in no particular order.
    std::vector<ResidualItem> items() const;

private:
    bool isShared(const std::filesystem::path& url) const;

    const RemovalPolicy& policy_;
    std::filesystem::path home_; // resolved
    std::unordered_map<std::string, ResidualItem> items_;
    std::set<std::string> shared_;
};

// Measures every item, several at a time, reporting through `tally`; false when a stop was requested,
// and then the sizes are not all known.
bool measureSizes(std::vector<ResidualItem>& items, ScanTally& tally, const std::stop_token& stop);

} // namespace tarnwick::ResidualScanner
