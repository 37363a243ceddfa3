#include "DmsWorkbook.h"

#include "DmsLayouts.h"
#include "xlsx/CellText.h"
#include "xlsx/NewWorkbook.h"
#include "xlsx/PrintSetup.h"
#include "xlsx/TemplateWorkbook.h"
#include "xlsx/WorkbookExport.h"
#include "xlsx/WorkbookFile.h"

#include <xlsxwriter.h>

#include <array>

namespace nax {

namespace {

constexpr int kFirstDataRow = 5; // "Print" writes headers into row 4 and data below
constexpr int kLastRow = 1048576;
constexpr std::array<std::string_view, 6> kCategories = {"Lack of Sales",    "Equipment Loss", "Planned Loss",
                                                         "Operational Loss", "Minor Stoppage", "QA Loss"};

struct Layout {
    std::string_view runSheet;
    std::string_view runTitle;
    std::string_view runNote;
    std::string_view glanceTitle;
    bool hourly;
};

constexpr Layout kDaily{"Daily DMS", "Daily DMS Report",
                        "One row per run that started and finished within the report's range.",
                        "Daily DMS at a glance", false};
constexpr Layout kHour{"Hourly DMS", "Shift-wise DMS Report",
                       "One row per hour of a run. Shifts: A 22:00-06:00, B 06:00-14:00, C 14:00-22:00.",
                       "Shift-wise DMS at a glance", true};
constexpr std::string_view kDetailSheet = "Downtime";

// The column of a grid's header, for the formulas: "'Daily DMS'!$J$5:$J$1048576".
class Columns {
public:
    Columns(std::string_view sheet, const ReportGrid& headers) : sheet_(sheet), headers_(headers) {}
    std::string range(std::string_view header) const {
        for (int c = 0; c < headers_.cols(); ++c)
            if (headers_.cell(0, c) == header) {
                const std::string letters = XlCol(c + 1);
                return "'" + std::string(sheet_) + "'!$" + letters + "$" + std::to_string(kFirstDataRow) +
                       ":$" + letters + "$" + std::to_string(kLastRow);
            }
        return "#REF!"; // a header the layout does not have; shows as an error, never as a figure
    }

private:
    std::string_view sheet_;
    const ReportGrid& headers_;
};

struct Formats {
    lxw_format* title;
    lxw_format* heading;
    lxw_format* minutes;
    lxw_format* count;
    lxw_format* percent;
};

Formats makeFormats(lxw_workbook* book) {
    Formats formats{};
    formats.title = workbook_add_format(book);
    format_set_bold(formats.title);
    format_set_font_size(formats.title, 12);
    formats.heading = workbook_add_format(book);
    format_set_bold(formats.heading);
    format_set_bottom(formats.heading, LXW_BORDER_THIN);
    formats.minutes = workbook_add_format(book);
    format_set_num_format(formats.minutes, "0.00");
    formats.count = workbook_add_format(book);
    format_set_num_format(formats.count, "0");
    formats.percent = workbook_add_format(book);
    format_set_num_format(formats.percent, "0.00");
    return formats;
}

void titleRows(lxw_worksheet* sheet, const Formats& formats, std::string_view title, std::string_view note) {
    worksheet_write_string(sheet, 0, 0, std::string(kWorkbookCompany).c_str(), formats.title);
    worksheet_write_string(sheet, 1, 0, std::string(title).c_str(), formats.heading);
    worksheet_write_string(sheet, 2, 0, std::string(note).c_str(), nullptr);
    worksheet_freeze_panes(sheet, kFirstDataRow - 1, 0); // titles and headers stay in view
}

// One line of the glance sheet: a caption and, per value column, a formula made for that column.
class Glance {
public:
    Glance(lxw_worksheet* sheet, int valueColumns) : sheet_(sheet), valueColumns_(valueColumns) {}
    template <class Make> int line(std::string_view caption, lxw_format* format, Make make) {
        worksheet_write_string(sheet_, row_, 0, std::string(caption).c_str(), nullptr);
        for (int c = 1; c <= valueColumns_; ++c)
            worksheet_write_formula(sheet_, row_, static_cast<lxw_col_t>(c), ("=" + make(c)).c_str(), format);
        return ++row_; // the sheet row (from 1) just written
    }
    void skipTo(int row) { row_ = static_cast<lxw_row_t>(row - 1); }

private:
    lxw_worksheet* sheet_;
    int valueColumns_;
    lxw_row_t row_ = 0;
};

// A cell of the glance sheet; `valueColumn` counts from 0 as the sheet's columns do here.
std::string cell(int row, int valueColumn) {
    return cellAddress(row, valueColumn + 1);
}

// The figures of the glance sheet. The hour template has a column per shift beside the whole;
// a shift column sums only the rows of its shift (its letter is the column's heading in row 5).
void writeGlance(lxw_workbook* book, lxw_worksheet* sheet, const Formats& formats, const Layout& layout) {
    ReportGrid runHeaders, detailHeaders;
    layout.hourly ? SetShiftGrid(runHeaders) : SetDailyGrid(runHeaders);
    SetDowntimeGrid(detailHeaders);
    const Columns runs(layout.runSheet, runHeaders);
    const Columns details(kDetailSheet, detailHeaders);
    const int valueColumns = layout.hourly ? 4 : 1;
    static constexpr std::array<std::string_view, 4> kHeadings = {"All", "A", "B", "C"};

    worksheet_write_string(sheet, 0, 0, std::string(kWorkbookCompany).c_str(), formats.title);
    worksheet_write_string(sheet, 1, 0, std::string(layout.glanceTitle).c_str(), formats.heading);
    worksheet_write_string(sheet, 2, 0,
                           ("Worked out from the sheets " + std::string(layout.runSheet) + " and " +
                            std::string(kDetailSheet) + "; times in minutes, ME and NAX in %.")
                               .c_str(),
                           nullptr);
    worksheet_write_string(sheet, 4, 0, "Figure", formats.heading);
    for (int c = 1; c <= valueColumns; ++c)
        worksheet_write_string(
            sheet, 4, static_cast<lxw_col_t>(c),
            std::string(layout.hourly ? kHeadings[static_cast<size_t>(c - 1)] : "Value").c_str(),
            formats.heading);
    worksheet_set_column(sheet, 0, 0, 30, nullptr);
    worksheet_set_column(sheet, 1, static_cast<lxw_col_t>(valueColumns), 12, nullptr);

    const auto shift = [](int c) { return cell(5, c); };
    // Sum of a run-grid column over all rows (column 1) or the rows of one shift.
    const auto total = [&](const Columns& sheetColumns, std::string_view header,
                           std::string_view shiftHeader) {
        return [&, header, shiftHeader](int c) {
            if (c == 1) return "SUM(" + sheetColumns.range(header) + ")";
            return "SUMIF(" + sheetColumns.range(shiftHeader) + "," + shift(c) + "," +
                   sheetColumns.range(header) + ")";
        };
    };
    const std::string_view timeBase = layout.hourly ? "Earned Time" : "Production Time";
    Glance glance(sheet, valueColumns);
    glance.skipTo(6);
    const int units = glance.line(layout.hourly ? "Hours" : "Runs", formats.count, [&](int c) {
        if (c == 1) return "COUNT(" + runs.range(timeBase) + ")";
        return "COUNTIF(" + runs.range("Shift") + "," + shift(c) + ")";
    });
    glance.line("Production (cases)", formats.count, total(runs, "Production", "Shift"));
    glance.line("Production (bottles)", formats.count, [&](int c) {
        const std::string both = runs.range("Production") + "," + runs.range("caseCount");
        if (c == 1) return "SUMPRODUCT(" + both + ")";
        return "SUMPRODUCT(--(" + runs.range("Shift") + "=" + shift(c) + ")," + both + ")";
    });
    const int available =
        layout.hourly
            ? glance.line("Available Time", formats.minutes, [&](int c) { return cell(units, c) + "*60"; })
            : glance.line("Production Time", formats.minutes, total(runs, "Production Time", "Shift"));
    const int earned = glance.line("Earned Time", formats.minutes, total(runs, "Earned Time", "Shift"));
    const int firstCategory = earned + 1;
    for (std::string_view category : kCategories)
        glance.line(category, formats.minutes, total(runs, category, "Shift"));
    const int lastCategory = firstCategory + static_cast<int>(kCategories.size()) - 1;
    glance.line("Speed Loss", formats.minutes, total(runs, "Speed Loss", "Shift"));
    glance.line("Lost Time", formats.minutes, total(runs, "Lost Time", "Shift"));
    const int lackOfSales = firstCategory, planned = firstCategory + 2;
    glance.line("ME (%)", formats.percent, [&](int c) {
        return "IFERROR(" + cell(earned, c) + "/(" + cell(available, c) + "-(" + cell(lackOfSales, c) + "+" +
               cell(planned, c) + "))*100,\"\")";
    });
    glance.line("NAX (%)", formats.percent, [&](int c) {
        return "IFERROR(" + cell(earned, c) + "/(" + cell(available, c) + "-" + cell(lackOfSales, c) +
               ")*100,\"\")";
    });
    const int over = glance.line(layout.hourly ? "Hours over 85" : "Runs over 85", formats.count, [&](int c) {
        if (layout.hourly) {
            if (c == 1) return "COUNTIF(" + runs.range("ME") + ",\">85\")";
            return "COUNTIFS(" + runs.range("Shift") + "," + shift(c) + "," + runs.range("ME") + ",\">85\")";
        }
        return "COUNTIF(" + runs.range(">85") + ",1)";
    });
    glance.line(layout.hourly ? "Hours over 85 (%)" : "Runs over 85 (%)", formats.percent,
                [&](int c) { return "IFERROR(" + cell(over, c) + "/" + cell(units, c) + "*100,\"\")"; });
    glance.line("Downtime events", formats.count, [&](int c) {
        if (c == 1) return "COUNTA(" + details.range("Run No") + ")";
        return "COUNTIF(" + details.range("Shift") + "," + shift(c) + ")";
    });
    glance.line("Downtime minutes", formats.minutes, total(details, "TimeLost", "Shift"));

    // Minutes lost per loss category: one series for the whole, or one per shift.
    lxw_chart* chart = workbook_add_chart(book, LXW_CHART_COLUMN);
    const std::string sheetName(kRawDataSheet);
    for (int c = layout.hourly ? 2 : 1; c <= valueColumns; ++c) {
        const std::string letters = XlCol(c + 1);
        lxw_chart_series* series =
            chart_add_series(chart,
                             ("='" + sheetName + "'!$A$" + std::to_string(firstCategory) + ":$A$" +
                              std::to_string(lastCategory))
                                 .c_str(),
                             ("='" + sheetName + "'!$" + letters + "$" + std::to_string(firstCategory) +
                              ":$" + letters + "$" + std::to_string(lastCategory))
                                 .c_str());
        chart_series_set_name(series, ("='" + sheetName + "'!$" + letters + "$5").c_str());
    }
    chart_title_set_name(chart, layout.hourly ? "Minutes lost per loss category and shift"
                                              : "Minutes lost per loss category");
    chart_axis_set_name(chart->y_axis, "Minutes");
    if (!layout.hourly) chart_legend_set_position(chart, LXW_CHART_LEGEND_NONE);
    lxw_chart_options place{};
    place.x_scale = 1.6;
    place.y_scale = 1.4;
    worksheet_insert_chart_opt(sheet, 4, static_cast<lxw_col_t>(valueColumns + 2), chart, &place);
}

Result<void> gridSheet(lxw_worksheet* sheet, const Formats& formats, std::string_view title,
                       std::string_view note, const ReportGrid& headers) {
    titleRows(sheet, formats, title, note);
    for (int c = 0; c < headers.cols(); ++c) {
        const double width = std::max(10, characterCount(headers.cell(0, c)) + 2);
        worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             headers.cell(0, c) == "Remarks" ? 30 : width, nullptr);
    }
    return setPrinting(sheet, PrintSetup{kFirstDataRow - 1, title});
}

} // namespace

