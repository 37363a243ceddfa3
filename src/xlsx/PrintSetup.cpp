#include "PrintSetup.h"
#include "text/DatePattern.h"

#include <xlsxwriter.h>

namespace nax {

namespace {

// Room for the "&C" code in front of the text and the NUL behind it.
constexpr size_t kMaxHeaderText = LXW_HEADER_FOOTER_MAX - 3;

} // namespace

std::string pageHeaderText(std::string_view title) {
    std::string text;
    bool cut = false;
    for (const char c : title) {
        const size_t needed = c == '&' ? 2 : 1;
        cut = text.size() + needed > kMaxHeaderText;
        if (cut) break;
        text.append(needed, c);
    }
    if (cut) { // never inside a character
        while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
            text.pop_back();
        if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xC0) text.pop_back();
    }
    return text;
}

std::string rangeText(double start, double end) {
    return " from " + formatSerial(start, "DD-MMM-YY hh:mm") + " to " + formatSerial(end, "DD-MMM-YY hh:mm");
}

Result<void> setPrinting(lxw_worksheet* sheet, const PrintSetup& setup) {
    worksheet_set_landscape(sheet);
    worksheet_fit_to_pages(sheet, 1, setup.onePage ? 1 : 0);
    if (setup.headerRow > 0) {
        const auto row = static_cast<lxw_row_t>(setup.headerRow - 1);
        if (const lxw_error repeated = worksheet_repeat_rows(sheet, row, row); repeated != LXW_NO_ERROR)
            return Error{static_cast<int>(repeated), std::string("Print titles: ") + lxw_strerror(repeated)};
    }
    const std::string header = "&C" + pageHeaderText(setup.title);
    if (const lxw_error set = worksheet_set_header(sheet, header.c_str()); set != LXW_NO_ERROR)
        return Error{static_cast<int>(set), std::string("Page header: ") + lxw_strerror(set)};
    if (const lxw_error set = worksheet_set_footer(sheet, "&CPage &P of &N"); set != LXW_NO_ERROR)
        return Error{static_cast<int>(set), std::string("Page footer: ") + lxw_strerror(set)};
    return success();
}

} // namespace nax
