// Where a section grid starts against its data: the first column (and, for a
// z section, the first row) sits on the edge of the mesh range, so the first
// data centres lie half a cell inside it. A point exactly half-way goes to the
// upper node, which leaves that column without data nodes, and the clip to
// the data outline then blanks it. The far edges keep their data.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "converter_early/tests/torrin_support.h"

namespace {

namespace fs = std::filesystem;
using torrin_test::WorkDir;

constexpr float kNull = -1.0e32f;

struct EdgeCase {
  const char* name;
  std::vector<std::string> args;
  const char* grid;
  double xo, yo;        // the low ends of torrin's range on the two axes
  bool first_row_null;  // the row at yo (stored last: rows are reversed)
};

class TorrinGridEdge : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(TorrinGridEdge, FirstColumnOnTheRangeEdgeHalfACellBeforeTheData) {
  const EdgeCase& c = GetParam();
  WorkDir dir;
  for (const char* f : {"mesh.msh", "model_sus.den"})
    fs::copy_file(fs::path(SUITE_SOURCE_DIR) / "examples" / f, f);
  std::string cmd = std::string("'") + SUITE_BINARY_DIR + "/bin/torrin'";
  for (const std::string& a : c.args) cmd += " '" + a + "'";
  cmd += " </dev/null >.stdout 2>.stderr";
  const int raw = std::system(cmd.c_str());
  ASSERT_TRUE(raw != -1 && WIFEXITED(raw) && WEXITSTATUS(raw) == 0);

  const std::string bytes = WorkDir::read(c.grid);
  ASSERT_GE(bytes.size(), 512u);
  const int32_t nc = torrin_test::int_at(bytes, 8), nr = torrin_test::int_at(bytes, 12);
  const double del = torrin_test::double_at(bytes, 20);
  EXPECT_EQ(torrin_test::double_at(bytes, 36), c.xo);
  EXPECT_EQ(torrin_test::double_at(bytes, 44), c.yo);

  // The data of the section: the nearest centres lie half a cell beyond
  // the origin on both axes.
  const std::vector<float> d = torrin_test::floats_of(WorkDir::read("grddat.dat"));
  ASSERT_GE(d.size(), 30u);
  float umin = d[0], vmin = d[1];
  for (size_t p = 0; p + 2 < d.size(); p += 3) {
    umin = std::min(umin, d[p]);
    vmin = std::min(vmin, d[p + 1]);
  }
  EXPECT_EQ(static_cast<double>(umin), c.xo + del / 2.0);
  if (c.first_row_null) {
    EXPECT_EQ(static_cast<double>(vmin), c.yo + del / 2.0);
  }

  const std::vector<float> g = torrin_test::floats_of(bytes, 512);
  ASSERT_EQ(g.size(), static_cast<size_t>(nc) * static_cast<size_t>(nr));
  auto at = [&](int32_t col, int32_t pos) { return g[static_cast<size_t>((pos - 1) * nc + (col - 1))]; };
  for (int32_t col = 1; col <= nc; ++col) {
    bool any = false;
    for (int32_t pos = 1; pos <= nr; ++pos) any = any || at(col, pos) != kNull;
    EXPECT_EQ(any, col != 1) << "column " << col;
  }
  for (int32_t pos = 1; pos <= nr; ++pos) {
    bool any = false;
    for (int32_t col = 1; col <= nc; ++col) any = any || at(col, pos) != kNull;
    EXPECT_EQ(any, !(c.first_row_null && pos == nr)) << "row position " << pos;
  }
}

// The example mesh: torrin's range x 4375..4700, y 7375..7600, z 125..350,
// core cells of 25. An x or y section's lowest layer centre lies below the
// range bottom and its top centre half-way below the top row, so all rows
// hold data there.
INSTANTIATE_TEST_SUITE_P(
    Example, TorrinGridEdge,
    ::testing::Values(
        EdgeCase{"x", {"mesh.msh", "model_sus.den", "x", "4500", "4500", "10", "25", "sx"}, "sx_4500.grd",
                 7375.0, 125.0, false},
        EdgeCase{"y", {"mesh.msh", "model_sus.den", "y", "7450", "7450", "10", "25", "sy"}, "sy_7450.grd",
                 4375.0, 125.0, false},
        EdgeCase{"z", {"mesh.msh", "model_sus.den", "z", "250", "250", "10", "25", "sz"}, "sz_250.grd",
                 4375.0, 7375.0, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
