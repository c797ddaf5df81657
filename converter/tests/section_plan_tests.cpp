// Section planning without files: the position loop, grid names and name
// buffers, and the grid geometry of x, y and z sections.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "converter/secgrd.h"
#include "converter/section_geometry.h"
#include "converter/tests/section_fixture.h"
#include "gridout/geoout.h"
#include "minc/engine_variant.h"
#include "minc/minc.h"

namespace kelvane {
namespace {

struct PositionCase {
  const char* name;
  float start, end, inc;
  std::vector<float> expect;
};

class SectionPositions : public ::testing::TestWithParam<PositionCase> {};

TEST_P(SectionPositions, FromStartToEndPlusATenthOfTheIncrement) {
  const PositionCase& c = GetParam();
  std::vector<float> got;
  float stall = 0.0f;
  ASSERT_TRUE(section_positions(c.start, c.end, c.inc, &got, stall));
  EXPECT_EQ(got, c.expect);
}

INSTANTIATE_TEST_SUITE_P(
    Loop, SectionPositions,
    ::testing::Values(PositionCase{"End1000", 0, 1000, 250, {0, 250, 500, 750, 1000}},
                      PositionCase{"End1020", 0, 1020, 250, {0, 250, 500, 750, 1000}},
                      PositionCase{"EndWithinATenth", 0, 1024, 250, {0, 250, 500, 750, 1000}},
                      PositionCase{"EndJustBeyondATenth", 0, 1226, 250, {0, 250, 500, 750, 1000, 1250}},
                      PositionCase{"HalfSteps", 12, 12.5f, 0.5f, {12, 12.5f}},
                      PositionCase{"SinglePosition", 480, 480, 20, {480}}),
    [](const auto& info) { return std::string(info.param.name); });

struct StallCase {
  const char* name;
  float start, end, inc, stall;
};

class SectionPositionStall : public ::testing::TestWithParam<StallCase> {};

TEST_P(SectionPositionStall, DetectedWhereThePositionStopsChanging) {
  const StallCase& c = GetParam();
  float stall = 0.0f;
  EXPECT_FALSE(section_positions(c.start, c.end, c.inc, nullptr, stall));
  EXPECT_EQ(stall, c.stall);
}

INSTANTIATE_TEST_SUITE_P(
    Loop, SectionPositionStall,
    ::testing::Values(StallCase{"HundredthAtEasting500000", 500000, 500001, 0.01f, 500000},
                      StallCase{"UnitBeyond2To24", 16777216, 16777230, 1, 16777216},
                      // Advances by single ulps up to 2^24, then stops there.
                      StallCase{"UnitReaching2To24", 16777200, 16777230, 1, 16777216},
                      StallCase{"NegativeIncrement", 0, 1000, -250, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SectionPositionStall, NoneWhileTheIncrementStillAdvances) {
  float stall = -1.0f;
  // 0.01 still advances at 100 (spacing 7.6e-6), so this loop ends normally.
  EXPECT_TRUE(section_positions(100, 100.05f, 0.01f, nullptr, stall));
  EXPECT_EQ(stall, -1.0f);
}

struct NameCase {
  const char* name;
  const char* filout;
  float xout;
  const char* expect;
};

class SectionGridName : public ::testing::TestWithParam<NameCase> {};

TEST_P(SectionGridName, OutputNameUnderscoreTruncatedPosition) {
  const NameCase& c = GetParam();
  EXPECT_EQ(section_grid_name(suite::Answer(c.filout), c.xout), c.expect);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SectionGridName,
    ::testing::Values(NameCase{"Positive", "sect", 1250.0f, "sect_1250.grd"},
                      NameCase{"NegativeTruncatesTowardZero", "sect", -250.7f, "sect_-250.grd"},
                      NameCase{"MinusHalfIsZero", "sect", -0.5f, "sect_0.grd"},
                      NameCase{"FractionIsZero", "sect", 0.4f, "sect_0.grd"},
                      NameCase{"TwelveAndAHalf", "sect", 12.5f, "sect_12.grd"},
                      NameCase{"TrailingBlanksDropped", "out/sect   ", 480.0f, "out/sect_480.grd"},
                      NameCase{"LargeEasting", "e", 512345.9f, "e_512345.grd"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SectionNameBuffer, NameNulAndBlanksToEightyBytes) {
  const std::string buf = name_buffer("sect_1250.grd");
  ASSERT_EQ(buf.size(), 80u);
  EXPECT_EQ(buf.substr(0, 13), "sect_1250.grd");
  EXPECT_EQ(buf[13], '\0');
  EXPECT_EQ(buf.find_first_not_of(' ', 14), std::string::npos);
}

TEST(SectionNameBuffer, LongNameKeepsItsEndAndTheNul) {
  // An 80-character output name gives a grid name of 89 characters; the
  // buffer grows so the writer and MINC still see the whole name.
  const std::string filout(80, 'a');
  const std::string name = section_grid_name(suite::Answer(filout), 1250.0f);
  ASSERT_EQ(name.size(), 89u);
  const std::string buf = name_buffer(name);
  ASSERT_EQ(buf.size(), 90u);
  EXPECT_EQ(buf.back(), '\0');
  EXPECT_EQ(gridout::geoout_name(minc::kKelvaneEngine, buf.data(), static_cast<int32_t>(buf.size())), name);
  std::string data;
  ASSERT_TRUE(minc::data_name(buf.data(), static_cast<int32_t>(buf.size()), false, data));
  EXPECT_EQ(data, name);
}

struct RoundCase {
  float a, s, floor, ceil;
};

TEST(SectionGridRounding, FloorAndCeilToTheCellSize) {
  const RoundCase cases[] = {
      {2080, 20, 2080, 2080}, {2085, 20, 2080, 2100}, {-250, 100, -300, -200},
      {250, 100, 200, 300},   {420, 25, 400, 425},    {0, 7, 0, 0},
      {-0.5f, 1, -1, 0},
  };
  for (const RoundCase& c : cases) {
    EXPECT_EQ(grid_floor(c.a, c.s), c.floor) << c.a << " by " << c.s;
    EXPECT_EQ(grid_ceil(c.a, c.s), c.ceil) << c.a << " by " << c.s;
  }
}

TEST(SectionGridRounding, CountCoversTheEnd) {
  EXPECT_EQ(grid_count(2080, 2200, 20), 7);
  EXPECT_EQ(grid_count(0, 1000, 25), 41);
  EXPECT_EQ(grid_count(400, 500, 25), 5);
  EXPECT_EQ(grid_count(0, 0, 10), 1);
  // A cell size that does not divide the span adds the node beyond the end.
  EXPECT_EQ(grid_count(0, 95, 10), 11);
  // Far too small a cell saturates instead of overflowing.
  EXPECT_EQ(grid_count(0, 1.0e30f, 1.0f), 2147483647);
  // A zero cell size (a mesh of zero widths) gives no usable count, without overflow.
  EXPECT_EQ(grid_count(0, 10, 0), 2147483647);
  EXPECT_EQ(grid_count(0, 0, 0), -2147483647 - 1);
}

struct GeometryCase {
  const char* name;
  SectionOrder order;
  float c, r;
  SectionGrid expect;
};

class SectionGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(SectionGeometry, SpansTheMeshRange) {
  const GeometryCase& gc = GetParam();
  const suite::Mesh m = section_test::example_mesh();
  const SectionGrid g = section_geometry(gc.order, m, gc.c, gc.r);
  EXPECT_EQ(g.XO, gc.expect.XO);
  EXPECT_EQ(g.YO, gc.expect.YO);
  EXPECT_EQ(g.DELC, gc.c);
  EXPECT_EQ(g.DELR, gc.r);
  EXPECT_EQ(g.NCOL, gc.expect.NCOL);
  EXPECT_EQ(g.NROW, gc.expect.NROW);
}

// Example mesh range: x 1100..1300, y 2080..2200, z 420..500 (top ZOR 500).
INSTANTIATE_TEST_SUITE_P(
    Orders, SectionGeometry,
    ::testing::Values(
        GeometryCase{"XMinc", SectionOrder::kX, 20, 20, {2080, 420, 0, 0, 7, 5}},
        GeometryCase{"YMinc", SectionOrder::kY, 20, 20, {1100, 420, 0, 0, 11, 5}},
        GeometryCase{"ZMinc", SectionOrder::kZ, 20, 20, {1100, 2080, 0, 0, 11, 7}},
        GeometryCase{"XCoarse", SectionOrder::kX, 30, 30, {2070, 420, 0, 0, 6, 4}},
        GeometryCase{"XNearest", SectionOrder::kX, 40, 20, {2080, 420, 0, 0, 4, 5}},
        GeometryCase{"YNearest", SectionOrder::kY, 50, 20, {1100, 420, 0, 0, 5, 5}},
        GeometryCase{"ZNearest", SectionOrder::kZ, 50, 40, {1100, 2080, 0, 0, 5, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SectionOrderOf, FirstCharacterDecides) {
  EXPECT_EQ(section_order(suite::Answer("x")), SectionOrder::kX);
  EXPECT_EQ(section_order(suite::Answer("Xylo")), SectionOrder::kX);
  EXPECT_EQ(section_order(suite::Answer("Y")), SectionOrder::kY);
  EXPECT_EQ(section_order(suite::Answer("tx")), SectionOrder::kTraverse);
  EXPECT_EQ(section_order(suite::Answer("T")), SectionOrder::kTraverse);
  EXPECT_EQ(section_order(suite::Answer("z")), SectionOrder::kZ);
  EXPECT_EQ(section_order(suite::Answer("q")), SectionOrder::kZ);
  EXPECT_EQ(section_order(suite::Answer("")), SectionOrder::kZ);
}

}  // namespace
}  // namespace kelvane
