#include "options_dialog/RateText.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cmath>
#include <gtest/gtest.h>

using namespace RateText;

TEST(RateText, IsNumberAcceptsOneDecimalNumberBetweenSpaces) {
    const char* numbers[] = {
        "10",   "10000", " 600 ",   "+5",         "-5",    "1e3",    "1E3",
        "1e+3", "1e-3",  ".5",      "5.",         "-.5e2", "0",      "-0",
        "9.99", "00012", "10000.5", "  1.5e-2  ", "1e400", "1e-400", "1e99999999999999999999999"};
    for (const char* text : numbers)
        EXPECT_TRUE(isNumber(QString::fromUtf8(text))) << '"' << text << '"';
}

TEST(RateText, IsNumberRejectsEverythingElse) {
    const char* others[] = {"",      " ",    "abc",  "600ms", "1 0", "- 5", "+-5", "--5",
                            "1e",    "1e+",  "1e-",  "e3",    ".",   "-",   "+",   "1.2.3",
                            "1,000", "0x10", "&H10", "inf",   "NaN", "\t5", "5\n", "1e3.5",
                            "5 e3",  "5e 3", "1d3",  "(5)",   "$5",  "５",  "5%"};
    for (const char* text : others)
        EXPECT_FALSE(isNumber(QString::fromUtf8(text))) << '"' << text << '"';
}

TEST(RateText, NumericValueReadsFromTheStartSkippingBlanksTabsAndLineFeeds) {
    const std::pair<const char*, double> cases[] = {
        {"600", 600},     {"600ms", 600},  {"abc", 0},       {"", 0},
        {"   ", 0},       {" 1 2 3", 123}, {"1\t0\n0", 100}, {"- 5", -5},
        {"+5", 5},        {"1e3", 1000},   {"1 e 3", 1000},  {"1E-2", 0.01},
        {"1e", 1},        {"1e+", 1},      {"1ex", 1},       {"1.2.3", 1.2},
        {".5", 0.5},      {"-.5", -0.5},   {"--5", 0},       {"5-3", 5},
        {"1,000", 1},     {"\r5", 0},      {"9.99", 9.99},   {"10000.5", 10000.5},
        {"600.5", 600.5}, {"0x10", 0},     {"NaN", 0},       {"inf", 0},
        {"12abc34", 12},  {"-0", 0},       {"1e3e4", 1000},  {"5. 5", 5.5}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(numericValue(QString::fromUtf8(text)), value) << '"' << text << '"';
}

TEST(RateText, HugeAndTinyNumbersReadAsInfinityOrZero) {
    EXPECT_EQ(numericValue(u"1e400"), HUGE_VAL);
    EXPECT_EQ(numericValue(u"-1e400"), -HUGE_VAL);
    EXPECT_EQ(numericValue(u"1e-400"), 0.0);
    EXPECT_EQ(numericValue(u"1e99999999999999999999999999"), HUGE_VAL);
    EXPECT_EQ(numericValue(u"1e-99999999999999999999999999"), 0.0);
    EXPECT_EQ(numericValue(u"0e99999999999999999999999999"), 0.0);
    EXPECT_TRUE(std::signbit(numericValue(u"-0")));

    const QString manyDigits = QStringLiteral("1") + QString(100000, u'0');
    EXPECT_TRUE(isNumber(manyDigits));
    EXPECT_EQ(numericValue(manyDigits), HUGE_VAL);
    EXPECT_EQ(numericValue(manyDigits + QStringLiteral("e-100000")), 1.0);
    const QString manyZeros = QStringLiteral("0.") + QString(100000, u'0') + u'7';
    EXPECT_EQ(numericValue(manyZeros), 0.0);
    EXPECT_EQ(numericValue(manyZeros + QStringLiteral("e100001")), 7.0);
    EXPECT_FALSE(acceptedRate(manyDigits).has_value());
}

TEST(RateText, RoundingTakesAHalfToTheEvenNeighbour) {
    const std::pair<double, double> cases[] = {
        {600.5, 600},    {601.5, 602},
        {0.5, 0},        {1.5, 2},
        {2.5, 2},        {-0.5, 0},
        {-1.5, -2},      {-2.5, -2},
        {10.4999, 10},   {10.5000001, 11},
        {9999.5, 10000}, {1e300, 1e300},
        {-7.2, -7},      {4503599627370495.5, 4503599627370496}};
    for (const auto& [value, rounded] : cases)
        EXPECT_EQ(roundHalfEven(value), rounded) << value;
    EXPECT_EQ(roundHalfEven(HUGE_VAL), HUGE_VAL);
    EXPECT_TRUE(std::isnan(roundHalfEven(std::nan(""))));
}

TEST(RateText, TheRateCheckTakesNumbersFromTenToTenThousandRounded) {
    const std::pair<const char*, int> accepted[] = {
        {"10", 10},   {"10000", 10000},  {"1e3", 1000},  {"600.5", 600}, {"601.5", 602},
        {"10.5", 10}, {"9999.5", 10000}, {" 100 ", 100}, {"+0010", 10},  {"1e4", 10000}};
    for (const auto& [text, rate] : accepted)
        EXPECT_EQ(acceptedRate(QString::fromUtf8(text)), rate) << '"' << text << '"';
    const char* refused[] = {"9.99",   "10000.5", "abc",  "600ms", "",      "-600", "1e400",
                             "1e-400", "0",       "1 00", "9.5",   "10001", "1e5"};
    for (const char* text : refused)
        EXPECT_FALSE(acceptedRate(QString::fromUtf8(text)).has_value()) << '"' << text << '"';
}

// Both readings against a second, independent description of the same texts: a regular
// expression and Qt's own conversion, over many random texts of number-like characters.
TEST(RateText, BothReadingsAgreeWithARegularExpressionOverRandomTexts) {
    const QRegularExpression wholeNumber(
        QStringLiteral("^ *[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)? *\\z"));
    const QRegularExpression leadingNumber(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    const QString alphabet = QStringLiteral("0123456789012345+-..eE  \t\nx,");
    QRandomGenerator random(20261208);
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int length = random.bounded(12);
        for (int k = 0; k < length; ++k)
            text += alphabet[random.bounded(alphabet.size())];

        EXPECT_EQ(isNumber(text), wholeNumber.match(text).hasMatch()) << text.toStdString();

        QString packed = text;
        packed.remove(QRegularExpression(QStringLiteral("[ \\t\\n]")));
        const QRegularExpressionMatch lead = leadingNumber.match(packed);
        bool ok = true;
        const double expected = lead.hasMatch() ? QLocale::c().toDouble(lead.captured(), &ok) : 0;
        if (ok) {
            EXPECT_EQ(numericValue(text), expected) << text.toStdString();
        }
    }
}
