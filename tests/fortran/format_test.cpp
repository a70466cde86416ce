// Unit tests of the FORMAT engine: one test per layout rule, each a table of
// one-line expectations worked out by hand from the rule.
#include "fortran/format.h"

#include "fortran/fields.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using fortran::Format;
using fortran::FormatError;
using fortran::Value;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<std::string> run(const char* fmt, std::initializer_list<Value> items) { return Format(fmt).format(items); }

// The statement writes exactly one record, equal to `expected`.
#define EXPECT_FMT(expected, fmt, ...) EXPECT_THAT(run(fmt, {__VA_ARGS__}), ElementsAre(expected)) << "format " << (fmt)

// The statement writes exactly the records of the braced list that follows
// `items`; `items` is {} or ITEMS(...), which keeps its commas from the macro.
#define ITEMS(...)                                                                                                     \
  { __VA_ARGS__ }
#define EXPECT_RECORDS(fmt, items, ...)                                                                                \
  EXPECT_THAT(run(fmt, items), ElementsAreArray(std::vector<std::string> __VA_ARGS__)) << "format " << (fmt)

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(FormatF, RoundsTheExactBinaryValueHalfEven) {
  EXPECT_FMT(" 0.12", "(F5.2)", 0.125f); // exact tie, down to even
  EXPECT_FMT(" 0.38", "(F5.2)", 0.375f); // exact tie, up to even
  EXPECT_FMT("0.", "(F2.0)", 0.5);
  EXPECT_FMT("2.", "(F2.0)", 1.5);
  EXPECT_FMT("2.", "(F2.0)", 2.5);
  EXPECT_FMT(" -0.2", "(F5.1)", -0.25);
  EXPECT_FMT(" 2.67", "(F5.2)", 2.675f); // binary value lies below the decimal tie
  EXPECT_FMT(" 2.67", "(F5.2)", 2.675);
  EXPECT_FMT(" 1.00", "(F5.2)", 1.005);
  EXPECT_FMT("100.00", "(F6.2)", 99.995); // lies above: carries into a new digit
  EXPECT_FMT("10.0", "(F4.1)", 9.96);
  EXPECT_FMT("123456.789062", "(F13.6)", 123456.789f); // float holds 123456.7890625
  EXPECT_FMT("     0.100000", "(F13.6)", 0.1f);
  // A float is written from its own value, not from the decimal it came from.
  EXPECT_FMT(" 0.300000012", "(F12.9)", 0.3f);
  EXPECT_FMT(" 0.300000000", "(F12.9)", 0.3);
}

TEST(FormatF, ExactDigitsFromSubnormalsToHugeIntegers) {
  EXPECT_FMT("   0.000", "(F8.3)", 5e-324);
  EXPECT_FMT("  -0.000", "(F8.3)", -5e-324);
  EXPECT_FMT("  9007199254740992.0", "(F20.1)", 9007199254740992.0); // 2^53
  EXPECT_FMT("9007199254740994.00", "(F19.2)", 9007199254740994.0);
  EXPECT_FMT(" 1152921504606846976.0", "(F22.1)", 1152921504606846976.0); // 2^60
  EXPECT_FMT(" 100000000000000000000.00", "(F25.2)", 1e20);
  // Twenty decimals show the binary value's digits beyond double precision.
  EXPECT_FMT("   0.10000000000000000555", "(F25.20)", 0.1);
  EXPECT_FMT("   0.10000000149011611938", "(F25.20)", 0.1f);
}

TEST(FormatF, LeadingZeroIsDroppedOnlyWhenOneColumnShort) {
  EXPECT_FMT(" 0.50", "(F5.2)", 0.5);
  EXPECT_FMT("0.50", "(F4.2)", 0.5);
  EXPECT_FMT(".50", "(F3.2)", 0.5);
  EXPECT_FMT("-.50", "(F4.2)", -0.5);
  EXPECT_FMT(".500", "(F4.3)", 0.5f);
  EXPECT_FMT("0.", "(F2.0)", 0.4); // never dropped with d = 0
  EXPECT_FMT("-0.", "(F3.0)", -0.4);
  EXPECT_FMT("**", "(F2.0)", -0.4);
  EXPECT_FMT("   0.", "(F5.0)", 0.0);
}

