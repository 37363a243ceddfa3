#include "text/DatePattern.h"
#include "text/DaySerial.h"
#include "text/NumberText.h"
#include "text/StoredText.h"
#include "text/TextMatch.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <array>
#include <cmath>
#include <string>
#include <tuple>

namespace nax {
namespace {

const double kSaturday5Dec2026At7 = 46361.2916666667;

TEST(TextRulesNumbers, FormatGeneralKeepsFifteenDigitsOrSevenForSingles) {
    // clang-format off
    const std::tuple<double, int, const char*> cases[] = {
        {15, 15, "15"}, {12.5, 15, "12.5"}, {46361.29166666667, 15, "46361.2916666667"},
        {12.333333333333334, 15, "12.3333333333333"}, {0.1 + 0.2, 15, "0.3"}, {9.9999999999999999, 15, "10"},
        {1200, 15, "1200"}, {0.0001, 15, "0.0001"}, {999999999999999.0, 15, "999999999999999"}, {0, 15, "0"},
        {-0.0, 15, "0"}, {-3.5, 15, "-3.5"}, {-0.25, 15, "-0.25"}, {1.5e20, 15, "1.5E+20"},
        {1e15, 15, "1E+15"}, {0.00001, 15, "1E-05"}, {-2.5e-7, 15, "-2.5E-07"}, {1e100, 15, "1E+100"},
        {123456789012345678.0, 15, "1.23456789012346E+17"}, {0.1f, 7, "0.1"}, {1.0f / 3.0f, 7, "0.3333333"},
        {1234567.0f, 7, "1234567"}, {12345678.0f, 7, "1.234568E+07"}};
    // clang-format on
    for (const auto& [value, digits, text] : cases)
        EXPECT_EQ(formatGeneral(value, digits), text) << text;
}

TEST(TextRulesNumbers, RoundingIsHalfToEvenOnThePrintedDigits) {
    // clang-format off
    const std::tuple<double, int, double> cases[] = {
        {3.125, 2, 3.12}, {2.675, 2, 2.68}, {0.125, 2, 0.12}, {0.375, 2, 0.38}, {2.5, 0, 2}, {3.5, 0, 4},
        {-2.5, 0, -2}, {-3.5, 0, -4}, {12.3333333333333, 2, 12.33}, {333.3333, 0, 333}, {0.5, 0, 0},
        {0.6, 0, 1}, {9.995, 2, 10}, {99.5, 0, 100}, {0.004, 2, 0}, {1250, -2, 1200}, {1350, -2, 1400},
        {7.25, 5, 7.25}, {1.0000000000000002, 3, 1}};
    // clang-format on
    for (const auto& [value, decimals, expected] : cases)
        EXPECT_EQ(roundHalfEven(value, decimals), expected) << value << " at " << decimals;
    // The text never shows a negative zero.
    EXPECT_EQ(roundedText(-0.004, 2) + " " + roundedText(-0.4, 0) + " " + roundedText(0.1 + 0.2, 2) + " " +
                  roundedText(2.675, 2) + " " + roundedText(0.125, 2) + " " + roundedText(100.0 / 3.0, 1),
              "0 0 0.3 2.68 0.12 33.3");
}

TEST(TextRulesNumbers, ParseNumberReadsCellTexts) {
    // clang-format off
    const std::pair<const char*, double> numbers[] = {
        {"12.5", 12.5}, {"-3", -3}, {" 7 ", 7}, {"+4", 4}, {"1E+15", 1e15}, {"2.5e-3", 0.0025}, {".5", 0.5},
        {"-.5", -0.5}, {"46361.2916666667", 46361.2916666667}};
    // clang-format on
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(parseNumber(text), value) << text;
    for (const char* junk :
         {"", "   ", "-", "+", "abc", "12abc", "1,5", "inf", "nan", "+-3", "--3", "1e", "0x10", "- 5", "1 2"})
        EXPECT_FALSE(parseNumber(junk).has_value()) << '"' << junk << '"';
}

TEST(TextRulesSerials, SerialsCountDaysFromTheEpochBothWays) {
    const auto at = [](int y, int mo, int d, int h = 0, int mi = 0) {
        return DateToSerial(QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::UTC));
    };
    EXPECT_EQ(at(1899, 12, 30), 0.0);
    EXPECT_EQ(at(1900, 1, 1, 12), 2.5);
    EXPECT_EQ(at(1899, 12, 29, 6), -1.25);
    EXPECT_EQ(at(1899, 12, 28, 18), -2.75);
    EXPECT_EQ(formatGeneral(at(2026, 12, 5, 7)), "46361.2916666667");
    // Only the wall-clock parts count, not the offset of the carrier.
    EXPECT_EQ(DateToSerial(QDateTime(QDate(2026, 12, 5), QTime(7, 0), Qt::OffsetFromUTC, 7200)),
              at(2026, 12, 5, 7));

