#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "util/date_time.h"
#include "util/gbk.h"
#include "util/initials.h"
#include "util/regex_matcher.h"
#include "util/text.h"

using namespace tablora::util;

TEST(WholeNumber, ReadsLeadingIntegerLikeStaffType) {
    EXPECT_EQ(wholeNumber("3人"), 3);
    EXPECT_EQ(wholeNumber("abc"), 0);
    EXPECT_EQ(wholeNumber(""), 0);
    EXPECT_EQ(wholeNumber("-2"), -2);
    EXPECT_EQ(wholeNumber("  +15x"), 15);
    EXPECT_EQ(wholeNumber("１２３"), 123);    // full-width digits
    EXPECT_EQ(wholeNumber("－４５元"), -45);  // full-width sign
    EXPECT_EQ(wholeNumber("\xE3\x80\x80"
                          "7"),
              7);  // ideographic space skipped
    EXPECT_EQ(wholeNumber("12.9"), 12);
    EXPECT_EQ(wholeNumber("99999999999999999999"), 2147483647);
    EXPECT_EQ(wholeNumber("-99999999999999999999"), -2147483647 - 1);
}

TEST(NumberText, WholeValuesHaveNoDecimalPoint) {
    EXPECT_EQ(numberText(84.0), "84");
    EXPECT_EQ(numberText(-9.0), "-9");
    EXPECT_EQ(numberText(0.5), "0.5");
    EXPECT_EQ(numberText(1234567890123.0), "1234567890123");
    EXPECT_EQ(numberText(12345678901234.0), "1.234567890123e+13");
    EXPECT_EQ(numberText(42LL), "42");
}

TEST(Blank, IgnoresAsciiAndFullWidthSpaces) {
    EXPECT_TRUE(isBlank(""));
    EXPECT_TRUE(isBlank("  \xE3\x80\x80 "));
    EXPECT_FALSE(isBlank(" a "));
    EXPECT_FALSE(isBlank("大厅"));
}

TEST(Utf8, AcceptsFourByteAndRejectsMalformed) {
    EXPECT_TRUE(isValidUtf8("宫保鸡丁"));
    EXPECT_TRUE(isValidUtf8("\xF0\x9F\x8D\x9C"));  // U+1F35C
    EXPECT_FALSE(isValidUtf8("\xC3"));             // truncated
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(isValidUtf8("\xB1\xA6"));         // GBK bytes
}

TEST(DateText, FourShapes) {
    EXPECT_EQ(dateText({2022, 12, 31, 12, 35, 0}), "2022年12月31日12时35分");
    EXPECT_EQ(dateText({2022, 12, 31, 12, 35, 7}), "2022年12月31日12时35分7秒");
    EXPECT_EQ(dateText({2022, 1, 5, 9, 0, 0}), "2022年1月5日9时");
    EXPECT_EQ(dateText({2022, 1, 5, 0, 0, 0}), "2022年1月5日");
    EXPECT_EQ(dateText({2022, 1, 5, 0, 0, 3}), "2022年1月5日0时0分3秒");
}

TEST(DateTimeValue, RoundTripsThroughCalendar) {
    const CalendarTime t{2025, 3, 7, 14, 5, 9};
    const DateTime v = fromCalendar(t);
    EXPECT_NEAR(v, 45723.58691, 1e-4);
    EXPECT_EQ(toCalendar(v), t);
    EXPECT_EQ(toCalendar(0.0), (CalendarTime{1899, 12, 30, 0, 0, 0}));
    EXPECT_EQ(toCalendar(-1.25), (CalendarTime{1899, 12, 29, 6, 0, 0}));
    EXPECT_EQ(toCalendar(fromCalendar({2024, 2, 29, 23, 59, 59})),
              (CalendarTime{2024, 2, 29, 23, 59, 59}));
    EXPECT_FALSE(toCalendar(fromCalendar({99, 12, 31, 0, 0, 0})).has_value());
    EXPECT_FALSE(toCalendar(1e12).has_value());
}

struct FormatRow {
    int fieldSet;
    int clock;
    const char* texts[4];
};

