// Fixed-format and list-directed input: field splitting, the numeric rules of
// formatted input, error reporting, and the line-by-line list readers.
#include "fortran/record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace fortran {
namespace {

struct IntegerCase {
  const char* format;
  const char* line;
  std::vector<int> expected;
};

TEST(InputFormatTest, ReadsIntegerFields) {
  const IntegerCase cases[] = {
      {"(I2)", "2", {2}}, // short line padded: "2 "
      {"(I2)", "", {0}},  // blank field is zero
      {"(I2)", "12", {12}},
      {"(I1)", "12", {1}},      // columns past the format are ignored
      {"(I6)", "  1 2 ", {12}}, // blanks inside the field are ignored
      {"(I6)", "-00042", {-42}},
      {"(I6)", "  +7", {7}},
      {"(I11)", "-2147483648", {-2147483648}},
      {"(I4.2,I2)", "  1234", {12, 34}},
      {"(2(I1,1X),I2)", "1x2y34", {1, 2, 34}}, // X skips whatever stands there
      {"(T5,I2)", "abcd42", {42}},
      {"(I2,TL2,I2)", "12", {12, 12}},
      {"(TR2,I2,T1,I1)", "9.75", {75, 9}},
      {"( i2 , 2x , i1 )", "1 ..3", {1, 3}}, // blanks and lower case in the format
  };
  for (const IntegerCase& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " <- \"" + c.line + "\"");
    const InputFormat format(c.format);
    const RecordResult r = format.read(c.line);
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.record.size(), c.expected.size());
    for (std::size_t k = 0; k < c.expected.size(); ++k) EXPECT_EQ(r.record.integer(k), c.expected[k]) << k;
  }
}

struct RealCase {
  const char* format;
  const char* line;
  std::size_t field;
  double expected;
};

TEST(InputFormatTest, ReadsRealFields) {
  const RealCase cases[] = {
      {"(F10.4)", "     12345", 0, 1.2345}, // implied point 4 digits from the right
      {"(F10.4)", "12345", 0, 1.2345},      // trailing blanks ignored, not zeros
      {"(F10.4)", "        13", 0, 0.0013},
      {"(F10.4)", "    0.0130", 0, 0.013}, // an explicit point wins
      {"(F10.4)", "", 0, 0.0},
      {"(F10.0)", "        25", 0, 25.0},
      {"(F10.0)", "       2.5", 0, 2.5},
      {"(F6.2)", "1 2 3", 0, 1.23},
      {"(F10.2)", "   -.5", 0, -0.5},
      {"(F10.3)", "-1.5E2", 0, -150.0},
      {"(F10.3)", "1.5d-1", 0, 0.15},
      {"(F10.3)", "15+2", 0, 1.5}, // bare-sign exponent; implied point still applies
      {"(F10.0)", "1e3", 0, 1000.0},
      {"(E12.4)", "  1.2345E+03", 0, 1234.5},
      {"(D12.4)", "  1.2345D+03", 0, 1234.5},
      {"(2F10.3)", "     1.000    -2.500", 1, -2.5},
      {"(I3,F5.1)", "  7 12.5", 1, 12.5},
  };
  for (const RealCase& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " <- \"" + c.line + "\"");
    const RecordResult r = InputFormat(c.format).read(c.line);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_DOUBLE_EQ(r.record.realDouble(c.field), c.expected);
    EXPECT_FLOAT_EQ(r.record.real(c.field), static_cast<float>(c.expected));
  }
}

TEST(InputFormatTest, SinglePrecisionIsRoundedOnceFromTheDecimalText) {
  // Just above the midpoint between 1 and the next float; going through double
  // would land exactly on the midpoint and round down to 1.
  const RecordResult r = InputFormat("(F20.0)").read("1.0000000596046448");
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.record.real(0), std::nextafter(1.0f, 2.0f));
  EXPECT_EQ(r.record.realDouble(0), 1.0 + std::ldexp(1.0, -24));
}