TEST(FormatF, SignFollowsTheSignBit) {
  EXPECT_FMT(" 0.00", "(F5.2)", 0.0);
  EXPECT_FMT("-0.00", "(F5.2)", -0.0);
  EXPECT_FMT("-0.00", "(F5.2)", -0.001);
  EXPECT_FMT("  -0.00", "(F7.2)", -1e-38f);
  EXPECT_FMT(" 0.00", "(F5.2)", 1e-40f); // subnormal float
  EXPECT_FMT(" -12.50", "(F7.2)", -12.5);
}

TEST(FormatF, TooWideGivesAsterisks) {
  EXPECT_FMT("*****", "(F5.2)", 100.0);
  EXPECT_FMT("*****", "(F5.2)", 99.995); // rounds to 100.00
  EXPECT_FMT("*****", "(F5.2)", -10.0);
  EXPECT_FMT("-9.99", "(F5.2)", -9.99);
  EXPECT_FMT("***", "(F3.2)", -0.5);
  EXPECT_FMT("****", "(F4.3)", -0.5);
  EXPECT_FMT("****", "(F4.1)", 99.96);
  EXPECT_FMT("*********", "(F9.2)", 1e300);
  EXPECT_FMT("*********", "(F9.2)", 3.4028235e38f);
}

TEST(FormatFE, InfinityAndNaN) {
  EXPECT_FMT("Infinity", "(F8.3)", kInf);
  EXPECT_FMT("    -Inf", "(F8.3)", -kInf);
  EXPECT_FMT("  Inf", "(F5.2)", static_cast<float>(kInf));
  EXPECT_FMT("***", "(F3.2)", -kInf);
  EXPECT_FMT("Inf", "(F3.2)", kInf);
  EXPECT_FMT("-Infinity", "(F9.2)", -kInf);
  EXPECT_FMT("     NaN", "(F8.3)", kNaN);
  EXPECT_FMT("     NaN", "(F8.3)", -kNaN); // a NaN shows no sign
  EXPECT_FMT("**", "(F2.0)", kNaN);
  EXPECT_FMT(" Infinity", "(E9.4)", kInf);
  EXPECT_FMT("-Infinity", "(E9.4)", -kInf);
  EXPECT_FMT("      NaN", "(E9.4)", kNaN);
}

TEST(FormatE, MantissaExponentAndCarry) {
  EXPECT_FMT(".1234E+05", "(E9.4)", 12345.0); // exact tie, down to even
  EXPECT_FMT(".1236E+05", "(E9.4)", 12355.0); // exact tie, up to even
  EXPECT_FMT(".1000E+06", "(E9.4)", 99995.0); // carry moves into the exponent
  EXPECT_FMT(".1000E+02", "(E9.4)", 9.99995);
  EXPECT_FMT(".1234E+02", "(E9.4)", 12.34);
  EXPECT_FMT(".12340E+02", "(E10.5)", 12.34);
  EXPECT_FMT(".123E+02", "(E8.3)", 12.34f);
  EXPECT_FMT(".5000E-02", "(E9.4)", 0.005);
  EXPECT_FMT(".0000E+00", "(E9.4)", 0.0);
  EXPECT_FMT(".000E+00", "(E8.3)", 0.0f);
  EXPECT_FMT(".100000001E+00", "(E14.9)", 0.1f);
  EXPECT_FMT(".100000000E+00", "(E14.9)", 0.1);
}

TEST(FormatE, OptionalZeroAndNegativeWidth) {
  EXPECT_FMT(" 0.1234E+02", "(E11.4)", 12.34);
  EXPECT_FMT("0.500E+00", "(E9.3)", 0.5);
  EXPECT_FMT("-0.1234E+02", "(E11.4)", -12.34);
  EXPECT_FMT("-.1234E+02", "(E10.4)", -12.34);
  EXPECT_FMT("*********", "(E9.4)", -12.34);
  EXPECT_FMT("*********", "(E9.4)", -0.0);
  EXPECT_FMT("****", "(E4.1)", 1.0);
}

