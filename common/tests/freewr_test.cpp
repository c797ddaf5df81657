// Free-format output lines and the fixed-layout fields.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <sstream>
#include <string>

#include "common/freeformat.h"

namespace {

struct RealCase {
  float v;
  const char* expect;  // the 15-character field
};

class FreeReal : public testing::TestWithParam<RealCase> {};

TEST_P(FreeReal, FifteenCharacterField) {
  const std::string s = suite::free_real(GetParam().v);
  EXPECT_EQ(s, GetParam().expect);
  EXPECT_EQ(s.size(), 15u);
}

INSTANTIATE_TEST_SUITE_P(
    Layout, FreeReal,
    testing::Values(
        // fixed-point form, 7 significant digits, 11 characters and 4 blanks
        RealCase{1000.0f, "   1000.000    "}, RealCase{0.5f, "  0.5000000    "},
        RealCase{-250.5f, "  -250.5000    "}, RealCase{1234567.0f, "   1234567.    "},
        RealCase{0.1f, "  0.1000000    "}, RealCase{-1.0f, "  -1.000000    "},
        RealCase{9999999.0f, "   9999999.    "}, RealCase{4350.0f, "   4350.000    "},
        RealCase{-0.1f, " -0.1000000    "},
        // rounding to 7 digits decides the form: 0.099999994 rounds to 0.09999999
        RealCase{0.099999994f, "  9.9999990E-02"},
        RealCase{0.01f, "  1.0000000E-02"},  // 0.0099999998 rounds up a decade
        // an exact half of the last digit goes away from zero
        RealCase{1234568.5f, "   1234569.    "}, RealCase{-1234568.5f, "  -1234569.    "},
        // exponent form, zero included: the 7-digit value shown with 8 digits
        RealCase{0.0f, "  0.0000000E+00"}, RealCase{1.0e8f, "  1.0000000E+08"},
        RealCase{-0.05f, " -5.0000000E-02"}, RealCase{0.05f, "  5.0000000E-02"},
        RealCase{10000000.0f, "  1.0000000E+07"}, RealCase{-1.0e32f, " -1.0000000E+32"},
        RealCase{std::numeric_limits<float>::max(), "  3.4028230E+38"},
        RealCase{1.0e-20f, "  1.0000000E-20"}));

TEST(FreeInt, TwelveCharacterField) {
  EXPECT_EQ(suite::free_int(0), "           0");
  EXPECT_EQ(suite::free_int(-5), "          -5");
  EXPECT_EQ(suite::free_int(std::numeric_limits<int32_t>::min()), " -2147483648");
}

std::string line_of(std::initializer_list<suite::WriteItem> items) {
  std::ostringstream out;
  suite::FREEWR(out, items);
  return out.str();
}

TEST(FreeLine, LeadingBlankTextAndNumbers) {
  EXPECT_EQ(line_of({}), "\r\n");
  EXPECT_EQ(line_of({" limits of mesh"}), "  limits of mesh\r\n");
  EXPECT_EQ(line_of({" x mesh range : ", 4350.0f, 4750.0f}),
            "  x mesh range :    4350.000       4750.000    \r\n");
  // a text after a number gets one blank first; a text after a text does not
  EXPECT_EQ(line_of({"a", int32_t{1}, "b", "c"}), " a           1 bc\r\n");
  EXPECT_EQ(line_of({int32_t{7}, 2.0f}), "            7   2.000000    \r\n");
}

TEST(FreeLine, TextIntegerRealIs52Characters) {
  const std::string s = line_of({" x value outside mesh : ", int32_t{17}, 12.5f});
  EXPECT_EQ(s.size(), 52u + 2u);
  EXPECT_EQ(s, "  x value outside mesh :           17   12.50000    \r\n");
}

TEST(FreeLine, ItemThatDoesNotFitStartsANewLine) {
  // 1 + 5 * 15 = 76: a sixth real does not fit in 80
  const std::string five = "    1.000000       2.000000       3.000000       4.000000       5.000000    ";
  EXPECT_EQ(line_of({1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f}), five + "\r\n    6.000000    \r\n");
  // a text after numbers: its blank counts, and it starts its new line without it
  EXPECT_EQ(line_of({1.0f, 2.0f, 3.0f, 4.0f, 5.0f, "abc"}), five + " abc\r\n");
  EXPECT_EQ(line_of({1.0f, 2.0f, 3.0f, 4.0f, 5.0f, "abcd"}), five + "\r\n abcd\r\n");
  // a first item longer than a line is written whole
  const std::string longtext(90, 'x');
  EXPECT_EQ(line_of({longtext}), " " + longtext + "\r\n");
}

struct FieldCase {
  const char* name;
  std::string got;
  const char* expect;
};

class Field : public testing::TestWithParam<FieldCase> {};

TEST_P(Field, Layout) { EXPECT_EQ(GetParam().got, GetParam().expect); }

INSTANTIATE_TEST_SUITE_P(
    Fixed, Field,
    testing::Values(
        FieldCase{"I_right_justified", suite::field_I(42, 5), "   42"},
        FieldCase{"I_negative_exact_width", suite::field_I(-42, 3), "-42"},
        FieldCase{"I_overflow", suite::field_I(12345, 4), "****"},
        FieldCase{"I_negative_overflow", suite::field_I(-1, 1), "*"},
        FieldCase{"F_station", suite::field_F(975.0f, 10, 1), "     975.0"},
        FieldCase{"F_negative", suite::field_F(-250.75f, 10, 1), "    -250.8"},
        FieldCase{"F_half_away_from_zero", suite::field_F(0.25f, 4, 1), " 0.3"},
        FieldCase{"F_negative_half", suite::field_F(-0.25f, 5, 1), " -0.3"},
        FieldCase{"F_zero_before_point", suite::field_F(0.5f, 4, 1), " 0.5"},
        FieldCase{"F_zero_when_room", suite::field_F(0.5f, 3, 1), "0.5"},
        FieldCase{"F_no_room_for_zero", suite::field_F(0.5f, 2, 1), ".5"},
        FieldCase{"F_negative_no_room_for_zero", suite::field_F(-0.5f, 3, 1), "-.5"},
        FieldCase{"F_small_negative_keeps_sign", suite::field_F(-0.04f, 5, 1), " -0.0"},
        FieldCase{"F_rounds_into_next_digit", suite::field_F(9.96f, 5, 1), " 10.0"},
        FieldCase{"F_no_decimals", suite::field_F(2.5f, 3, 0), " 3."},
        FieldCase{"F_overflow", suite::field_F(12345.0f, 6, 1), "******"},
        FieldCase{"F_zero", suite::field_F(0.0f, 10, 1), "       0.0"},
        FieldCase{"F_large", suite::field_F(6120350.0f, 10, 1), " 6120350.0"},
        FieldCase{"E_zero", suite::field_E(0.0f, 14, 6), "  0.000000E+00"},
        FieldCase{"E_small", suite::field_E(0.05f, 14, 6), "  0.500000E-01"},
        FieldCase{"E_negative", suite::field_E(-1.0f, 14, 6), " -0.100000E+01"},
        FieldCase{"E_six_digits", suite::field_E(123.456f, 14, 6), "  0.123456E+03"},
        FieldCase{"E_rounds_up_a_decade", suite::field_E(0.9999996f, 14, 6), "  0.100000E+01"},
        FieldCase{"E_exact_width", suite::field_E(-5.0f, 8, 1), "-0.5E+01"},
        FieldCase{"E_drops_zero_without_room", suite::field_E(-5.0f, 7, 1), "-.5E+01"},
        FieldCase{"E_overflow", suite::field_E(-5.0f, 6, 1), "******"},
        FieldCase{"E_null", suite::field_E(-1.0e32f, 14, 6), " -0.100000E+33"},
        FieldCase{"PE_plain", suite::field_1PE(12345.0f, 12, 4), "  1.2345E+04"},
        FieldCase{"PE_negative_small", suite::field_1PE(-0.000123f, 12, 4), " -1.2300E-04"},
        FieldCase{"PE_zero", suite::field_1PE(0.0f, 12, 4), "  0.0000E+00"},
        FieldCase{"PE_overflow", suite::field_1PE(-1.5f, 8, 4), "********"},
        FieldCase{"A_padded", suite::field_A("abc", 5), "abc  "},
        FieldCase{"A_cut", suite::field_A("abcdef", 3), "abc"}),
    [](const testing::TestParamInfo<FieldCase>& info) { return std::string(info.param.name); });

TEST(FixedLine, FieldsConcatenateWithoutLeadingBlank) {
  std::string line;
  suite::put_A(line, "Station");
  suite::put_X(line, 3);
  suite::put_I(line, 7, 3);
  suite::put_F(line, 1.5f, 6, 2);
  EXPECT_EQ(line, "Station     7  1.50");
  std::ostringstream out;
  suite::write_line(out, line);
  EXPECT_EQ(out.str(), line + "\r\n");
}

}  // namespace
