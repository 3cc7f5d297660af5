#include "cli/TextTable.h"

#include "platform/Text.h"

#include <algorithm>

namespace tarnwick {

TextTable::TextTable(std::vector<Column> columns)
    : columns_(std::move(columns)) {}

void TextTable::addRow(std::vector<std::string> cells) {
    cells.resize(columns_.size());
    for (std::string& cell : cells) {
        cell = Text::printable(cell);
    }
    rows_.push_back(std::move(cells));
}

void TextTable::print(std::ostream& out) const {
    std::vector<std::size_t> widths;
    for (const auto& column : columns_) {
        widths.push_back(Text::characterCount(column.title));
    }
    for (const auto& row : rows_) {
        for (std::size_t index = 0; index < row.size(); ++index) {
            widths[index] = std::max(widths[index], Text::characterCount(row[index]));
        }
    }
    auto printRow = [&](const std::vector<std::string>& cells) {
        std::string line;
        for (std::size_t index = 0; index < cells.size(); ++index) {
            const std::string padding(widths[index] - Text::characterCount(cells[index]), ' ');
            const bool last = index + 1 == cells.size();
            if (columns_[index].alignment == Alignment::right) {
                line += padding + cells[index];
            } else {
                line += cells[index] + (last ? "" : padding);
            }
            if (!last) {
                line += "  ";
            }
        }
        out << line << '\n';
    };
    std::vector<std::string> titles;
    for (const auto& column : columns_) {
        titles.push_back(column.title);
    }
    printRow(titles);
    for (const auto& row : rows_) {
        printRow(row);
    }
}

} // namespace tarnwick
