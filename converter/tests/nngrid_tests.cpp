// Nearest-neighbour section grids: which cell each node takes (centres for
// x sections, nodes for y and z sections, ties to the lower column or row
// and to the upper layer), only positive values, bounded searches, large
// grids, and the file written through the grid writer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "converter/nngrid.h"
#include "converter/section_geometry.h"
#include "converter/tests/section_fixture.h"
#include "gridout/geoout.h"

namespace kelvane {
namespace {

using section_test::cell_value;

struct NnCase {
  const char* name;
  char order;
  float xout;
  SectionGrid grid;
  // Expected cell of each column and each row (0: the node stays null), and
  // the fixed index of the section (column, row or layer).
  std::vector<int32_t> col_cells, row_cells;
  int32_t fixed;
};

float expected_value(const NnCase& c, int32_t col, int32_t row) {
  const int32_t a = c.col_cells[static_cast<size_t>(col - 1)];
  const int32_t b = c.row_cells[static_cast<size_t>(row - 1)];
  if (a == 0 || b == 0) return gridout::kNull;
  switch (c.order | 0x20) {  // lower case
    case 'x': return cell_value(c.fixed, a, b);   // column fixed; rows j, layers k
    case 'y': return cell_value(a, c.fixed, b);   // row fixed; columns i, layers k
    default: return cell_value(a, b, c.fixed);    // layer fixed; columns i, rows j
  }
}

class NnFill : public ::testing::TestWithParam<NnCase> {};

TEST_P(NnFill, EveryNodeTakesItsContainingCell) {
  const NnCase& c = GetParam();
  const suite::Mesh m = section_test::example_mesh();
  const suite::Model sus = section_test::example_model(m);
  std::vector<float> g;
  ASSERT_TRUE(nn_fill(c.order, c.xout, c.grid, m, sus, g));
  ASSERT_EQ(g.size(), static_cast<size_t>(c.grid.NCOL * c.grid.NROW));
  for (int32_t r = 1; r <= c.grid.NROW; ++r) {
    for (int32_t col = 1; col <= c.grid.NCOL; ++col) {
      EXPECT_EQ(g[static_cast<size_t>((r - 1) * c.grid.NCOL + col - 1)], expected_value(c, col, r))
          << "node (" << col << ", " << r << ")";
    }
  }
}

// Example mesh: XNODE 1000 1100 1150 1200 1250 1300 1400, YNODE 2000 2080
// 2120 2160 2200 2280, ZNODE 500 480 460 440 420 380; skip counts 1.
INSTANTIATE_TEST_SUITE_P(
    Orders, NnFill,
    ::testing::Values(
        // x = 1160 lies in column 3. Columns at northings 2100 2140 2180 2220,
        // rows at elevations 430 450 470 490 510 (the last above the top).
        NnCase{"XSectionAtCellCentres", 'x', 1160, {2080, 420, 40, 20, 4, 5}, {2, 3, 4, 5}, {4, 3, 2, 1, 1}, 3},
        // x = 1100, the low end of the range, takes the last skipped column.
        NnCase{"XSectionAtLowEnd", 'x', 1100, {2080, 420, 40, 20, 4, 5}, {2, 3, 4, 5}, {4, 3, 2, 1, 1}, 1},
        // y = 2120 lies on the boundary of rows 2 and 3: row 2. Nodes on the
        // column boundaries 1100 .. 1300 take the western column, those on
        // layer boundaries 420 .. 480 the upper layer.
        NnCase{"YSectionOnBoundaries", 'y', 2120, {1100, 420, 50, 20, 5, 5}, {1, 2, 3, 4, 5}, {4, 3, 2, 1, 1}, 2},
        // z = 480 lies on the boundary of layers 1 and 2: layer 1. Nodes at
        // eastings 1100 .. 1300 and northings 2080 .. 2200.
        NnCase{"ZSectionOnUpperLayer", 'z', 480, {1100, 2080, 50, 40, 5, 4}, {1, 2, 3, 4, 5}, {1, 2, 3, 4}, 1},
        NnCase{"ZSectionInsideLayer", 'Q', 445, {1100, 2080, 50, 40, 5, 4}, {1, 2, 3, 4, 5}, {1, 2, 3, 4}, 3},
        // Nodes beyond the east edge of the mesh (1400) and below its bottom
        // (380) lie in no cell and stay null.
        NnCase{"YSectionBeyondTheMesh", 'Y', 2170, {1300, 360, 50, 20, 5, 3}, {5, 6, 6, 0, 0}, {0, 5, 5}, 4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NnFillValues, OnlyPositiveValuesAreCopied) {
  const suite::Mesh m = section_test::example_mesh();
  suite::Model sus = section_test::example_model(m);
  sus(3, 3, 3) = -3.5f;  // a density below zero
  sus(3, 4, 2) = 0.0f;
  sus(3, 5, 1) = -1.0e32f;
  std::vector<float> g;
  ASSERT_TRUE(nn_fill('x', 1160, {2080, 420, 40, 20, 4, 5}, m, sus, g));
  const auto at = [&](int32_t c, int32_t r) { return g[static_cast<size_t>((r - 1) * 4 + c - 1)]; };
  EXPECT_EQ(at(2, 2), gridout::kNull);  // j 3, k 3
  EXPECT_EQ(at(3, 3), gridout::kNull);  // j 4, k 2
  EXPECT_EQ(at(4, 4), gridout::kNull);  // j 5, k 1
  EXPECT_EQ(at(4, 5), gridout::kNull);  // j 5, k 1 (above the top)
  EXPECT_EQ(at(1, 1), cell_value(3, 2, 4));
}

TEST(NnFillValues, AllNullSectionGivesAllNullGrid) {
  const suite::Mesh m = section_test::example_mesh();
  suite::Model sus = section_test::example_model(m);
  for (int32_t j = 1; j <= m.MY; ++j)
    for (int32_t k = 1; k <= m.MZ; ++k) sus(3, j, k) = (j + k) % 2 == 0 ? 0.0f : -1.0e32f;
  std::vector<float> g(3, 7.0f);  // stale content of an earlier section
  ASSERT_TRUE(nn_fill('x', 1160, {2080, 420, 40, 20, 4, 5}, m, sus, g));
  ASSERT_EQ(g.size(), 20u);
  for (const float v : g) EXPECT_EQ(v, gridout::kNull);
}

TEST(NnFillSize, GridsBeyondTheEngineWorkAreaAreFilled) {
  // 801 x 481 = 385281 nodes, more than the 256000 words of the work area.
  const suite::Mesh m = section_test::example_mesh();
  const suite::Model sus = section_test::example_model(m);
  const SectionGrid grid{1100, 2080, 0.25f, 0.25f, 801, 481};
  std::vector<float> g;
  ASSERT_TRUE(nn_fill('z', 470, grid, m, sus, g));
  ASSERT_EQ(g.size(), 385281u);
  const auto at = [&](int32_t c, int32_t r) { return g[static_cast<size_t>(r - 1) * 801 + static_cast<size_t>(c - 1)]; };
  EXPECT_EQ(at(1, 1), cell_value(1, 1, 2));      // (1100, 2080) on the low boundaries
  EXPECT_EQ(at(2, 2), cell_value(2, 2, 2));      // (1100.25, 2080.25)
  EXPECT_EQ(at(401, 241), cell_value(3, 3, 2));  // (1200, 2140)
  EXPECT_EQ(at(801, 481), cell_value(5, 4, 2));  // (1300, 2200)
}

TEST(NnFillSize, UnusableSizesAreRefused) {
  const suite::Mesh m = section_test::example_mesh();
  const suite::Model sus = section_test::example_model(m);
  std::vector<float> g;
  EXPECT_FALSE(nn_fill('z', 470, {1100, 2080, 1, 1, 100000, 100000}, m, sus, g));
  EXPECT_FALSE(nn_fill('z', 470, {1100, 2080, 1, 1, 0, 5}, m, sus, g));
  EXPECT_FALSE(nn_fill('z', 470, {1100, 2080, 1, 1, 5, -2}, m, sus, g));
  EXPECT_TRUE(g.empty());
}

TEST(NnGridFile, WrittenThroughTheGridWriter) {
  section_test::ScratchDir dir("nngrid");
  section_test::InDir cwd(dir.path());
  const suite::Mesh m = section_test::example_mesh();
  const suite::Model sus = section_test::example_model(m);
  const SectionGrid grid{2080, 420, 40, 20, 4, 5};
  std::vector<float> g;
  ASSERT_EQ(NNGRID(name_buffer("nn_1160.grd"), suite::Answer("x"), 1160, grid, m, sus, g), NnResult::kWritten);
  const std::string bytes = dir.read("nn_1160.grd");
  ASSERT_EQ(bytes.size(), 512u + 4u * 20u);
  int32_t nc = 0, nr = 0, order = 0;
  double delx = 0, dely = 0, xo = 0, yo = 0;
  std::memcpy(&nc, bytes.data() + 8, 4);
  std::memcpy(&nr, bytes.data() + 12, 4);
  std::memcpy(&order, bytes.data() + 16, 4);
  std::memcpy(&delx, bytes.data() + 20, 8);
  std::memcpy(&dely, bytes.data() + 28, 8);
  std::memcpy(&xo, bytes.data() + 36, 8);
  std::memcpy(&yo, bytes.data() + 44, 8);
  EXPECT_EQ(nc, 4);
  EXPECT_EQ(nr, 5);
  EXPECT_EQ(order, 1);
  EXPECT_EQ(delx, 40.0);
  EXPECT_EQ(dely, 20.0);
  EXPECT_EQ(xo, 2080.0);
  EXPECT_EQ(yo, 420.0);
  const std::vector<float> values = section_test::read_floats(bytes.substr(512));
  EXPECT_EQ(values, g);
  float vmin = 0, vmax = 0;
  std::memcpy(&vmin, bytes.data() + 160, 4);
  std::memcpy(&vmax, bytes.data() + 164, 4);
  EXPECT_EQ(vmin, cell_value(3, 2, 1));
  EXPECT_EQ(vmax, cell_value(3, 5, 4));
}

}  // namespace
}  // namespace kelvane
