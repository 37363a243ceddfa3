#include "shell/TextRules.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <array>
#include <chrono>
#include <cmath>
#include <string>

namespace nax {
namespace {

const double kSaturday5Dec2026At7 = 46361.2916666667;

TEST(TextRulesNumbers, FormatGeneralPrintsFifteenSignificantDigitsWithoutTrailingZeros) {
    EXPECT_EQ(formatGeneral(15), "15");
    EXPECT_EQ(formatGeneral(12.5), "12.5");
    EXPECT_EQ(formatGeneral(46361.29166666667), "46361.2916666667");
    EXPECT_EQ(formatGeneral(12.333333333333334), "12.3333333333333");
    EXPECT_EQ(formatGeneral(0.1 + 0.2), "0.3");
    EXPECT_EQ(formatGeneral(9.9999999999999999), "10");
    EXPECT_EQ(formatGeneral(1200), "1200");
    EXPECT_EQ(formatGeneral(0.0001), "0.0001");
    EXPECT_EQ(formatGeneral(999999999999999.0), "999999999999999");
}

TEST(TextRulesNumbers, FormatGeneralSignsAndZero) {
    EXPECT_EQ(formatGeneral(0), "0");
    EXPECT_EQ(formatGeneral(-0.0), "0");
    EXPECT_EQ(formatGeneral(-3.5), "-3.5");
    EXPECT_EQ(formatGeneral(-0.25), "-0.25");
}

TEST(TextRulesNumbers, FormatGeneralUsesExponentsForExtremeMagnitudes) {
    EXPECT_EQ(formatGeneral(1.5e20), "1.5E+20");
    EXPECT_EQ(formatGeneral(1e15), "1E+15");
    EXPECT_EQ(formatGeneral(0.00001), "1E-05");
    EXPECT_EQ(formatGeneral(-2.5e-7), "-2.5E-07");
    EXPECT_EQ(formatGeneral(1e100), "1E+100");
    EXPECT_EQ(formatGeneral(123456789012345678.0), "1.23456789012346E+17");
}

TEST(TextRulesNumbers, FormatGeneralSinglePrecision) {
    EXPECT_EQ(formatGeneral(0.1f, 7), "0.1");
    EXPECT_EQ(formatGeneral(1.0f / 3.0f, 7), "0.3333333");
    EXPECT_EQ(formatGeneral(1234567.0f, 7), "1234567");
    EXPECT_EQ(formatGeneral(12345678.0f, 7), "1.234568E+07");
}

TEST(TextRulesNumbers, RoundHalfEvenWorksOnThePrintedDigits) {
    struct Case {
        double value;
        int decimals;
        double expected;
    };
    const Case cases[] = {
        {3.125, 2, 3.12},
        {2.675, 2, 2.68},
        {0.125, 2, 0.12},
        {0.375, 2, 0.38},
        {2.5, 0, 2},
        {3.5, 0, 4},
        {-2.5, 0, -2},
        {-3.5, 0, -4},
        {12.3333333333333, 2, 12.33},
        {333.3333, 0, 333},
        {0.5, 0, 0},
        {0.6, 0, 1},
        {9.995, 2, 10},
        {99.5, 0, 100},
        {0.004, 2, 0},
        {1250, -2, 1200},
        {1350, -2, 1400},
        {7.25, 5, 7.25},
        {1.0000000000000002, 3, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(roundHalfEven(c.value, c.decimals), c.expected)
            << c.value << " at " << c.decimals << " decimals";
}

TEST(TextRulesNumbers, RoundedTextNeverShowsNegativeZero) {
    EXPECT_EQ(roundedText(-0.004, 2), "0");
    EXPECT_EQ(roundedText(-0.4, 0), "0");
    EXPECT_EQ(roundedText(0.1 + 0.2, 2), "0.3");
    EXPECT_EQ(roundedText(2.675, 2), "2.68");
    EXPECT_EQ(roundedText(100.0 / 3.0, 1), "33.3");
}

TEST(TextRulesNumbers, ParseNumberReadsCellTexts) {
    EXPECT_EQ(parseNumber("12.5"), 12.5);
    EXPECT_EQ(parseNumber("-3"), -3.0);
    EXPECT_EQ(parseNumber(" 7 "), 7.0);
    EXPECT_EQ(parseNumber("+4"), 4.0);
    EXPECT_EQ(parseNumber("1E+15"), 1e15);
    EXPECT_EQ(parseNumber("2.5e-3"), 0.0025);
    EXPECT_EQ(parseNumber(".5"), 0.5);
    EXPECT_EQ(parseNumber("-.5"), -0.5);
    EXPECT_EQ(parseNumber(formatGeneral(46361.29166666667)), 46361.2916666667);
    for (const char* junk :
         {"", "   ", "-", "+", "abc", "12abc", "1,5", "inf", "nan", "+-3", "--3", "1e", "0x10", "- 5", "1 2"})
        EXPECT_FALSE(parseNumber(junk).has_value()) << '"' << junk << '"';
}

TEST(TextRulesSerials, DateToSerialCountsDaysFromTheEpoch) {
    const auto at = [](int y, int mo, int d, int h = 0, int mi = 0) {
        return DateToSerial(QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::UTC));
    };
    EXPECT_EQ(at(1899, 12, 30), 0.0);
    EXPECT_EQ(at(1900, 1, 1, 12), 2.5);
    EXPECT_EQ(formatGeneral(at(2026, 12, 5, 7)), "46361.2916666667");
    EXPECT_EQ(at(1899, 12, 29, 6), -1.25);
    EXPECT_EQ(at(1899, 12, 28, 18), -2.75);
    // The offset of the carrier is ignored: only the wall-clock parts count.
    const QDateTime shifted(QDate(2026, 12, 5), QTime(7, 0), Qt::OffsetFromUTC, 7200);
    EXPECT_EQ(DateToSerial(shifted), at(2026, 12, 5, 7));
}

TEST(TextRulesSerials, PartsToSerialIsTheInverseOfSerialToParts) {
    EXPECT_EQ(partsToSerial(1899, 12, 30), 0.0);
    EXPECT_EQ(partsToSerial(1900, 1, 1, 12), 2.5);
    EXPECT_EQ(partsToSerial(1899, 12, 29, 6), -1.25);
    EXPECT_EQ(partsToSerial(100, 1, 1), kMinSerial);
    EXPECT_EQ(partsToSerial(2026, 13, 1), partsToSerial(2027, 1, 1));
    EXPECT_EQ(partsToSerial(2024, 3, 0), partsToSerial(2024, 2, 29));
    for (const double serial : {-657434.0, -1.25, 0.0, 2.5, 59.75, 60.0, 46361.5, 2958465.0}) {
        const DateParts p = serialToParts(serial);
        EXPECT_EQ(partsToSerial(p.year, p.month, p.day, p.hour, p.minute, p.second), serial);
    }
}

TEST(TextRulesSerials, SerialToPartsRoundsToTheSecond) {
    DateParts p = serialToParts(kSaturday5Dec2026At7);
    EXPECT_EQ((std::array{p.year, p.month, p.day, p.hour, p.minute, p.second, p.weekday}),
              (std::array{2026, 12, 5, 7, 0, 0, 6}));
    p = serialToParts(-1.25);
    EXPECT_EQ((std::array{p.year, p.month, p.day, p.hour}), (std::array{1899, 12, 29, 6}));
    p = serialToParts(45000.9999999); // 15 March 2023 23:59:59.99 rolls into the next day
    EXPECT_EQ((std::array{p.month, p.day, p.hour, p.minute, p.second}), (std::array{3, 16, 0, 0, 0}));
    p = serialToParts(kMaxSerial); // the last day does not roll over
    EXPECT_EQ((std::array{p.year, p.month, p.day, p.hour, p.minute, p.second}),
              (std::array{9999, 12, 31, 23, 59, 59}));
    p = serialToParts(60); // 1900 has no 29 February
    EXPECT_EQ((std::array{p.month, p.day}), (std::array{2, 28}));
}

TEST(TextRulesSerials, SerialToDateChecksTheRange) {
    const Result<QDateTime> date = SerialToDate(46361.5);
    ASSERT_TRUE(date.ok());
    EXPECT_EQ(date.value(), QDateTime(QDate(2026, 12, 5), QTime(12, 0), Qt::UTC));
    EXPECT_EQ(date.value().timeSpec(), Qt::UTC);
    EXPECT_TRUE(SerialToDate(kMinSerial).ok());
    EXPECT_TRUE(SerialToDate(kMaxSerial).ok());
    for (const double bad : {kMinSerial - 1, kMaxSerial + 1, std::nan("")}) {
        const Result<QDateTime> overflow = SerialToDate(bad);
        ASSERT_FALSE(overflow.ok());
        EXPECT_EQ(overflow.error().code, 6);
        EXPECT_EQ(overflow.error().message, "Overflow");
    }
}

TEST(TextRulesSerials, WeekOfYearStartsOnSunday) {
    EXPECT_EQ(weekOfYear(partsToSerial(2022, 1, 1)), 1); // Saturday
    EXPECT_EQ(weekOfYear(partsToSerial(2022, 1, 2)), 2); // Sunday
    EXPECT_EQ(weekOfYear(kSaturday5Dec2026At7), 49);
    EXPECT_EQ(weekOfYear(partsToSerial(2000, 12, 31)), 54); // leap year from a Saturday
    EXPECT_EQ(weekOfYear(partsToSerial(2023, 1, 1)), 1);    // a Sunday
    EXPECT_EQ(weekOfYear(partsToSerial(2023, 12, 31)), 53);
}

TEST(TextRulesPatterns, FormatSerialDatesAndTimes) {
    const double s = kSaturday5Dec2026At7;
    EXPECT_EQ(formatSerial(s, "dd-MMM-yy hh:mm:ss"), "05-Dec-26 07:00:00");
    EXPECT_EQ(formatSerial(s, "DD-MMM-YY hh:mm"), "05-Dec-26 07:00");
    EXPECT_EQ(formatSerial(s, "dd-MMM-yy"), "05-Dec-26");
    EXPECT_EQ(formatSerial(s, "dddd"), "Saturday");
    EXPECT_EQ(formatSerial(s, "ddd d"), "Sat 5");
    EXPECT_EQ(formatSerial(s, "MMMM"), "December");
    EXPECT_EQ(formatSerial(s, "yyyy"), "2026");
    EXPECT_EQ(formatSerial(s, "ww"), "49");
    EXPECT_EQ(formatSerial(s, "w q"), "7 4");
    EXPECT_EQ(formatSerial(s, "hh"), "07");
    EXPECT_EQ(formatSerial(s, "y"), "339");
    EXPECT_EQ(formatSerial(partsToSerial(2026, 3, 4, 9, 5, 8), "d/m/yyyy h:n:s"), "4/3/2026 9:5:8");
}

TEST(TextRulesPatterns, MonthLettersMeanMinutesNextToHoursOrSeconds) {
    const double s = partsToSerial(2026, 3, 4, 9, 25, 8);
    EXPECT_EQ(formatSerial(s, "hh:mm"), "09:25");
    EXPECT_EQ(formatSerial(s, "h m"), "9 25");
    EXPECT_EQ(formatSerial(s, "mm:ss"), "25:08");
    EXPECT_EQ(formatSerial(s, "dd/mm/yy"), "04/03/26");
    EXPECT_EQ(formatSerial(s, "mm/dd hh:mm"), "03/04 09:25");
    EXPECT_EQ(formatSerial(s, "hh:mmm"), "09:Mar"); // mmm is always the month name
    EXPECT_EQ(formatSerial(s, "nn"), "25");
}

TEST(TextRulesPatterns, AmPmSwitchesToTwelveHours) {
    const double morning = partsToSerial(2026, 3, 4, 0, 5);
    const double evening = partsToSerial(2026, 3, 4, 19, 5);
    EXPECT_EQ(formatSerial(morning, "h:mm AM/PM"), "12:05 AM");
    EXPECT_EQ(formatSerial(evening, "hh:mm AM/PM"), "07:05 PM");
    EXPECT_EQ(formatSerial(evening, "h:mm am/pm"), "7:05 pm");
    EXPECT_EQ(formatSerial(evening, "h:mm tt"), "7:05 PM");
    EXPECT_EQ(formatSerial(evening, "hA/P"), "7P");
    EXPECT_EQ(formatSerial(evening, "hh:mm"), "19:05");
}

TEST(TextRulesPatterns, OtherCharactersAreCopied) {
    const double s = kSaturday5Dec2026At7;
    EXPECT_EQ(formatSerial(s, "Lot 3: dd.MM"), "Lot 3: 05.12"); // 'L', 'o', 't' are not fields
    EXPECT_EQ(formatSerial(s, "[yyyy]"), "[2026]");
    EXPECT_EQ(formatSerial(s, "yyyyy"), "2026339"); // yyyy then y
}

class TextRulesLocale : public ::testing::Test {
  protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

TEST_F(TextRulesLocale, GeneralDateTextUsesTheDefaultLocale) {
    EXPECT_EQ(generalDateText(kSaturday5Dec2026At7), "12/5/26 7:00:00 AM");
    EXPECT_EQ(generalDateText(46361.75), "12/5/26 6:00:00 PM");
    EXPECT_EQ(generalDateText(46361), "12/5/26");
    EXPECT_EQ(generalDateText(46361.00000001), "12/5/26"); // rounds to midnight
    EXPECT_EQ(formatSerial(46361, ""), "12/5/26");
}

TEST_F(TextRulesLocale, GeneralDateTextFollowsALocaleChange) {
    EXPECT_EQ(generalDateText(46361.75), "12/5/26 6:00:00 PM");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(generalDateText(46361.75), "05.12.26 18:00:00");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    EXPECT_EQ(generalDateText(46361.75), "05/12/2026 18:00:00");
}

TEST(TextRulesSearch, MakeSearchKeyDropsPunctuationAndLowers) {
    EXPECT_EQ(MakeSearchKey("Filler - Valve (A)"), "fillervalvea");
    EXPECT_EQ(MakeSearchKey(" A - 1"), "a1");
    EXPECT_EQ(MakeSearchKey(""), "");
    EXPECT_EQ(MakeSearchKey("a.b-c/d\\e*f[g]h(i)j`k&l,m:n;o p"), "abcdefghijklmnop");
    EXPECT_EQ(MakeSearchKey("Keep_#'!?"), "keep_#'!?");
    EXPECT_EQ(MakeSearchKey("ÖLPUMPE - Ä/Ü"), "ölpumpeäü");
}

TEST(TextRulesSearch, LikeMatchWildcards) {
    EXPECT_TRUE(likeMatch("fillervalvea", "fill*"));
    EXPECT_FALSE(likeMatch("fillervalvea", "ill*"));
    EXPECT_TRUE(likeMatch("Filler - Valve (A)", "Fil*"));
    EXPECT_FALSE(likeMatch("Filler", "fil*"));
    EXPECT_TRUE(likeMatch("", "*"));
    EXPECT_TRUE(likeMatch("", ""));
    EXPECT_FALSE(likeMatch("a", ""));
    EXPECT_TRUE(likeMatch("abc", "a*c"));
    EXPECT_TRUE(likeMatch("ac", "a*c"));
    EXPECT_TRUE(likeMatch("abcbc", "*bc"));
    EXPECT_FALSE(likeMatch("abcb", "*bc"));
    EXPECT_TRUE(likeMatch("abc", "a?c"));
    EXPECT_FALSE(likeMatch("ac", "a?c"));
    EXPECT_TRUE(likeMatch("L7", "L#"));
    EXPECT_FALSE(likeMatch("Lx", "L#"));
    EXPECT_TRUE(likeMatch("Ölpumpe", "?lpumpe")); // ? takes one character, not one byte
}

TEST(TextRulesSearch, LikeMatchCharacterLists) {
    EXPECT_TRUE(likeMatch("b", "[abc]"));
    EXPECT_FALSE(likeMatch("d", "[abc]"));
    EXPECT_TRUE(likeMatch("m", "[a-z]"));
    EXPECT_FALSE(likeMatch("M", "[a-z]"));
    EXPECT_TRUE(likeMatch("x", "[!abc]"));
    EXPECT_FALSE(likeMatch("a", "[!abc]"));
    EXPECT_TRUE(likeMatch("*", "[*]"));
    EXPECT_FALSE(likeMatch("x", "[*]"));
    EXPECT_TRUE(likeMatch("a-1", "[a-c][-][0-9]"));
    EXPECT_TRUE(likeMatch("[x", "[[]x"));
    EXPECT_TRUE(likeMatch("ab", "a[]b"));
    EXPECT_TRUE(likeMatch("Line 12", "Line [0-9]*"));
    EXPECT_FALSE(likeMatch("Line A2", "Line [0-9]*"));
}

TEST(TextRulesSearch, LikeMatchStaysFastWithManyStars) {
    const std::string text(5000, 'a');
    std::string pattern;
    for (int i = 0; i < 40; ++i)
        pattern += "*a";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(likeMatch(text, pattern + "*b"));
    EXPECT_TRUE(likeMatch(text, pattern + "*"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(TextRulesScramble, ShiftsByPositionAndDropsCarriageReturns) {
    EXPECT_EQ(ScrambleText("abc"), "dhc");
    EXPECT_EQ(ScrambleText(""), "");
    EXPECT_EQ(ScrambleText("a\r\nb"), "d\ne"); // the CR keeps its position
    EXPECT_EQ(ScrambleText("\n\n\n"), std::string("\x0d\x10\x0a"));
    EXPECT_EQ(ScrambleText("\xC3\xA9x"), "\xC3\xAC~"); // é (U+00E9) + 3, x + 6
}

} // namespace
} // namespace nax
