// kelvane's start-up: banner, usage, the nine inputs from arguments or
// prompts, the mesh summary and the checks of the inputs.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/tests/test_support.h"
#include "converter/kelvane_main.h"

namespace {

using common_testing::CapturedConsole;
using common_testing::read_file;
using common_testing::TempDir;
using common_testing::write_file;

const std::string kExamples = std::string(SUITE_SOURCE_DIR) + "/examples/";

const std::string kBanner =
    " This program reads a Tessel mesh and model file and\r\n"
    " converts it to a Corvane grid. The output grids\r\n"
    " can be generated along x, y or z coordinates\r\n"
    "\r\n"
    "  Command line usage : \r\n"
    "   torrin mesh model order start end increment cell dataout nn\r\n"
    "\r\n";

// Summary of examples/mesh.msh.
const std::string kSummary =
    "  limits of mesh\r\n"
    "  x mesh range :    4350.000       4750.000    \r\n"
    "  y mesh range :    7350.000       7650.000    \r\n"
    "  z mesh range :    350.0000       50.00000    \r\n"
    "\r\n"
    "  x cell size :    25.00000    \r\n"
    "  y cell size :    25.00000    \r\n"
    "  z cell size :    25.00000    \r\n"
    "\r\n"
    "  x cell count :           22\r\n"
    "  y cell count :           18\r\n"
    "  z cell count :           13\r\n"
    "\r\n";

const std::string kHead = kBanner + kSummary;

// A working directory with the example mesh and model, a square mesh whose x
// and y ranges overlap (150 to 200 on both axes), and model files of
// assorted names.
class KelvaneStart : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(kExamples + "mesh.msh", "mesh.msh");
    std::filesystem::copy_file(kExamples + "model_sus.den", "model_sus.den");
    write_file("sq.msh", "6 6 5\n0 0 100\n100 50 2*25 50 100\n100 50 2*25 50 100\n3*20 40 80\n");
    for (const char* name : {"plain.den", "Sus.den", "Mag.den", "x_MAG.den", "c:\\susan\\model.den", "magSUS"})
      write_file(name, "1\n");
  }

  struct Outcome {
    int status;
    std::string out, err;
    kelvane::KelvaneRun run;
  };

  // Steps 1 to 14 on a captured console.
  static Outcome start(std::vector<std::string> args, std::string input = {}) {
    CapturedConsole cc(std::move(args), std::move(input));
    Outcome o;
    o.status = suite::run_program(cc.con, [&] { kelvane::kelvane_start(cc.con, o.run); });
    o.out = cc.out.str();
    o.err = cc.err.str();
    return o;
  }

  TempDir dir;
};

std::vector<std::string> args9(const char* order, const char* s, const char* e, const char* inc,
                               const char* cell = "25", const char* style = "0",
                               const char* mesh = "mesh.msh", const char* model = "model_sus.den") {
  return {mesh, model, order, s, e, inc, cell, "sect", style};
}

TEST_F(KelvaneStart, AllNineArgumentsAskNothing) {
  const Outcome o = start(args9("x", "4400", "4600", "100"));
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, kHead);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.run.MARG, 9);
  EXPECT_EQ(o.run.MESHF.trimmed(), "mesh.msh");
  EXPECT_EQ(o.run.FILOUT.trimmed(), "sect");
  EXPECT_EQ(o.run.XSTART, 4400.0f);
  EXPECT_EQ(o.run.XEND, 4600.0f);
  EXPECT_EQ(o.run.XINC, 100.0f);
  EXPECT_EQ(o.run.GCELL, 25.0f);
  EXPECT_EQ(o.run.ISTYLE, 0);
  EXPECT_TRUE(o.run.ISMAG);
  EXPECT_EQ(o.run.mesh.MX, 22);
  EXPECT_EQ(o.run.model.values().size(), 22u * 18u * 13u);
}

// A rejected input: its message, exit status 0, nothing asked after it.
struct Rejection {
  const char* name;
  std::vector<std::string> args;
  const char* out_after_head;  // nullptr: the banner only (the mesh is not loaded)
  const char* err;
};