Result<void> writeDmsTemplate(DmsTemplate kind, const std::filesystem::path& path) {
    const Layout& layout = kind == DmsTemplate::Daily ? kDaily : kHour;
    lxw_workbook* book = workbook_new(path.string().c_str());
    if (!book) return Error{0, "The template " + path.string() + " could not be started."};
    const Formats formats = makeFormats(book);
    ReportGrid runHeaders, detailHeaders;
    layout.hourly ? SetShiftGrid(runHeaders) : SetDailyGrid(runHeaders);
    SetDowntimeGrid(detailHeaders);

    auto runs = gridSheet(workbook_add_worksheet(book, std::string(layout.runSheet).c_str()), formats,
                          layout.runTitle, layout.runNote, runHeaders);
    auto details =
        gridSheet(workbook_add_worksheet(book, std::string(kDetailSheet).c_str()), formats, "Downtime Detail",
                  layout.hourly ? "Downtime events that started and ended within the report's range."
                                : "Downtime events of the reported runs, run after run.",
                  detailHeaders);
    lxw_worksheet* glance = workbook_add_worksheet(book, std::string(kRawDataSheet).c_str());
    writeGlance(book, glance, formats, layout);
    auto glancePrinting = setPrinting(glance, PrintSetup{0, layout.glanceTitle, true});
    const auto closed = static_cast<lxw_error>(closeWorkbookQuietly(book));
    for (const Result<void>* printing : {&runs, &details, &glancePrinting})
        if (!*printing) return printing->error();
    if (closed != LXW_NO_ERROR)
        return Error{static_cast<int>(closed),
                     "The template " + path.string() + " could not be written: " + lxw_strerror(closed)};
    return success();
}