TEST(FormatE, ThreeDigitExponentsDropTheE) {
  EXPECT_FMT(".1000+101", "(E9.4)", 1e100);
  EXPECT_FMT(".1000E-99", "(E9.4)", 1e-100);
  EXPECT_FMT(".1000-100", "(E9.4)", 1e-101);
  EXPECT_FMT(".10000+301", "(E10.5)", 1e300);
  EXPECT_FMT(".494-323", "(E8.3)", 5e-324);
  EXPECT_FMT(".140E-44", "(E8.3)", 1.4e-45f);
  EXPECT_FMT(".340E+39", "(E8.3)", 3.4028235e38f);
}

TEST(FormatI, WidthMinimumDigitsAndOverflow) {
  EXPECT_FMT("  42", "(I4)", 42);
  EXPECT_FMT(" -12", "(I4)", -12);
  EXPECT_FMT("999", "(I3)", 999);
  EXPECT_FMT("07", "(I2.2)", 7);
  EXPECT_FMT("00", "(I2.2)", 0);
  EXPECT_FMT(" 05", "(I3.2)", 5);
  EXPECT_FMT("-005", "(I4.3)", -5);
  EXPECT_FMT("         0", "(I10.1)", 0);
  EXPECT_FMT("   ", "(I3.0)", 0);
  EXPECT_FMT("**", "(I2.2)", -1);
  EXPECT_FMT("***", "(I3.3)", -5);
  EXPECT_FMT("******", "(I6)", 1000000);
  EXPECT_FMT("**********", "(I10)", INT_MIN);
  EXPECT_FMT("-2147483648", "(I11)", INT_MIN);
  EXPECT_FMT("-9223372036854775808", "(I20)", LLONG_MIN);
}

TEST(FormatA, JustifyTruncateAndBare) {
  EXPECT_FMT("   ab", "(A5)", "ab");
  EXPECT_FMT("     ", "(A5)", "");
  EXPECT_FMT("abcde", "(A5)", "abcde");
  EXPECT_FMT("abcde", "(A5)", "abcdefgh");
  EXPECT_FMT("ab  ", "(A)", "ab  "); // trailing blanks kept
  EXPECT_FMT("[]", "('[',A,']')", "");
  EXPECT_FMT("'\"\\", "(A3)", "'\"\\");
}

TEST(FormatPositioning, TabsSkipsAndRecordEnd) {
  EXPECT_FMT("abXYef", "(A,T3,A)", "abcdef", "XY");
  EXPECT_FMT("aZc", "('abc',TL2,'Z')");
  EXPECT_FMT("ZbY", "('abc',T1,'Z',TR1,'Y')");
  EXPECT_FMT(" a       b", "(T10,'b',T2,'a')");
  EXPECT_FMT("x", "(TL5,'x')"); // cannot move left of the record start
  EXPECT_FMT("           x", "(T12,'x')");
  EXPECT_FMT("ab", "('ab',5X)"); // trailing skip adds nothing
  EXPECT_FMT("ab", "('ab',T40)");
  EXPECT_FMT("", "(5X)");
  EXPECT_FMT("   ", "(3X,A)", ""); // an empty item still fills the skip
  EXPECT_FMT("   a", "(3X 'a')");
  EXPECT_FMT("      "
             "     1"
             "   "
             "     2"
             "   "
             "     3",
             "(6X,6(I6,3X))", 1, 2, 3);
  EXPECT_FMT("      "
             "     1"
             "   "
             "     2"
             "   "
             "     3"
             "   "
             "     4"
             "   "
             "     5"
             "   "
             "     6",
             "(6X,6(I6,3X))", 1, 2, 3, 4, 5, 6);
}

TEST(FormatRecords, SlashEndsTheRecord) {
  EXPECT_RECORDS("(19X,/,'text')", {}, {"", "text"});
  EXPECT_RECORDS("(85('='),/)", {}, {std::string(85, '='), ""});
  EXPECT_RECORDS("(/,/,T5,'x')", {}, {"", "", "    x"});
  EXPECT_RECORDS("('a'/'b')", {}, {"a", "b"});
  EXPECT_RECORDS("('a',2/,'b')", {}, {"a", "", "b"});
  EXPECT_RECORDS("(I2,/,I2)", ITEMS(1, 2), {" 1", " 2"});
  EXPECT_RECORDS("(' ')", {}, {" "});
}

