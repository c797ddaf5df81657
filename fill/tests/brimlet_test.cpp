// brimlet: the box search, the fill rules, the model writer, the dialogue and
// the program run end to end on small fixtures.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/mesh.h"
#include "fill/brimlet.h"
#include "tests/support/mesh_fixture.h"
#include "tests/support/program_run.h"

namespace {

using suite_test::crlf_lines;
using suite_test::file_exists;
using suite_test::read_file;
using suite_test::write_file;

// ---------------------------------------------------------------------------
// Fixtures

// Mesh file text: counts, origin, then the three width items.
std::string mesh_text(int mx, int my, int mz, const std::string& origin, const std::string& xw,
                      const std::string& yw, const std::string& zw) {
  return std::to_string(mx) + " " + std::to_string(my) + " " + std::to_string(mz) + "\n" + origin + "\n" + xw +
         "\n" + yw + "\n" + zw + "\n";
}

// Model file text: one value per line.
std::string model_text(const std::vector<float>& v) {
  std::ostringstream s;
  for (float x : v) s << x << "\n";
  return s.str();
}

using suite_test::make_mesh;

// Values of a written model file, checking the 14-character CR LF layout.
std::vector<float> read_written_model(const std::string& path) {
  const std::string text = read_file(path);
  std::vector<float> v;
  for (const std::string& line : crlf_lines(text)) {
    EXPECT_EQ(line.size(), 14u) << "line '" << line << "'";
    v.push_back(std::stof(line));
  }
  EXPECT_TRUE(text.size() >= 2 && text.substr(text.size() - 2) == "\r\n");
  return v;
}

size_t count_of(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
  return n;
}

// ---------------------------------------------------------------------------
// Box search

struct SearchCase {
  const char* name;
  suite::Mesh mesh;
  brimlet::Box box;
  brimlet::FillRange expect;
};

void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.name; }

class BoxSearch : public ::testing::TestWithParam<SearchCase> {};

TEST_P(BoxSearch, FindsCellsReachingOneUnitIntoTheBox) {
  const SearchCase& c = GetParam();
  const brimlet::FillRange r = brimlet::box_search(c.mesh, c.box);
  EXPECT_EQ(r.I1, c.expect.I1);
  EXPECT_EQ(r.I2, c.expect.I2);
  EXPECT_EQ(r.J1, c.expect.J1);
  EXPECT_EQ(r.J2, c.expect.J2);
  EXPECT_EQ(r.K1, c.expect.K1);
  EXPECT_EQ(r.K2, c.expect.K2);
}

// x columns 99.5-100.5-101.5-103.5, y rows 0-5-10, z layers 10-5-0.
suite::Mesh half_unit_mesh() { return make_mesh(99.5f, {1.0f, 1.0f, 2.0f}, 0.0f, {5.0f, 5.0f}, 10.0f, {5.0f, 5.0f}); }

