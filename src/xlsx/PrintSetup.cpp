#include "PrintSetup.h"
#include "text/DatePattern.h"

#include <xlsxwriter.h>

namespace nax {

namespace {

// A page header's codes and text, without the NUL behind them.
constexpr size_t kMaxHeader = LXW_HEADER_FOOTER_MAX - 1;
// Room for the "&C" code in front of the text.
constexpr size_t kMaxHeaderText = kMaxHeader - 2;

// `text` with its ampersands doubled, cut between characters to at most `room` bytes.
std::string headerText(std::string_view text, size_t room) {
    std::string escaped;
    bool cut = false;
    for (const char c : text) {
        const size_t needed = c == '&' ? 2 : 1;
        cut = escaped.size() + needed > room;
        if (cut) break;
        escaped.append(needed, c);
    }
    if (cut) { // never inside a character
        while (!escaped.empty() && (static_cast<unsigned char>(escaped.back()) & 0xC0) == 0x80)
            escaped.pop_back();
        if (!escaped.empty() && static_cast<unsigned char>(escaped.back()) >= 0xC0) escaped.pop_back();
    }
    return escaped;
}

// Where the centre section of a page header ends: at the code of the section after it, or at the
// end; npos when it has none. Text before any section code is centred.
size_t centreEnd(std::string_view header) {
    size_t end = std::string_view::npos;
    char section = 'C';
    bool named = false; // the section began with its code
    size_t begun = 0;
    const auto close = [&](size_t at) {
        if (section == 'C' && (named || at > begun)) end = at;
    };
    for (size_t i = 0; i < header.size();) {
        if (header[i] != '&' || i + 1 == header.size()) {
            ++i;
            continue;
        }
        const char code = header[i + 1];
        if (code == 'L' || code == 'C' || code == 'R') {
            close(i);
            section = code;
            named = true;
            begun = i + 2;
        } else if (code == '"') { // a font's name, up to its closing quote, holds no codes
            const size_t quote = header.find('"', i + 2);
            i = quote == std::string_view::npos ? header.size() : quote + 1;
            continue;
        }
        i += 2; // "&&" is an ampersand, not a code
    }
    close(header.size());
    return end;
}

} // namespace

std::string pageHeaderText(std::string_view title) {
    return headerText(title, kMaxHeaderText);
}

std::string pageHeaderWithRange(std::string_view header, std::string_view range) {
    std::string result(header);
    const size_t centre = centreEnd(header);
    const std::string_view code = centre == std::string_view::npos ? "&C" : "";
    const size_t used = result.size() + code.size();
    const std::string added = headerText(range, used < kMaxHeader ? kMaxHeader - used : 0);
    if (added.empty()) return result;
    result.insert(centre == std::string_view::npos ? result.size() : centre, std::string(code) + added);
    return result;
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
