// Mesh and model files: skip counts, both ways of loading, boundaries,
// centres, ranges, the model file order and its nulls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/mesh.h"
#include "common/tests/test_support.h"

namespace {

using common_testing::CapturedConsole;
using common_testing::TempDir;
using common_testing::write_file;

struct SkipCase {
  const char* name;
  std::vector<float> widths;
  int32_t first;  // first index with w(i) <= w(i+1), or the bound
  int32_t skip;   // the converter's skip count
};

class SkipFromWest : public testing::TestWithParam<SkipCase> {};

TEST_P(SkipFromWest, CountsLeadingWiderColumns) {
  const SkipCase& c = GetParam();
  EXPECT_EQ(suite::first_non_decreasing(c.widths), c.first);
  EXPECT_EQ(suite::skip_count(c.widths), c.skip);
}

INSTANTIATE_TEST_SUITE_P(
    Widths, SkipFromWest,
    testing::Values(SkipCase{"widening_outer_columns", {40, 20, 10, 5, 5, 5, 10, 20, 40}, 4, 3},
                    SkipCase{"uniform", {5, 5, 5, 5}, 1, 1},
                    SkipCase{"one_wider_outer_column", {40, 5, 5, 40}, 2, 1},
                    SkipCase{"first_narrower", {5, 10, 10, 5}, 1, 1},
                    SkipCase{"two_columns", {40, 20}, 2, 1},
                    // Deliberate bound: decreasing to the last column stops at it.
                    SkipCase{"decreasing_to_the_end", {50, 40, 30, 20, 10}, 5, 4}),
    [](const testing::TestParamInfo<SkipCase>& info) { return std::string(info.param.name); });

class SkipFromBottom : public testing::TestWithParam<SkipCase> {};

TEST_P(SkipFromBottom, CountsThickeningBottomLayers) {
  const SkipCase& c = GetParam();
  EXPECT_EQ(suite::first_non_increasing_from_bottom(c.widths), c.first);
  EXPECT_EQ(suite::skip_count_bottom(c.widths), c.skip);
}

INSTANTIATE_TEST_SUITE_P(
    Thicknesses, SkipFromBottom,
    testing::Values(SkipCase{"three_thickening_layers", {5, 5, 5, 5, 10, 20, 40}, 3, 2},
                    SkipCase{"one_thick_bottom_layer", {5, 5, 5, 40}, 1, 1},
                    SkipCase{"uniform", {5, 5, 5}, 1, 1},
                    // the last layer is never compared
                    SkipCase{"only_last_differs", {5, 5, 5, 5, 1}, 1, 1},
                    // Deliberate bound: thickening up to the first layer stops there.
                    SkipCase{"increasing_from_the_top", {1, 2, 3, 4, 5}, 4, 3},
                    SkipCase{"three_layers", {1, 2, 3}, 2, 1}),
    [](const testing::TestParamInfo<SkipCase>& info) { return std::string(info.param.name); });

// A mesh of 6 columns (two widening on each side), 4 uniform rows and 5
// layers with two thickening at the bottom.
constexpr const char* kMesh =
    "6 4 5   counts\r\n"
    "1000.0 2000.0 300.0\r\n"
    "100.0 50.0\r\n"
    "2*25.0, 50.0 100.0\r\n"
    "4*10.0\r\n"
    "3*20.0\r\n"
    "40.0 80.0\r\n";

TEST(LoadMesh, ConverterWayFillsEveryField) {
  TempDir dir;
  write_file("m.msh", kMesh);
  CapturedConsole cc;
  suite::Mesh mesh;
  suite::Model model;
  suite::load_mesh_converter(cc.con, suite::Answer("m.msh"), mesh, model);
  EXPECT_EQ(mesh.MX, 6);
  EXPECT_EQ(mesh.MY, 4);
  EXPECT_EQ(mesh.MZ, 5);
  EXPECT_EQ(mesh.XOR, 1000.0f);
  EXPECT_EQ(mesh.XNODE(1), 1000.0f);
  EXPECT_EQ(mesh.XNODE(3), 1150.0f);
  EXPECT_EQ(mesh.XNODE(7), 1350.0f);
  EXPECT_EQ(mesh.YNODE(5), 2040.0f);
  EXPECT_EQ(mesh.ZNODE(1), 300.0f);
  EXPECT_EQ(mesh.ZNODE(6), 120.0f);
  EXPECT_EQ(mesh.XMIDPT(1), 1050.0f);
  EXPECT_EQ(mesh.YMIDPT(2), 2015.0f);
  EXPECT_EQ(mesh.ZMIDPT(5), 160.0f);
  EXPECT_EQ(mesh.IXSKIP, 2);
  EXPECT_EQ(mesh.IYSKIP, 1);
  EXPECT_EQ(mesh.IZSKIP, 1);
  EXPECT_EQ(mesh.x_range().low, 1150.0f);
  EXPECT_EQ(mesh.x_range().high, 1200.0f);
  EXPECT_EQ(mesh.y_range().low, 2010.0f);
  EXPECT_EQ(mesh.y_range().high, 2030.0f);
  EXPECT_EQ(mesh.z_range().low, 200.0f);
  EXPECT_EQ(mesh.z_range().high, 300.0f);
  EXPECT_EQ(mesh.x_core(), 25.0f);
  EXPECT_EQ(mesh.y_core(), 10.0f);
  EXPECT_EQ(mesh.z_core(), 20.0f);
  EXPECT_EQ(model.values().size(), 120u);
  EXPECT_TRUE(cc.out.str().empty());
}

TEST(LoadMesh, OnePassGivesTheSameGeometry) {
  TempDir dir;
  write_file("m.msh", kMesh);
  CapturedConsole cc;
  suite::Mesh a, b;
  suite::Model ma, mb;
  suite::load_mesh_converter(cc.con, suite::Answer("m.msh"), a, ma);
  suite::load_mesh_one_pass(cc.con, suite::Answer("  m.msh  "), b, mb);
  for (int32_t i = 1; i <= 7; ++i) EXPECT_EQ(a.XNODE(i), b.XNODE(i));
  for (int32_t k = 1; k <= 6; ++k) EXPECT_EQ(a.ZNODE(k), b.ZNODE(k));
  for (int32_t k = 1; k <= 5; ++k) EXPECT_EQ(a.ZMIDPT(k), b.ZMIDPT(k));
  EXPECT_EQ(mb.values().size(), 120u);
}

TEST(LoadMesh, BoundariesAreSinglePrecisionRunningSums) {
  TempDir dir;
  // 2^24 + 1 is not a float: each sum rounds back to 2^24, so the running
  // sum never moves, while a sum held in double would reach 2^24 + 4.
  write_file("m.msh", "4 2 3\n16777216.0 0.0 0.0\n4*1.0\n2*1.0\n3*1.0\n");
  CapturedConsole cc;
  suite::Mesh mesh;
  suite::Model model;
  suite::load_mesh_converter(cc.con, suite::Answer("m.msh"), mesh, model);
  EXPECT_EQ(mesh.XNODE(5), 16777216.0f);
  EXPECT_EQ(mesh.ZNODE(4), -3.0f);
}

TEST(LoadMesh, WidthsWrittenWithRepeatCount) {
  TempDir dir;
  write_file("m.msh", "12 2 3\n0 0 0\n12*50.0\n2*1\n3*1\n");
  CapturedConsole cc;
  suite::Mesh mesh;
  suite::Model model;
  suite::load_mesh_converter(cc.con, suite::Answer("m.msh"), mesh, model);
  for (int32_t i = 1; i <= 12; ++i) EXPECT_EQ(mesh.XMESH(i), 50.0f);
  EXPECT_EQ(mesh.IXSKIP, 1);
  EXPECT_EQ(mesh.x_range().low, mesh.XNODE(2));
  EXPECT_EQ(mesh.x_range().high, mesh.XNODE(12));
}

// Meshes the loaders refuse: a stop with a message (exit status 0) or a
// run-time failure naming the file.
struct BadMesh {
  const char* name;
  const char* text;
  bool one_pass;
  const char* stop_message;  // nullptr: a run-time failure
  const char* condition;
};

class RefusedMesh : public testing::TestWithParam<BadMesh> {};

TEST_P(RefusedMesh, StopsCleanly) {
  const BadMesh& c = GetParam();
  TempDir dir;
  write_file("bad.msh", c.text);
  CapturedConsole cc;
  suite::Mesh mesh;
  suite::Model model;
  const int status = suite::run_program(cc.con, [&] {
    if (c.one_pass)
      suite::load_mesh_one_pass(cc.con, suite::Answer("bad.msh"), mesh, model, suite::kConverterMinimum);
    else
      suite::load_mesh_converter(cc.con, suite::Answer("bad.msh"), mesh, model);
  });
  if (c.stop_message != nullptr) {
    EXPECT_EQ(status, 0);
    EXPECT_EQ(cc.err.str(), std::string(c.stop_message) + "\r\n");
  } else {
    EXPECT_EQ(status, suite::kFailureStatus);
    const std::string err = cc.err.str();
    EXPECT_NE(err.find(c.condition), std::string::npos) << err;
    EXPECT_NE(err.find("bad.msh"), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line";
  }
  EXPECT_TRUE(cc.out.str().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedMesh,
    testing::Values(
        BadMesh{"zero_count", "0 4 5\n", false, suite::kMsgMeshCounts, nullptr},
        BadMesh{"negative_count", "3 -4 5\n", true, suite::kMsgMeshCounts, nullptr},
        BadMesh{"one_column", "1 4 5\n0 0 0\n1\n4*1\n5*1\n", false, suite::kMsgMeshTooSmall, nullptr},
        BadMesh{"two_layers", "3 3 2\n0 0 0\n3*1\n3*1\n2*1\n", true, suite::kMsgMeshTooSmall, nullptr},
        BadMesh{"item5_ends_early", "2 2 4\n0 0 0\n2*1\n2*1\n1 1\n", false, suite::kMsgMeshShortItem5, nullptr},
        BadMesh{"item5_bad_value", "2 2 4\n0 0 0\n2*1\n2*1\n1 1 x 1\n", false, suite::kMsgMeshShortItem5, nullptr},
        BadMesh{"item5_short_one_pass", "2 2 4\n0 0 0\n2*1\n2*1\n1 1\n", true, nullptr, suite::kEndOfFile},
        BadMesh{"item3_ends_early", "3 2 3\n0 0 0\n1 1\n", false, nullptr, suite::kEndOfFile},
        BadMesh{"item4_bad_value", "2 2 3\n0 0 0\n2*1\n1 y\n3*1\n", false, nullptr, suite::kBadNumber},
        BadMesh{"count_not_integer", "2.0 2 3\n", false, nullptr, suite::kBadNumber},
        BadMesh{"empty_file", "", true, nullptr, suite::kEndOfFile},
        BadMesh{"too_many_cells", "100000 100000 100000\n", false, nullptr, suite::kNoMemory}),
    [](const testing::TestParamInfo<BadMesh>& info) { return std::string(info.param.name); });

TEST(LoadMesh, OnePassTakesAnyPositiveCountsWhenAsked) {
  TempDir dir;
  write_file("m.msh", "1 1 1\n5 6 7\n10\n20\n30\n");
  CapturedConsole cc;
  suite::Mesh mesh;
  suite::Model model;
  suite::load_mesh_one_pass(cc.con, suite::Answer("m.msh"), mesh, model);
  EXPECT_EQ(mesh.XNODE(2), 15.0f);
  EXPECT_EQ(mesh.YNODE(2), 26.0f);
  EXPECT_EQ(mesh.ZNODE(2), -23.0f);
}

TEST(Centres, AccumulatedCentresOfTheEarlierBuild) {
  TempDir dir;
  write_file("m.msh", kMesh);
  CapturedConsole cc;
  suite::Mesh mesh;
  suite::Model model;
  suite::load_mesh_one_pass(cc.con, suite::Answer("m.msh"), mesh, model);
  suite::compute_accumulated_centres(mesh);
  EXPECT_EQ(mesh.XMIDPT(1), 1050.0f);
  EXPECT_EQ(mesh.XMIDPT(2), 1125.0f);
  EXPECT_EQ(mesh.XMIDPT(6), 1300.0f);
  EXPECT_EQ(mesh.ZMIDPT(1), 290.0f);
  EXPECT_EQ(mesh.ZMIDPT(5), 160.0f);
}

class ModelFile : public testing::Test {
 protected:
  void SetUp() override {
    write_file("m.msh", "2 2 3\n0 0 0\n2*10\n2*10\n3*10\n");
    suite::load_mesh_converter(cc.con, suite::Answer("m.msh"), mesh, model);
  }
  TempDir dir;
  CapturedConsole cc;
  suite::Mesh mesh;
  suite::Model model;
};

TEST_F(ModelFile, FileOrderIsLayerThenColumnThenRow) {
  write_file("model.den", "1 2 3 4 5 6 7 8 9 10 11 12\n");
  suite::load_model_converter(cc.con, suite::Answer("model.den"), model);
  float n = 1.0f;
  for (int32_t j = 1; j <= 2; ++j)
    for (int32_t i = 1; i <= 2; ++i)
      for (int32_t k = 1; k <= 3; ++k) EXPECT_EQ(model(i, j, k), n++) << i << j << k;
  EXPECT_EQ(cc.out.str(), "  reading Tessel model\r\n  model read\r\n");
}

TEST_F(ModelFile, ShortFileLeavesNullsAtTheEndOfTheFileOrder) {
  write_file("model.den", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n");
  suite::load_model_converter(cc.con, suite::Answer("model.den"), model);
  EXPECT_EQ(model(1, 2, 2), 8.0f);
  EXPECT_EQ(model(2, 2, 1), 10.0f);
  EXPECT_EQ(model(2, 2, 2), suite::kModelNull);
  EXPECT_EQ(model(2, 2, 3), suite::kModelNull);
}

TEST_F(ModelFile, UnreadableValueEndsTheReadQuietly) {
  write_file("model.den", "1 2 3 4 x 6 7 8 9 10 11 12\n");
  suite::load_model_converter(cc.con, suite::Answer("model.den"), model);
  EXPECT_EQ(model(2, 1, 1), 4.0f);
  EXPECT_EQ(model(2, 1, 2), suite::kModelNull);
  EXPECT_EQ(model(2, 2, 3), suite::kModelNull);
}

TEST_F(ModelFile, SurplusValuesAreIgnored) {
  write_file("model.den", "12*1.5 99 98\n");
  suite::load_model_converter(cc.con, suite::Answer("model.den"), model);
  for (float v : model.values()) EXPECT_EQ(v, 1.5f);
}

TEST_F(ModelFile, StrictReadFailsOnAShortFile) {
  write_file("model.den", "1 2 3\n");
  model.fill(0.0f);
  try {
    suite::load_model_strict(suite::Answer("model.den"), model);
    ADD_FAILURE() << "no failure";
  } catch (const suite::RunFailure& f) {
    EXPECT_EQ(f.condition(), suite::kEndOfFile);
    EXPECT_EQ(f.file(), "model.den");
  }
  EXPECT_EQ(model(1, 1, 3), 3.0f);
  EXPECT_TRUE(cc.out.str().empty());
}

TEST_F(ModelFile, MissingFileIsARunTimeFailure) {
  try {
    suite::load_model_strict(suite::Answer("nothere.den"), model);
    ADD_FAILURE() << "no failure";
  } catch (const suite::RunFailure& f) {
    EXPECT_EQ(f.condition(), suite::kFileNotFound);
    EXPECT_EQ(f.file(), "nothere.den");
  }
}

TEST(MeshSummary, ConverterLines) {
  TempDir dir;
  write_file("m.msh", kMesh);
  CapturedConsole cc;
  suite::Mesh mesh;
  suite::Model model;
  suite::load_mesh_converter(cc.con, suite::Answer("m.msh"), mesh, model);
  suite::print_mesh_summary(cc.con, mesh);
  EXPECT_EQ(cc.out.str(),
            "  limits of mesh\r\n"
            "  x mesh range :    1150.000       1200.000    \r\n"
            "  y mesh range :    2010.000       2030.000    \r\n"
            "  z mesh range :    300.0000       200.0000    \r\n"
            "\r\n"
            "  x cell size :    25.00000    \r\n"
            "  y cell size :    10.00000    \r\n"
            "  z cell size :    20.00000    \r\n"
            "\r\n"
            "  x cell count :            6\r\n"
            "  y cell count :            4\r\n"
            "  z cell count :            5\r\n"
            "\r\n");
}

TEST(SectionIncrement, UsesTheMagnitude) {
  EXPECT_EQ(suite::section_increment(-250.0f), 250.0f);
  EXPECT_EQ(suite::section_increment(0.5f), 0.5f);
}

}  // namespace
