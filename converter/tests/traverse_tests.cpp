// Traverse sections: direction and start, bilinear sampling with its
// fallbacks, the walk (one column per cell, the northern, eastern and
// southern ends, stations that stop moving), the station file and the MINC
// call.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "converter/section_geometry.h"
#include "converter/tests/section_driver_support.h"
#include "converter/traverse.h"

namespace kelvane {
namespace {

using section_test::cell_value;
using section_test::DriverRun;
using section_test::free_line;

struct DirectionCase {
  const char* name;
  float azimuth, S, C;
};

class TraverseDirectionOf : public ::testing::TestWithParam<DirectionCase> {};

TEST_P(TraverseDirectionOf, EastComponentNeverNegative) {
  const DirectionCase& c = GetParam();
  const TraverseDirection d = traverse_direction(c.azimuth);
  EXPECT_NEAR(d.S, c.S, 1.0e-6f);
  EXPECT_NEAR(d.C, c.C, 1.0e-6f);
  EXPECT_GE(d.S, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Azimuths, TraverseDirectionOf,
    ::testing::Values(DirectionCase{"North", 0, 0, 1}, DirectionCase{"East", 90, 1, 0},
                      DirectionCase{"WestTurnsEast", 270, 1, 0},
                      DirectionCase{"NorthEast", 45, 0.70710678f, 0.70710678f},
                      DirectionCase{"SouthWestTurnsNorthEast", 225, 0.70710678f, 0.70710678f},
                      DirectionCase{"SouthEast", 135, 0.70710678f, -0.70710678f},
                      // With pi rounded to single precision both fall just
                      // east of due south.
                      DirectionCase{"South", 180, 0, -1}, DirectionCase{"FullCircle", 360, 0, -1}),
    [](const auto& info) { return std::string(info.param.name); });

struct StartCase {
  const char* name;
  float azimuth, xt, yt, x, y;
};

class TraverseStart : public ::testing::TestWithParam<StartCase> {};

TEST_P(TraverseStart, EntersTheMeshRange) {
  const StartCase& c = GetParam();
  const suite::Mesh m = section_test::example_mesh();
  const Station s = traverse_start(m, c.xt, c.yt, traverse_direction(c.azimuth));
  EXPECT_NEAR(s.x, c.x, 1.0e-3f);
  EXPECT_NEAR(s.y, c.y, 1.0e-3f);
}

// Centre lines of the example range: first column 1125, first row 2100,
// last row 2180.
INSTANTIATE_TEST_SUITE_P(
    Lines, TraverseStart,
    ::testing::Values(StartCase{"NorthOnFirstRow", 0, 1210, 2150, 1210, 2100},
                      StartCase{"SouthOnLastRow", 180, 1210, 2150, 1210, 2180},
                      StartCase{"EastOnFirstColumn", 90, 1210, 2150, 1125, 2150},
                      StartCase{"WestOnFirstColumn", 270, 1210, 2150, 1125, 2150},
                      StartCase{"DiagonalOnFirstColumn", 45, 1150, 2150, 1125, 2125},
                      StartCase{"DiagonalClippedToFirstRow", 45, 1150, 2110, 1140, 2100},
                      StartCase{"SouthEastClippedToLastRow", 135, 1200, 2120, 1140, 2180}),
    [](const auto& info) { return std::string(info.param.name); });

struct SampleCase {
  const char* name;
  float x, y;
  int32_t i, j;
  float expect;  // for layer 1
};

class TraverseSample : public ::testing::TestWithParam<SampleCase> {};

TEST_P(TraverseSample, BilinearBetweenCellCentres) {
  const SampleCase& c = GetParam();
  const suite::Mesh m = section_test::example_mesh();
  suite::Model sus = section_test::example_model(m);
  // Cells a wrong choice of neighbours would pick up.
  sus(4, 3, 1) = 5000.0f;
  sus(3, 4, 1) = 7000.0f;
  EXPECT_EQ(station_column(m, c.x), c.i);
  EXPECT_EQ(station_row(m, c.y), c.j);
  EXPECT_NEAR(traverse_sample(m, sus, false, c.i, c.j, 1, c.x, c.y), c.expect, 1.0e-3f);
}

// Cell (3, 3) has its centre at (1175, 2140) and is 50 x 40; values are
// 100 i + 10 j + 1 except the two above.
INSTANTIATE_TEST_SUITE_P(
    Stations, TraverseSample,
    ::testing::Values(SampleCase{"OnTheCentre", 1175, 2140, 3, 3, 331},
                      SampleCase{"WithinAHundredthOfTheCentre", 1175.4f, 2140.3f, 3, 3, 331},
                      // Lower left (2, 2), fx 0.8, fy 0.75.
                      SampleCase{"SouthWest", 1165, 2130, 3, 3, 0.25f * (0.2f * 221 + 0.8f * 321) +
                                                                    0.75f * (0.2f * 231 + 0.8f * 331)},
                      // West of the centre on its row: (2, 3) and (3, 3) only.
                      SampleCase{"WestOnTheCentreRow", 1165, 2140, 3, 3, 0.2f * 231 + 0.8f * 331},
                      // South of the centre on its column: (3, 2) and (3, 3) only.
                      SampleCase{"SouthOnTheCentreColumn", 1175, 2130, 3, 3, 0.25f * 321 + 0.75f * 331},
                      // Lower left (3, 2): fx 0.2, fy 0.75.
                      SampleCase{"SouthEast", 1185, 2130, 3, 3, 0.25f * (0.8f * 321 + 0.2f * 421) +
                                                                    0.75f * (0.8f * 331 + 0.2f * 5000)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TraverseSampleFallback, NullNeighbourGivesTheCellValue) {
  const suite::Mesh m = section_test::example_mesh();
  suite::Model sus = section_test::example_model(m);
  sus(4, 4, 2) = 0.0f;
  // 0.0 is null in a susceptibility model only.
  EXPECT_EQ(traverse_sample(m, sus, true, 3, 3, 2, 1187.5f, 2150), cell_value(3, 3, 2));
  EXPECT_NEAR(traverse_sample(m, sus, false, 3, 3, 2, 1187.5f, 2150),
              0.75f * (0.75f * 332 + 0.25f * 432) + 0.25f * (0.75f * 342 + 0.25f * 0), 1.0e-3f);
  sus(4, 4, 2) = -1.0e32f;
  EXPECT_EQ(traverse_sample(m, sus, false, 3, 3, 2, 1187.5f, 2150), cell_value(3, 3, 2));
}

TEST(TraverseSampleFallback, NeighboursBeyondTheMeshGiveTheCellValue) {
  const suite::Mesh m = section_test::example_mesh();
  const suite::Model sus = section_test::example_model(m);
  // Beyond the east edge of the mesh the station keeps the last column.
  EXPECT_EQ(station_column(m, 1450), 6);
  EXPECT_EQ(station_row(m, 2300), 5);
  EXPECT_EQ(traverse_sample(m, sus, false, 6, 3, 1, 1395, 2150), cell_value(6, 3, 1));
  EXPECT_EQ(traverse_sample(m, sus, false, 3, 5, 1, 1185, 2250), cell_value(3, 5, 1));
}

const std::string kHeader = std::string(kStationHeader) + "\r\n";

struct WalkCase {
  const char* name;
  float xt, yt, azimuth;
  const char* start_line;  // station file line 2
  const char* end_line;    // station file line 3
  std::vector<float> cell_distances;  // d of the first station in each new cell
  int32_t ncol;
};

class TraverseWalk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(TraverseWalk, StationFileDataPointsAndGrid) {
  const WalkCase& c = GetParam();
  DriverRun r;
  r.MSHORD.assign("t");
  r.GCELL = 10;
  r.run(c.xt, c.yt, c.azimuth);
  ASSERT_FALSE(r.stopped);
  EXPECT_EQ(r.dir.read("sect.crd"), kHeader + c.start_line + "\r\n" + c.end_line + "\r\n");

  // Each cell's column once, at the first station in the cell: 5 layers.
  std::map<float, int> per_distance;
  const std::vector<float> data = section_test::read_floats(r.dir.read("grddat.dat"));
  for (size_t n = 0; n + 2 < data.size(); n += 3) ++per_distance[data[n]];
  std::vector<float> distances;
  for (const auto& [d, count] : per_distance) {
    distances.push_back(d);
    EXPECT_EQ(count, 5) << "distance " << d;
  }
  EXPECT_EQ(distances, c.cell_distances);

  ASSERT_EQ(r.calls.size(), 1u);
  const minc::MincArgs& a = r.calls[0].args;
  EXPECT_EQ(r.calls[0].outfil, name_buffer("sect.grd"));
  EXPECT_EQ(a.xoi, 0.0f);
  EXPECT_EQ(a.yoi, 420.0f);
  EXPECT_EQ(a.delxi, 10.0f);
  EXPECT_EQ(a.delyi, 10.0f);
  EXPECT_EQ(a.nci, c.ncol);
  EXPECT_EQ(a.nri, 9);
  EXPECT_EQ(a.radiusi, 250.0f);
  EXPECT_EQ(a.iglog, 1);
  EXPECT_EQ(r.calls[0].data, data);
  EXPECT_NE(r.out().find(free_line({" generating grid for traverse"})), std::string::npos);
  EXPECT_TRUE(r.err().empty()) << r.err();
}

INSTANTIATE_TEST_SUITE_P(
    Directions, TraverseWalk,
    ::testing::Values(
        // Columns 2..5 of row 3 from x 1125 to 1295; the next station would
        // pass the east edge 1300. The grid runs one spacing beyond, to 180.
        WalkCase{"East", 1210, 2150, 90, "       0.0     500.0    1125.0    2150.0",
                 "     170.0     500.0    1295.0    2150.0", {0, 30, 80, 130}, 19},
        WalkCase{"WestWalksEast", 1210, 2150, 270, "       0.0     500.0    1125.0    2150.0",
                 "     170.0     500.0    1295.0    2150.0", {0, 30, 80, 130}, 19},
        // Rows 2..4 of column 4 from y 2100 up to the north edge 2200.
        WalkCase{"North", 1210, 2150, 0, "       0.0     500.0    1210.0    2100.0",
                 "     100.0     500.0    1210.0    2200.0", {0, 30, 70}, 12},
        // From the last row down to the south edge 2080: rows 4, 3 (from the
        // boundary 2160) and 2 (from 2120).
        WalkCase{"SouthEndsAtTheSouthernEdge", 1210, 2150, 180, "       0.0     500.0    1210.0    2180.0",
                 "     100.0     500.0    1210.0    2080.0", {0, 20, 60}, 12},
        // South-east from (1140, 2180): 14 steps of 7.07 east and south,
        // ending before the station would pass the southern edge; cells
        // (2, 4), (3, 4), (3, 3), (4, 2).
        WalkCase{"SouthEastEndsAtTheSouthernEdge", 1200, 2120, 135, "       0.0     500.0    1140.0    2180.0",
                 "     140.0     500.0    1239.0    2081.0", {0, 20, 30, 90}, 16}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TraverseWalkText, FiveColumnLinesAndConsole) {
  DriverRun r;
  r.MSHORD.assign("T");
  r.GCELL = 10;
  r.run(1210, 2150, 90);
  const std::string xyz = r.dir.read("grddat.xyz");
  // First station (1125, 2150) in cell (2, 3): fx = 0, fy = 0.25.
  const float first = 0.75f * 231 + 0.25f * 241;
  EXPECT_EQ(xyz.substr(0, xyz.find('\n') + 1), free_line({1125.0f, 2150.0f, 0.0f, 490.0f, first}));
  EXPECT_EQ(section_test::count_of(xyz, "\r\n"), 20);
  EXPECT_NE(r.out().find(free_line({" start location : ", 1125.0f, 2150.0f})), std::string::npos);
  EXPECT_EQ(r.st.XOUT, 1295.0f);
  EXPECT_EQ(r.st.trav_y, 2150.0f);
}

TEST(TraverseWalkText, TooFewPointsGiveNoGridButTheStationFile) {
  DriverRun r;
  r.MSHORD.assign("t");
  r.GCELL = 10;
  for (float& v : r.sus.values()) v = -1.0e32f;
  for (int32_t k = 1; k <= 5; ++k) r.sus(2, 3, k) = 1.0f;
  r.sus(3, 3, 1) = 1.0f;
  r.sus(4, 3, 1) = 1.0f;
  r.sus(5, 3, 1) = 1.0f;
  r.sus(3, 4, 3) = 1.0f;  // off the traverse
  r.run(1210, 2150, 90);
  EXPECT_TRUE(r.calls.empty());
  EXPECT_EQ(r.out().find(" generating grid"), std::string::npos);
  EXPECT_EQ(section_test::read_floats(r.dir.read("grddat.dat")).size(), 3u * 8u);
  EXPECT_EQ(r.dir.read("sect.crd"), kHeader + "       0.0     500.0    1125.0    2150.0\r\n" +
                                        "     170.0     500.0    1295.0    2150.0\r\n");
}

TEST(TraverseWalkText, StationsThatStopMovingEndTheRun) {
  DriverRun r;
  r.MSHORD.assign("t");
  r.GCELL = 1.0e-5f;  // far below the spacing of floats at 1150 and 2100
  r.run(1200, 2150, 45);
  EXPECT_TRUE(r.stopped);
  EXPECT_TRUE(r.calls.empty());
  const std::string out = r.out();
  EXPECT_EQ(out.substr(out.size() - free_line({kMsgStationStall, 1150.0f, 2100.0f}).size()),
            free_line({kMsgStationStall, 1150.0f, 2100.0f}));
}

TEST(TraverseWalkText, FailedMincIsReported) {
  DriverRun r;
  r.MSHORD.assign("t");
  r.GCELL = 10;
  r.minc_status = -1001;
  r.run(1210, 2150, 90);
  ASSERT_EQ(r.calls.size(), 1u);
  EXPECT_EQ(r.err(), " no grid for the traverse: MINC status -1001, no block layout fits\r\n");
}

}  // namespace
}  // namespace kelvane