TEST(FormatLiterals, QuotesParenthesesAndRepeats) {
  EXPECT_FMT("It's", "('It''s')");
  EXPECT_FMT("a'", "('a''')");
  EXPECT_FMT("(a,b)", "('(a,b)')");
  EXPECT_FMT("xy\"z", "('x',\"y\"\"z\")");
  EXPECT_FMT("ababab", "(3('ab'))");
  EXPECT_FMT("a  b", "('a  b')"); // blanks inside a literal are kept
  EXPECT_FMT(std::string(77, '-'), "(77('-'))");
}

TEST(FormatGroups, RepeatCountsExpand) {
  EXPECT_FMT("01:02:03", "(2(I2.2,':'),I2.2)", 1, 2, 3);
  EXPECT_FMT(" 1 2 3", "(3I2)", 1, 2, 3);
  EXPECT_FMT("1..2..", "(2(I1,2('.')))", 1, 2);
  EXPECT_FMT("ab1ab2c", "(2('ab',I1),'c')", 1, 2);
  EXPECT_FMT("<--+--+>", "('<',2(2('-'),'+'),'>')");
  EXPECT_FMT("   1.50   2.250 |   3.00   4.000 |", "(2(F7.2,F8.3,' |'))", 1.5f, 2.25f, 3.0f, 4.0f);
  EXPECT_FMT("           "
             "   1.00   2.000 |"
             "   3.00   4.000 |"
             "   5.00   6.000 |"
             "   7.00   8.000",
             "(T12,3(F7.2,F8.3,' |'),F7.2,F8.3)", 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0);
}

TEST(FormatItems, OutputStopsAtTheFirstFieldWithoutAnItem) {
  EXPECT_FMT("a= 5 b=", "('a=',I2,' b=',I2)", 5);
  EXPECT_FMT("a=", "('a=',I2,' b=',I2)");
  EXPECT_FMT("", "(I2,' x')");
  EXPECT_FMT(" 5 x", "(I2,' x')", 5);
  EXPECT_FMT(" 5", "(I2,:,' x')", 5);
  EXPECT_FMT(" 5 x 6", "(I2,:,' x',I2)", 5, 6);
  EXPECT_RECORDS("('a',/,I2)", {}, {"a", ""});
}

TEST(FormatItems, ReversionReusesTheLastTopLevelGroup) {
  EXPECT_RECORDS("(E10.5)", ITEMS(1.0, 2.0, 0.5), {".10000E+01", ".20000E+01", ".50000E+00"});
  EXPECT_RECORDS("(1X,'A',2(I3))", ITEMS(1, 2, 3, 4, 5), {" A  1  2", "  3  4", "  5"});
  EXPECT_RECORDS("(I2,',')", ITEMS(1, 2), {" 1,", " 2,"});
  EXPECT_RECORDS("('x',2(I1),I2)", ITEMS(1, 2, 3, 4, 5, 6, 7), {"x12 3", "45 6", "7"});
  EXPECT_RECORDS("(I1,/)", ITEMS(1, 2), {"1", "", "2", ""});
  EXPECT_RECORDS("('[',3('-'),I1)", ITEMS(1, 2), {"[---1", "---2"});
  EXPECT_RECORDS("('x',2('-',I1,'.'))", ITEMS(1, 2, 3), {"x-1.-2.", "-3.-"});
}

TEST(FormatList, ListDirected) {
  EXPECT_FMT(" END", "*", "END");
  EXPECT_FMT("      FINISH", "*", "     FINISH");
  EXPECT_FMT(" ", "*", "");
  EXPECT_FMT(" ab", "*", "a", "b");
  EXPECT_FMT("", "*");
  EXPECT_FMT(" 99", "*", 99);
  EXPECT_FMT(" -1", "*", -1);
  EXPECT_FMT(" 1 2", "*", 1, 2);
  EXPECT_FMT(" x 5", "*", "x", 5);
  EXPECT_FMT(" 1.50000000", "*", 1.5f);
  EXPECT_FMT(" 1.5000000000000000", "*", 1.5);
  EXPECT_FMT(" 0.100000001", "*", 0.1f);
  EXPECT_FMT(" 1.00000000E+10", "*", 1e10f);
  EXPECT_FMT(" -0.00000000", "*", -0.0f);
}

