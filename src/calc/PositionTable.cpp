#include "PositionTable.h"

#include <algorithm>

namespace vexto {

namespace {

constexpr std::string_view xPrefix = "X = ";
constexpr std::string_view yPrefix = "Y = ";
constexpr std::string_view tableHeader = "Cell\tX\tY\n";

std::string withoutPrefix(std::string_view line, std::string_view prefix) {
    if (line.starts_with(prefix))
        line.remove_prefix(prefix.size());
    return std::string(line);
}

} // namespace

CellCoordinates SplitCellText(std::string_view cellText) {
    const std::size_t lineEnd = cellText.find_first_of("\r\n");
    if (lineEnd == std::string_view::npos)
        return {withoutPrefix(cellText, xPrefix), {}};
    std::size_t secondLine = lineEnd + 1;
    if (cellText[lineEnd] == '\r' && secondLine < cellText.size() && cellText[secondLine] == '\n')
        ++secondLine;
    return {withoutPrefix(cellText.substr(0, lineEnd), xPrefix),
            withoutPrefix(cellText.substr(secondLine), yPrefix)};
}

std::string CoordinatePairText(std::string_view cellText) {
    const CellCoordinates coordinates = SplitCellText(cellText);
    return coordinates.x + '\t' + coordinates.y;
}

std::array<CellName, CellCount> ReadingOrder() {
    std::array<CellName, CellCount> order = allCells();
    // Rows from the top (largest row offset) down, and within a row from the left.
    std::ranges::sort(order, [](CellName a, CellName b) {
        const CellOffset first = offsetOf(a);
        const CellOffset second = offsetOf(b);
        if (first.row != second.row)
            return first.row > second.row;
        return first.column < second.column;
    });
    return order;
}

std::string MakePositionTable(const CellTexts& cellTexts) {
    std::string table;
    // Name, two coordinates of at most nine characters and their separators fit well in 32.
    table.reserve(tableHeader.size() + CellCount * 32);
    table += tableHeader;
    static const std::array<CellName, CellCount> order = ReadingOrder();
    for (const CellName cell : order) {
        const CellCoordinates coordinates = SplitCellText(cellTexts[indexOf(cell)]);
        table += nameOf(cell);
        table += '\t';
        table += coordinates.x;
        table += '\t';
        table += coordinates.y;
        table += '\n';
    }
    return table;
}

} // namespace vexto