std::filesystem::path installedTemplateFolder(const std::filesystem::path& program) {
    if (program.empty()) return {};
    return (program.parent_path() / ".." / "share" / "nax" / "templates").lexically_normal();
}

std::filesystem::path runningProgram(const char* argv0) {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) return self;
    if (!argv0 || !*argv0) return {};
    return std::filesystem::absolute(argv0, ec);
}

namespace {

// The installed copy of a template, or one written from code.
Result<void> makeTemplate(DmsTemplate kind, const std::filesystem::path& installed,
                          const std::filesystem::path& to) {
    std::error_code ec;
    if (!installed.empty() && std::filesystem::is_regular_file(installed, ec)) {
        std::filesystem::copy_file(installed, to, std::filesystem::copy_options::overwrite_existing, ec);
        if (ec)
            return Error{ec.value(),
                         "The template " + installed.string() + " could not be copied: " + ec.message()};
        return success();
    }
    auto made = writeDmsTemplate(kind, to);
    if (!made && made.error().code != 0) // the library's reason, not the scratch name
        return Error{made.error().code, lxw_strerror(static_cast<lxw_error>(made.error().code))};
    return made;
}

} // namespace

Result<std::vector<std::string>> installDefaultTemplates(const std::filesystem::path& dataFolder,
                                                         const std::filesystem::path& installed) {
    std::vector<std::string> written;
    for (auto [kind, name] :
         {std::pair{DmsTemplate::Daily, kDailyTemplate}, std::pair{DmsTemplate::Hour, kHourTemplate}}) {
        std::error_code ec;
        if (std::filesystem::exists(dataFolder / name, ec)) continue;
        auto file = PendingFile::reserve(dataFolder);
        if (!file) return file.error();
        const auto copy = installed.empty() ? installed : installed / name;
        if (auto made = makeTemplate(kind, copy, file->path()); !made) return made.error();
        // Never over a template that appeared meanwhile.
        if (file->commit(std::string(name), true)) written.emplace_back(name);
    }
    return written;
}

