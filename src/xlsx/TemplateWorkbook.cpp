#include "TemplateWorkbook.h"

#include <pugixml.hpp>
#include <zip.h>

#include <charconv>
#include <cmath>
#include <set>
#include <sstream>
#include <tuple>

namespace nax {

namespace {

constexpr zip_uint32_t kCompressionLevel = 6;
constexpr unsigned kParseFlags =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_doctype | pugi::parse_ws_pcdata_single;

std::string zipMessage(zip_error_t* error) {
    return zip_error_strerror(error);
}

// The text of the code zip_open gave back.
std::string zipOpenMessage(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string message = zipMessage(&error);
    zip_error_fini(&error);
    return message;
}

// Folder part of a package path, with its slash: "xl/workbook.xml" -> "xl/".
std::string folderOf(std::string_view part) {
    const size_t slash = part.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(part.substr(0, slash + 1));
}

std::string relationshipsOf(std::string_view part) {
    const size_t slash = part.rfind('/');
    const std::string_view file = slash == std::string_view::npos ? part : part.substr(slash + 1);
    return folderOf(part) + "_rels/" + std::string(file) + ".rels";
}

// A relationship's target as a path inside the package.
std::string resolvePart(std::string_view source, std::string_view target) {
    std::string joined = !target.empty() && target.front() == '/' ? std::string(target.substr(1))
                                                                  : folderOf(source) + std::string(target);
    std::vector<std::string> segments;
    std::stringstream parts(joined);
    for (std::string segment; std::getline(parts, segment, '/');) {
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
            continue;
        }
        segments.push_back(segment);
    }
    std::string resolved;
    for (const auto& segment : segments)
        resolved += (resolved.empty() ? "" : "/") + segment;
    return resolved;
}

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// Column width as the file stores it for a width in characters of the default font.
double storedWidth(double chars) {
    if (chars <= 0) return 0;
    constexpr int kDigitPixels = 7, kPadding = 5;
    const int pixels = chars < 1 ? static_cast<int>(chars * (kDigitPixels + kPadding) + 0.5)
                                 : static_cast<int>(chars * kDigitPixels + 0.5) + kPadding;
    return std::floor(static_cast<double>(pixels) / kDigitPixels * 256.0) / 256.0;
}

std::string numberText(double value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

void setCount(pugi::xml_node list) {
    const auto count = std::distance(list.children().begin(), list.children().end());
    (list.attribute("count") ? list.attribute("count") : list.append_attribute("count")) =
        static_cast<long long>(count);
}

pugi::xml_node childAt(pugi::xml_node list, int index) {
    int i = 0;
    for (pugi::xml_node child : list.children())
        if (i++ == index) return child;
    return {};
}

// Inserts a child named `name` before the first child named in `followers`, else at the end.
pugi::xml_node insertBeforeAny(pugi::xml_node parent, const char* name,
                               std::initializer_list<const char*> followers) {
    for (pugi::xml_node child : parent.children())
        for (const char* follower : followers)
            if (std::string_view(child.name()) == follower) return parent.insert_child_before(name, child);
    return parent.append_child(name);
}

pugi::xml_attribute attribute(pugi::xml_node node, const char* name) {
    pugi::xml_attribute found = node.attribute(name);
    return found ? found : node.append_attribute(name);
}

} // namespace

// ---------------------------------------------------------------------------------------
// The package: every entry read into memory, under limits.

struct TemplateWorkbook::Package {
    struct Entry {
        std::string name;
        std::string data;
        bool removed = false;
    };
    std::vector<Entry> entries;
    std::map<std::string, size_t> byName;