TEST(FormatDateTime, WholeResultTable) {
    const DateTime when = fromCalendar({2025, 3, 7, 14, 5, 9});
    const FormatRow rows[] = {
        {0,
         2,
         {"2025年03月07日 14时05分09秒", "2025-03-07 14:05:09", "2025/03/07 14/05/09",
          "20250307140509"}},
        {0,
         1,
         {"2025年03月07日 02时05分09秒", "2025-03-07 02:05:09", "2025/03/07 02/05/09",
          "20250307020509"}},
        {1, 1, {"2025年03月07日", "2025-03-07", "2025/03/07", "20250307"}},
        {1, 2, {"2025年03月07日", "2025-03-07", "2025/03/07", "20250307"}},
        {2, 2, {"03月07日", "03-07", "03/07", "0307"}},
        {3, 2, {"14时05分09秒", "14:05:09", "14/05/09", "140509"}},
        {3, 1, {"02时05分09秒", "02:05:09", "02/05/09", "020509"}},
        {4, 2, {"14时05分", "14:05", "14/05", "1405"}},
        {4, 1, {"02时05分", "02:05", "02/05", "0205"}},
        {5, 1, {"05分09秒", "05:09", "05/09", "0509"}},
        {5, 2, {"05分09秒", "05:09", "05/09", "0509"}},
    };
    for (const auto& row : rows)
        for (int style = 0; style < 4; ++style)
            EXPECT_EQ(FormatDateTime(when, style, row.fieldSet, row.clock), row.texts[style])
                << "field set " << row.fieldSet << " clock " << row.clock << " style " << style;
}

TEST(FormatDateTime, ClampsAndHourEdges) {
    const DateTime when = fromCalendar({2025, 3, 7, 14, 5, 9});
    EXPECT_EQ(FormatDateTime(when, 4, 6, 2), FormatDateTime(when, 0, 0, 2));
    EXPECT_EQ(FormatDateTime(when, -1, -1, 2), FormatDateTime(when, 0, 0, 2));
    EXPECT_EQ(FormatDateTime(fromCalendar({2025, 1, 1, 0, 0, 0}), 3, 0, 2), "20250101000000");
    EXPECT_EQ(FormatDateTime(fromCalendar({2025, 1, 1, 0, 30, 0}), 3, 4, 1), "1230");
    EXPECT_EQ(FormatDateTime(fromCalendar({2025, 1, 1, 12, 30, 0}), 3, 4, 1), "1230");
    EXPECT_EQ(FormatDateTime(fromCalendar({2025, 1, 1, 13, 30, 0}), 3, 4, 1), "0130");
    EXPECT_EQ(FormatDateTime(1e12, 3, 0, 2), "");
    EXPECT_EQ(FormatDateTime(std::nullopt, 3, 0, 2).size(), 14u);
}

TEST(DigitsOnly, KeepsAsciiDigitsInOrder) {
    EXPECT_EQ(DigitsOnly("28元"), "28");
    EXPECT_EQ(DigitsOnly("188"), "188");
    EXPECT_EQ(DigitsOnly("元"), "");
    EXPECT_EQ(DigitsOnly(""), "");
    EXPECT_EQ(DigitsOnly("12.5元"), "125");
    EXPECT_EQ(DigitsOnly("-5元"), "5");
    EXPECT_EQ(DigitsOnly("１２元"), "");
    EXPECT_EQ(DigitsOnly("1a2b3"), "123");
    EXPECT_EQ(DigitsOnly("宫保鸡丁"), "");
}

