#include "TemplateWorkbook.h"

#include "SheetXml.h"
#include "StylePart.h"
#include "XlsxPackage.h"

#include <pugixml.hpp>

namespace nax {

using namespace xlsx;

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
    auto package = XlsxPackage::read(path, refuse);
    if (!package) return package.error();
    package_ = std::move(*package);

    // The workbook part, its sheets in order, and the styles.
    std::string workbookPart = "xl/workbook.xml";
    if (XlsxPackage::Entry* rootRels = package_->find("_rels/.rels")) {
        pugi::xml_document rels;
        if (auto parsed = parseXml(rootRels->data, rels, refuse, rootRels->name); !parsed) return parsed;
        for (pugi::xml_node rel : rels.document_element().children("Relationship"))
            if (endsWith(rel.attribute("Type").value(), "/officeDocument"))
                workbookPart = resolvePart("", rel.attribute("Target").value());
    }
    workbookPart_ = workbookPart;
    XlsxPackage::Entry* workbook = package_->find(workbookPart);
    if (!workbook) return Error{0, refuse + "it is not a workbook (no workbook part)."};
    pugi::xml_document book;
    if (auto parsed = parseXml(workbook->data, book, refuse, workbookPart); !parsed) return parsed;
    std::map<std::string, std::string> targets; // relationship id -> part
    std::string stylesPart;
    if (XlsxPackage::Entry* rels = package_->find(relationshipsOf(workbookPart))) {
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
    XlsxPackage::Entry* styles = package_->find(stylesPart);
    if (!styles) return Error{0, refuse + "it has no style part."};
    styles_ = std::make_unique<StylePart>();
    styles_->part = stylesPart;
    if (auto parsed = parseXml(styles->data, styles_->doc, refuse, stylesPart); !parsed) return parsed;
    if (auto attached = styles_->attach(refuse); !attached) return attached;
    return selectSheet(1);
}

std::string TemplateWorkbook::sheetName(int index) const {
    return index >= 1 && index <= sheetCount() ? sheets_[static_cast<size_t>(index - 1)].name : std::string();
}

Result<SheetXml*> TemplateWorkbook::sheetAt(int index) {
    if (auto found = loaded_.find(index); found != loaded_.end()) return found->second.get();
    const std::string refuse = "The template " + shownName_ + " cannot be used: ";
    auto sheet = std::make_unique<SheetXml>();
    sheet->part = sheets_[static_cast<size_t>(index - 1)].part;
    if (auto parsed = parseXml(package_->find(sheet->part)->data, sheet->doc, refuse, sheet->part); !parsed)
        return parsed.error();
    if (auto attached = sheet->attach(refuse); !attached) return attached.error();
    SheetXml* kept = sheet.get();
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
    SheetXml& sheet = *loaded_.at(current_);
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
    XlsxPackage::Entry* entry = package_->find(workbookPart_);
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
    XlsxPackage::Entry* rels = package_->find(relsPart);
    if (!rels) return success();
    pugi::xml_document relsDoc;
    if (auto parsed = parseXml(rels->data, relsDoc, refuse, relsPart); !parsed) return parsed;
    std::vector<pugi::xml_node> chains;
    for (pugi::xml_node rel : relsDoc.document_element().children("Relationship"))
        if (endsWith(rel.attribute("Type").value(), "/calcChain")) chains.push_back(rel);
    for (pugi::xml_node rel : chains) {
        const std::string part = resolvePart(workbookPart_, rel.attribute("Target").value());
        if (XlsxPackage::Entry* chain = package_->find(part)) chain->removed = true;
        if (XlsxPackage::Entry* types = package_->find("[Content_Types].xml")) {
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
        XlsxPackage::Entry* entry = package_->find(sheets_[static_cast<size_t>(i - 1)].part);
        if (auto found = loaded_.find(i); found != loaded_.end()) {
            SheetXml& sheet = *found->second;
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
    return package_->write(path, failed);
}

} // namespace nax