TEST(FormatParse, BlanksCaseAndCommas) {
  EXPECT_FMT(" 12 1.50", "( I 3 , F 5 . 2 )", 12, 1.5);
  EXPECT_FMT(" 12", "(i3)", 12);
  EXPECT_FMT("a 1b", "('a'I2'b')", 1);
  EXPECT_EQ(Format("(I3) ").text(), "(I3) ");
  Format moved = Format("(I2)");
  EXPECT_THAT(moved.format({7}), ElementsAre(" 7"));
}

TEST(FormatParse, WritesAppendAndShareNoState) {
  const Format fmt("('x',T5,I2,/,3X)");
  std::vector<std::string> records{"kept"};
  std::vector<Value> first{7}, second{};
  fmt.write(first, records);
  fmt.write(second, records);
  EXPECT_THAT(records, ElementsAre("kept", "x    7", "", "x"));
}

TEST(FormatParse, MalformedFormatsThrow) {
  for (const char* bad : {"I3",      "(I3",   "(I3))",  "(I3)x", "()",      "(I3,)",  "(Q5)",
                          "(F5)",    "(F5.)", "(E9.0)", "(I0)",  "(A0)",    "(I3.4)", "('abc)",
                          "(I3 I4)", "(0I3)", "(T)",    "(T0)",  "(2'ab')", "(2(I3)", "(99999(99999('-')))",
                          ""}) {
    EXPECT_THROW(Format{bad}, FormatError) << "format " << bad;
  }
}

TEST(FormatItems, MismatchedItemsThrow) {
  EXPECT_THROW(run("('a')", {1}), FormatError); // nothing could ever take the item
  EXPECT_THROW(run("(I3,('x'))", {1, 2}), FormatError);
  EXPECT_THROW(run("(I3)", {1.5}), FormatError);
  EXPECT_THROW(run("(F5.2)", {"x"}), FormatError);
  EXPECT_THROW(run("(A3)", {1}), FormatError);
}

// Two independent conversions must agree: the exact integer scaling of F
// fields against the general decimal conversion, and a record laid down in one
// pass against the general record (a leading T1 sends a format there), over
// random bit patterns, exact binary ties and ordinary magnitudes.
TEST(FormatF, FastPathAgreesWithTheGeneralConversion) {
  std::mt19937_64 rng(16);
  for (int k = 0; k < 40000; ++k) {
    const int w = 1 + static_cast<int>(rng() % 20);
    const int d = static_cast<int>(rng() % 21);
    const auto bits = rng();
    const double tie = (static_cast<double>(bits % 100000) + 0.5) / std::ldexp(1.0, static_cast<int>(bits % 11));
    const double pick[] = {std::bit_cast<double>(bits), static_cast<double>(std::bit_cast<float>(std::uint32_t(bits))),
                           tie, -tie / 1000, static_cast<double>(static_cast<float>(tie))};
    for (const double v : pick) {
      char fast[20], general[20];
      if (v == static_cast<double>(static_cast<float>(v)) || std::isnan(v))
        fortran::fields::fixed(fast, w, d, static_cast<float>(v));
      else
        fortran::fields::fixed(fast, w, d, v);
      fortran::fields::fixedGeneral(general, w, d, v);
      ASSERT_EQ(std::string(fast, w), std::string(general, w)) << "F" << w << "." << d << " of " << v;
    }
  }
  const Format linear("(F9.3,2X,I5.2,'|',A4,E11.4)"), general("(T1,F9.3,2X,I5.2,'|',A4,E11.4)");
  for (int k = 0; k < 2000; ++k) {
    const auto bits = rng();
    const float f = std::bit_cast<float>(std::uint32_t(bits));
    const std::initializer_list<Value> items{f, static_cast<int>(bits >> 40) - 8000000, "ab", -f};
    ASSERT_EQ(linear.format(items), general.format(items)) << f;
  }
}

} // namespace