    EXPECT_EQ(partsToSerial(1900, 1, 1, 12), 2.5);
    EXPECT_EQ(partsToSerial(100, 1, 1), kMinSerial);
    EXPECT_EQ(partsToSerial(2026, 13, 1), partsToSerial(2027, 1, 1));
    EXPECT_EQ(partsToSerial(2024, 3, 0), partsToSerial(2024, 2, 29));
    for (const double serial : {-657434.0, -1.25, 0.0, 2.5, 59.75, 60.0, 46361.5, 2958465.0}) {
        const DateParts p = serialToParts(serial);
        EXPECT_EQ(partsToSerial(p.year, p.month, p.day, p.hour, p.minute, p.second), serial);
    }
    // A date of the range only, in UTC.
    EXPECT_EQ(SerialToDate(46361.5).value().toString(Qt::ISODate), QStringLiteral("2026-12-05T12:00:00Z"));
    EXPECT_TRUE(SerialToDate(kMinSerial).ok() && SerialToDate(kMaxSerial).ok());
    for (const double bad : {kMinSerial - 1, kMaxSerial + 1, std::nan("")}) {
        const Result<QDateTime> overflow = SerialToDate(bad);
        EXPECT_TRUE(!overflow && overflow.error().code == 6 && overflow.error().message == "Overflow") << bad;
    }
}

TEST(TextRulesPatterns, FormatSerialFields) {
    const double s = kSaturday5Dec2026At7, march = partsToSerial(2026, 3, 4, 9, 25, 8);
    const double morning = partsToSerial(2026, 3, 4, 0, 5), evening = partsToSerial(2026, 3, 4, 19, 5);
    // m and mm are minutes next to hours or seconds, months elsewhere; mmm is always the month.
    // Characters that are no fields are copied; yyyyy is yyyy then y.
    // clang-format off
    const std::tuple<double, const char*, const char*> cases[] = {
        {s, "dd-MMM-yy hh:mm:ss", "05-Dec-26 07:00:00"}, {s, "DD-MMM-YY hh:mm", "05-Dec-26 07:00"},
        {s, "dd-MMM-yy", "05-Dec-26"}, {s, "dddd", "Saturday"}, {s, "ddd d", "Sat 5"},
        {s, "MMMM", "December"}, {s, "yyyy", "2026"}, {s, "ww", "49"}, {s, "w q", "7 4"}, {s, "hh", "07"},
        {s, "y", "339"},
        {partsToSerial(2026, 3, 4, 9, 5, 8), "d/m/yyyy h:n:s", "4/3/2026 9:5:8"},
        {march, "hh:mm", "09:25"}, {march, "h m", "9 25"}, {march, "mm:ss", "25:08"},
        {march, "dd/mm/yy", "04/03/26"}, {march, "mm/dd hh:mm", "03/04 09:25"}, {march, "hh:mmm", "09:Mar"},
        {march, "nn", "25"}, {morning, "h:mm AM/PM", "12:05 AM"}, {evening, "hh:mm AM/PM", "07:05 PM"},
        {evening, "h:mm am/pm", "7:05 pm"}, {evening, "h:mm tt", "7:05 PM"}, {evening, "hA/P", "7P"},
        {evening, "hh:mm", "19:05"}, {s, "Lot 3: dd.MM", "Lot 3: 05.12"}, {s, "[yyyy]", "[2026]"},
        {s, "yyyyy", "2026339"},
        // Weeks start on Sunday and the first holds 1 January.
        {partsToSerial(2022, 1, 1), "ww", "1"}, {partsToSerial(2022, 1, 2), "ww", "2"},
        {partsToSerial(2000, 12, 31), "ww", "54"}, {partsToSerial(2023, 12, 31), "ww", "53"},
        // Parts round to the second, into the next day but not past the last; 1900 has no 29 February.
        {45000.9999999, "dd-MMM-yyyy hh:mm:ss", "16-Mar-2023 00:00:00"},
        {kMaxSerial, "dd-MMM-yyyy hh:mm:ss", "31-Dec-9999 23:59:59"}, {60, "dd-MMM-yyyy", "28-Feb-1900"},
        {-1.25, "dd-MMM-yyyy hh", "29-Dec-1899 06"}};
    // clang-format on
    for (const auto& [serial, pattern, text] : cases)
        EXPECT_EQ(formatSerial(serial, pattern), text) << pattern;
}

TEST(TextRulesPatterns, GeneralDateTextFollowsTheDefaultLocale) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(generalDateText(kSaturday5Dec2026At7), "12/5/26 7:00:00 AM");
    EXPECT_EQ(generalDateText(46361.75), "12/5/26 6:00:00 PM");
    EXPECT_EQ(generalDateText(46361), "12/5/26");
    EXPECT_EQ(generalDateText(46361.00000001), "12/5/26"); // rounds to midnight
    EXPECT_EQ(formatSerial(46361, ""), "12/5/26");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    EXPECT_EQ(generalDateText(46361.75), "05/12/2026 18:00:00");
    QLocale::setDefault(QLocale::c());
}