INSTANTIATE_TEST_SUITE_P(
    Cases, BoxSearch,
    ::testing::Values(
        // 99.5-100.5 reaches only 0.5 past xmin 100 and is not filled.
        SearchCase{"half_unit_past_xmin_not_filled", half_unit_mesh(), {100.0f, 200.0f, 0.0f, 10.0f, 0.0f, 10.0f},
                   {2, 3, 1, 2, 1, 2}},
        // 101.5-103.5 starts only 0.5 before xmax 102; 100.5-101.5 is 1.5 inside.
        SearchCase{"half_unit_before_xmax_not_filled", half_unit_mesh(), {0.0f, 102.0f, 0.0f, 10.0f, 0.0f, 10.0f},
                   {1, 2, 1, 2, 1, 2}},
        // A column from 99.0 to 101.0 reaches exactly 1.0 past xmin 100.
        SearchCase{"exactly_one_unit_filled", make_mesh(99.0f, {2.0f, 2.0f}, 0.0f, {5.0f}, 0.0f, {5.0f}),
                   {100.0f, 103.0f, 0.0f, 5.0f, -5.0f, 0.0f},
                   {1, 2, 1, 1, 1, 1}},
        // The box equal to the extent: everything, the outer cells being wide.
        SearchCase{"box_equal_to_extent", half_unit_mesh(), {99.5f, 103.5f, 0.0f, 10.0f, 0.0f, 10.0f},
                   {1, 3, 1, 2, 1, 2}},
        // An outer column narrower than 1.0 is never reached by such a box.
        SearchCase{"narrow_outer_column", make_mesh(0.0f, {0.5f, 3.0f, 0.5f}, 0.0f, {5.0f}, 0.0f, {5.0f}),
                   {0.0f, 4.0f, 0.0f, 5.0f, -5.0f, 0.0f},
                   {2, 2, 1, 1, 1, 1}},
        // Touching the west, south and bottom edges from outside: empty.
        SearchCase{"touching_from_outside", half_unit_mesh(), {90.0f, 99.5f, -10.0f, 0.0f, -10.0f, 0.0f},
                   {1, 0, 1, 0, 3, 2}},
        // Beyond the east, north and top edges: first index past the last cell.
        SearchCase{"beyond_far_edges", half_unit_mesh(), {103.5f, 200.0f, 10.0f, 20.0f, 10.0f, 20.0f},
                   {4, 3, 3, 2, 1, 0}},
        // z: a layer needs its bottom 1.0 below zmax and its top 1.0 above
        // zmin; 4.5-5.5 overlaps each layer by 0.5 only.
        SearchCase{"z_half_unit_overlaps", half_unit_mesh(), {99.5f, 103.5f, 0.0f, 10.0f, 4.5f, 5.5f},
                   {1, 3, 1, 2, 2, 1}},
        SearchCase{"z_exactly_one_unit", half_unit_mesh(), {99.5f, 103.5f, 0.0f, 10.0f, 4.0f, 6.0f},
                   {1, 3, 1, 2, 1, 2}},
        SearchCase{"z_upper_layer_only", half_unit_mesh(), {99.5f, 103.5f, 0.0f, 10.0f, 4.5f, 10.0f},
                   {1, 3, 1, 2, 1, 1}},
        // At 1.0e8 a float sum would round 1.0e8 - 1.0 back to 1.0e8 and fill
        // the first column; formed in double it reaches nothing past xmin.
        SearchCase{"margin_not_rounded_to_float",
                   make_mesh(99999984.0f, {16.0f, 16.0f}, 0.0f, {5.0f}, 0.0f, {5.0f}),
                   {1.0e8f, 100000032.0f, 0.0f, 5.0f, -5.0f, 0.0f},
                   {2, 2, 1, 1, 1, 1}}),
    [](const ::testing::TestParamInfo<SearchCase>& i) { return std::string(i.param.name); });

// ---------------------------------------------------------------------------
// Fill rules and writer

TEST(FillModel, NegativeCellsKeptEverywhereOthersZeroOrValue) {
  suite::Mesh mesh = make_mesh(0.0f, {1.0f, 1.0f}, 0.0f, {1.0f}, 0.0f, {1.0f, 1.0f});
  suite::Model model;
  model.allocate(mesh);
  // Cells (i, k) in file order: (1,1) (1,2) (2,1) (2,2).
  model(1, 1, 1) = 0.0f;   // inside: becomes val
  model(1, 1, 2) = -1.0f;  // inside, negative: kept
  model(2, 1, 1) = 7.0f;   // outside: becomes 0
  model(2, 1, 2) = -3.5f;  // outside, negative: kept
  brimlet::FillRange r{1, 1, 1, 1, 1, 2};
  brimlet::fill_model(model, r, -2.0f);
  EXPECT_EQ(model(1, 1, 1), -2.0f);
  EXPECT_EQ(model(1, 1, 2), -1.0f);
  EXPECT_EQ(model(2, 1, 1), 0.0f);
  EXPECT_EQ(model(2, 1, 2), -3.5f);
}

TEST(WriteModel, OneE14Point6ValuePerLineInFileOrder) {
  suite_test::TempDir dir("brimlet_write");
  suite_test::ScopedChdir cd(dir.path());
  suite::Mesh mesh = make_mesh(0.0f, {1.0f, 1.0f}, 0.0f, {1.0f}, 0.0f, {1.0f, 1.0f});
  suite::Model model;
  model.allocate(mesh);
  model(1, 1, 1) = 0.0f;
  model(1, 1, 2) = 0.05f;
  model(2, 1, 1) = -1.0f;
  model(2, 1, 2) = 123.456f;
  brimlet::write_model(suite::Answer("out.den"), model);
  EXPECT_EQ(read_file("out.den"),
            "  0.000000E+00\r\n  0.500000E-01\r\n -0.100000E+01\r\n  0.123456E+03\r\n");
}

// ---------------------------------------------------------------------------
// The program on captured streams, in a private working directory.

