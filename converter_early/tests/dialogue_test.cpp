// torrin's main routine: banner, inputs, checks with their stops, and the
// section loop with the MINC arguments of every section (MINC replaced by a
// recorder).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/freeformat.h"
#include "converter_early/tests/torrin_support.h"
#include "converter_early/torrin.h"

namespace {

using torrin_test::RunResult;
using torrin_test::run_torrin;
using torrin_test::WorkDir;

constexpr const char* kStopLine = "Stop - Program terminated.\r\n";

std::string free_line(std::initializer_list<suite::WriteItem> items) {
  std::string s;
  suite::format_free_line(s, items);
  return s;
}

// Banner, usage and the summary of the small mesh.
std::string expected_head() {
  std::string s =
      " This program reads a Tessel mesh and model file and\r\n"
      " converts it to a Corvane grid. The output grids\r\n"
      " can be generated along x, y or z coordinates\r\n"
      "\r\n"
      "  Command line usage : \r\n"
      "    torrin mesh model order start end increment cell dataout\r\n"
      "\r\n";
  s += free_line({" limits of mesh"});
  s += free_line({" x mesh range : ", 70.0f, 100.0f});
  s += free_line({" y mesh range : ", 1070.0f, 1100.0f});
  s += free_line({" z mesh range : ", 0.0f, -30.0f});
  s += "\r\n";
  s += free_line({" x cell size : ", 10.0f});
  s += free_line({" y cell size : ", 10.0f});
  s += free_line({" z cell size : ", 10.0f});
  s += "\r\n";
  return s;
}

std::string generating(float xout) { return free_line({" generating grid for ", xout}); }

// A working directory with the small mesh and models: "model.den" positive
// everywhere (1 + i + j + k), "model_mag.den" the same scaled by 1e-6, and
// "model_neg.den" with every cell of layer 1 and of row 4 at or below 0.
class TorrinRun : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto shape = torrin_test::small_shape();
    WorkDir::write("mesh.txt", torrin_test::mesh_text(shape));
    WorkDir::write("model.den", torrin_test::model_text(shape, [](int32_t i, int32_t j, int32_t k) {
                     return static_cast<float>(1 + i + j + k);
                   }));
    WorkDir::write("model_mag.den", torrin_test::model_text(shape, [](int32_t i, int32_t j, int32_t k) {
                     return static_cast<float>(1 + i + j + k) * 1.0e-6f;
                   }));
    WorkDir::write("model_neg.den", torrin_test::model_text(shape, [](int32_t i, int32_t j, int32_t k) {
                     if (k == 1) return -5.0f;
                     if (j == 4) return 0.0f;
                     return static_cast<float>(1 + i + j + k);
                   }));
    // A model one value short, a mesh without its layer thicknesses.
    std::string model = WorkDir::read("model.den");
    model.erase(model.rfind('\n', model.size() - 2) + 1);
    WorkDir::write("short.den", model);
    WorkDir::write("bad_mesh.txt", "10 10 6\r\n0 1000 0\r\n10*10\r\n10*10\r\n");
  }
  WorkDir dir_;
};

std::vector<std::string> args8(const std::string& order, const std::string& start, const std::string& end,
                               const std::string& inc, const std::string& cell = "5",
                               const std::string& model = "model.den") {
  return {"mesh.txt", model, order, start, end, inc, cell, "sect"};
}

std::string name_of(const torrin::MincCall& c) { return c.outfil.substr(0, c.outfil.find('\0')); }

// ---------------------------------------------------------------------------
// A full run: console text and every MINC argument.

