// The section driver with a stand-in for MINC: set-up lines and data
// limits, the data points of x, y and z sections in "grddat.dat" and
// "grddat.xyz", the MINC arguments, the position loop, nearest-neighbour
// sections, and the notes on replaced grids and failed sections.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "converter/section_geometry.h"
#include "converter/tests/section_driver_support.h"
#include "gridout/geoout.h"

namespace kelvane {
namespace {

using section_test::cell_value;
using section_test::DriverRun;
using section_test::free_line;

std::string setup_lines(float dmin, float dmax) {
  return "\r\n\r\n" + free_line({" reading Tessel model"}) + free_line({" model read"}) + "\r\n" +
         free_line({" determining data limits"}) + "\r\n" + free_line({" data min : ", dmin}) +
         free_line({" data max : ", dmax});
}

TEST(SectionDriverSetUp, LinesLimitsAndRadius) {
  DriverRun r;
  r.run(1160, 1160, 50);
  EXPECT_EQ(r.out(), setup_lines(111, 655) + free_line({" generating grid for ", 1160.0f}));
  EXPECT_EQ(r.st.data_min, 111.0f);
  EXPECT_EQ(r.st.data_max, 655.0f);
  // 5 x the largest of the core row width 40, the top layer 20 and the core column width 50.
  EXPECT_EQ(r.st.RADIUS, 250.0f);
  EXPECT_EQ(r.st.cell_col, 20.0f);
  EXPECT_EQ(r.st.cell_row, 20.0f);
  EXPECT_TRUE(r.err().empty());
}

struct SectionCase {
  const char* name;
  const char* order;
  float pos;
  const char* grid;
  SectionGrid geometry;
  // The cell of the section and the ranges of the outer and inner loops.
  int32_t fixed, outer_lo, outer_hi, inner_lo, inner_hi;
};

// The points the section should hold, in the order of its loops.
std::vector<float> expected_points(const SectionCase& c, const suite::Mesh& m) {
  std::vector<float> p;
  for (int32_t a = c.outer_lo; a <= c.outer_hi; ++a) {
    for (int32_t b = c.inner_lo; b <= c.inner_hi; ++b) {
      switch (c.order[0] | 0x20) {  // lower case
        case 'x': p.insert(p.end(), {m.YMIDPT(a), m.ZMIDPT(b), cell_value(c.fixed, a, b)}); break;
        case 'y': p.insert(p.end(), {m.XMIDPT(a), m.ZMIDPT(b), cell_value(a, c.fixed, b)}); break;
        default: p.insert(p.end(), {m.XMIDPT(a), m.YMIDPT(b), cell_value(a, b, c.fixed)}); break;
      }
    }
  }
  return p;
}

class SectionDriverMinc : public ::testing::TestWithParam<SectionCase> {};

TEST_P(SectionDriverMinc, DataFilesAndMincArguments) {
  const SectionCase& c = GetParam();
  DriverRun r;
  r.MSHORD.assign(c.order);
  r.run(c.pos, c.pos, 20);
  ASSERT_EQ(r.calls.size(), 1u);
  const section_test::MincCallRecord& call = r.calls[0];
  EXPECT_EQ(call.outfil, name_buffer(c.grid));
  EXPECT_EQ(call.datfil, std::string("grddat.dat") + '\0' + std::string(69, ' '));
  const minc::MincArgs& a = call.args;
  EXPECT_EQ(a.xoi, c.geometry.XO);
  EXPECT_EQ(a.yoi, c.geometry.YO);
  EXPECT_EQ(a.delxi, 20.0f);
  EXPECT_EQ(a.delyi, 20.0f);
  EXPECT_EQ(a.nci, c.geometry.NCOL);
  EXPECT_EQ(a.nri, c.geometry.NROW);
  EXPECT_EQ(a.radiusi, 250.0f);
  EXPECT_EQ(a.izchani, 1);
  EXPECT_EQ(a.dvali, -99999.0f);
  EXPECT_EQ(a.maxchn, 1);
  EXPECT_EQ(a.iglog, 1);
  EXPECT_EQ(a.nohead, 1);
  EXPECT_EQ(a.grdrot, 0.0f);

  const std::vector<float> points = expected_points(c, r.mesh);
  EXPECT_EQ(call.data, points);
  std::string xyz;
  for (size_t n = 0; n + 2 < points.size(); n += 3) {
    suite::format_free_line(xyz, {points[n], points[n + 1], points[n + 2]});
  }
  EXPECT_EQ(r.dir.read("grddat.xyz"), xyz);
  EXPECT_EQ(r.st.IERM, 0);
  EXPECT_EQ(r.st.grids, std::vector<std::string>{c.grid});
}

// The loops run one cell beyond the mesh range on the high side: columns
// 2..6, rows 2..5, layers 1..5 of the 6 x 5 x 5 example.
INSTANTIATE_TEST_SUITE_P(
    Orders, SectionDriverMinc,
    ::testing::Values(
        SectionCase{"XSection", "x", 1160, "sect_1160.grd", {2080, 420, 20, 20, 7, 5}, 3, 2, 5, 1, 5},
        // On the boundary of rows 2 and 3: the southern row.
        SectionCase{"YSectionOnRowBoundary", "Y", 2120, "sect_2120.grd", {1100, 420, 20, 20, 11, 5}, 2, 2, 6, 1, 5},
        // On the boundary of layers 1 and 2: the upper layer.
        SectionCase{"ZSectionOnLayerBoundary", "z", 480, "sect_480.grd", {1100, 2080, 20, 20, 11, 7}, 1, 2, 6, 2, 5},
        SectionCase{"ZSectionAtTheBottom", "q", 420, "sect_420.grd", {1100, 2080, 20, 20, 11, 7}, 4, 2, 6, 2, 5},
        // A low-end position takes the first cell of the range.
        SectionCase{"XSectionAtLowEnd", "X", 1100, "sect_1100.grd", {2080, 420, 20, 20, 7, 5}, 2, 2, 5, 1, 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SectionDriverLoop, PositionsOutsideTheRangeAreSkippedSilently) {
  DriverRun r;
  r.run(1050, 1350, 50);
  std::vector<std::string> names;
  for (const auto& c : r.calls) names.push_back(std::string(trim_right(c.outfil)));
  EXPECT_EQ(names, (std::vector<std::string>{"sect_1100.grd", "sect_1150.grd", "sect_1200.grd",
                                             "sect_1250.grd", "sect_1300.grd"}));
  EXPECT_EQ(section_test::count_of(r.out(), " generating grid for "), 5);
  EXPECT_TRUE(r.err().empty());
}

TEST(SectionDriverLoop, PositionThatStopsAdvancingEndsTheRun) {
  DriverRun r;
  r.run(1100, 1300, 1.0e-5f);
  EXPECT_TRUE(r.stopped);
  EXPECT_TRUE(r.calls.empty());
  EXPECT_EQ(r.out(), setup_lines(111, 655) + free_line({kMsgSectionStall, 1100.0f}));
}

TEST(SectionDriverData, SusceptibilityScaledByAMillion) {
  DriverRun r;
  r.SUSF.assign("model.sus");
  r.ISMAG = true;
  for (float& v : r.sus.values()) v = 0.0f;
  r.sus(3, 3, 3) = 0.0002f;
  r.run(1160, 1160, 50);
  EXPECT_EQ(r.st.data_max, 0.0002f * 1.0e6f);
  EXPECT_EQ(r.st.data_min, 0.0002f * 1.0e6f);
  EXPECT_NE(r.out().find(free_line({" data max : ", 200.0f})), std::string::npos) << r.out();
  // One point is too few for a grid; no message.
  EXPECT_TRUE(r.calls.empty());
  EXPECT_EQ(r.out().find(" generating grid"), std::string::npos);
  EXPECT_EQ(section_test::read_floats(r.dir.read("grddat.dat")),
            (std::vector<float>{r.mesh.YMIDPT(3), r.mesh.ZMIDPT(3), 0.0002f * 1.0e6f}));
}

TEST(SectionDriverData, SusceptibilityGriddedInLogarithm) {
  DriverRun r;
  r.SUSF.assign("model_MAG.txt");
  r.ISMAG = true;
  for (float& v : r.sus.values()) v = v * 1.0e-6f;
  r.sus(3, 2, 1) = -0.5f;  // not data in a susceptibility model
  r.run(1160, 1160, 50);
  ASSERT_EQ(r.calls.size(), 1u);
  EXPECT_EQ(r.calls[0].args.iglog, 2);
  const std::vector<float>& d = r.calls[0].data;
  ASSERT_EQ(d.size(), 3u * 19u);
  EXPECT_EQ(d[2], (cell_value(3, 2, 2) * 1.0e-6f) * 1.0e6f);
}

TEST(SectionDriverData, NullTestOfOtherModels) {
  DriverRun r;
  for (float& v : r.sus.values()) v = -1.0e30f;
  r.sus(2, 2, 2) = -9.9e29f;  // data in a model that is not a susceptibility model
  r.run(1160, 1160, 50);
  EXPECT_FALSE(r.stopped);
  EXPECT_EQ(r.st.data_min, -9.9e29f);
  EXPECT_EQ(r.st.data_max, -9.9e29f);
}

TEST(SectionDriverData, NoDataInTheModelStops) {
  DriverRun r;
  for (float& v : r.sus.values()) v = -1.0e32f;
  r.run(1160, 1160, 50);
  EXPECT_TRUE(r.stopped);
  EXPECT_TRUE(r.calls.empty());
  const std::string expect = "\r\n\r\n" + free_line({" reading Tessel model"}) + free_line({" model read"}) +
                             "\r\n" + free_line({" determining data limits"}) + "\r\n" +
                             free_line({kMsgNoData});
  EXPECT_EQ(r.out(), expect);
  EXPECT_FALSE(r.dir.exists("grddat.dat"));
}

TEST(SectionDriverData, AllNullSectionGivesNoMinimumCurvatureGrid) {
  DriverRun r;
  for (int32_t j = 1; j <= r.mesh.MY; ++j)
    for (int32_t k = 1; k <= r.mesh.MZ; ++k) r.sus(3, j, k) = -1.0e32f;
  r.run(1160, 1210, 50);
  ASSERT_EQ(r.calls.size(), 1u);  // the section at 1210 only
  EXPECT_EQ(std::string(trim_right(r.calls[0].outfil)), "sect_1210.grd");
  EXPECT_EQ(section_test::count_of(r.out(), " generating grid for "), 1);
  EXPECT_TRUE(r.err().empty());
}

TEST(SectionDriverData, DataFileThatCannotBeCreatedIsARunFailure) {
  DriverRun r;
  std::filesystem::create_directory(r.dir.file("grddat.dat"));
  try {
    r.run(1160, 1160, 50);
    FAIL() << "no run-time failure";
  } catch (const suite::RunFailure& f) {
    EXPECT_EQ(f.file(), "grddat.dat");
    EXPECT_EQ(f.condition(), suite::kCannotCreate);
  }
  EXPECT_TRUE(r.calls.empty());
}

TEST(SectionDriverData, OtherGriddingStylesExtractAfresh) {
  DriverRun r;
  r.ISTYLE = 2;
  r.run(1160, 1160, 50);
  ASSERT_EQ(r.calls.size(), 1u);
  EXPECT_EQ(r.calls[0].data.size(), 3u * 20u);
  EXPECT_EQ(r.calls[0].args.delxi, 20.0f);
}

struct NearestCase {
  const char* name;
  const char* order;
  float pos;
  const char* grid;
  SectionGrid geometry;  // core cell sizes of the section's axes
  float first_node;      // value of node (1, 1)
};

class SectionDriverNearest : public ::testing::TestWithParam<NearestCase> {};

TEST_P(SectionDriverNearest, GridFileFromTheModelWithoutDataFiles) {
  const NearestCase& c = GetParam();
  DriverRun r;
  r.MSHORD.assign(c.order);
  r.ISTYLE = 1;
  r.run(c.pos, c.pos, 20);
  EXPECT_TRUE(r.calls.empty());
  EXPECT_FALSE(r.dir.exists("grddat.dat"));
  EXPECT_FALSE(r.dir.exists("grddat.xyz"));
  EXPECT_EQ(r.st.cell_col, c.geometry.DELC);
  EXPECT_EQ(r.st.cell_row, c.geometry.DELR);
  const std::string bytes = r.dir.read(c.grid);
  const auto nodes = static_cast<size_t>(c.geometry.NCOL * c.geometry.NROW);
  ASSERT_EQ(bytes.size(), 512u + 4u * nodes);
  int32_t nc = 0, nr = 0;
  double delx = 0, dely = 0, xo = 0, yo = 0;
  std::memcpy(&nc, bytes.data() + 8, 4);
  std::memcpy(&nr, bytes.data() + 12, 4);
  std::memcpy(&delx, bytes.data() + 20, 8);
  std::memcpy(&dely, bytes.data() + 28, 8);
  std::memcpy(&xo, bytes.data() + 36, 8);
  std::memcpy(&yo, bytes.data() + 44, 8);
  EXPECT_EQ(nc, c.geometry.NCOL);
  EXPECT_EQ(nr, c.geometry.NROW);
  EXPECT_EQ(delx, c.geometry.DELC);
  EXPECT_EQ(dely, c.geometry.DELR);
  EXPECT_EQ(xo, c.geometry.XO);
  EXPECT_EQ(yo, c.geometry.YO);
  const std::vector<float> values = section_test::read_floats(bytes.substr(512));
  EXPECT_EQ(values[0], c.first_node);
  EXPECT_NE(r.out().find(free_line({" generating grid for ", c.pos})), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, SectionDriverNearest,
    ::testing::Values(
        // Node (1, 1): northing 2100, elevation 430 -> cell (3, 2, 4).
        NearestCase{"X", "x", 1160, "sect_1160.grd", {2080, 420, 40, 20, 4, 5}, cell_value(3, 2, 4)},
        // Row 3; node (1, 1): easting 1100 (western column 1), elevation 420 (upper layer 4).
        NearestCase{"Y", "y", 2150, "sect_2150.grd", {1100, 420, 50, 20, 5, 5}, cell_value(1, 3, 4)},
        // Node (1, 1): easting 1100, northing 2080 -> cell (1, 1) of layer 2.
        NearestCase{"Z", "z", 470, "sect_470.grd", {1100, 2080, 50, 40, 5, 4}, cell_value(1, 1, 2)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SectionDriverNearestNull, AllNullSectionGivesAllNullGrid) {
  DriverRun r;
  r.ISTYLE = 1;
  for (int32_t j = 1; j <= r.mesh.MY; ++j)
    for (int32_t k = 1; k <= r.mesh.MZ; ++k) r.sus(3, j, k) = -1.0e32f;
  r.run(1160, 1160, 50);
  const std::string bytes = r.dir.read("sect_1160.grd");
  ASSERT_EQ(bytes.size(), 512u + 4u * 20u);
  for (const float v : section_test::read_floats(bytes.substr(512))) EXPECT_EQ(v, gridout::kNull);
}

TEST(SectionDriverNearestNull, UnusableGridSizeIsReportedNotAllocated) {
  DriverRun r;
  // Core columns of zero width give a zero column cell size for a y section.
  r.mesh = section_test::make_mesh(1000, 2000, 500, {100, 0, 0, 0, 100}, section_test::kYWidths,
                                   section_test::kZWidths);
  r.sus = section_test::example_model(r.mesh);
  r.MSHORD.assign("y");
  r.ISTYLE = 1;
  r.run(2150, 2150, 50);
  EXPECT_FALSE(r.dir.exists("sect_2150.grd"));
  EXPECT_EQ(r.err().rfind(" no grid for the section at 2150.000: ", 0), 0u) << r.err();
  EXPECT_NE(r.err().find("nodes is not a usable grid size\r\n"), std::string::npos) << r.err();
}

TEST(SectionDriverNotes, LaterGridOfTheSameNameIsReported) {
  DriverRun r;
  r.run(1160, 1160.5f, 0.5f);
  ASSERT_EQ(r.calls.size(), 2u);
  EXPECT_EQ(r.calls[0].outfil, r.calls[1].outfil);
  EXPECT_EQ(r.err(), " grid file sect_1160.grd of an earlier section replaced by the section at 1160.500\r\n");
}

TEST(SectionDriverNotes, NearestNeighbourReplacementIsReportedToo) {
  DriverRun r;
  r.ISTYLE = 1;
  r.run(1160, 1160.5f, 0.5f);
  EXPECT_EQ(r.err(), " grid file sect_1160.grd of an earlier section replaced by the section at 1160.500\r\n");
}

TEST(SectionDriverNotes, FailedSectionIsReportedAndTheRunGoesOn) {
  DriverRun ok;
  ok.run(1160, 1210, 50);
  DriverRun failing;
  failing.minc_status = -1002;
  failing.run(1160, 1210, 50);
  EXPECT_EQ(failing.calls.size(), 2u);
  EXPECT_EQ(failing.out(), ok.out());
  EXPECT_EQ(failing.err(),
            " no grid for the section at 1160.000: MINC status -1002, no data point inside the grid\r\n"
            " no grid for the section at 1210.000: MINC status -1002, no data point inside the grid\r\n");
  EXPECT_EQ(failing.st.IERM, -1002);
  EXPECT_TRUE(failing.st.grids.empty());
}

}  // namespace
}  // namespace kelvane