TEST(InputFormatTest, SplitsTextFieldsByColumn) {
  const std::string label = "STORM FILE NAME     "; // columns 1-20
  const RecordResult r = InputFormat("(A20,A60)").read(label + "storm.001");
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_EQ(r.record.size(), 2u);
  EXPECT_EQ(r.record.text(0), label);
  EXPECT_EQ(r.record.text(1), "storm.001" + std::string(51, ' '));

  // A long line is cut at the end of the record.
  const RecordResult cut = InputFormat("(A60)").read(std::string(59, 'x') + "yz");
  ASSERT_TRUE(cut.ok());
  EXPECT_EQ(cut.record.text(0), std::string(59, 'x') + "y");

  const std::string dvLabel = "Manning n for pervious areas";
  const RecordResult dv = InputFormat("(A60,F10.4)").read(dvLabel + std::string(32, ' ') + "    0.2500");
  ASSERT_TRUE(dv.ok()) << dv.error;
  EXPECT_EQ(dv.record.text(0), dvLabel + std::string(32, ' '));
  EXPECT_DOUBLE_EQ(dv.record.realDouble(1), 0.25);

  const RecordResult chars = InputFormat("(100A1)").read("ROUTE\tX");
  ASSERT_TRUE(chars.ok());
  ASSERT_EQ(chars.record.size(), 100u);
  EXPECT_EQ(chars.record.text(5), "\t");
  EXPECT_EQ(chars.record.text(6), "X");
  EXPECT_EQ(chars.record.text(99), " ");
}

TEST(InputFormatTest, ReadsHourlyRainfallRecord) {
  const InputFormat format("(I7,I4,I2,I2,I3,24(I6,1X))");
  ASSERT_EQ(format.fieldCount(), 29u);
  // Station, date, element, then hours 1-9; the flag letters stand in the
  // skipped 1X columns and the missing hours 10-24 read as blank fields.
  const std::string line = "6158355"
                           "1998"
                           " 7"
                           "14"
                           "123"
                           "     0 "
                           "     0 "
                           "     0 "
                           "    12 "
                           "    35 "
                           "-99999M"
                           "-99999M"
                           "     4T"
                           "   120 ";
  const RecordResult r = format.read(line);
  ASSERT_TRUE(r.ok()) << r.error;
  const std::vector<int> head = {6158355, 1998, 7, 14, 123};
  const std::vector<int> hours = {0, 0, 0, 12, 35, -99999, -99999, 4, 120};
  for (std::size_t k = 0; k < head.size(); ++k) EXPECT_EQ(r.record.integer(k), head[k]) << k;
  for (std::size_t h = 0; h < 24; ++h) {
    EXPECT_EQ(r.record.integer(5 + h), h < hours.size() ? hours[h] : 0) << "hour " << h + 1;
  }
}

struct ErrorCase {
  const char* format;
  const char* line;
  const char* where; // field and columns the message must name
  const char* why;
};

TEST(InputFormatTest, ReportsBadNumericFields) {
  const ErrorCase cases[] = {
      {"(I2)", "ab", "field 1 (I2, columns 1-2)", "invalid character 'a'"},
      {"(I4,I2)", "19987x", "field 2 (I2, columns 5-6)", "invalid character 'x'"},
      {"(A3,I3)", "abc1.0", "field 2 (I3, columns 4-6)", "invalid character '.'"},
      {"(I12)", "99999999999", "field 1 (I12, columns 1-12)", "out of range"},
      {"(F10.4)", "1.2.3", "field 1 (F10.4, columns 1-10)", "invalid character '.'"},
      {"(F10.4)", "1.5E", "field 1 (F10.4", "exponent without digits"},
      {"(F10.4)", "1.5E+x", "field 1 (F10.4", "invalid character 'x'"},
      {"(F5.1)", "  -  ", "field 1 (F5.1", "no digits"},
      {"(F10.0)", "1e999", "field 1 (F10.0", "out of range"},
      {"(F10.0)", "-4e38", "field 1 (F10.0", "beyond single precision"},
      {"(2(I1,1X),F4.1)", "1 2 x.5", "field 3 (F4.1, columns 5-8)", "invalid character 'x'"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " <- \"" + c.line + "\"");
    const RecordResult r = InputFormat(c.format).read(c.line);
    EXPECT_EQ(r.status, ReadStatus::Error);
    EXPECT_EQ(r.record.size(), 0u);
    EXPECT_NE(r.error.find(c.where), std::string::npos) << r.error;
    EXPECT_NE(r.error.find(c.why), std::string::npos) << r.error;
  }
}

