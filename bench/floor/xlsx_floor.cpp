// The floor of a workbook export: a report's tsv (header row first) written with libxlsxwriter
// alone in constant-memory mode, cell for cell as the export lays it out (title rows 1 to 3
// merged one column past the table, bold headers in row 4, wrapped data from row 6, widths from
// the texts), numbers as numbers and the grids' date-time texts as date-times.
//   xlsx_floor REPORT.tsv OUT.xlsx TITLE
#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool number(std::string_view text, double& value) {
    if (text.empty() ||
        !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-' || text[0] == '.'))
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// The number of two digits at `at`, or -1.
int digits(std::string_view text, size_t at) {
    const auto digit = [&](size_t i) {
        return i < text.size() && text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -100;
    };
    const int value = digit(at) * 10 + digit(at + 1);
    return value < 0 ? -1 : value;
}

// dd-MMM-yy, dd-MMM-yy hh:mm, dd-MMM-yy hh:mm:ss; `kind` 0, 1, 2 says which.
bool dateTime(std::string_view text, lxw_datetime& value, int& kind) {
    static constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    if (text.size() != 9 && text.size() != 15 && text.size() != 18) return false;
    const int day = digits(text, 0), year = digits(text, 7);
    if (day < 0 || year < 0 || text[2] != '-' || text[6] != '-') return false;
    const size_t month = kMonths.find(text.substr(3, 3));
    if (month == std::string_view::npos || month % 3 != 0) return false;
    const bool timed = text.size() >= 15;
    const int hour = timed ? digits(text, 10) : 0, minute = timed ? digits(text, 13) : 0;
    const int second = text.size() == 18 ? digits(text, 16) : 0;
    if ((timed && text[9] != ' ') || hour < 0 || minute < 0 || second < 0) return false;
    value = {year + (year < 30 ? 2000 : 1900), static_cast<int>(month / 3 + 1), day, hour, minute,
             static_cast<double>(second)};
    kind = text.size() == 9 ? 0 : text.size() == 15 ? 1 : 2;
    return true;
}

std::vector<std::string_view> split(std::string_view line) {
    std::vector<std::string_view> cells;
    for (size_t start = 0;;) {
        const size_t tab = line.find('\t', start);
        cells.push_back(
            line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) return cells;
        start = tab + 1;
    }
}

int characters(std::string_view text) {
    return static_cast<int>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: xlsx_floor REPORT.tsv OUT.xlsx TITLE\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    std::string line;
    if (!std::getline(in, line)) {
        std::fprintf(stderr, "xlsx_floor: %s has no header row\n", argv[1]);
        return 1;
    }
    const auto headerCells = split(line);
    const std::vector<std::string> header(headerCells.begin(), headerCells.end());
    const auto cols = static_cast<lxw_col_t>(header.size());

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(argv[2], &options);
    if (!book) return 1;
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    lxw_format* title = workbook_add_format(book);
    format_set_bold(title);
    format_set_font_size(title, 10);
    format_set_align(title, LXW_ALIGN_CENTER);
    lxw_format* titleRow = workbook_add_format(book);
    format_set_align(titleRow, LXW_ALIGN_CENTER);
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    format_set_font_size(bold, 9);
    lxw_format* wrap = workbook_add_format(book);
    format_set_text_wrap(wrap);
    lxw_format* dates[3];
    const char* patterns[3] = {"dd-mmm-yy", "dd-mmm-yy hh:mm", "dd-mmm-yy hh:mm:ss"};
    for (int k = 0; k < 3; ++k) {
        dates[k] = workbook_add_format(book);
        format_set_text_wrap(dates[k]);
        format_set_num_format(dates[k], patterns[k]);
    }

    worksheet_merge_range(sheet, 0, 0, 0, cols, "Online NAX C-200", title);
    worksheet_merge_range(sheet, 1, 0, 1, cols, "", titleRow);
    worksheet_merge_range(sheet, 2, 0, 2, cols, argv[3], titleRow);
    std::vector<int> widths(cols, 0);
    for (lxw_col_t c = 0; c < cols; ++c) {
        worksheet_write_string(sheet, 3, c, header[c].c_str(), bold);
        widths[c] = characters(header[c]);
    }
    std::string cell;
    for (lxw_row_t row = 5; std::getline(in, line); ++row) {
        const auto cells = split(line);
        for (lxw_col_t c = 0; c < cols && c < cells.size(); ++c) {
            const std::string_view text = cells[c];
            if (text.empty()) continue;
            widths[c] = std::max(widths[c], std::min(characters(text), 250));
            double value = 0;
            lxw_datetime when{};
            int kind = 0;
            if (number(text, value))
                worksheet_write_number(sheet, row, c, value, wrap);
            else if (dateTime(text, when, kind))
                worksheet_write_datetime(sheet, row, c, &when, dates[kind]);
            else
                worksheet_write_string(sheet, row, c, cell.assign(text).c_str(), wrap);
        }
    }
    for (lxw_col_t c = 0; c < cols; ++c)
        worksheet_set_column(sheet, c, c, widths[c], nullptr);
    worksheet_set_column(sheet, cols, LXW_COL_MAX - 1, 11.43, nullptr);
    return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}