// 3 columns 0-10-20-30, 2 rows 0-10-20, 3 layers 0 to -30; cells in file
// order (j, i, k), value 1.0 except two negative cells.
const std::string kMesh = mesh_text(3, 2, 3, "0.0 0.0 0.0", "3*10.0", "2*10.0", "3*10.0");
std::vector<float> base_model() {
  std::vector<float> v(18, 1.0f);
  v[4] = -1.0f;   // j=1, i=2, k=2
  v[17] = -9.0f;  // j=2, i=3, k=3
  return v;
}

class BrimletRun : public ::testing::Test {
 protected:
  struct Result {
    int status;
    std::string out;
    std::string err;
  };

  void SetUp() override {
    write_file("mesh.msh", kMesh);
    write_file("model.den", model_text(base_model()));
  }

  Result run(std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = brimlet::run(in, out, err, std::move(args));
    return {status, out.str(), err.str()};
  }

  suite_test::TempDir dir_{"brimlet"};
  suite_test::ScopedChdir cd_{dir_.path()};
};

std::vector<std::string> all_args(const std::string& x1, const std::string& x2, const std::string& y1,
                                  const std::string& y2, const std::string& z1, const std::string& z2,
                                  const std::string& val = "2.5") {
  return {"mesh.msh", "model.den", "out.den", x1, x2, y1, y2, z1, z2, val};
}

TEST_F(BrimletRun, AllTenArgumentsAskNothingAndReplaceTheOutput) {
  write_file("out.den", "old content\n");
  // x 9-21 would take all three columns; 11-19 takes only column 2.
  Result r = run(all_args("11", "19", "0", "20", "-30", "0"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.find("Enter"), std::string::npos);
  EXPECT_EQ(r.out.find("overwrite"), std::string::npos);

  std::vector<float> expect(18, 0.0f);
  for (int j = 0; j < 2; ++j)
    for (int k = 0; k < 3; ++k) expect[static_cast<size_t>(j * 9 + 3 + k)] = 2.5f;
  expect[4] = -1.0f;
  expect[17] = -9.0f;
  EXPECT_EQ(read_written_model("out.den"), expect);
}

TEST_F(BrimletRun, ConsoleShowsBannerMeshAndRegionSummaries) {
  Result r = run(all_args("11", "19", "0", "20", "-30", "0"));
  const std::vector<std::string> lines = crlf_lines(r.out);
  const std::vector<std::string> expect = {
      "  This program reads a Tessel mesh and model file",
      "  and fills a region specified by the user",
      "  Command line usage is : ",
      "  brimlet mesh susin susout xmin xmax ymin ymax zmin zmax val",
      "",
      "",
      "  total mesh limits: ",
      "",
      "  x mesh range :   0.0000000E+00   30.00000    ",
      "  y mesh range :   0.0000000E+00   20.00000    ",
      "  z mesh range :   -30.00000      0.0000000E+00",
      "",
      "  region to be filled: ",
      "",
      "  x mesh range :    10.00000       20.00000    ",
      "  y mesh range :   0.0000000E+00   20.00000    ",
      "  z mesh range :   0.0000000E+00  -30.00000    ",
  };
  EXPECT_EQ(lines, expect);
}

TEST_F(BrimletRun, FullDialogueWithWholeLineNames) {
  // Names typed with blanks around them are used without the blanks.
  Result r = run({}, "  mesh.msh  \nmodel.den\nout.den\n0 30\n0,20\n-30\n0\n4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\r\n Enter name of mesh file : "), std::string::npos);
  EXPECT_NE(r.out.find("\r\n Enter name of susceptability file : "), std::string::npos);
  EXPECT_NE(r.out.find("\r\n Enter name of output susceptability file : "), std::string::npos);
  EXPECT_NE(r.out.find("\r\n Enter x limits of volume to fill : "), std::string::npos);
  EXPECT_NE(r.out.find("\r\n Enter y limits of volume to fill : "), std::string::npos);
  // z typed over two lines: the read waits for the second value.
  EXPECT_EQ(count_of(r.out, " Enter z limits of volume to fill : "), 1u);
  EXPECT_NE(r.out.find("\r\n Enter new sus value : "), std::string::npos);
  EXPECT_EQ(r.err, "");
  std::vector<float> expect(18, 4.0f);
  expect[4] = -1.0f;
  expect[17] = -9.0f;
  EXPECT_EQ(read_written_model("out.den"), expect);
}

