#include "NumberText.h"

#include <gtest/gtest.h>

#include <wx/string.h>

#include <limits>

using dbui::detail::formatAsStream;
using dbui::detail::formatFixed;
using dbui::detail::parseDoubleLeniently;
using dbui::detail::parseIntLeniently;

TEST(NumberTextTest, IntegersAreReadUpToTheFirstCharacterThatCannotContinueThem)
{
    const std::pair<const wchar_t*, int> cases[] = {
        {L"42", 42},
        {L"-4", -4},
        {L"+7", 7},
        {L"  \t12", 12},
        {L"12abc", 12},
        {L"3.9", 3},
        {L"", 0},
        {L"abc", 0},
        {L"-", 0},
        {L"- 5", 0},
        {L"0x1F", 0},
        {L"2147483647", 2147483647},
        {L"99999999999", 2147483647},
        {L"-2147483648", -2147483647 - 1},
        {L"-99999999999999999999", -2147483647 - 1},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseIntLeniently(text), expected) << '"' << wxString(text) << '"';
}

TEST(NumberTextTest, DecimalsAreReadLenientlyAndWithoutRegardToTheLocale)
{
    const std::pair<const wchar_t*, double> cases[] = {
        {L"2.5", 2.5},
        {L"-0.25", -0.25},
        {L" +1e3", 1000.0},
        {L".5", 0.5},
        {L"5.", 5.0},
        {L"1.5e", 1.5},
        {L"1.5e+", 1.5},
        {L"2e-2x", 0.02},
        {L"3,75", 3.0},
        {L"12 apples", 12.0},
        {L"", 0.0},
        {L"abc", 0.0},
        {L".", 0.0},
        {L"-", 0.0},
        {L"inf", 0.0},
        {L"nan", 0.0},
        {L"1e-400", 0.0},
        {L"0.0000e999", 0.0},
        {L"3.14159", 3.14159},
        {L"6.02e+23", 6.02e23},
        {L"1.23457e+06", 1234570.0},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseDoubleLeniently(text), expected) << '"' << wxString(text) << '"';

    EXPECT_EQ(parseDoubleLeniently(L"1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(parseDoubleLeniently(L"-123.4e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(parseDoubleLeniently(L"0.001e-330"), 0.0);
}

TEST(NumberTextTest, NumbersAreShownAsAStreamOrAsFixedShowsThemWithAPointInAnyLocale)
{
    EXPECT_EQ(formatFixed(1.5f), L"1.500000");
    EXPECT_EQ(formatFixed(-0.1), L"-0.100000");
    EXPECT_EQ(formatFixed(0.0000006), L"0.000001");
    EXPECT_EQ(formatFixed(1e20), L"100000000000000000000.000000");
    EXPECT_EQ(formatAsStream(0.5f), L"0.5");
    EXPECT_EQ(formatAsStream(3.5f), L"3.5");
    EXPECT_EQ(formatAsStream(1.0f), L"1");
    EXPECT_EQ(formatAsStream(3.14159265), L"3.14159");
    EXPECT_EQ(formatAsStream(1234567.0), L"1.23457e+06");
    EXPECT_EQ(formatAsStream(0.00001f), L"1e-05");
    EXPECT_EQ(formatAsStream(-0.1f), L"-0.1");
}
