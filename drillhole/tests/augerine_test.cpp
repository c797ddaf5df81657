// augerine: the outside tests, the cell lookup with its boundary ties, the
// mesh summary and the input dialogue with its stops, on captured streams in
// a private working directory.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/mesh.h"
#include "drillhole/augerine.h"
#include "tests/support/mesh_fixture.h"
#include "tests/support/program_run.h"

namespace {

using augerine::Outside;
using suite_test::crlf_lines;
using suite_test::file_exists;
using suite_test::read_file;
using suite_test::write_file;

using suite_test::make_mesh;

// Columns 0-10-20-30, rows 0-10-20, layers 0, -10, -20, -30.
suite::Mesh small_mesh() { return make_mesh(0.0f, {10, 10, 10}, 0.0f, {10, 10}, 0.0f, {10, 10, 10}); }

// ---------------------------------------------------------------------------

struct PointCase {
  const char* name;
  float x, y, z;
  Outside outside;
  augerine::Cell cell;  // checked when inside
};

void PrintTo(const PointCase& c, std::ostream* os) { *os << c.name; }

class PointLookup : public ::testing::TestWithParam<PointCase> {};

TEST_P(PointLookup, OutsideTestThenCell) {
  const PointCase& c = GetParam();
  const suite::Mesh m = small_mesh();
  EXPECT_EQ(augerine::outside_test(m, c.x, c.y, c.z), c.outside);
  if (c.outside == Outside::kInside) {
    const augerine::Cell cell = augerine::find_cell(m, c.x, c.y, c.z);
    EXPECT_EQ(cell.i, c.cell.i);
    EXPECT_EQ(cell.j, c.cell.j);
    EXPECT_EQ(cell.k, c.cell.k);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PointLookup,
    ::testing::Values(PointCase{"x_on_west_edge", 0.0f, 5.0f, -5.0f, Outside::kX, {}},
                      PointCase{"x_on_east_edge", 30.0f, 5.0f, -5.0f, Outside::kX, {}},
                      PointCase{"y_on_south_edge", 5.0f, 0.0f, -5.0f, Outside::kY, {}},
                      PointCase{"y_on_north_edge", 5.0f, 20.0f, -5.0f, Outside::kY, {}},
                      PointCase{"z_at_top", 5.0f, 5.0f, 0.0f, Outside::kZ, {}},
                      PointCase{"z_at_bottom", 5.0f, 5.0f, -30.0f, Outside::kZ, {}},
                      PointCase{"x_and_z_outside_reports_x", 40.0f, 5.0f, 10.0f, Outside::kX, {}},
                      PointCase{"y_and_z_outside_reports_y", 5.0f, 25.0f, 10.0f, Outside::kY, {}},
                      PointCase{"inner_boundaries_go_west_south_up", 10.0f, 10.0f, -10.0f, Outside::kInside,
                                {1, 1, 1}},
                      PointCase{"just_past_inner_boundaries", 10.5f, 10.5f, -10.5f, Outside::kInside, {2, 2, 2}},
                      PointCase{"last_cell", 29.5f, 19.5f, -29.5f, Outside::kInside, {3, 2, 3}},
                      PointCase{"z_on_lowest_inner_boundary", 25.0f, 5.0f, -20.0f, Outside::kInside, {3, 1, 2}}),
    [](const ::testing::TestParamInfo<PointCase>& i) { return std::string(i.param.name); });

TEST(FindCell, BoundariesThatDoNotRiseStayInsideTheArrays) {
  // Zero widths: every boundary equal; the search must stop at the last cell.
  const suite::Mesh m = make_mesh(0.0f, {0, 0}, 0.0f, {0}, 0.0f, {0, 0});
  const augerine::Cell c = augerine::find_cell(m, 5.0f, 5.0f, 5.0f);
  EXPECT_EQ(c.i, 2);
  EXPECT_EQ(c.j, 1);
  EXPECT_EQ(c.k, 1);
}

// ---------------------------------------------------------------------------

struct CoreCase {
  const char* name;
  suite::Mesh mesh;
  augerine::CoreStarts expect;
};

void PrintTo(const CoreCase& c, std::ostream* os) { *os << c.name; }

class CoreStarts : public ::testing::TestWithParam<CoreCase> {};

TEST_P(CoreStarts, FirstCoreCellsWithinTheArrays) {
  const CoreCase& c = GetParam();
  const augerine::CoreStarts s = augerine::core_starts(c.mesh);
  EXPECT_EQ(s.IX0, c.expect.IX0);
  EXPECT_EQ(s.IY0, c.expect.IY0);
  EXPECT_EQ(s.IZ0, c.expect.IZ0);
  // The summary reads XNODE(IX0+1), XNODE(MX-IX0), XMESH(IX0+1) and the like.
  EXPECT_GE(c.mesh.MX - s.IX0, 1);
  EXPECT_GE(c.mesh.MY - s.IY0, 1);
  EXPECT_GE(c.mesh.MZ - s.IZ0, 1);
  EXPECT_GE(s.IX0, 0);
  EXPECT_GE(s.IY0, 0);
  EXPECT_GE(s.IZ0, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CoreStarts,
    ::testing::Values(
        CoreCase{"padded", make_mesh(0, {40, 20, 10, 10, 10, 20, 40}, 0, {20, 10, 10, 20}, 0, {10, 10, 10, 20, 40}),
                 {3, 2, 2}},
        CoreCase{"uniform", make_mesh(0, {5, 5, 5}, 0, {5, 5}, 0, {5, 5, 5}), {1, 1, 1}},
        CoreCase{"single_cells", make_mesh(0, {5}, 0, {5}, 0, {5}), {0, 0, 0}},
        CoreCase{"widths_falling_to_the_end", make_mesh(0, {4, 3, 2, 1}, 0, {2, 1}, 0, {1, 2, 3, 4}),
                 {3, 1, 3}}),
    [](const ::testing::TestParamInfo<CoreCase>& i) { return std::string(i.param.name); });

// ---------------------------------------------------------------------------
// The program on captured streams.

const std::string kMesh = "3 2 3\n0.0 0.0 0.0\n3*10.0\n2*10.0\n3*10.0\n";

class AugerineRun : public ::testing::Test {
 protected:
  struct Result {
    int status;
    std::string out;
    std::string err;
  };
  void SetUp() override {
    write_file("mesh.msh", kMesh);
    write_file("model.den", "18*0.001\n");
    write_file("pts.txt", "x y z\n5 5 -5\n");
  }
  Result run(std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = augerine::run(in, out, err, std::move(args));
    return {status, out.str(), err.str()};
  }

  suite_test::TempDir dir_{"augerine"};
  suite_test::ScopedChdir cd_{dir_.path()};
};

TEST_F(AugerineRun, BannerAndMeshSummary) {
  write_file("mesh.msh", "7 4 5\n0 0 0\n40 20 10 10 10 20 40\n20 10 10 20\n10 10 10 20 40\n");
  write_file("model.den", "140*0.0\n");
  Result r = run({"mesh.msh", "model.den", "pts.txt", "1", "1", "2", "3", "out.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> expect = {
      " This program reads a Tessel mesh and model file",
      " and a drill-hole location file and writes out",
      " the model values at the specified locations",
      "",
      "  Command line usage : ",
      "    augerine mesh sus xyz nhead xloc yloc zloc out",
      "",
      "  limits of mesh",
      // x: XNODE(IX0+1) = XNODE(4) = 70 to XNODE(MX-IX0) = XNODE(4), two
      // columns short of the core's east edge 90; y: YNODE(3) to YNODE(2).
      "  x mesh range :    70.00000       70.00000    ",
      "  y mesh range :    30.00000       20.00000    ",
      // z: ZNODE(1) to ZNODE(5 - 2) = -20.
      "  z mesh range :   0.0000000E+00  -20.00000    ",
      "",
      "  x cell size :    10.00000    ",
      "  y cell size :    10.00000    ",
      "  z cell size :    10.00000    ",
      "",
  };
  EXPECT_EQ(crlf_lines(r.out), expect);
}

TEST_F(AugerineRun, DialogueTakesFirstValueAnswers) {
  write_file("my pts.txt", "5,5,-5\n");
  // Empty lines are skipped, the rest of a line after its first value is
  // dropped, and a quoted name keeps its blank.
  Result r = run({}, "\nmesh.msh extra\nmodel.den\n'my pts.txt'\n0\n1, 9\n2\n3\nout.txt\n");
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char* prompt : {" Enter name of the mesh file : ", " Enter name of the sus data file : ",
                             " Enter name of the xyz data file : ", " Enter number of header lines : ",
                             " Enter location of x coordinate : ", " Enter location of y coordinate : ",
                             " Enter location of z coordinate : ", " Enter name of the output data file : "}) {
    EXPECT_NE(r.out.find(std::string("\r\n") + prompt), std::string::npos) << prompt;
  }
  EXPECT_EQ(read_file("out.txt"),
            " x,y,z,sus\r\n"
            "    5.000000       5.000000      -5.000000       1000.000    \r\n");
}

struct StopCase {
  const char* name;
  std::vector<std::string> args;
  std::string message;
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class AugerineStop : public AugerineRun, public ::testing::WithParamInterface<StopCase> {};

TEST_P(AugerineStop, StopsWithItsMessageAndStatusZero) {
  const StopCase& c = GetParam();
  Result r = run(c.args);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, c.message + "\r\n");
  EXPECT_FALSE(file_exists("out.txt"));
}

std::vector<std::string> args_with(const std::string& nhead, const std::string& x, const std::string& y,
                                   const std::string& z) {
  return {"mesh.msh", "model.den", "pts.txt", nhead, x, y, z, "out.txt"};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AugerineStop,
    ::testing::Values(StopCase{"missing_mesh", {"none.msh"}, " that file does not exist"},
                      StopCase{"missing_model", {"mesh.msh", "none.den"}, " the model file does not exist"},
                      StopCase{"missing_xyz", {"mesh.msh", "model.den", "none.txt"}, " the xyz file does not exist"},
                      StopCase{"negative_nhead", args_with("-1", "1", "2", "3"),
                               " Number of header lines cannot be negative"},
                      StopCase{"xloc_zero", args_with("0", "0", "2", "3"), " Location of x coordinate must be positive"},
                      StopCase{"yloc_negative", args_with("0", "1", "-2", "3"),
                               " Location of y coordinate must be positive"},
                      StopCase{"zloc_zero", args_with("0", "1", "2", "0"), " Location of z coordinate must be positive"},
                      // Columns beyond the 77 values held per line are refused.
                      StopCase{"xloc_beyond_buffer", args_with("0", "78", "2", "3"),
                               " Location of x coordinate cannot be larger than 77"},
                      StopCase{"yloc_beyond_buffer", args_with("0", "1", "1000000", "3"),
                               " Location of y coordinate cannot be larger than 77"},
                      StopCase{"zloc_beyond_buffer", args_with("0", "1", "2", "78"),
                               " Location of z coordinate cannot be larger than 77"}),
    [](const ::testing::TestParamInfo<StopCase>& i) { return std::string(i.param.name); });

TEST_F(AugerineRun, ColumnSeventySevenIsAccepted) {
  std::string line;
  for (int c = 1; c <= 77; ++c) line += (c == 77 ? "-5" : "5") + std::string(c < 77 ? " " : "\n");
  write_file("pts.txt", line);
  Result r = run(args_with("0", "1", "2", "77"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(crlf_lines(read_file("out.txt")).size(), 2u);
}

TEST_F(AugerineRun, HeaderCountBeyondTheFileIsARunTimeFailureAfterTheHeaderLine) {
  Result r = run(args_with("3", "1", "2", "3"));
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("pts.txt"), std::string::npos) << r.err;
  EXPECT_EQ(read_file("out.txt"), " x,y,z,sus\r\n");
}

TEST_F(AugerineRun, NonIntegerColumnIsARunTimeFailure) {
  Result r = run(args_with("0", "1.5", "2", "3"));
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(crlf_lines(r.err).size(), 1u) << r.err;
  EXPECT_FALSE(file_exists("out.txt"));
}

TEST_F(AugerineRun, ShortModelIsARunTimeFailureWithoutOutput) {
  write_file("model.den", "17*0.001\n");
  Result r = run(args_with("0", "1", "2", "3"));
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("model.den"), std::string::npos) << r.err;
  EXPECT_FALSE(file_exists("out.txt"));
}

TEST_F(AugerineRun, EmptyMeshCountsStopWithAMessage) {
  write_file("mesh.msh", "3 0 3\n0 0 0\n3*10\n\n3*10\n");
  Result r = run(args_with("0", "1", "2", "3"));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("zero or below"), std::string::npos) << r.err;
  EXPECT_FALSE(file_exists("out.txt"));
}

}  // namespace
