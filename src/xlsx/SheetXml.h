#pragma once
// A worksheet of a template being filled: the template's rows indexed by number as nodes, and the
// rows written past them kept as finished XML text. A year's detail grid as nodes would take a
// node for every cell, value and text, several times the size of the text itself.
#include "CellText.h"
#include "base/Result.h"

#include <pugixml.hpp>

#include <map>
#include <string>
#include <string_view>

namespace nax::xlsx {

// A text cell keeps its blanks and breaks only when told to.
bool keepsWhitespace(std::string_view text);
// A number as a cell's value holds it: the shortest text that reads back as the same double.
std::string numberText(double value);

struct SheetXml {
    pugi::xml_document doc;
    std::string part;
    pugi::xml_node root, data;
    std::map<int, pugi::xml_node> rows;
    int maxRow = 0, maxCol = 0;

    // Cells written after every row the template holds, in order: "<row ...>...", the last row
    // still open. Rows of the text all follow the rows of the nodes.
    struct Appended {
        std::string xml;
        int firstRow = 0, row = 0, col = 0; // row 0: nothing appended
    } appended;

    Result<void> attach(const std::string& refuse);

    void indexRows();

    // True when the cell comes after everything written so far, so that it can be appended.
    bool follows(int row, int col) const;

    // `style` < 0: the cell has no format of its own. `safe` is the cell-safe text of a Text.
    void append(int row, int col, int style, const CellValue& value, std::string_view safe);

    // Before a cell among the appended rows is written again or out of order, they become nodes.
    Result<void> unlessAppendedHolds(int row);

    // The worksheet's XML with the appended rows at the end of its data, into `out`.
    Result<void> serializeInto(std::string& out, const std::string& refuse);

    pugi::xml_node rowNode(int number);

    static int columnOf(pugi::xml_node cell, int previous);

    pugi::xml_node cellNode(int rowNumber, int col);

    void setColumnWidth(int col, double chars);

    // The used range grows to cover what was written.
    void updateDimension();
};

} // namespace nax::xlsx
