#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tarnwick {

// A plain text table with a header row; columns are as wide as their widest cell. Cells hold text from
// disk, and are shown through Text::printable.
class TextTable {
public:
    enum class Alignment { left, right };

    struct Column {
        std::string title;
        Alignment alignment = Alignment::left;
    };

    explicit TextTable(std::vector<Column> columns);

    void addRow(std::vector<std::string> cells);
    void print(std::ostream& out) const;

private:
    std::vector<Column> columns_;
    std::vector<std::vector<std::string>> rows_;
};

} // namespace tarnwick
