// torrin's mesh range, section location, data points and grid geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "converter_early/tests/torrin_support.h"
#include "converter_early/torrin.h"

namespace {

using torrin::Order;
using torrin_test::MeshShape;

// ---------------------------------------------------------------------------
// Skip counts: the first non-shrinking width, 1 not subtracted.

struct SkipCase {
  const char* name;
  std::vector<float> xw, zw;
  int32_t ixskip, izskip;
};

class TorrinSkipCounts : public ::testing::TestWithParam<SkipCase> {};

TEST_P(TorrinSkipCounts, FirstNonShrinkingWidth) {
  const SkipCase& c = GetParam();
  MeshShape s;
  s.xw = c.xw;
  s.yw = c.xw;
  s.zw = c.zw;
  const suite::Mesh m = torrin_test::make_mesh(s);
  EXPECT_EQ(m.IXSKIP, c.ixskip);
  EXPECT_EQ(m.IYSKIP, c.ixskip);
  EXPECT_EQ(m.IZSKIP, c.izskip);
}

INSTANTIATE_TEST_SUITE_P(
    Meshes, TorrinSkipCounts,
    ::testing::Values(
        // Uniform widths: the first comparison already holds.
        SkipCase{"uniform", {10, 10, 10, 10, 10, 10}, {10, 10, 10, 10, 10}, 1, 1},
        // p = 3 shrinking columns before the core give p + 1.
        SkipCase{"three_outer", {40, 20, 10, 5, 5, 5, 10, 20, 40}, {5, 5, 5, 5, 10, 20, 40}, 4, 3},
        SkipCase{"one_outer", {20, 10, 10, 10, 20}, {10, 10, 10, 40}, 2, 1},
        // Widths that never stop shrinking: the search ends at the array end
        // and the range stays inside the arrays.
        SkipCase{"never_stops", {50, 40, 30, 20, 10}, {1, 2, 4, 8, 16}, 4, 4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TorrinMesh, RangeEndsTwoColumnsShortOfTheCore) {
  const suite::Mesh m = torrin_test::make_mesh(torrin_test::small_shape());
  // Core columns 3..8 span 60..120: the range runs from the east edge of
  // column 3 to the west edge of column 7.
  EXPECT_EQ(torrin::x_range(m).low, 70.0f);
  EXPECT_EQ(torrin::x_range(m).high, 100.0f);
  EXPECT_EQ(torrin::y_range(m).low, 1070.0f);
  EXPECT_EQ(torrin::y_range(m).high, 1100.0f);
  EXPECT_EQ(torrin::z_range(m).low, -30.0f);
  EXPECT_EQ(torrin::z_range(m).high, 0.0f);
}

TEST(TorrinMesh, CentresAreAccumulatedInSinglePrecision) {
  MeshShape s;
  s.xor_ = 0.1f;
  s.yor = 1000.3f;
  s.zor = 10.7f;
  s.xw = {0.3f, 0.7f, 1.1f, 1.3f};
  s.yw = {3.3f, 1.7f, 2.9f};
  s.zw = {0.9f, 2.3f, 1.1f};
  const suite::Mesh m = torrin_test::make_mesh(s);
  float x = 0.3f / 2.0f + 0.1f;
  EXPECT_EQ(m.XMIDPT(1), x);
  for (int32_t i = 1; i < 4; ++i) {
    x = (s.xw[static_cast<size_t>(i)] + s.xw[static_cast<size_t>(i - 1)]) / 2.0f + x;
    EXPECT_EQ(m.XMIDPT(i + 1), x) << i;
  }
  float z = 10.7f - 0.9f / 2.0f;
  EXPECT_EQ(m.ZMIDPT(1), z);
  z = z - (2.3f + 0.9f) / 2.0f;
  EXPECT_EQ(m.ZMIDPT(2), z);
  EXPECT_EQ(m.YMIDPT(2), (1.7f + 3.3f) / 2.0f + (3.3f / 2.0f + 1000.3f));
}

// ---------------------------------------------------------------------------
// Locating a section: boundaries take the lower index, the upper layer.

struct LocateCase {
  const char* name;
  Order order;
  float xout;
  int32_t cell;  // 0: outside the range
};

class TorrinLocate : public ::testing::TestWithParam<LocateCase> {};

TEST_P(TorrinLocate, CellOfPosition) {
  const suite::Mesh m = torrin_test::make_mesh(torrin_test::small_shape());
  EXPECT_EQ(torrin::locate_section(m, GetParam().order, GetParam().xout), GetParam().cell);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, TorrinLocate,
    ::testing::Values(LocateCase{"x_low_end", Order::kX, 70.0f, 4},
                      LocateCase{"x_below_range", Order::kX, 69.9f, 0},
                      LocateCase{"x_boundary_takes_west", Order::kX, 80.0f, 4},
                      LocateCase{"x_inside", Order::kX, 80.5f, 5},
                      LocateCase{"x_high_end", Order::kX, 100.0f, 6},
                      LocateCase{"x_beyond_range", Order::kX, 100.1f, 0},
                      LocateCase{"y_boundary_takes_south", Order::kY, 1090.0f, 5},
                      LocateCase{"y_beyond_range", Order::kY, 1100.5f, 0},
                      LocateCase{"z_top", Order::kZ, 0.0f, 1},
                      LocateCase{"z_boundary_takes_upper", Order::kZ, -10.0f, 1},
                      LocateCase{"z_inside", Order::kZ, -25.0f, 3},
                      LocateCase{"z_bottom_end", Order::kZ, -30.0f, 3},
                      LocateCase{"z_below_range", Order::kZ, -30.5f, 0},
                      LocateCase{"z_above_top", Order::kZ, 0.1f, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Data points: cells over 0.0 only, torrin's index ranges, loop order.

// 0.0 at row 5 layer 2, negative at row 6 layer 3, positive elsewhere.
float sample_value(int32_t i, int32_t j, int32_t k) {
  if (j == 5 && k == 2) return 0.0f;
  if (j == 6 && k == 3) return -7.0f;
  return static_cast<float>(1000 * i + 100 * j + k);
}

struct ExtractCase {
  const char* name;
  Order order;
  int32_t cell;
  int32_t ndat;
  float first[3], last[3];
};

class TorrinExtract : public ::testing::TestWithParam<ExtractCase> {};

TEST_P(TorrinExtract, PointsOfTheSection) {
  const ExtractCase& c = GetParam();
  torrin_test::WorkDir dir;
  const suite::Mesh m = torrin_test::make_mesh(torrin_test::small_shape());
  const suite::Model sus = torrin_test::make_model(m, sample_value);
  EXPECT_EQ(torrin::extract_section(m, sus, c.order, c.cell, torrin::kDataFile), c.ndat);
  const std::vector<float> w = torrin_test::floats_of(dir.read(torrin::kDataFile));
  ASSERT_EQ(w.size(), static_cast<size_t>(3 * c.ndat));
  for (int n = 0; n < 3; ++n) {
    EXPECT_EQ(w[static_cast<size_t>(n)], c.first[n]) << n;
    EXPECT_EQ(w[w.size() - 3 + static_cast<size_t>(n)], c.last[n]) << n;
  }
  for (size_t p = 2; p < w.size(); p += 3) EXPECT_GT(w[p], 0.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, TorrinExtract,
    ::testing::Values(
        // Rows 4..7 outer, layers 1..4 inner; two non-positive cells.
        ExtractCase{"x", Order::kX, 5, 14, {1075.0f, -5.0f, 5401.0f}, {1105.0f, -35.0f, 5704.0f}},
        // Columns 4..7 outer, layers inner; layer 2 of row 5 is 0.0.
        ExtractCase{"y", Order::kY, 5, 12, {75.0f, -5.0f, 4501.0f}, {105.0f, -35.0f, 7504.0f}},
        // Columns outer, rows inner; row 5 of layer 2 is 0.0.
        ExtractCase{"z", Order::kZ, 2, 12, {75.0f, 1075.0f, 4402.0f}, {105.0f, 1105.0f, 7702.0f}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TorrinExtract, UnwritableDataFileIsARunFailure) {
  torrin_test::WorkDir dir;
  const suite::Mesh m = torrin_test::make_mesh(torrin_test::small_shape());
  const suite::Model sus = torrin_test::make_model(m, sample_value);
  EXPECT_THROW((void)torrin::extract_section(m, sus, Order::kX, 5, "no_such_dir/grddat.dat"),
               suite::RunFailure);
}

// ---------------------------------------------------------------------------
// Grid geometry: one cell size, floor/ceil to its multiples, RADIUS from the
// widths at index IXSKIP / IYSKIP themselves.

struct GridCase {
  const char* name;
  Order order;
  float gcell;
  torrin::SectionGrid expect;
};

class TorrinGrid : public ::testing::TestWithParam<GridCase> {};

TEST_P(TorrinGrid, Geometry) {
  // Row widths 40 20 10 15 ...: IYSKIP 3 with YMESH(3) = 10 < YMESH(4) = 15.
  MeshShape s = torrin_test::small_shape();
  s.yw = {40, 20, 10, 15, 10, 10, 10, 10, 20, 40};
  s.zw = {5, 10, 10, 10, 20, 40};
  const suite::Mesh m = torrin_test::make_mesh(s);
  ASSERT_EQ(m.IYSKIP, 3);
  const GridCase& c = GetParam();
  const torrin::SectionGrid g = torrin::section_grid(m, c.order, c.gcell);
  EXPECT_EQ(g.YMIN, c.expect.YMIN);
  EXPECT_EQ(g.YMAX, c.expect.YMAX);
  EXPECT_EQ(g.ZMIN, c.expect.ZMIN);
  EXPECT_EQ(g.ZMAX, c.expect.ZMAX);
  EXPECT_EQ(g.NCOL, c.expect.NCOL);
  EXPECT_EQ(g.NROW, c.expect.NROW);
  EXPECT_EQ(g.RADIUS, c.expect.RADIUS);
}

// y nodes 1000 1040 1060 1070 1085 1095 1105 ..., range 1070..1105;
// z nodes 0 -5 -15 -25 -35 -55 -95, IZSKIP 2, range -25..0.
INSTANTIATE_TEST_SUITE_P(
    Orders, TorrinGrid,
    ::testing::Values(
        // RADIUS = 5 max(YMESH(3), ZMESH(1)) = 50, not 5 YMESH(4) = 75.
        GridCase{"x", Order::kX, 4.0f, {1068.0f, 1108.0f, -28.0f, 0.0f, 11, 8, 50.0f}},
        GridCase{"y", Order::kY, 3.0f, {69.0f, 102.0f, -27.0f, 0.0f, 12, 10, 50.0f}},
        GridCase{"z", Order::kZ, 7.0f, {70.0f, 105.0f, 1064.0f, 1106.0f, 6, 7, 50.0f}}),
    [](const auto& info) { return std::string(info.param.name); });

struct StepCase {
  float a, s, floor, ceil;
};

TEST(TorrinGrid, FloorAndCeilSteps) {
  const StepCase cases[] = {
      {1070.0f, 4.0f, 1068.0f, 1072.0f}, {-30.0f, 4.0f, -32.0f, -28.0f}, {-28.0f, 4.0f, -28.0f, -28.0f},
      {0.5f, 1.0f, 0.0f, 1.0f},          {-0.5f, 1.0f, -1.0f, 0.0f},     {100.0f, 3.0f, 99.0f, 102.0f},
  };
  for (const StepCase& c : cases) {
    EXPECT_EQ(torrin::floor_step(c.a, c.s), c.floor) << c.a << " " << c.s;
    EXPECT_EQ(torrin::ceil_step(c.a, c.s), c.ceil) << c.a << " " << c.s;
  }
}

TEST(TorrinGrid, NodeCountAddsANodeWhenTheLastFallsShort) {
  EXPECT_EQ(torrin::node_count(0.0f, 9.0f, 3.0f), 4);
  EXPECT_EQ(torrin::node_count(0.0f, 10.0f, 3.0f), 5);
  EXPECT_EQ(torrin::node_count(-32.0f, 0.0f, 4.0f), 9);
  // Deliberate: counts beyond the 32-bit range saturate instead of
  // overflowing.
  EXPECT_EQ(torrin::node_count(0.0f, 1.0e30f, 1.0f), 2147483647);
}

// ---------------------------------------------------------------------------
// Grid names.

struct NameCase {
  const char* filout;
  float xout;
  const char* name;
};

TEST(TorrinGridName, TruncatedPositionAndOneNul) {
  const NameCase cases[] = {
      {"sect", 1250.0f, "sect_1250.grd"}, {"sect", -250.7f, "sect_-250.grd"}, {"sect", -0.5f, "sect_0.grd"},
      {"sect", 0.4f, "sect_0.grd"},       {"out/x", 12.5f, "out/x_12.grd"},
  };
  for (const NameCase& c : cases) {
    const std::string n = torrin::grid_name(suite::Answer(c.filout), c.xout);
    ASSERT_EQ(n.size(), 80u) << c.name;
    const std::string want = std::string(c.name) + '\0';
    EXPECT_EQ(n.substr(0, want.size()), want);
    EXPECT_EQ(n.find_first_not_of(' ', want.size()), std::string::npos) << c.name;
  }
}

TEST(TorrinGridName, LongNameKeepsItsNul) {
  const std::string base(78, 'a');
  const std::string n = torrin::grid_name(suite::Answer(base), 123456.0f);
  EXPECT_EQ(n, base + "_123456.grd" + '\0');
}

TEST(TorrinOrder, FirstCharacterElseZ) {
  EXPECT_EQ(torrin::section_order(suite::Answer("x")), Order::kX);
  EXPECT_EQ(torrin::section_order(suite::Answer("Xylophone")), Order::kX);
  EXPECT_EQ(torrin::section_order(suite::Answer("Y")), Order::kY);
  EXPECT_EQ(torrin::section_order(suite::Answer("t")), Order::kZ);
  EXPECT_EQ(torrin::section_order(suite::Answer("q")), Order::kZ);
}

}  // namespace