TEST(InputFormatTest, RejectsMalformedFormats) {
  for (const char* text : {"I2", "(I2", "(I2)x", "(I)", "(F10)", "(F10.)", "(A)", "(Q5)", "(0I2)", "(3T2)", "(I2,,I3)",
                           "(99999(99999A1))"}) {
    EXPECT_THROW(InputFormat{text}, FormatError) << text;
  }
}

// The first item of a line, as the storm, mass-curve and hydrograph files are read.
TEST(ListInputTest, FirstNumberOfALine) {
  const auto firstNumber = [](const char* line) -> std::optional<double> {
    LineReader in = LineReader::fromText(line);
    const ListResult<double> r = readListNumber(in);
    if (!r.ok()) return std::nullopt;
    return r.value;
  };
  const std::pair<const char*, double> numbers[] = {
      {"3", 3},    {"-1", -1},       {"2.5", 2.5},     {".5", 0.5}, {"1e3", 1000},          {"1.5D2", 150},   {"+4", 4},
      {"60.", 60}, {"1.5d-1", 0.15}, {"  7, 8, 9", 7}, {"7,8", 7},  {"\t12.5 mm/hr", 12.5}, {"3*0.25", 0.25}, {"5/", 5},
  };
  for (const auto& [line, expected] : numbers) {
    const std::optional<double> v = firstNumber(line);
    ASSERT_TRUE(v.has_value()) << line;
    EXPECT_DOUBLE_EQ(*v, expected) << line;
  }
  for (const char* line : {"", "   ", "abc", ",5", "2*", "/", "1.2.3", "12abc", "1e", "-"}) {
    EXPECT_FALSE(firstNumber(line).has_value()) << '"' << line << '"';
  }
}

TEST(ListInputTest, ReadsStormFileLayout) {
  // Units flag, comment, time step and count, intensities, terminator; blank
  // lines between the numeric values are skipped.
  LineReader in = LineReader::fromText(" 2\nTest storm, 2 steps\n\n 5.0 , 6\n  \n2\n1.5\n\t\n0.75 mm/hr\n-1\n");
  ListResult<double> units = readListNumber(in);
  ASSERT_TRUE(units.ok()) << units.error;
  EXPECT_EQ(units.value, 2.0);

  const RecordResult title = readRecord(in, InputFormat("(A60)"));
  ASSERT_TRUE(title.ok());
  EXPECT_EQ(title.record.text(0).substr(0, 20), "Test storm, 2 steps ");

  std::vector<double> values;
  for (ListResult<double> r = readListNumber(in); r.status != ReadStatus::EndOfFile; r = readListNumber(in)) {
    ASSERT_TRUE(r.ok()) << r.error;
    values.push_back(r.value);
  }
  EXPECT_EQ(values, (std::vector<double>{5.0, 2.0, 1.5, 0.75, -1.0}));
  EXPECT_EQ(readListNumber(in).status, ReadStatus::EndOfFile); // and stays there
}

TEST(ListInputTest, ErrorsNameTheLineAndReadingGoesOn) {
  LineReader in = LineReader::fromText("1\n\nStorm title\n 2.0\n000041\n12b\n");
  EXPECT_EQ(readListNumber(in).value, 1.0);
  const ListResult<double> notNumber = readListNumber(in);
  EXPECT_EQ(notNumber.status, ReadStatus::Error);
  EXPECT_EQ(notNumber.error.rfind("line 3: \"Storm\" is not a number", 0), 0u) << notNumber.error;
  EXPECT_EQ(readListNumber(in).value, 2.0);

  const InputFormat format("(I6)");
  EXPECT_EQ(readRecord(in, format).record.integer(0), 41);
  const RecordResult bad = readRecord(in, format);
  EXPECT_EQ(bad.status, ReadStatus::Error);
  EXPECT_EQ(bad.error.rfind("line 6: field 1 (I6, columns 1-6)", 0), 0u) << bad.error;
  EXPECT_EQ(readRecord(in, format).status, ReadStatus::EndOfFile);
  EXPECT_EQ(readListNumber(in).status, ReadStatus::EndOfFile);
}

} // namespace
} // namespace fortran