Result<std::filesystem::path> ExportToExcelDMS(const ReportGrid& runGrid, std::string_view templateName,
                                               const ReportGrid& detailGrid, const ExportPlace& place,
                                               Progress& progress) {
    const std::string name(templateName);
    if (!isPlainFileName(name))
        return Error{0, "The template name \"" + name + "\" is not the name of a file in the data folder."};
    const auto source = place.dataFolder / name;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(source, ec)) {
        // A default template is put in again, as into a new data folder.
        const bool isDefault = name == kDailyTemplate || name == kHourTemplate;
        const auto installed = isDefault ? installDefaultTemplates(place.dataFolder)
                                         : Result<std::vector<std::string>>(std::vector<std::string>{});
        if (!installed)
            return Error{0, "The template " + name + " was not found in the data folder " +
                                place.dataFolder.string() +
                                " and could not be installed there: " + installed.error().message};
        if (!std::filesystem::is_regular_file(source, ec))
            return Error{0, "The template " + name + " was not found in the data folder " +
                                place.dataFolder.string() + "."};
    }
    if (auto fits = fitsOneSheet(runGrid, 5); !fits) return fits.error();
    if (auto fits = fitsOneSheet(detailGrid, 5); !fits) return fits.error();

    auto opened = TemplateWorkbook::open(source, name);
    if (!opened) return opened.error();
    TemplateWorkbook& book = **opened;
    if (book.sheetCount() < 2) return Error{0, "The template " + name + " has no second worksheet."};
    if (auto raw = book.selectSheet(kRawDataSheet); !raw) return raw.error();

    if (auto first = book.selectSheet(1); !first) return first.error();
    progress.SetMax(runGrid.rows());
    if (auto written = writeGridTable(book, runGrid, 4, 5, progress); !written) return written.error();

    if (auto second = book.selectSheet(2); !second) return second.error();
    progress.setValue(1);
    progress.SetMax(detailGrid.rows());
    for (int c = 0; c < detailGrid.cols() && detailGrid.rows() > 0; ++c)
        if (auto written = book.setCell(4, c + 1, detailGrid.cell(0, c), CellStyle{}); !written)
            return written.error();
    for (int r = 1; r < detailGrid.rows(); ++r) {
        progress.ProgressNextValue("[Downtime]");
        if (progress.abandoned()) return abandonment();
        for (int c = 0; c < detailGrid.cols(); ++c)
            if (auto written = book.setCell(r + 4, c + 1, detailGrid.cell(r, c), CellStyle{}); !written)
                return written.error();
    }

    if (auto shown = book.activateSheet(kRawDataSheet); !shown) return shown.error();
    auto file = PendingFile::reserve(targetFolder(place));
    if (!file) return file.error();
    if (auto saved = book.saveAs(file->path()); !saved) return saved.error();
    return finishExport(*file, place, serialStamp(place.now) + name);
}

} // namespace nax
