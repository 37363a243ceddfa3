#include "SheetXml.h"

#include "XlsxPackage.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace nax::xlsx {

namespace {

// Column width as the file stores it for a width in characters of the default font.
double storedWidth(double chars) {
    if (chars <= 0) return 0;
    constexpr int kDigitPixels = 7, kPadding = 5;
    const int pixels = chars < 1 ? static_cast<int>(chars * (kDigitPixels + kPadding) + 0.5)
                                 : static_cast<int>(chars * kDigitPixels + 0.5) + kPadding;
    return std::floor(static_cast<double>(pixels) / kDigitPixels * 256.0) / 256.0;
}
void appendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
}

} // namespace

// A text cell keeps its blanks and breaks only when told to.
bool keepsWhitespace(std::string_view text) {
    return text.front() == ' ' || text.back() == ' ' ||
           text.find_first_of("\t\n\r") != std::string_view::npos;
}

std::string numberText(double value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}
Result<void> SheetXml::attach(const std::string& refuse) {
    root = doc.document_element();
    if (std::string_view(root.name()) != "worksheet")
        return Error{0, refuse + "its part " + part + " is not a worksheet this program can fill."};
    data = root.child("sheetData");
    if (!data)
        data = insertBeforeAny(root, "sheetData",
                               {"sheetCalcPr",
                                "sheetProtection",
                                "protectedRanges",
                                "scenarios",
                                "autoFilter",
                                "sortState",
                                "dataConsolidate",
                                "customSheetViews",
                                "mergeCells",
                                "phoneticPr",
                                "conditionalFormatting",
                                "dataValidations",
                                "hyperlinks",
                                "printOptions",
                                "pageMargins",
                                "pageSetup",
                                "headerFooter",
                                "rowBreaks",
                                "colBreaks",
                                "customProperties",
                                "cellWatches",
                                "ignoredErrors",
                                "smartTags",
                                "drawing",
                                "legacyDrawing",
                                "legacyDrawingHF",
                                "picture",
                                "oleObjects",
                                "controls",
                                "webPublishItems",
                                "tableParts",
                                "extLst"});
    indexRows();
    return success();
}

void SheetXml::indexRows() {
    rows.clear();
    int previous = 0;
    for (pugi::xml_node row : data.children("row")) {
        int number = row.attribute("r").as_int(previous + 1);
        if (number <= previous) number = previous + 1;
        attribute(row, "r") = number;
        rows[number] = row;
        previous = number;
    }
}

bool SheetXml::follows(int row, int col) const {
    if (appended.row == 0) return rows.empty() || row > rows.rbegin()->first;
    return row > appended.row || (row == appended.row && col > appended.col);
}

void SheetXml::append(int row, int col, int style, const CellValue& value, std::string_view safe) {
    std::string& xml = appended.xml;
    if (row != appended.row) {
        xml += appended.row == 0 ? "" : "</row>";
        if (appended.row == 0) appended.firstRow = row;
        xml += "<row r=\"" + std::to_string(row) + "\">";
        appended.row = row;
    }
    appended.col = col;
    xml += "<c r=\"" + cellAddress(row, col) + '"';
    if (style >= 0) xml += " s=\"" + std::to_string(style) + '"';
    switch (value.kind) {
    case CellValue::Kind::Empty:
        xml += "/>";
        break;
    case CellValue::Kind::Number:
    case CellValue::Kind::DateTime:
        xml += "><v>" + numberText(value.number) + "</v></c>";
        break;
    case CellValue::Kind::Text:
        xml += keepsWhitespace(safe) ? R"( t="inlineStr"><is><t xml:space="preserve">)"
                                     : R"( t="inlineStr"><is><t>)";
        appendEscaped(xml, safe);
        xml += "</t></is></c>";
        break;
    }
}

Result<void> SheetXml::unlessAppendedHolds(int row) {
    if (appended.row == 0 || row < appended.firstRow) return success();
    appended.xml += "</row>";
    const pugi::xml_parse_result parsed =
        data.append_buffer(appended.xml.data(), appended.xml.size(), kParseFlags);
    if (!parsed)
        return Error{0, std::string("The rows written could not be read again: ") + parsed.description()};
    appended = {};
    indexRows();
    return success();
}