    Entry* find(const std::string& name) {
        const auto found = byName.find(name);
        return found == byName.end() || entries[found->second].removed ? nullptr : &entries[found->second];
    }
};

namespace {

Result<void> readEntry(zip_t* archive, zip_uint64_t index, uint64_t declared, std::string& data,
                       const std::string& refuse) {
    zip_file_t* file = zip_fopen_index(archive, index, 0);
    if (!file)
        return Error{0,
                     refuse + "it is not a readable workbook (" + zipMessage(zip_get_error(archive)) + ")."};
    data.resize(static_cast<size_t>(declared));
    uint64_t filled = 0;
    char extra[1];
    for (;;) {
        const bool full = filled == declared;
        const zip_int64_t read =
            full ? zip_fread(file, extra, 1) : zip_fread(file, data.data() + filled, declared - filled);
        if (read < 0) {
            const std::string message = zipMessage(zip_file_get_error(file));
            zip_fclose(file);
            return Error{0, refuse + "it is not a readable workbook (" + message + ")."};
        }
        if (read == 0) break;
        if (full) { // more data than the entry declares
            zip_fclose(file);
            return Error{0, refuse + "an entry holds more than it declares."};
        }
        filled += static_cast<uint64_t>(read);
    }
    zip_fclose(file);
    if (filled != declared) return Error{0, refuse + "an entry holds less than it declares."};
    return success();
}

Result<void> parseXml(const std::string& data, pugi::xml_document& doc, const std::string& refuse,
                      const std::string& part) {
    const pugi::xml_parse_result parsed = doc.load_buffer(data.data(), data.size(), kParseFlags);
    if (!parsed)
        return Error{0, refuse + "its part " + part + " is not well-formed (" + parsed.description() + ")."};
    for (pugi::xml_node child : doc.children()) {
        if (child.type() == pugi::node_doctype)
            return Error{0, refuse + "its part " + part + " declares a document type or entities."};
        if (child.type() == pugi::node_declaration && child.attribute("encoding"))
            child.attribute("encoding") = "UTF-8"; // written back as UTF-8 whatever it was read as
    }
    return success();
}

std::string serialize(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out.str();
}

} // namespace

// ---------------------------------------------------------------------------------------
// The style part: new cell formats derived from a cell's own, one per distinct change.

class TemplateWorkbook::Styles {
public:
    pugi::xml_document doc;
    std::string part;

    Result<void> attach(const std::string& refuse) {
        root_ = doc.document_element();
        cellXfs_ = root_.child("cellXfs");
        fonts_ = root_.child("fonts");
        if (std::string_view(root_.name()) != "styleSheet" || !cellXfs_ || !fonts_)
            return Error{0, refuse + "its style part lacks cell formats or fonts."};
        return success();
    }

    // Index of a format that is `base` plus the style and number format.
    int derive(int base, const CellStyle& style, std::string_view numberFormat) {
        const auto key = std::make_tuple(base, style.bold, style.size, style.wrap, style.centred,
                                         std::string(numberFormat));
        if (const auto found = cache_.find(key); found != cache_.end()) return found->second;
        pugi::xml_node original = childAt(cellXfs_, base);
        pugi::xml_node xf = original ? cellXfs_.append_copy(original) : cellXfs_.append_child("xf");
        for (const char* name : {"numFmtId", "fontId", "fillId", "borderId"})
            if (!xf.attribute(name)) xf.append_attribute(name) = 0;
        if (style.bold || style.size > 0) {
            attribute(xf, "fontId") = deriveFont(xf.attribute("fontId").as_int(), style);
            attribute(xf, "applyFont") = 1;
        }
        if (style.wrap || style.centred) {
            pugi::xml_node alignment =
                xf.child("alignment") ? xf.child("alignment") : xf.prepend_child("alignment");
            if (style.wrap) attribute(alignment, "wrapText") = 1;
            if (style.centred) attribute(alignment, "horizontal") = "center";
            attribute(xf, "applyAlignment") = 1;
        }
        if (!numberFormat.empty()) {
            attribute(xf, "numFmtId") = numberFormatId(numberFormat);
            attribute(xf, "applyNumberFormat") = 1;
        }
        setCount(cellXfs_);
        const int index =
            static_cast<int>(std::distance(cellXfs_.children().begin(), cellXfs_.children().end())) - 1;
        cache_.emplace(key, index);
        return index;
    }

private:
    int deriveFont(int base, const CellStyle& style) {
        pugi::xml_node original = childAt(fonts_, base);
        pugi::xml_node font = original ? fonts_.append_copy(original) : fonts_.append_child("font");
        if (style.bold) {
            font.remove_child("b");
            font.prepend_child("b");
        }
        if (style.size > 0) {
            pugi::xml_node size = font.child("sz") ? font.child("sz") : font.append_child("sz");
            attribute(size, "val") = style.size;
        }
        setCount(fonts_);
        return static_cast<int>(std::distance(fonts_.children().begin(), fonts_.children().end())) - 1;
    }