TEST(RegexMatcher, CharactersGroupsReplaceAndFlags) {
    RegexMatcher m;
    EXPECT_EQ(m.matchCount(), 0);
    EXPECT_EQ(m.pattern(), "");
    ASSERT_TRUE(m.execute("(.)/(\\d+)", "鸡/28 鸭/3"));
    EXPECT_EQ(m.matchCount(), 2);
    EXPECT_EQ(m.matchText(1), "鸡/28");  // one Chinese character is one character
    EXPECT_EQ(m.submatchText(2, 1), "鸭");
    EXPECT_EQ(m.submatchText(2, 2), "3");
    EXPECT_EQ(m.submatchCount(), 2);
    EXPECT_EQ(m.matchText(3), "");
    EXPECT_EQ(m.submatchText(1, 3), "");
    EXPECT_EQ(m.replace("[$2]"), "[28] [3]");

    ASSERT_TRUE(m.execute("a", "AaA", false, true, false));
    EXPECT_EQ(m.matchCount(), 1);
    EXPECT_EQ(m.replace("b"), "baA");
    ASSERT_TRUE(m.execute("a", "AaA", true));
    EXPECT_EQ(m.matchCount(), 1);
    ASSERT_TRUE(m.execute("^x", "x\nx"));
    EXPECT_EQ(m.matchCount(), 2);
    ASSERT_TRUE(m.execute("^x", "x\nx", false, false));
    EXPECT_EQ(m.matchCount(), 1);

    ASSERT_TRUE(m.execute("#引号\\w+#引号", "say \"hi\"", false, true, true, true));
    EXPECT_EQ(m.pattern(), "\"\\w+\"");
    EXPECT_EQ(m.matchText(1), "\"hi\"");

    EXPECT_FALSE(m.execute("(", "x"));
    EXPECT_EQ(m.matchCount(), 0);

    ASSERT_TRUE(m.execute("x*", "a菜"));  // empty matches step over whole characters
    EXPECT_EQ(m.matchCount(), 3);

    RegexMatcher copy = m;
    EXPECT_EQ(copy.matchCount(), 3);
}

TEST(Gbk, EncodesChineseAndMarksTheRest) {
    EXPECT_EQ(toGbk("宫保鸡丁\r\n"), "\xB9\xAC\xB1\xA3\xBC\xA6\xB6\xA1\r\n");
    EXPECT_EQ(toGbk("a\xF0\x9F\x8D\x9C"
                    "b"),
              "a?b");
    EXPECT_EQ(toGbk("\xC3"), "?");
}

// The export's converter gives exactly what toGbk gives: every character of the basic plane,
// characters beyond it, and random bytes, malformed ones included, given in pieces.
TEST(Gbk, TheConverterGivesWhatToGbkGives) {
    std::string all;
    for (char32_t cp = 1; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        if (cp < 0x80) {
            all += static_cast<char>(cp);
        } else if (cp < 0x800) {
            all += static_cast<char>(0xC0 | (cp >> 6));
            all += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            all += static_cast<char>(0xE0 | (cp >> 12));
            all += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            all += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    all += "😀 宫保鸡丁 堃燊镕 \xF0\x9F\x8D\x9C";
    std::mt19937 random(9);
    for (int i = 0; i < 20000; ++i) all += static_cast<char>(random() % 256);
    GbkConverter converter;
    std::string converted;
    // In pieces cut at character boundaries, as the export gives them (row by row).
    size_t at = 0;
    while (at < all.size()) {
        size_t next = std::min(all.size(), at + 1 + random() % 64);
        while (next < all.size() && (static_cast<unsigned char>(all[next]) & 0xC0) == 0x80) ++next;
        converter.append(converted, std::string_view(all).substr(at, next - at));
        at = next;
    }
    EXPECT_EQ(converted, toGbk(all));
}

TEST(DishInitials, EachCharactersReadingGivesOneLetterAndTypedTextFindsTheDish) {
    using tablora::util::dishInitials;
    EXPECT_EQ(dishInitials("宫保鸡丁"), "gbjd");
    EXPECT_EQ(dishInitials("可乐"), "kl");
    EXPECT_EQ(dishInitials("XO酱炒饭（大）"), "xojcfd");
    EXPECT_EQ(dishInitials("7喜"), "7x");
    EXPECT_EQ(dishInitials(""), "");
    bool first = false;
    EXPECT_TRUE(tablora::util::initialsMatch("gbjd", "宫保鸡丁", "GBJD", first));
    EXPECT_TRUE(first);
    EXPECT_TRUE(tablora::util::initialsMatch("gbjd", "宫保鸡丁", "jd", first));
    EXPECT_FALSE(first);
    EXPECT_TRUE(tablora::util::initialsMatch("gbjd", "宫保鸡丁", "鸡丁", first));
    EXPECT_FALSE(tablora::util::initialsMatch("gbjd", "宫保鸡丁", "gd", first));
}
