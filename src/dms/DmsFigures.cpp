#include "DmsFigures.h"

#include "DmsText.h"
#include "text/NumberText.h"

#include <cmath>

namespace nax {

namespace {

Figure quotient(Figure dividend, Figure divisor) {
    if (!dividend || !divisor || *divisor == 0) return std::nullopt;
    return *dividend / *divisor;
}

Figure difference(Figure a, Figure b) {
    if (!a || !b) return std::nullopt;
    return *a - *b;
}

Figure sum(Figure a, Figure b) {
    if (!a || !b) return std::nullopt;
    return *a + *b;
}

Figure percent(Figure part, Figure whole) {
    const auto share = quotient(part, whole);
    if (!share) return std::nullopt;
    return *share * 100;
}

} // namespace

Figure cellFigure(Figure value, int decimals) {
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return parseNumber(roundedText(*value, decimals));
}

Figure productionTimeMinutes(Figure start, Figure end) {
    if (!start || !end) return std::nullopt;
    return cellFigure((*end - *start) * 60 * 24, 2);
}

Figure earnedTimeMinutes(Figure units, Figure unitsPerMinute, int decimals) {
    return cellFigure(quotient(units, unitsPerMinute), decimals);
}

Figure lostTimeMinutes(Figure productionTime, Figure earnedTime) {
    return cellFigure(difference(productionTime, earnedTime), 2);
}

Figure speedLossMinutes(Figure lostTime, const LossMinutes& losses) {
    if (!lostTime) return std::nullopt;
    float added = 0.0f;
    for (const Figure& minutes : losses)
        added += static_cast<float>(minutes.value_or(0));
    return cellFigure(*lostTime - static_cast<double>(added), 2);
}

Figure hourSpeedLossMinutes(Figure lostTime, const LossMinutes& losses) {
    if (!lostTime) return std::nullopt;
    double added = 0.0;
    for (const Figure& minutes : losses) {
        if (!minutes) return std::nullopt;
        added += *minutes;
    }
    return cellFigure(*lostTime - added, 2);
}

Figure mePercent(Figure earnedTime, Figure productionTime, const LossMinutes& losses) {
    const Figure notAvailable = sum(losses[kLackOfSalesLoss], losses[kPlannedLossLoss]);
    return cellFigure(percent(earnedTime, difference(productionTime, notAvailable)), 2);
}

Figure naxPercent(Figure earnedTime, Figure productionTime, const LossMinutes& losses) {
    return cellFigure(percent(earnedTime, difference(productionTime, losses[kLackOfSalesLoss])), 2);
}

std::optional<bool> meAbove85(Figure me) {
    if (!me) return std::nullopt;
    return *me > 85;
}

std::optional<int32_t> productionCases(Figure units, Figure caseCount) {
    const auto cases = quotient(units, caseCount);
    return cases ? wholeNumber32(*cases) : std::nullopt;
}

RunFigures dailyRunFigures(const RunFigureInputs& run) {
    RunFigures f;
    f.earnedTime = earnedTimeMinutes(run.units, run.unitsPerMinute, 0);
    f.productionTime = productionTimeMinutes(run.start, run.end);
    f.lostTime = lostTimeMinutes(f.productionTime, f.earnedTime);
    f.speedLoss = speedLossMinutes(f.lostTime, run.losses);
    f.me = mePercent(f.earnedTime, f.productionTime, run.losses);
    f.nax = naxPercent(f.earnedTime, f.productionTime, run.losses);
    f.above85 = meAbove85(f.me);
    f.cases = productionCases(run.units, run.caseCount);
    return f;
}

} // namespace nax
