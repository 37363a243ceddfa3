#pragma once
// How the sheets we write print: landscape, one page wide, the grid's header row at the top of
// every page, the title in the page header and "Page N of M" in the footer.
#include "base/Result.h"

#include <string>
#include <string_view>

struct lxw_worksheet;

namespace nax {

struct PrintSetup {
    int headerRow = 0;      // from 1, repeated at the top of every page; 0 for none
    std::string_view title; // centred in the page header
    bool onePage = false;   // the whole sheet on one page, not only one page wide
};

Result<void> setPrinting(lxw_worksheet* sheet, const PrintSetup& setup);

// The page header's text for `title`: ampersands doubled (a single one starts a code), cut to
// what a header holds.
std::string pageHeaderText(std::string_view title);

// " from <start> to <end>" in the workbooks' date-time pattern, for titles that do not name
// their range.
std::string rangeText(double start, double end);

} // namespace nax