TEST(TextRulesPatterns, DateArgumentsWithAndWithoutSeconds) {
    EXPECT_DOUBLE_EQ(*parseDateArgument("2026-12-05 07:00"), 46361.0 + 7.0 / 24);
    EXPECT_NEAR(*parseDateArgument("2026-12-05 12:00:30"), 46361.5 + 30.0 / 86400, 1e-9);
    EXPECT_EQ(parseDateArgument("05/12/2026"), std::nullopt);
    EXPECT_EQ(parseDateArgument("2026-13-05 07:00"), std::nullopt);
}

TEST(TextRulesSearch, SearchKeyDropsPunctuationAndLowers) {
    std::string keys;
    for (const char* text : {"Filler - Valve (A)", " A - 1", "", "a.b-c/d\\e*f[g]h(i)j`k&l,m:n;o p",
                             "Keep_#'!?", "ÖLPUMPE - Ä/Ü"})
        keys += MakeSearchKey(text) + " ";
    EXPECT_EQ(keys, "fillervalvea a1  abcdefghijklmnop keep_#'!? ölpumpeäü ");
}

// ? takes one character, not one byte.
TEST(TextRulesSearch, LikeMatchWildcardsAndCharacterLists) {
    // clang-format off
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"fillervalvea", "fill*", true}, {"fillervalvea", "ill*", false},
        {"Filler - Valve (A)", "Fil*", true}, {"Filler", "fil*", false}, {"", "*", true}, {"", "", true},
        {"a", "", false}, {"abc", "a*c", true},
        {"ac", "a*c", true}, {"abcbc", "*bc", true}, {"abcb", "*bc", false}, {"abc", "a?c", true},
        {"ac", "a?c", false}, {"L7", "L#", true}, {"Lx", "L#", false}, {"Ölpumpe", "?lpumpe", true},
        {"b", "[abc]", true}, {"d", "[abc]", false}, {"m", "[a-z]", true}, {"M", "[a-z]", false},
        {"x", "[!abc]", true}, {"a", "[!abc]", false}, {"*", "[*]", true}, {"x", "[*]", false},
        {"a-1", "[a-c][-][0-9]", true}, {"[x", "[[]x", true}, {"ab", "a[]b", true},
        {"Line 12", "Line [0-9]*", true}, {"Line A2", "Line [0-9]*", false}};
    // clang-format on
    for (const auto& [text, pattern, matches] : cases)
        EXPECT_EQ(likeMatch(text, pattern), matches) << text << " like " << pattern;

    const std::string text(5000, 'a');
    std::string pattern;
    for (int i = 0; i < 40; ++i)
        pattern += "*a";
    // Many stars over a long text: a matcher that backtracks through every split never returns.
    EXPECT_FALSE(likeMatch(text, pattern + "*b"));
    EXPECT_TRUE(likeMatch(text, pattern + "*"));
}

TEST(TextRulesScramble, ShiftsByPositionAndDropsCarriageReturns) {
    EXPECT_EQ(ScrambleText("abc"), "dhc");
    EXPECT_EQ(ScrambleText(""), "");
    EXPECT_EQ(ScrambleText("a\r\nb"), "d\ne"); // the CR keeps its position
    EXPECT_EQ(ScrambleText("\n\n\n"), std::string("\x0d\x10\x0a"));
    EXPECT_EQ(ScrambleText("\xC3\xA9x"), "\xC3\xAC~"); // é (U+00E9) + 3, x + 6
}

TEST(StoredText, Utf8StaysAndAnythingElseReadsAsWindows1252) {
    EXPECT_EQ(storedTextAsUtf8("José Mañana"), "José Mañana");
    EXPECT_EQ(storedTextAsUtf8("Jos\351 Ma\361ana"), "José Mañana");
    EXPECT_EQ(storedTextAsUtf8("\x80 \x93quoted\x94 \x9F"), "€ “quoted” Ÿ");
    // Overlong forms and surrogates are no UTF-8 either.
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "abc\xE2\x82"})
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
    EXPECT_TRUE(isValidUtf8("€ \xF0\x9F\x98\x80"));
}

} // namespace
} // namespace nax
