#include "HourWindowLoss.h"

#include "DmsText.h"
#include "shell/QueryHelpers.h"
#include "shell/TextRules.h"

#include <string>

namespace nax {

Result<void> HourWindowLoss(DbConnection& db, EventPump& pump, ReportGrid& runGrid, std::string_view category,
                            int column, std::string_view dateText, std::string_view hourText, int32_t run) {
    PumpEvents(pump, 5);
    const int row = runGrid.rows() - 1;
    if (row < 0 || column < 0 || column >= runGrid.cols()) return success();
    runGrid.setCell(row, column, "0");

    const auto day = readDayMonthYear(dateText);
    const auto hour = readHour(hourText);
    if (!day || !hour) {
        runGrid.setCell(row, column, "");
        return success();
    }
    const DateParts p = serialToParts(*day);
    const std::string w0 = formatGeneral(partsToSerial(p.year, p.month, p.day, *hour, 0));
    const std::string w59 = formatGeneral(partsToSerial(p.year, p.month, p.day, *hour, 59));

    category = trimBlanks(category);
    std::string common = " where Run_no =";
    common += std::to_string(run);
    common += " and  trim([Loss_Structure]) ='";
    common += category;
    common += "' and  ";

    const auto cellNumber = [&] { return runGrid.number(row, column).value_or(0); };

    // Events that start inside the window, up to their end or minute 59.
    std::string expression = "Sum(iif(DT_End>" + w59 + "," + w59 + ",DT_End) -Dt_Start) *60 *24";
    std::string condition = common + "DT_Start between " + w0 + " and " + w59;
    auto starting = LookupValue(db, "TimeLost", expression, condition, "Int");
    if (!starting) return starting.error();
    runGrid.setCell(row, column, *starting);

    // Events that cover the whole window.
    condition = common + "DT_Start <=" + w0 + " and dt_End >=" + w59;
    auto covering = LookupValue(db, "TimeLost", "60", condition, "Int");
    if (!covering) return covering.error();
    runGrid.setCell(row, column, formatGeneral(cellNumber() + parseNumber(*covering).value_or(0)));

    // Events that started earlier and end inside the window, from minute 00.
    expression = "Sum(DT_End-iif(DT_Start<" + w0 + "," + w0 + ",DT_Start)) *60 *24";
    condition = common + "DT_End between " + w0 + " and " + w59 + " and DT_Start < " + w0;
    auto ending = LookupValue(db, "TimeLost", expression, condition, "Int");
    if (!ending) return ending.error();
    runGrid.setCell(row, column, roundedText(cellNumber() + parseNumber(*ending).value_or(0), 2));

    if (cellNumber() > 60) runGrid.setCell(row, column, "60");
    return success();
}

} // namespace nax