class Rejected : public KelvaneStart, public testing::WithParamInterface<Rejection> {};

TEST_P(Rejected, MessageAndStatusZero) {
  const Rejection& c = GetParam();
  const Outcome o = start(c.args);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, c.out_after_head == nullptr ? kBanner : kHead + c.out_after_head);
  EXPECT_EQ(o.err, c.err);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, Rejected,
    testing::Values(
        Rejection{"missing_mesh", {"nothere.msh"}, nullptr, " that file does not exist\r\n"},
        Rejection{"missing_model", {"mesh.msh", "nothere.den"}, "", " that file does not exist\r\n"},
        Rejection{"cell_zero", args9("x", "4400", "4600", "100", "0"), "  the cell size must be positive\r\n", ""},
        Rejection{"cell_negative", args9("x", "4400", "4600", "100", "-25"), "  the cell size must be positive\r\n",
                  ""},
        Rejection{"x_outside", args9("x", "0", "100", "10"),
                  "  The specified x coordinate limits are not within the mesh\r\n", ""},
        Rejection{"x_beyond_east", args9("X", "4751", "5000", "10"),
                  "  The specified x coordinate limits are not within the mesh\r\n", ""},
        Rejection{"y_outside", args9("y", "4400", "4600", "10"),
                  "  The specified y coordinate limits are not within the mesh\r\n", ""},
        Rejection{"z_above", args9("z", "400", "500", "10"),
                  "  The specified z coordinate limits are not within the mesh\r\n", ""},
        Rejection{"z_below_range", args9("q", "-100", "49", "10"),
                  "  The specified z coordinate limits are not within the mesh\r\n", ""},
        Rejection{"traverse_x", args9("t", "4000", "7400", "30"),
                  "  The specified traverse x coordinate is not within the mesh\r\n", ""},
        Rejection{"traverse_y", args9("T", "4400", "7000", "30"),
                  "  The specified traverse y coordinate is not within the mesh\r\n", ""},
        Rejection{"traverse_x_tested_first", args9("t", "4000", "7000", "30"),
                  "  The specified traverse x coordinate is not within the mesh\r\n", ""},
        Rejection{"increment_zero", args9("x", "4400", "4600", "0"), "  the increment value must be non-zero\r\n",
                  ""},
        Rejection{"style_out_of_range", args9("x", "4400", "4600", "100", "25", "2"),
                  "  the gridding style flag must be 0 or 1\r\n", ""},
        Rejection{"style_negative", args9("x", "4400", "4600", "100", "25", "-1"),
                  "  the gridding style flag must be 0 or 1\r\n", ""}),
    [](const testing::TestParamInfo<Rejection>& info) { return std::string(info.param.name); });

// Accepted inputs and what the run holds afterwards.
struct Accepted {
  const char* name;
  std::vector<std::string> args;
  float xstart, xend, xinc;
  const char* mshord;
  int32_t istyle;
  const char* out_tail;  // how the console output ends
};

class AcceptedInputs : public KelvaneStart, public testing::WithParamInterface<Accepted> {};