Result<void> SheetXml::serializeInto(std::string& out, const std::string& refuse) {
    if (appended.row == 0) {
        out = serialize(doc);
        return success();
    }
    static constexpr std::string_view kMark = "appended rows", kPlaceholder = "<!--appended rows-->";
    pugi::xml_node mark = data.append_child(pugi::node_comment);
    mark.set_value(std::string(kMark).c_str());
    const std::string xml = serialize(doc);
    data.remove_child(mark);
    // A template's comments are not read, but a CDATA section could spell the mark out.
    const std::string end = std::string(kPlaceholder) + "</sheetData>";
    const size_t at = xml.find(end);
    if (at == std::string::npos || xml.find(end, at + 1) != std::string::npos)
        return Error{0, refuse + "its part " + part + " holds a text this program marks its rows with."};
    out.clear();
    out.reserve(xml.size() + appended.xml.size() + 6);
    out.append(xml, 0, at).append(appended.xml).append("</row>").append(xml, at + kPlaceholder.size());
    return success();
}

pugi::xml_node SheetXml::rowNode(int number) {
    if (const auto found = rows.find(number); found != rows.end()) return found->second;
    const auto next = rows.upper_bound(number);
    pugi::xml_node row =
        next == rows.end() ? data.append_child("row") : data.insert_child_before("row", next->second);
    row.append_attribute("r") = number;
    rows[number] = row;
    return row;
}

int SheetXml::columnOf(pugi::xml_node cell, int previous) {
    int row = 0, col = 0;
    return parseCellAddress(cell.attribute("r").value(), row, col) ? col : previous + 1;
}

pugi::xml_node SheetXml::cellNode(int rowNumber, int col) {
    pugi::xml_node row = rowNode(rowNumber);
    row.remove_attribute("spans"); // a hint that new cells could contradict
    pugi::xml_node last = row.last_child();
    pugi::xml_node before;
    if (!last || columnOf(last, kMaxSheetCols) < col) {
        before = pugi::xml_node(); // append: the common case of a block written left to right
    } else {
        int previous = 0;
        for (pugi::xml_node cell : row.children("c")) {
            const int at = columnOf(cell, previous);
            if (at == col) return cell;
            if (at > col) {
                before = cell;
                break;
            }
            previous = at;
        }
    }
    pugi::xml_node cell = before ? row.insert_child_before("c", before) : row.append_child("c");
    cell.append_attribute("r") = cellAddress(rowNumber, col).c_str();
    return cell;
}

void SheetXml::setColumnWidth(int col, double chars) {
    pugi::xml_node cols = root.child("cols");
    if (!cols) cols = root.insert_child_before("cols", data);
    pugi::xml_node target;
    for (pugi::xml_node entry : cols.children("col")) {
        const int min = entry.attribute("min").as_int(), max = entry.attribute("max").as_int();
        if (min > col) {
            target = cols.insert_child_before("col", entry);
            break;
        }
        if (max < col) continue;
        // Split a range so that only this column changes.
        if (min < col) attribute(cols.insert_copy_before(entry, entry), "max") = col - 1;
        if (max > col) attribute(cols.insert_copy_after(entry, entry), "min") = col + 1;
        target = entry;
        break;
    }
    if (!target) target = cols.append_child("col");
    attribute(target, "min") = col;
    attribute(target, "max") = col;
    attribute(target, "width") = storedWidth(std::min(chars, kMaxColumnWidth));
    attribute(target, "customWidth") = 1;
}

void SheetXml::updateDimension() {
    pugi::xml_node dimension = root.child("dimension");
    if (!dimension || maxRow == 0) return;
    const std::string ref = dimension.attribute("ref").value();
    const size_t colon = ref.find(':');
    int lastRow = 0, lastCol = 0;
    parseCellAddress(colon == std::string::npos ? ref : ref.substr(colon + 1), lastRow, lastCol);
    int firstRow = 1, firstCol = 1;
    if (colon != std::string::npos) parseCellAddress(ref.substr(0, colon), firstRow, firstCol);
    attribute(dimension, "ref") = (cellAddress(std::min(firstRow, 1), std::min(firstCol, 1)) + ":" +
                                   cellAddress(std::max(lastRow, maxRow), std::max(lastCol, maxCol)))
                                      .c_str();
}

} // namespace nax::xlsx