TEST_F(TorrinRun, XSectionsWithAllArguments) {
  const RunResult r = run_torrin(args8("x", "100", "70", "10"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, expected_head() + generating(70.0f) + generating(80.0f) + generating(90.0f) +
                       generating(100.0f));
  ASSERT_EQ(r.calls.size(), 4u);
  const char* names[] = {"sect_70.grd", "sect_80.grd", "sect_90.grd", "sect_100.grd"};
  for (size_t n = 0; n < 4; ++n) {
    const torrin::MincCall& c = r.calls[n];
    EXPECT_EQ(name_of(c), names[n]);
    EXPECT_EQ(c.outfil.size(), 80u);
    EXPECT_EQ(c.datfil, std::string("grddat.dat") + '\0' + std::string(69, ' '));
    EXPECT_EQ(c.YMIN, 1070.0f);
    EXPECT_EQ(c.ZMIN, -30.0f);
    EXPECT_EQ(c.GCELL, 5.0f);
    EXPECT_EQ(c.NCOL, 7);
    EXPECT_EQ(c.NROW, 7);
    EXPECT_EQ(c.RADIUS, 50.0f);
    EXPECT_EQ(c.IZCHAN, 1);
    EXPECT_EQ(c.ZNULL, -99999.0f);
    EXPECT_EQ(c.MAXCHN, 1);
    EXPECT_EQ(c.IGLOG, 0);
    EXPECT_EQ(c.NOHEAD, 0);
    EXPECT_EQ(c.GRDROT, 0.0f);
    EXPECT_EQ(c.IERM, 0);
    // Rows 4..7 by layers 1..4 of the section's column.
    EXPECT_EQ(r.data[n].size(), 16u * 12u);
  }
  // Position 80 lies on a column boundary and takes the western column 4.
  EXPECT_EQ(torrin_test::floats_of(r.data[1])[2], 1.0f + 4 + 4 + 1);
  EXPECT_EQ(torrin_test::floats_of(r.data[2])[2], 1.0f + 5 + 4 + 1);
  // No text copy of the data in torrin.
  EXPECT_FALSE(std::filesystem::exists("grddat.xyz"));
}

struct LoopCase {
  const char* name;
  std::vector<std::string> args;
  std::vector<const char*> grids;
};

class TorrinLoop : public TorrinRun, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(TorrinLoop, GridsOfTheSectionPositions) {
  const RunResult r = run_torrin(GetParam().args);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  std::vector<std::string> got;
  for (const auto& c : r.calls) got.push_back(name_of(c));
  EXPECT_EQ(got, std::vector<std::string>(GetParam().grids.begin(), GetParam().grids.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Positions, TorrinLoop,
    ::testing::Values(
        // The loop runs while XOUT <= XEND + XINC/10: an end of 99 still
        // reaches 100, 98.9 does not; outside positions are skipped.
        LoopCase{"end_plus_tenth", args8("x", "70", "99", "10"),
                 {"sect_70.grd", "sect_80.grd", "sect_90.grd", "sect_100.grd"}},
        LoopCase{"end_short_of_tenth", args8("x", "70", "98.9", "10"),
                 {"sect_70.grd", "sect_80.grd", "sect_90.grd"}},
        LoopCase{"outside_skipped", args8("x", "50", "120", "25"), {"sect_75.grd", "sect_100.grd"}},
        // Deliberate: a negative increment steps upward by its magnitude.
        LoopCase{"negative_increment", args8("x", "100", "70", "-15"),
                 {"sect_70.grd", "sect_85.grd", "sect_100.grd"}},
        LoopCase{"y", args8("Y", "1070", "1100", "15"),
                 {"sect_1070.grd", "sect_1085.grd", "sect_1100.grd"}},
        // "t" is order z, as is any other first character.
        LoopCase{"t_is_z", args8("t", "0", "-30", "10"),
                 {"sect_-30.grd", "sect_-20.grd", "sect_-10.grd", "sect_0.grd"}},
        LoopCase{"blank_is_z", args8(" ", "-25", "-25", "1"), {"sect_-25.grd"}},
        // Two positions truncating alike name the same grid.
        LoopCase{"same_name", args8("z", "-0.5", "0", "0.5"), {"sect_0.grd", "sect_0.grd"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TorrinRun, DataAreCellsOverZeroForEveryModel) {
  // Layer 1 negative and row 4 zero: an x section keeps rows 5..7 by
  // layers 2..4 (9 points, no grid); a y section at 1085 (row 5) keeps
  // columns 4..7 by layers 2..4 (12 points).
  const RunResult x = run_torrin(args8("x", "75", "75", "1", "5", "model_neg.den"));
  EXPECT_EQ(x.calls.size(), 0u);
  EXPECT_EQ(x.out, expected_head());
  EXPECT_EQ(torrin_test::floats_of(WorkDir::read("grddat.dat")).size(), 27u);
  const RunResult y = run_torrin(args8("y", "1085", "1085", "1", "5", "model_neg.den"));
  ASSERT_EQ(y.calls.size(), 1u);
  const std::vector<float> w = torrin_test::floats_of(y.data[0]);
  ASSERT_EQ(w.size(), 36u);
  EXPECT_EQ(w[0], 75.0f);
  EXPECT_EQ(w[1], -15.0f);
  EXPECT_EQ(w[2], 1.0f + 4 + 5 + 2);
}

TEST_F(TorrinRun, SusceptibilityScalingOnlyForMagNames) {
  const RunResult mag = run_torrin(args8("x", "75", "75", "1", "5", "model_mag.den"));
  ASSERT_EQ(mag.calls.size(), 1u);
  EXPECT_FLOAT_EQ(torrin_test::floats_of(mag.data[0])[2], 1.0f + 4 + 4 + 1);
  EXPECT_EQ(mag.calls[0].IGLOG, 0);
  // "sus" in the name does not count in torrin.
  std::filesystem::copy_file("model_mag.den", "model_sus.den");
  const RunResult sus = run_torrin(args8("x", "75", "75", "1", "5", "model_sus.den"));
  ASSERT_EQ(sus.calls.size(), 1u);
  EXPECT_FLOAT_EQ(torrin_test::floats_of(sus.data[0])[2], (1.0f + 4 + 4 + 1) * 1.0e-6f);
}

TEST_F(TorrinRun, FailedSectionIsNamedOnStandardErrorOnly) {
  const RunResult ok = run_torrin(args8("x", "70", "80", "10"));
  const RunResult bad = run_torrin(args8("x", "70", "80", "10"), "", -1002);
  EXPECT_EQ(bad.status, 0);
  EXPECT_EQ(bad.out, ok.out);
  EXPECT_EQ(bad.calls.size(), 2u);
  EXPECT_EQ(torrin_test::count_lines(bad.err), 2);
  EXPECT_NE(bad.err.find(" no grid for the section at 70.00000: MINC status -1002"), std::string::npos) << bad.err;
  EXPECT_NE(bad.err.find(" no grid for the section at 80.00000: MINC status -1002"), std::string::npos) << bad.err;
}

// ---------------------------------------------------------------------------
// Prompts.

TEST_F(TorrinRun, ThreeArgumentsThenPrompts) {
  const RunResult r = run_torrin({"mesh.txt", "model.den", "x"}, "70\n70 junk\n'10'\n\n5\nsect other\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, expected_head() + "\r\n Enter the start coordinate :" + "\r\n Enter the end coordinate :" +
                       "\r\n Enter the coordinate increment :" + "\r\n Enter the grid cell size :" +
                       "\r\n Enter name of the output data file : " + generating(70.0f));
  ASSERT_EQ(r.calls.size(), 1u);
  EXPECT_EQ(name_of(r.calls[0]), "sect_70.grd");
}

TEST_F(TorrinRun, EveryInputPrompted) {
  const RunResult r = run_torrin({}, "mesh.txt\nmodel.den\n\nx\n70\n70\n1\n5\nsect\n");
  EXPECT_EQ(r.status, 0);
  const std::string head = expected_head();
  const std::string banner = head.substr(0, head.find("  limits of mesh"));
  EXPECT_EQ(r.out, banner + "\r\n Enter name of the mesh file : " + head.substr(banner.size()) +
                       "\r\n Enter name of the inverted model file : " +
                       "\r\n Output mesh ordered by x, y or [z] :" + "\r\n Enter the start coordinate :" +
                       "\r\n Enter the end coordinate :" + "\r\n Enter the coordinate increment :" +
                       "\r\n Enter the grid cell size :" + "\r\n Enter name of the output data file : " +
                       generating(70.0f));
  EXPECT_EQ(r.calls.size(), 1u);
}

// ---------------------------------------------------------------------------
// Rejected inputs: their message on standard output, then torrin's stop
// line (a missing file stops with its message alone), exit status 0.

struct RejectCase {
  const char* name;
  std::vector<std::string> args;
  std::string input;
  std::string tail;  // the end of standard output
};

class TorrinReject : public TorrinRun, public ::testing::WithParamInterface<RejectCase> {};

TEST_P(TorrinReject, MessageAndStop) {
  const RejectCase& c = GetParam();
  const RunResult r = run_torrin(c.args, c.input);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(r.calls.empty());
  ASSERT_GE(r.out.size(), c.tail.size()) << r.out;
  EXPECT_EQ(r.out.substr(r.out.size() - c.tail.size()), c.tail) << r.out;
  // The stop line is written once, at the very end, and only after a
  // message of the program's own.
  const bool stop_line = c.tail.find(kStopLine) != std::string::npos;
  EXPECT_EQ(torrin_test::count_of(r.out, "Stop - "), stop_line ? 1 : 0);
}

const std::string kZeroInc = std::string("  the increment value must be non-zero\r\n") + kStopLine;
const std::string kCell = std::string("  the cell size must be positive\r\n") + kStopLine;

INSTANTIATE_TEST_SUITE_P(
    Inputs, TorrinReject,
    ::testing::Values(
        RejectCase{"missing_mesh", {"nomesh.txt"}, "", " that file does not exist\r\n"},
        RejectCase{"missing_model", {"mesh.txt", "nomodel.den"}, "", " that file does not exist\r\n"},
        // The increment is checked before the cell size is read: a cell
        // argument that is not a number is never looked at.
        RejectCase{"zero_increment_cell_never_read", args8("x", "70", "100", "0", "abc"), "", kZeroInc},
        RejectCase{"negative_zero_increment", args8("z", "0", "-30", "-0.0"), "", kZeroInc},
        RejectCase{"zero_increment_order_y", args8("y", "1070", "1100", "0.0e5"), "", kZeroInc},
        RejectCase{"zero_increment_no_cell_prompt", {"mesh.txt", "model.den", "x"}, "70\n100\n0\n",
                   "\r\n Enter the coordinate increment :" + kZeroInc},
        RejectCase{"zero_cell", args8("x", "70", "100", "10", "0"), "", kCell},
        RejectCase{"negative_cell", args8("x", "70", "100", "10", "-5"), "", kCell},
        RejectCase{"cell_before_output_name", {"mesh.txt", "model.den", "x", "70", "100", "10"}, "0\n",
                   "\r\n Enter the grid cell size :" + kCell},
        RejectCase{"x_beyond", args8("x", "100.5", "200", "10"), "",
                   std::string("  The specified x coordinate limits are not within the mesh\r\n") + kStopLine},
        RejectCase{"x_before", args8("x", "0", "69.9", "10"), "",
                   std::string("  The specified x coordinate limits are not within the mesh\r\n") + kStopLine},
        RejectCase{"y_outside", args8("y", "0", "1000", "10"), "",
                   std::string("  The specified y coordinate limits are not within the mesh\r\n") + kStopLine},
        RejectCase{"z_outside", args8("z", "-31", "-100", "10"), "",
                   std::string("  The specified z coordinate limits are not within the mesh\r\n") + kStopLine},
        // Deliberate: an increment that no longer moves the position in
        // single precision is refused instead of looping for ever.
        RejectCase{"stalled_position", args8("x", "70", "100", "0.000001"), "",
                   free_line({" the section position stops advancing at", 70.0f}) + kStopLine}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TorrinRun, RangeTouchingTheMeshPasses) {
  // End at the low end of the x range: the interval overlaps in one point.
  const RunResult r = run_torrin(args8("x", "0", "70", "70"));
  EXPECT_EQ(r.status, 0);
  ASSERT_EQ(r.calls.size(), 1u);
  EXPECT_EQ(name_of(r.calls[0]), "sect_70.grd");
}

TEST_F(TorrinRun, StallFarAlongTheLoopIsRefusedBeforeAnyGrid) {
  // 0.01 moves 70 but stops moving long before 1.0e6.
  const RunResult r = run_torrin(args8("x", "70", "1.0e6", "0.01"));
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.calls.empty());
  // The first position that stays put is 2^18.
  EXPECT_EQ(r.out, expected_head() + free_line({" the section position stops advancing at", 262144.0f}) +
                       kStopLine);
}

// ---------------------------------------------------------------------------
// Run-time failures: one line on standard error, non-zero status.

struct FailCase {
  const char* name;
  std::vector<std::string> args;
  std::string input;
  std::string file;  // named in the diagnostic
};

class TorrinFailure : public TorrinRun, public ::testing::WithParamInterface<FailCase> {};

TEST_P(TorrinFailure, DiagnosticOnStandardError) {
  const FailCase& c = GetParam();
  const RunResult r = run_torrin(c.args, c.input);
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(r.calls.empty());
  EXPECT_EQ(torrin_test::count_lines(r.err), 1) << r.err;
  EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("Stop - "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, TorrinFailure,
    ::testing::Values(FailCase{"start_not_a_number", args8("x", "abc", "100", "10"), "", ""},
                      FailCase{"end_of_input", {"mesh.txt", "model.den"}, "x\n70\n", "stdin"},
                      FailCase{"short_model", args8("x", "70", "100", "10", "5", "short.den"), "", "short.den"},
                      FailCase{"short_mesh", {"bad_mesh.txt"}, "", "bad_mesh.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