TEST_P(AcceptedInputs, RunHoldsTheCheckedValues) {
  const Accepted& c = GetParam();
  const Outcome o = start(c.args);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.run.XSTART, c.xstart);
  EXPECT_EQ(o.run.XEND, c.xend);
  EXPECT_EQ(o.run.XINC, c.xinc);
  EXPECT_EQ(o.run.MSHORD.trimmed(), c.mshord);
  EXPECT_EQ(o.run.ISTYLE, c.istyle);
  EXPECT_TRUE(o.out.ends_with(std::string("\r\n\r\n") + c.out_tail)) << o.out;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, AcceptedInputs,
    testing::Values(
        Accepted{"start_after_end_exchanged", args9("x", "4600", "4400", "100"), 4400, 4600, 100, "x", 0, ""},
        Accepted{"x_touching_the_range", args9("x", "0", "4350", "100"), 0, 4350, 100, "x", 0, ""},
        Accepted{"negative_increment_steps_by_its_magnitude", args9("y", "7400", "7600", "-50"), 7400, 7600, 50,
                 "y", 0, ""},
        Accepted{"blank_order_is_z", args9("", "100", "300", "25"), 100, 300, 25, "z", 0, ""},
        Accepted{"other_letter_is_z", args9("q", "300", "100", "25"), 100, 300, 25, "q", 0, ""},
        Accepted{"nearest_neighbour", args9("z", "100", "300", "25", "25", "1"), 100, 300, 25, "z", 1, ""},
        Accepted{"traverse_point_not_exchanged", args9("t", "190", "160", "45", "5", "0", "sq.msh"), 190, 160, 45,
                 "t", 0, ""},
        Accepted{"traverse_azimuth_kept_negative", args9("t", "4400", "7400", "-30"), 4400, 7400, -30, "t", 0, ""},
        Accepted{"tx_exchanged_then_traverse_check", args9("tx", "190", "160", "45", "5", "0", "sq.msh"), 160, 190,
                 45, "tx", 0, ""},
        Accepted{"no_nearest_neighbour_for_traverse", args9("t", "4400", "7400", "30", "25", "1"), 4400, 7400, 30,
                 "t", 0, "  nearest neighbour is not available for traverse sections\r\n"}),
    [](const testing::TestParamInfo<Accepted>& info) { return std::string(info.param.name); });

TEST_F(KelvaneStart, SusceptibilityByModelFileName) {
  struct Row {
    const char* name;
    bool ismag;
  };
  const Row rows[] = {{"model_sus.den", true}, {"c:\\susan\\model.den", true}, {"x_MAG.den", true},
                      {"magSUS", true},        {"plain.den", false},           {"Sus.den", false},
                      {"Mag.den", false}};
  for (const Row& r : rows) {
    const Outcome o = start(args9("x", "4400", "4600", "100", "25", "0", "mesh.msh", r.name));
    EXPECT_EQ(o.status, 0) << r.name;
    EXPECT_EQ(o.run.ISMAG, r.ismag) << r.name;
  }
}

TEST_F(KelvaneStart, LongArgumentIsCutAt80) {
  std::vector<std::string> args = args9("x", "4400", "4600", "100");
  args[7] = std::string(100, 'o');
  const Outcome o = start(args);
  EXPECT_EQ(o.run.FILOUT.view(), std::string(80, 'o'));
}

TEST_F(KelvaneStart, PromptsAfterThreeArguments) {
  const Outcome o = start({"mesh.msh", "model_sus.den", "x"}, "4400\n4600\n\n100\n25\nsect 'ignored'\n0\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, kHead +
                       "\r\n Enter the start coordinate :"
                       "\r\n Enter the end coordinate :"
                       "\r\n Enter the coordinate increment :"
                       "\r\n Enter the grid cell size :"
                       "\r\n Enter name of the output data file : "
                       "\r\n Enter the gridding style flag (0=minc, 1=nearest neighbour) : ");
  EXPECT_EQ(o.run.XINC, 100.0f);
  EXPECT_EQ(o.run.FILOUT.trimmed(), "sect");
}

TEST_F(KelvaneStart, EveryQuestionAskedWithoutArguments) {
  const Outcome o = start({}, "mesh.msh\nmodel_sus.den\nT\n4400\n7400\n30\n25\nsect\n0\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, kBanner + "\r\n Enter name of the mesh file : " + kSummary +
                       "\r\n Enter name of the inverted model file : "
                       "\r\n Output mesh ordered by t, x, y or [z] :"
                       "\r\n Enter the x coordinate of the traverse :"
                       "\r\n Enter the y coordinate of the traverse :"
                       "\r\n Enter the azimuth of the traverse :"
                       "\r\n Enter the grid cell size :"
                       "\r\n Enter name of the output data file : "
                       "\r\n Enter the gridding style flag (0=minc, 1=nearest neighbour) : ");
}

