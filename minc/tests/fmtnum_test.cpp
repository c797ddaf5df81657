#include "minc/fmtnum.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

namespace minc {
namespace {

struct FmtCase {
  const char* name;
  float x;
  int32_t w;
  int32_t d;
  const char* text;  // expected text, trailing blanks trimmed
};

class FmtnumTest : public ::testing::TestWithParam<FmtCase> {};

TEST_P(FmtnumTest, FormatsRightJustified) {
  const FmtCase& c = GetParam();
  char buf[40];
  const int32_t n = FMTNUM(c.x, c.w, c.d, buf, 40);
  EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), c.text);
  // The rest of the buffer is blank.
  for (int32_t i = n; i < 40; ++i) ASSERT_EQ(buf[i], ' ') << "at " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Values, FmtnumTest,
    ::testing::Values(
        FmtCase{"two_decimals", 123.456f, 12, 2, "      123.46"},
        FmtCase{"integer", 25.0f, 12, 0, "          25"},
        FmtCase{"small_negative", -0.004f, 12, 3, "      -0.004"},
        FmtCase{"negative_prints_as_zero", -0.0004f, 12, 3, "       0.000"},
        FmtCase{"scaled_to_exponent", 12345678.0f, 12, 2, "     1.23E+7"},
        FmtCase{"zero_integer", 0.0f, 12, 0, "           0"},
        FmtCase{"negative_integer", -25.0f, 12, 0, "         -25"},
        FmtCase{"integer_rounds_half_away", 2.5f, 12, 0, "           3"},
        FmtCase{"negative_integer_rounds_half_away", -2.5f, 12, 0, "          -3"},
        FmtCase{"negative_rounding_to_zero_integer", -0.4f, 12, 0, "           0"},
        FmtCase{"large_integer_below_limit", 123456789.0f, 12, 0, "   123456792"},
        FmtCase{"integer_beyond_limit_scaled", 1.5e9f, 12, 0, "        2E+9"},
        FmtCase{"fraction_padded_with_zeros", 3.05f, 12, 3, "       3.050"},
        FmtCase{"cell_size_four_decimals", 0.5f, 12, 4, "      0.5000"},
        FmtCase{"negative_exponent_when_field_tiny", 0.5f, 4, 3, "5.000E-1"},
        FmtCase{"negative_scaled", -12345678.0f, 12, 2, "    -1.23E+7"},
        FmtCase{"wide_y_origin_single_precision", 1234567.5f, 14, 2, "    1234567.52"},
        FmtCase{"scaled_value_beyond_32_bits", 25000000.0f, 14, 2, "   25000000.00"},
        FmtCase{"null_value", -99999.0f, 12, 3, "  -99999.000"},
        FmtCase{"infinity_gives_asterisks", INFINITY, 12, 2, "************"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Fmtint, LeftJustifiedDecimalText) {
  struct {
    int32_t n;
    const char* text;
  } cases[] = {{0, "0"}, {7, "7"}, {-12, "-12"}, {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"}};
  for (const auto& c : cases) {
    char buf[20];
    const int32_t n = FMTINT(c.n, buf, 20);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), c.text);
    EXPECT_EQ(buf[19], ' ');
  }
}

TEST(FmtFixed, RoundsHalfAwayFromTheExactValue) {
  struct {
    float x;
    int32_t d;
    const char* text;
  } cases[] = {
      {0.125f, 2, "        0.13"},     // exact tie: away from zero, not to even
      {-0.125f, 2, "       -0.13"},
      {2.5f, 4, "      2.5000"},
      {0.1f, 4, "      0.1000"},
      {9.99996f, 4, "     10.0000"},   // carries into the integer part
      {1.0e12f, 4, "************"},  // does not fit 12 columns
      {-1234567.0f, 4, "************"},
      {123456.7f, 4, " 123456.7031"},  // the single-precision value, digit by digit
  };
  for (const auto& c : cases) {
    char buf[12];
    EXPECT_EQ(fmt_fixed(c.x, 12, c.d, buf), 12);
    EXPECT_EQ(std::string(buf, 12), c.text) << c.x;
  }
}

TEST(FmtInt, RightJustified) {
  char buf[12];
  fmt_int(-42, 12, buf);
  EXPECT_EQ(std::string(buf, 12), "         -42");
  char small[3];
  fmt_int(1234, 3, small);
  EXPECT_EQ(std::string(small, 3), "***");
}

}  // namespace
}  // namespace minc
