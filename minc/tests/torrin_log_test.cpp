// Run-log parameter lines where the two builds part: the earlier build
// (torrin) writes plain fixed-point and integer numbers in columns 17-28
// (asterisks when they do not fit) and its rotation number one column
// further right; kelvane formats through FMTNUM.
#include <gtest/gtest.h>

#include <string>

#include "minc/engine_variant.h"
#include "minc/runlog.h"

namespace minc {
namespace {

// The label padded to column 16, then the 12-column number field, CR LF.
std::string param_line(const std::string& label, const std::string& field) {
  std::string s = label;
  s.resize(16, ' ');
  return s + field + "\r\n";
}

struct LogCase {
  const char* name;
  const EngineVariant* variant;
  const char* label;
  float value;
  int32_t width, decimals;  // decimals < 0: an integer line
  const char* field;        // the 12 columns 17-28
};

class LogLineByBuild : public ::testing::TestWithParam<LogCase> {};

TEST_P(LogLineByBuild, NumberField) {
  const LogCase& c = GetParam();
  char line[40] = {};
  const int32_t n = c.decimals < 0
                        ? log_line_int(*c.variant, c.label, static_cast<int32_t>(c.value), line)
                        : log_line_real(*c.variant, c.label, c.value, c.width, c.decimals, line);
  EXPECT_EQ(std::string(line, static_cast<size_t>(n)), param_line(c.label, c.field));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, LogLineByBuild,
    ::testing::Values(
        // FMTNUM switches to its exponent form; torrin keeps fixed point.
        LogCase{"KelvaneLargeOriginExponent", &kKelvaneEngine, " x origin ", 12345678.0f, 12, 2, "     1.23E+7"},
        LogCase{"TorrinLargeOriginFixed", &kTorrinEngine, " x origin ", 12345678.0f, 12, 2, " 12345678.00"},
        // torrin's y origin has 12 columns too: too wide a value fills them
        // with asterisks.
        LogCase{"TorrinYOriginTooWide", &kTorrinEngine, " y origin ", -123456789.0f, 14, 2, "************"},
        LogCase{"TorrinYOrigin", &kTorrinEngine, " y origin ", 7374.0f, 14, 2, "     7374.00"},
        LogCase{"TorrinRadius", &kTorrinEngine, " search radius ", 125.0f, 12, 3, "     125.000"},
        LogCase{"TorrinNegativeNull", &kTorrinEngine, " null data ", -99999.0f, 12, 3, "  -99999.000"},
        LogCase{"TorrinInteger", &kTorrinEngine, " num columns  ", 164.0f, 12, -1, "         164"},
        LogCase{"TorrinLargeInteger", &kTorrinEngine, " num rows ", 123456789.0f, 12, -1, "   123456792"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LogLineByBuild, RotationColumns) {
  char line[40] = {};
  // kelvane: columns 17-28, a blank in 29; torrin: columns 18-29.
  int32_t n = log_line_rotation(kKelvaneEngine, -1.5f, line);
  EXPECT_EQ(std::string(line, static_cast<size_t>(n)), " rotation angle       -1.500 \r\n");
  n = log_line_rotation(kTorrinEngine, -1.5f, line);
  EXPECT_EQ(std::string(line, static_cast<size_t>(n)), " rotation angle        -1.500\r\n");
  n = log_line_rotation(kTorrinEngine, 123456789.0f, line);
  EXPECT_EQ(std::string(line, static_cast<size_t>(n)), " rotation angle  ************\r\n");
}

}  // namespace
}  // namespace minc