TEST_F(KelvaneStart, TraverseWordingOnlyForExactlyT) {
  for (const char* order : {"t", "T", "tx", "x"}) {
    const Outcome o = start({"mesh.msh", "model_sus.den", order}, "4400\n7400\n30\n25\nsect\n0\n");
    const bool traverse_words = std::string(order) == "t" || std::string(order) == "T";
    EXPECT_EQ(o.out.find(" Enter the x coordinate of the traverse :") != std::string::npos, traverse_words)
        << order;
    EXPECT_EQ(o.out.find(" Enter the start coordinate :") != std::string::npos, !traverse_words) << order;
  }
}

TEST_F(KelvaneStart, ZeroCellSizeStopsBeforeTheOutputName) {
  const Outcome o = start({"mesh.msh", "model_sus.den"}, "x\n4400\n4600\n100\n0\nsect\n0\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_TRUE(o.out.ends_with(" Enter the grid cell size :  the cell size must be positive\r\n")) << o.out;
  EXPECT_EQ(o.out.find("output data file"), std::string::npos);
}

TEST_F(KelvaneStart, NotANumberIsARunTimeFailure) {
  const Outcome o = start(args9("x", "44x0", "4600", "100"));
  EXPECT_NE(o.status, 0);
  EXPECT_EQ(o.out, kHead);
  EXPECT_NE(o.err.find("input conversion error"), std::string::npos) << o.err;
  EXPECT_EQ(o.err.find('\n'), o.err.size() - 1);
}

TEST_F(KelvaneStart, EndOfInputWhileAskingIsARunTimeFailure) {
  const Outcome o = start({"mesh.msh", "model_sus.den", "x"}, "4400\n");
  EXPECT_NE(o.status, 0);
  EXPECT_NE(o.err.find("end of file"), std::string::npos) << o.err;
}

// The real program as a subprocess, in a fresh directory.
class KelvaneProgram : public testing::Test {
 protected:
  int run(const std::string& args, const std::string& input = {}) {
    write_file("stdin.txt", input);
    const std::string cmd = std::string(SUITE_BINARY_DIR) + "/bin/kelvane " + args +
                            " < stdin.txt > stdout.txt 2> stderr.txt";
    const int rc = std::system(cmd.c_str());
    out = read_file("stdout.txt");
    err = read_file("stderr.txt");
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  static bool crlf_only(const std::string& s) {
    for (size_t n = 0; n < s.size(); ++n)
      if (s[n] == '\n' && (n == 0 || s[n - 1] != '\r')) return false;
    return true;
  }
  TempDir dir;
  std::string out, err;
  const std::string mesh = kExamples + "mesh.msh";
  const std::string model = kExamples + "model_sus.den";
};

TEST_F(KelvaneProgram, NineArgumentsPrintBannerUsageAndSummary) {
  EXPECT_EQ(run(mesh + " " + model + " x 4550 4550 100 25 sect 1"), 0) << err;
  EXPECT_TRUE(out.starts_with(kHead)) << out;
  EXPECT_TRUE(crlf_only(out));
  EXPECT_TRUE(crlf_only(err));
}

TEST_F(KelvaneProgram, PromptsWithoutLineEnd) {
  run(mesh + " " + model + " x", "4550\n4550\n100\n25\nsect\n1\n");
  EXPECT_TRUE(out.starts_with(kHead + "\r\n Enter the start coordinate :\r\n Enter the end coordinate :")) << out;
  EXPECT_TRUE(crlf_only(out));
}

TEST_F(KelvaneProgram, RejectionsEndWithStatusZero) {
  EXPECT_EQ(run("nothere.msh"), 0);
  EXPECT_EQ(out, kBanner);
  EXPECT_EQ(err, " that file does not exist\r\n");
  EXPECT_EQ(run(mesh + " " + model + " x 4550 4550 0 25 sect 0"), 0);
  EXPECT_EQ(out, kHead + "  the increment value must be non-zero\r\n");
  EXPECT_EQ(err, "");
}

TEST_F(KelvaneProgram, FailedReadGivesOneErrorLineAndNonZeroStatus) {
  EXPECT_NE(run(mesh + " " + model + " x abc"), 0);
  EXPECT_EQ(out, kHead);
  EXPECT_EQ(err.find("\r\n"), err.size() - 2) << err;
  EXPECT_NE(err.find("input conversion error"), std::string::npos) << err;
}

}  // namespace