TEST_F(BrimletRun, RefusedZAsksTheYLimitsAgain) {
  // x from the arguments; y and z typed; z above the top of the mesh first.
  Result r = run({"mesh.msh", "model.den", "out.den", "0", "30"}, "0 20\n5 10\n0 20\n-30 0\n1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(count_of(r.out, " Enter y limits of volume to fill : "), 2u);
  EXPECT_EQ(count_of(r.out, " Enter z limits of volume to fill : "), 2u);
  EXPECT_NE(r.out.find("  minimum z is larger than mesh z limit\r\n"), std::string::npos);
  EXPECT_LT(r.out.find("  minimum z is larger"), r.out.rfind(" Enter y limits"));
}

TEST_F(BrimletRun, RefusedTypedZWithYFromArgumentsAsksOnlyZAgain) {
  Result r = run({"mesh.msh", "model.den", "out.den", "0", "30", "0", "20"}, "-50 -40\n-30 0\n1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(count_of(r.out, " Enter y limits"), 0u);
  EXPECT_EQ(count_of(r.out, " Enter z limits of volume to fill : "), 2u);
  EXPECT_EQ(count_of(r.out, "  maximum z is smaller than mesh z limit\r\n"), 1u);
  EXPECT_TRUE(file_exists("out.den"));
}

struct RetryCase {
  const char* name;
  std::string input;    // typed x, y, z limits and value
  std::string message;  // the refusal line written once
  std::string prompt;   // the prompt shown twice
};

class BrimletRetry : public BrimletRun, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(BrimletRetry, LimitsBeyondTheMeshAreAskedAgain) {
  const RetryCase& c = GetParam();
  Result r = run({"mesh.msh", "model.den", "out.den"}, c.input);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(count_of(r.out, " " + c.message + "\r\n"), 1u);
  EXPECT_EQ(count_of(r.out, c.prompt), 2u);
  EXPECT_TRUE(file_exists("out.den"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrimletRetry,
    ::testing::Values(
        RetryCase{"xmin_beyond_east", "31 40\n0 30\n0 20\n-30 0\n1\n", " minimum x is larger than mesh x limit",
                  " Enter x limits"},
        RetryCase{"xmax_before_west", "-9 -1\n0 30\n0 20\n-30 0\n1\n", " maximum x is smaller than mesh x limit",
                  " Enter x limits"},
        RetryCase{"ymin_beyond_north", "0 30\n21 22\n0 20\n-30 0\n1\n", " minimum y is larger than mesh y limit",
                  " Enter y limits"},
        RetryCase{"ymax_before_south", "0 30\n-5 -1\n0 20\n-30 0\n1\n", " maximum y is smaller than mesh y limit",
                  " Enter y limits"},
        RetryCase{"zmax_below_bottom", "0 30\n0 20\n-50 -31\n0 20\n-30 0\n1\n",
                  " maximum z is smaller than mesh z limit", " Enter y limits"}),
    [](const ::testing::TestParamInfo<RetryCase>& i) { return std::string(i.param.name); });

struct StopCase {
  const char* name;
  std::vector<std::string> args;
  std::string input;
  std::string message;
};

class BrimletStop : public BrimletRun, public ::testing::WithParamInterface<StopCase> {};

TEST_P(BrimletStop, StopsWithItsMessageAndStatusZero) {
  const StopCase& c = GetParam();
  Result r = run(c.args, c.input);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, c.message + "\r\n");
  EXPECT_FALSE(file_exists("out.den"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrimletStop,
    ::testing::Values(
        StopCase{"blank_mesh_name", {}, "\n", " No file name supplied"},
        StopCase{"missing_mesh", {"none.msh"}, "", " The specified file does not exist"},
        StopCase{"blank_model_name", {"mesh.msh"}, "   \n", " No file name supplied"},
        StopCase{"missing_model", {"mesh.msh", "none.den"}, "", " The specified file does not exist"},
        StopCase{"blank_output_name", {"mesh.msh", "model.den"}, "\n", " No file name supplied"},
        StopCase{"x_equal", all_args("10", "10", "0", "20", "-30", "0"), "", " x limits are invalid"},
        StopCase{"y_reversed", all_args("0", "30", "20", "0", "-30", "0"), "", " y limits are invalid"},
        StopCase{"z_equal_typed", {"mesh.msh", "model.den", "out.den"}, "0 30\n0 20\n-5 -5\n",
                 " z limits are invalid"},
        // Refused pairs from the command line would be read again unchanged:
        // the refusal ends the run.
        StopCase{"x_beyond_from_arguments", all_args("31", "40", "0", "20", "-30", "0"), "",
                 " minimum x is larger than mesh x limit"},
        StopCase{"y_before_from_arguments", all_args("0", "30", "-9", "-1", "-30", "0"), "",
                 " maximum y is smaller than mesh y limit"},
        StopCase{"z_above_from_arguments", all_args("0", "30", "0", "20", "1", "5"), "",
                 " minimum z is larger than mesh z limit"}),
    [](const ::testing::TestParamInfo<StopCase>& i) { return std::string(i.param.name); });

struct OverwriteCase {
  const char* name;
  std::string answer;
  bool replaced;
};

class BrimletOverwrite : public BrimletRun, public ::testing::WithParamInterface<OverwriteCase> {};

TEST_P(BrimletOverwrite, ExistingTypedNameNeedsYes) {
  const OverwriteCase& c = GetParam();
  write_file("out.den", "old\n");
  const std::string rest = "0 30\n0 20\n-30 0\n1\n";
  const std::string input = "out.den\n" + c.answer + "\n" + (c.replaced ? "" : "other.den\n") + rest;
  Result r = run({"mesh.msh", "model.den"}, input);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(count_of(r.out, " The specified file already exists, overwrite [n] : "), 1u);
  // No empty line before the question; the name is asked again after no.
  EXPECT_NE(r.out.find("susceptability file :  The specified file already exists"), std::string::npos);
  EXPECT_EQ(count_of(r.out, "\r\n Enter name of output susceptability file : "), c.replaced ? 1u : 2u);
  EXPECT_EQ(read_file("out.den") == "old\n", !c.replaced);
  EXPECT_EQ(file_exists("other.den"), !c.replaced);
}

INSTANTIATE_TEST_SUITE_P(Cases, BrimletOverwrite,
                         ::testing::Values(OverwriteCase{"empty_answer", "", false},
                                           OverwriteCase{"n", "n", false},
                                           OverwriteCase{"blank_then_y", " y", false},
                                           OverwriteCase{"Y", "Y", true},
                                           OverwriteCase{"yes", "yes", true}),
                         [](const ::testing::TestParamInfo<OverwriteCase>& i) { return std::string(i.param.name); });

TEST_F(BrimletRun, OutputNameFromArgumentsReplacesWithoutAsking) {
  write_file("out.den", "old\n");
  Result r = run({"mesh.msh", "model.den", "out.den"}, "0 30\n0 20\n-30 0\n1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find("overwrite"), std::string::npos);
  EXPECT_EQ(read_written_model("out.den").size(), 18u);
}

TEST_F(BrimletRun, FourArgumentsLeaveTheXLimitsToTheDialogue) {
  Result r = run({"mesh.msh", "model.den", "out.den", "999"}, "0 30\n0 20\n-30 0\n1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(count_of(r.out, " Enter x limits of volume to fill : "), 1u);
}

struct FailureCase {
  const char* name;
  std::string mesh;
  std::string model;
  std::vector<std::string> args;
  std::string file_named;  // the file the diagnostic names
};

class BrimletFailure : public BrimletRun, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(BrimletFailure, RunTimeFailureNamesTheFileAndCreatesNoOutput) {
  const FailureCase& c = GetParam();
  if (!c.mesh.empty()) write_file("mesh.msh", c.mesh);
  if (!c.model.empty()) write_file("model.den", c.model);
  Result r = run(c.args);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find(c.file_named), std::string::npos) << r.err;
  EXPECT_EQ(crlf_lines(r.err).size(), 1u) << r.err;
  EXPECT_FALSE(file_exists("out.den"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrimletFailure,
    ::testing::Values(
        FailureCase{"model_too_short", "", "1.0\n2.0\n", all_args("0", "30", "0", "20", "-30", "0"), "model.den"},
        FailureCase{"model_not_a_number", "", "17*1.0 abc\n", all_args("0", "30", "0", "20", "-30", "0"),
                    "model.den"},
        FailureCase{"mesh_widths_short", mesh_text(3, 2, 3, "0 0 0", "10 10 10", "10 10", "10"), "",
                    all_args("0", "30", "0", "20", "-30", "0"), "mesh.msh"},
        FailureCase{"limit_not_a_number", "", "", all_args("0", "x30", "0", "20", "-30", "0"), "error"}),
    [](const ::testing::TestParamInfo<FailureCase>& i) { return std::string(i.param.name); });

TEST_F(BrimletRun, EmptyMeshCountsStopWithAMessage) {
  write_file("mesh.msh", mesh_text(0, 2, 3, "0 0 0", "", "10 10", "10 10 10"));
  Result r = run(all_args("0", "30", "0", "20", "-30", "0"));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("zero or below"), std::string::npos) << r.err;
  EXPECT_FALSE(file_exists("out.den"));
}

}  // namespace