    int numberFormatId(std::string_view code) {
        pugi::xml_node formats = root_.child("numFmts");
        if (!formats) formats = root_.prepend_child("numFmts");
        int highest = 163; // ids below 164 are the built-in formats
        for (pugi::xml_node format : formats.children("numFmt")) {
            if (code == format.attribute("formatCode").value()) return format.attribute("numFmtId").as_int();
            highest = std::max(highest, format.attribute("numFmtId").as_int());
        }
        pugi::xml_node format = formats.append_child("numFmt");
        format.append_attribute("numFmtId") = highest + 1;
        format.append_attribute("formatCode") = std::string(code).c_str();
        setCount(formats);
        return highest + 1;
    }

    pugi::xml_node root_, cellXfs_, fonts_;
    std::map<std::tuple<int, bool, double, bool, bool, std::string>, int> cache_;
};

// ---------------------------------------------------------------------------------------
// A worksheet being filled: the template's rows indexed by number as nodes, and the rows written
// past them kept as finished XML text. A year's detail grid as nodes would take a node for every
// cell, value and text, several times the size of the text itself.

namespace {

// A text cell keeps its blanks and breaks only when told to.
bool keepsWhitespace(std::string_view text) {
    return text.front() == ' ' || text.back() == ' ' ||
           text.find_first_of("\t\n\r") != std::string_view::npos;
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

struct TemplateWorkbook::Sheet {
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

    Result<void> attach(const std::string& refuse) {
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

    void indexRows() {
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

    // True when the cell comes after everything written so far, so that it can be appended.
    bool follows(int row, int col) const {
        if (appended.row == 0) return rows.empty() || row > rows.rbegin()->first;
        return row > appended.row || (row == appended.row && col > appended.col);
    }

    // `style` < 0: the cell has no format of its own. `safe` is the cell-safe text of a Text.
    void append(int row, int col, int style, const CellValue& value, std::string_view safe) {
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

    // Before a cell among the appended rows is written again or out of order, they become nodes.
    Result<void> unlessAppendedHolds(int row) {
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

    // The worksheet's XML with the appended rows at the end of its data, into `out`.
    Result<void> serializeInto(std::string& out, const std::string& refuse) {
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

    pugi::xml_node rowNode(int number) {
        if (const auto found = rows.find(number); found != rows.end()) return found->second;
        const auto next = rows.upper_bound(number);
        pugi::xml_node row =
            next == rows.end() ? data.append_child("row") : data.insert_child_before("row", next->second);
        row.append_attribute("r") = number;
        rows[number] = row;
        return row;
    }

    static int columnOf(pugi::xml_node cell, int previous) {
        int row = 0, col = 0;
        return parseCellAddress(cell.attribute("r").value(), row, col) ? col : previous + 1;
    }

    pugi::xml_node cellNode(int rowNumber, int col) {
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

    void setColumnWidth(int col, double chars) {
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

    // The used range grows to cover what was written.
    void updateDimension() {
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
};

// ---------------------------------------------------------------------------------------

TemplateWorkbook::TemplateWorkbook() = default;
TemplateWorkbook::~TemplateWorkbook() = default;

Result<std::unique_ptr<TemplateWorkbook>> TemplateWorkbook::open(const std::filesystem::path& path,
                                                                 std::string_view shownName) {
    std::unique_ptr<TemplateWorkbook> book(new TemplateWorkbook);
    book->shownName_ = shownName;
    if (auto loaded = book->load(path); !loaded) return loaded.error();
    return book;
}

Result<void> TemplateWorkbook::load(const std::filesystem::path& path) {
    const std::string refuse = "The template " + shownName_ + " cannot be used: ";
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(path, ec);
    if (ec) return Error{0, refuse + ec.message() + "."};
    if (bytes > kMaxPackageBytes) return Error{0, refuse + "the file is too large for a template."};

    int code = 0;
    zip_t* archive = zip_open(path.string().c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive) return Error{0, refuse + "it is not a workbook (" + zipOpenMessage(code) + ")."};
    package_ = std::make_unique<Package>();
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    Result<void> read =
        count > kMaxEntries ? Result<void>(Error{0, refuse + "it holds too many parts."}) : success();
    uint64_t total = 0;
    for (zip_int64_t i = 0; read && i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0 || !stat.name ||
            !(stat.valid & ZIP_STAT_SIZE)) {
            read = Error{0, refuse + "it is not a readable workbook."};
            break;
        }
        total += stat.size;
        if (stat.size > kMaxEntryBytes || total > kMaxTotalBytes) {
            read = Error{0, refuse + "its parts are too large for a template."};
            break;
        }
        Package::Entry entry{stat.name, {}, false};
        if (entry.name.empty() || entry.name.back() == '/') continue; // folders
        read = readEntry(archive, static_cast<zip_uint64_t>(i), stat.size, entry.data, refuse);
        package_->byName[entry.name] = package_->entries.size();
        package_->entries.push_back(std::move(entry));
    }
    zip_discard(archive);
    if (!read) return read;

    // The workbook part, its sheets in order, and the styles.
    std::string workbookPart = "xl/workbook.xml";
    if (Package::Entry* rootRels = package_->find("_rels/.rels")) {
        pugi::xml_document rels;
        if (auto parsed = parseXml(rootRels->data, rels, refuse, rootRels->name); !parsed) return parsed;
        for (pugi::xml_node rel : rels.document_element().children("Relationship"))
            if (endsWith(rel.attribute("Type").value(), "/officeDocument"))
                workbookPart = resolvePart("", rel.attribute("Target").value());
    }
    workbookPart_ = workbookPart;
    Package::Entry* workbook = package_->find(workbookPart);
    if (!workbook) return Error{0, refuse + "it is not a workbook (no workbook part)."};
    pugi::xml_document book;
    if (auto parsed = parseXml(workbook->data, book, refuse, workbookPart); !parsed) return parsed;
    std::map<std::string, std::string> targets; // relationship id -> part
    std::string stylesPart;
    if (Package::Entry* rels = package_->find(relationshipsOf(workbookPart))) {
        pugi::xml_document doc;
        if (auto parsed = parseXml(rels->data, doc, refuse, rels->name); !parsed) return parsed;
        for (pugi::xml_node rel : doc.document_element().children("Relationship")) {
            const std::string part = resolvePart(workbookPart, rel.attribute("Target").value());
            targets[rel.attribute("Id").value()] = part;
            if (endsWith(rel.attribute("Type").value(), "/styles")) stylesPart = part;
        }
    }
    for (pugi::xml_node sheet : book.document_element().child("sheets").children("sheet")) {
        const auto target = targets.find(sheet.attribute("r:id").value());
        if (target == targets.end() || !package_->find(target->second))
            return Error{0, refuse + "its sheet " + sheet.attribute("name").value() + " has no part."};
        sheets_.push_back({sheet.attribute("name").value(), target->second});
    }
    if (sheets_.empty()) return Error{0, refuse + "it has no worksheet."};
    Package::Entry* styles = package_->find(stylesPart);
    if (!styles) return Error{0, refuse + "it has no style part."};
    styles_ = std::make_unique<Styles>();
    styles_->part = stylesPart;
    if (auto parsed = parseXml(styles->data, styles_->doc, refuse, stylesPart); !parsed) return parsed;
    if (auto attached = styles_->attach(refuse); !attached) return attached;
    return selectSheet(1);
}

std::string TemplateWorkbook::sheetName(int index) const {
    return index >= 1 && index <= sheetCount() ? sheets_[static_cast<size_t>(index - 1)].name : std::string();
}

Result<TemplateWorkbook::Sheet*> TemplateWorkbook::sheetAt(int index) {
    if (auto found = loaded_.find(index); found != loaded_.end()) return found->second.get();
    const std::string refuse = "The template " + shownName_ + " cannot be used: ";
    auto sheet = std::make_unique<Sheet>();
    sheet->part = sheets_[static_cast<size_t>(index - 1)].part;
    if (auto parsed = parseXml(package_->find(sheet->part)->data, sheet->doc, refuse, sheet->part); !parsed)
        return parsed.error();
    if (auto attached = sheet->attach(refuse); !attached) return attached.error();
    Sheet* kept = sheet.get();
    loaded_[index] = std::move(sheet);
    return kept;
}

Result<void> TemplateWorkbook::selectSheet(int index) {
    if (index < 1 || index > sheetCount())
        return Error{0, "The template " + shownName_ + " has no worksheet " + std::to_string(index) + "."};
    auto sheet = sheetAt(index);
    if (!sheet) return sheet.error();
    current_ = index;
    return success();
}

Result<void> TemplateWorkbook::selectSheet(std::string_view name) {
    for (int i = 1; i <= sheetCount(); ++i)
        if (sheets_[static_cast<size_t>(i - 1)].name == name) return selectSheet(i);
    return Error{0, "The template " + shownName_ + " has no worksheet named \"" + std::string(name) + "\"."};
}

Result<void> TemplateWorkbook::setCell(int row, int col, std::string_view text, const CellStyle& style) {
    if (row < 1 || row > kMaxSheetRows || col < 1 || col > kMaxSheetCols)
        return Error{0, "A worksheet has no cell at row " + std::to_string(row) + ", column " +
                            std::to_string(col) + "."};
    Sheet& sheet = *loaded_.at(current_);
    const CellValue value = classifyCell(text);
    const bool restyled = style.bold || style.size > 0 || style.wrap || style.centred ||
                          value.kind == CellValue::Kind::DateTime;
    const std::string safe = value.kind == CellValue::Kind::Text ? cellSafeText(text) : std::string();
    sheet.maxRow = std::max(sheet.maxRow, row);
    sheet.maxCol = std::max(sheet.maxCol, col);
    if (sheet.follows(row, col)) {
        sheet.append(row, col, restyled ? styles_->derive(0, style, value.format) : -1, value, safe);
        return success();
    }
    if (auto held = sheet.unlessAppendedHolds(row); !held) return held;
    pugi::xml_node cell = sheet.cellNode(row, col);
    const int base = cell.attribute("s").as_int();
    while (cell.first_child())
        cell.remove_child(cell.first_child());
    for (const char* name : {"t", "cm", "vm", "ph"})
        cell.remove_attribute(name);
    if (restyled) attribute(cell, "s") = styles_->derive(base, style, value.format);
    switch (value.kind) {
    case CellValue::Kind::Empty:
        break;
    case CellValue::Kind::Number:
    case CellValue::Kind::DateTime:
        cell.append_child("v").text().set(numberText(value.number).c_str());
        break;
    case CellValue::Kind::Text: {
        attribute(cell, "t") = "inlineStr";
        pugi::xml_node shown = cell.append_child("is").append_child("t");
        if (keepsWhitespace(safe)) shown.append_attribute("xml:space") = "preserve";
        shown.text().set(safe.c_str());
        break;
    }
    }
    return success();
}

void TemplateWorkbook::setColumnWidth(int col, double chars) {
    if (col >= 1 && col <= kMaxSheetCols) loaded_.at(current_)->setColumnWidth(col, chars);
}

Result<void> TemplateWorkbook::activateSheet(std::string_view name) {
    int active = 0;
    for (int i = 1; i <= sheetCount(); ++i)
        if (sheets_[static_cast<size_t>(i - 1)].name == name) active = i;
    if (active == 0)
        return Error{0,
                     "The template " + shownName_ + " has no worksheet named \"" + std::string(name) + "\"."};
    activeSheet_ = active;
    return success();
}

Result<void> TemplateWorkbook::finishWorkbookPart() {
    const std::string refuse = "The template " + shownName_ + " cannot be used: ";
    Package::Entry* entry = package_->find(workbookPart_);
    pugi::xml_document doc;
    if (auto parsed = parseXml(entry->data, doc, refuse, workbookPart_); !parsed) return parsed;
    pugi::xml_node book = doc.document_element();
    if (activeSheet_ > 0) {
        int index = 0;
        for (pugi::xml_node sheet : book.child("sheets").children("sheet"))
            if (++index == activeSheet_) sheet.remove_attribute("state");
        pugi::xml_node views = book.child("bookViews");
        if (!views) views = book.insert_child_before("bookViews", book.child("sheets"));
        pugi::xml_node view =
            views.child("workbookView") ? views.child("workbookView") : views.append_child("workbookView");
        attribute(view, "activeTab") = activeSheet_ - 1;
        if (view.attribute("firstSheet").as_int() > activeSheet_ - 1)
            view.attribute("firstSheet") = activeSheet_ - 1;
    }
    // Every formula is worked out afresh when the file is opened.
    pugi::xml_node calc = book.child("calcPr");
    if (!calc)
        calc =
            insertBeforeAny(book, "calcPr",
                            {"oleSize", "customWorkbookViews", "pivotCaches", "smartTagPr", "smartTagTypes",
                             "webPublishing", "fileRecoveryPr", "webPublishObjects", "extLst"});
    attribute(calc, "fullCalcOnLoad") = 1;
    entry->data = serialize(doc);

    // The calculation chain lists formula cells; cells written over may no longer be ones, and
    // a stale chain makes a spreadsheet program call the file damaged. It is rebuilt on load.
    const std::string relsPart = relationshipsOf(workbookPart_);
    Package::Entry* rels = package_->find(relsPart);
    if (!rels) return success();
    pugi::xml_document relsDoc;
    if (auto parsed = parseXml(rels->data, relsDoc, refuse, relsPart); !parsed) return parsed;
    std::vector<pugi::xml_node> chains;
    for (pugi::xml_node rel : relsDoc.document_element().children("Relationship"))
        if (endsWith(rel.attribute("Type").value(), "/calcChain")) chains.push_back(rel);
    for (pugi::xml_node rel : chains) {
        const std::string part = resolvePart(workbookPart_, rel.attribute("Target").value());
        if (Package::Entry* chain = package_->find(part)) chain->removed = true;
        if (Package::Entry* types = package_->find("[Content_Types].xml")) {
            pugi::xml_document typesDoc;
            if (auto parsed = parseXml(types->data, typesDoc, refuse, types->name); !parsed) return parsed;
            const std::string name = "/" + part;
            for (pugi::xml_node type : typesDoc.document_element().children("Override"))
                if (name == type.attribute("PartName").value()) {
                    typesDoc.document_element().remove_child(type);
                    break;
                }
            types->data = serialize(typesDoc);
        }
        relsDoc.document_element().remove_child(rel);
    }
    if (!chains.empty()) rels->data = serialize(relsDoc);
    return success();
}

// Every sheet: exactly one selected tab (two would group the sheets for editing), and formulas
// without their stored results, so that no program shows the template's old figures; a
// spreadsheet program works them out when it opens the file.
Result<void> TemplateWorkbook::finishSheets() {
    const auto finish = [this](pugi::xml_node root, int index) {
        if (activeSheet_ > 0)
            for (pugi::xml_node view : root.child("sheetViews").children("sheetView")) {
                view.remove_attribute("tabSelected");
                if (index == activeSheet_) view.append_attribute("tabSelected") = 1;
            }
        for (pugi::xml_node row : root.child("sheetData").children("row"))
            for (pugi::xml_node cell : row.children("c"))
                if (cell.child("f")) {
                    cell.remove_child("v");
                    cell.remove_attribute("t");
                }
    };
    for (int i = 1; i <= sheetCount(); ++i) {
        Package::Entry* entry = package_->find(sheets_[static_cast<size_t>(i - 1)].part);
        if (auto found = loaded_.find(i); found != loaded_.end()) {
            Sheet& sheet = *found->second;
            finish(sheet.root, i);
            sheet.updateDimension();
            if (auto written =
                    sheet.serializeInto(entry->data, "The template " + shownName_ + " cannot be used: ");
                !written)
                return written;
            continue;
        }
        pugi::xml_document doc;
        if (auto parsed =
                parseXml(entry->data, doc, "The template " + shownName_ + " cannot be used: ", entry->name);
            !parsed)
            return parsed;
        finish(doc.document_element(), i);
        entry->data = serialize(doc);
    }
    return success();
}

Result<void> TemplateWorkbook::saveAs(const std::filesystem::path& path) {
    if (auto finished = finishSheets(); !finished) return finished;
    package_->find(styles_->part)->data = serialize(styles_->doc);
    if (auto finished = finishWorkbookPart(); !finished) return finished;

    const std::string failed = "The workbook " + path.filename().string() + " could not be written: ";
    int code = 0;
    zip_t* archive = zip_open(path.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) return Error{0, failed + zipOpenMessage(code) + "."};
    for (const Package::Entry& entry : package_->entries) {
        if (entry.removed) continue;
        zip_source_t* source = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
        const zip_int64_t added =
            source ? zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        // The middle level, as spreadsheet programs write: the best one takes several times as long
        // on a year's rows for a few per cent.
        if (added < 0 || zip_set_file_compression(archive, static_cast<zip_uint64_t>(added), ZIP_CM_DEFLATE,
                                                  kCompressionLevel) != 0) {
            if (source && added < 0) zip_source_free(source);
            const std::string message = zipMessage(zip_get_error(archive));
            zip_discard(archive);
            return Error{0, failed + message + "."};
        }
    }
    if (zip_close(archive) != 0) {
        const std::string message = zipMessage(zip_get_error(archive));
        zip_discard(archive);
        return Error{0, failed + message + "."};
    }
    return success();
}

} // namespace nax
