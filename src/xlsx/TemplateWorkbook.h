#pragma once
// A copy of an existing .xlsx workbook, filled cell by cell. Everything the cells written do not
// touch (titles, formulas, styles, other sheets, charts) is kept as the file holds it; the
// saved copy asks for a full recalculation when it is opened.
#include "CellText.h"
#include "base/Result.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace nax {

namespace xlsx { // the pieces of a template's package (XlsxPackage.h, StylePart.h, SheetXml.h)
class XlsxPackage;
class StylePart;
struct SheetXml;
} // namespace xlsx

class TemplateWorkbook {
public:
    // Reads the package into memory. A file that is not a workbook, is too big, or carries
    // document type declarations is refused with a message naming `shownName`.
    static Result<std::unique_ptr<TemplateWorkbook>> open(const std::filesystem::path& path,
                                                          std::string_view shownName);
    ~TemplateWorkbook();

    int sheetCount() const { return static_cast<int>(sheets_.size()); }
    std::string sheetName(int index) const; // from 1
    // Makes a worksheet the current one: by position from 1, or by name.
    Result<void> selectSheet(int index);
    Result<void> selectSheet(std::string_view name);

    // Rows and columns from 1. The text is typed (see classifyCell); the cell keeps the rest of
    // its look and gains the style's bold, size and wrapping.
    Result<void> setCell(int row, int col, std::string_view text, const CellStyle& style = {});
    // Width in characters of a column of the current sheet.
    void setColumnWidth(int col, double chars);

    // The worksheet the file opens on; it is made visible.
    Result<void> activateSheet(std::string_view name);
    Result<void> saveAs(const std::filesystem::path& path);

private:
    TemplateWorkbook();
    Result<void> load(const std::filesystem::path& path);
    Result<xlsx::SheetXml*> sheetAt(int index);
    Result<void> finishWorkbookPart();
    Result<void> finishSheets();

    std::string shownName_;
    std::unique_ptr<xlsx::XlsxPackage> package_;
    std::unique_ptr<xlsx::StylePart> styles_;
    struct SheetEntry {
        std::string name;
        std::string part; // path inside the package
    };
    std::vector<SheetEntry> sheets_;
    std::map<int, std::unique_ptr<xlsx::SheetXml>> loaded_;
    std::string workbookPart_;
    int current_ = 0;
    int activeSheet_ = 0;
};

} // namespace nax
