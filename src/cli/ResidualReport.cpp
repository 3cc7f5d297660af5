#include "cli/ResidualReport.h"

#include "catalogue/ByteFormat.h"
#include "platform/Text.h"
#include "session/RemovalTexts.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <string_view>

namespace tarnwick::ResidualReport {
namespace {

std::string padded(std::string_view text, std::size_t width, bool right) {
    const std::string padding(width > text.size() ? width - text.size() : 0, ' ');
    return right ? padding + std::string(text) : std::string(text) + padding;
}

} // namespace

void print(std::ostream& out, const std::vector<ResidualItem>& items, const Options& options) {
    if (items.empty()) {
        return;
    }
    // One column layout for the whole report, so that sections line up with each other.
    std::size_t confidenceWidth = 0;
    std::size_t sizeWidth = 0;
    for (const auto& item : items) {
        confidenceWidth = std::max(confidenceWidth, title(item.confidence).size());
        sizeWidth = std::max(sizeWidth, ByteFormat::string(item.size).size());
    }
    const std::string reasonIndent(4 + 2 + confidenceWidth + 2 + sizeWidth + 2, ' ');

    bool first = true;
    for (const ResidualCategory category : allResidualCategories()) {
        std::vector<const ResidualItem*> section;
        std::int64_t total = 0;
        for (const auto& item : items) {
            if (item.category == category) {
                section.push_back(&item);
                total = addedSize(total, item.size);
            }
        }
        if (section.empty()) {
            continue;
        }
        out << (first ? "" : "\n") << rawValue(category) << " \u2014 "
            << RemovalTexts::itemCount(section.size()) << ", " << ByteFormat::string(total) << '\n';
        first = false;
        const std::string& sharedReason = section.front()->reason;
        const bool once = options.reasons == Reasons::oncePerSection;
        if (once && !sharedReason.empty()) {
            out << "  " << Text::printable(sharedReason) << '\n';
        }
        for (const ResidualItem* item : section) {
            out << "  " << (item->selected ? "[x] " : "[ ] ")
                << padded(title(item->confidence), confidenceWidth, false) << "  "
                << padded(ByteFormat::string(item->size), sizeWidth, true) << "  "
                << Text::printable(item->url.native()) << '\n';
            const bool showsReason =
                once ? item->reason != sharedReason : item->confidence == MatchConfidence::possible;
            if (showsReason && !item->reason.empty()) {
                out << reasonIndent << Text::printable(item->reason) << '\n';
            }
        }
    }

    if (!options.preselectedTotal) {
        return;
    }
    std::size_t selectedCount = 0;
    std::int64_t selectedSize = 0;
    for (const auto& item : items) {
        if (item.selected) {
            ++selectedCount;
            selectedSize = addedSize(selectedSize, item.size);
        }
    }
    out << '\n';
    if (selectedCount == 0) {
        out << "Nothing is preselected.\n";
    } else {
        out << "Preselected: " << RemovalTexts::itemCount(selectedCount) << ", "
            << ByteFormat::string(selectedSize) << ".\n";
    }
}

void printJson(std::ostream& out, const nlohmann::ordered_json& value) {
    out << value.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

} // namespace tarnwick::ResidualReport
