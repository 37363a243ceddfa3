#include "NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace nax {

namespace {

// ---------------------------------------------------------------------------------------
// Decimal digits of a double

// |value| = 0.DIGITS x 10^(exponent + 1), i.e. the first digit stands at 10^exponent.
// Digits carry no trailing zeros.
struct DecimalDigits {
    char digits[20];
    int count = 0;
    int exponent = 0;
    bool negative = false;
};

// `value` must be finite and non-zero; `significant` 1..17.
DecimalDigits decimalDigits(double value, int significant) {
    char buffer[48];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                         std::chars_format::scientific, significant - 1);
    (void)ec; // the buffer holds any double at 17 digits
    DecimalDigits out;
    out.negative = std::signbit(value);
    const char* p = buffer;
    for (; p != end && *p != 'e'; ++p)
        if (*p != '.') out.digits[out.count++] = *p;
    std::from_chars(p + 1 + (p[1] == '+'), end, out.exponent);
    while (out.count > 1 && out.digits[out.count - 1] == '0')
        --out.count;
    return out;
}

void appendExponent(std::string& out, int exponent) {
    out += 'E';
    out += exponent < 0 ? '-' : '+';
    const int magnitude = std::abs(exponent);
    if (magnitude < 10) out += '0';
    char buffer[8];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, magnitude).ptr);
}

void appendDigits(std::string& out, const DecimalDigits& d, int significant) {
    if (d.negative) out += '-';
    if (d.exponent >= significant || d.exponent < -4) {
        out += d.digits[0];
        if (d.count > 1) {
            out += '.';
            out.append(d.digits + 1, d.count - 1);
        }
        appendExponent(out, d.exponent);
    } else if (d.exponent >= 0) {
        const int whole = d.exponent + 1;
        out.append(d.digits, std::min(whole, d.count));
        if (d.count < whole) out.append(whole - d.count, '0');
        if (d.count > whole) {
            out += '.';
            out.append(d.digits + whole, d.count - whole);
        }
    } else {
        out += "0.";
        out.append(-d.exponent - 1, '0');
        out.append(d.digits, d.count);
    }
}

// Cuts the digits to the first `kept`, rounding half to even on what was cut off.
void roundAt(DecimalDigits& d, int kept) {
    const char next = d.digits[kept];
    bool tail = false;
    for (int i = kept + 1; i < d.count; ++i)
        tail |= d.digits[i] != '0';
    const bool lastOdd = kept > 0 && (d.digits[kept - 1] - '0') % 2 == 1;
    d.count = kept;
    if (next < '5' || (next == '5' && !tail && !lastOdd)) return;
    int i = kept - 1;
    while (i >= 0 && d.digits[i] == '9')
        d.digits[i--] = '0';
    if (i >= 0) {
        ++d.digits[i];
        return;
    }
    // Carried past the first digit (99.5 -> 100), or nothing was kept (0.6 -> 1).
    std::copy_backward(d.digits, d.digits + d.count, d.digits + d.count + 1);
    d.digits[0] = '1';
    ++d.count;
    ++d.exponent;
}

} // namespace

std::string formatGeneral(double value, int significant) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Inf" : "-Inf";
    if (value == 0) return "0";
    significant = std::clamp(significant, 1, 17);
    std::string out;
    appendDigits(out, decimalDigits(value, significant), significant);
    return out;
}

double roundHalfEven(double value, int decimals) {
    if (!std::isfinite(value) || value == 0) return value;
    DecimalDigits d = decimalDigits(value, 15);
    const long long kept = 1LL + d.exponent + decimals; // digits left of the cut
    if (kept < 0) return 0.0;
    if (kept < d.count) roundAt(d, int(kept));
    if (d.count == 0) return 0.0;
    // Read back DIGITS x 10^(exponent + 1 - count).
    char text[48];
    char* end = text;
    if (d.negative) *end++ = '-';
    end = std::copy(d.digits, d.digits + d.count, end);
    *end++ = 'e';
    end = std::to_chars(end, text + sizeof text, d.exponent + 1 - d.count).ptr;
    double result = 0;
    std::from_chars(text, end, result);
    return result;
}

std::string roundedText(double value, int decimals) {
    return formatGeneral(roundHalfEven(value, decimals));
}

std::optional<double> parseNumber(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (negative || text.front() == '+')) text.remove_prefix(1);
    // from_chars would also take "inf", "nan" and a second sign.
    if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.'))
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (negative) value = -value;
    return value;
}

std::optional<double> cellNumber(const ReportGrid& grid, int row, int col) {
    return parseNumber(grid.cell(row, col));
}

} // namespace nax
