// brimlet run as a program (build/bin/brimlet) in a private temporary
// directory: the fill cases on small meshes, the written layout, the
// overwrite dialogue, a stop and a run-time failure with their exit statuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/program_run.h"

namespace {

using suite_test::crlf_lines;
using suite_test::file_exists;
using suite_test::read_file;
using suite_test::RunResult;
using suite_test::write_file;

struct FillCase {
  const char* name;
  std::string mesh;
  std::vector<std::string> model;  // values in file order
  std::vector<std::string> limits;  // xmin xmax ymin ymax zmin zmax val
  std::vector<std::string> expect;  // written lines
};

void PrintTo(const FillCase& c, std::ostream* os) { *os << c.name; }

class BrimletProgram : public ::testing::Test {
 protected:
  // A run that does not end within the limit is killed and reported.
  RunResult run(const std::vector<std::string>& args, const std::string& input = "") {
    return suite_test::run_program(suite_test::program_path("brimlet"), args, input, dir_.path(),
                                   std::chrono::seconds(20));
  }
  std::string at(const std::string& name) const { return dir_.file(name); }

  suite_test::TempDir dir_{"brimlet_prog"};
};

class BrimletFill : public BrimletProgram, public ::testing::WithParamInterface<FillCase> {};

std::string lines_of(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& x : v) s += x + "\n";
  return s;
}

constexpr const char* kZero = "  0.000000E+00";
constexpr const char* kFive = "  0.500000E+01";
constexpr const char* kMinusOne = " -0.100000E+01";

TEST_P(BrimletFill, WritesTheFilledModel) {
  const FillCase& c = GetParam();
  write_file(at("mesh.msh"), c.mesh);
  write_file(at("in.den"), lines_of(c.model));
  std::vector<std::string> args = {"mesh.msh", "in.den", "out.den"};
  args.insert(args.end(), c.limits.begin(), c.limits.end());
  const RunResult r = run(args);
  ASSERT_TRUE(r.exited) << "signal " << r.signal;
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  std::string expect;
  for (const auto& line : c.expect) expect += line + "\r\n";
  EXPECT_EQ(read_file(at("out.den")), expect);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrimletFill,
    ::testing::Values(
        // Columns 99.5-100.5, 100.5-101.5, 101.5-103.5 with xmin 100: the
        // first reaches only 0.5 past xmin and stays 0.0.
        FillCase{"column_half_unit_past_xmin",
                 "3 1 1\n99.5 0.0 0.0\n1.0 1.0 2.0\n10.0\n10.0\n",
                 {"1.0", "1.0", "1.0"},
                 {"100", "200", "0", "10", "-10", "0", "5"},
                 {kZero, kFive, kFive}},
        // Columns 99-101, 101-103 with xmin 100: the first reaches 1.0 past it.
        FillCase{"column_one_unit_past_xmin",
                 "2 1 1\n99.0 0.0 0.0\n2*2.0\n10.0\n10.0\n",
                 {"1.0", "1.0"},
                 {"100", "200", "0", "10", "-10", "0", "5"},
                 {kFive, kFive}},
        // The box equal to the mesh extent: every cell but those of the
        // 0.5-wide first column; the negative cell inside stays.
        FillCase{"box_equal_to_extent",
                 "3 1 2\n0.0 0.0 0.0\n0.5 2.0 2.0\n2.0\n2.0 2.0\n",
                 {"1", "1", "1", "-1.0", "0", "3"},
                 {"0", "4.5", "0", "2", "-4", "0", "0.05"},
                 {kZero, kZero, "  0.500000E-01", kMinusOne, "  0.500000E-01", "  0.500000E-01"}},
        // xmax on the west edge is accepted and fills nothing; negative cells
        // keep their value, the others become 0.0.
        FillCase{"xmax_on_west_edge",
                 "2 1 1\n0.0 0.0 0.0\n2*2.0\n2.0\n2.0\n",
                 {"-1", "123.456"},
                 {"-10", "0", "0", "2", "-2", "0", "7"},
                 {kMinusOne, kZero}},
        // A negative fill value is written like any other; negative cells keep
        // their own value inside the box too.
        FillCase{"negative_value",
                 "2 1 1\n0.0 0.0 0.0\n2*2.0\n2.0\n2.0\n",
                 {"-0.5", "0.0"},
                 {"0", "4", "0", "2", "-2", "0", "-123.456"},
                 {" -0.500000E+00", " -0.123456E+03"}}),
    [](const ::testing::TestParamInfo<FillCase>& i) { return std::string(i.param.name); });

const std::string kMesh = "2 2 2\n0.0 0.0 0.0\n2*10.0\n2*10.0\n2*10.0\n";
const std::string kModel = "8*1.0\n";

TEST_F(BrimletProgram, AllTenArgumentsAskNothingAndReplaceAnExistingOutput) {
  write_file(at("mesh.msh"), kMesh);
  write_file(at("in.den"), kModel);
  write_file(at("out.den"), "old\n");
  const RunResult r = run({"mesh.msh", "in.den", "out.den", "0", "20", "0", "20", "-20", "0", "0.05"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find("Enter"), std::string::npos);
  EXPECT_EQ(r.out.find("overwrite"), std::string::npos);
  const std::vector<std::string> lines = crlf_lines(read_file(at("out.den")));
  EXPECT_EQ(lines, std::vector<std::string>(8, "  0.500000E-01"));
}

TEST_F(BrimletProgram, OverwriteDialogueEmptyAnswerAsksAgainAndYReplaces) {
  write_file(at("mesh.msh"), kMesh);
  write_file(at("in.den"), kModel);
  write_file(at("out.den"), "old\n");
  const RunResult r = run({"mesh.msh", "in.den"}, "out.den\n\nout.den\nY\n0 20\n0 20\n-20 0\n2\n");
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string ask = " Enter name of output susceptability file : ";
  const std::string question = " The specified file already exists, overwrite [n] : ";
  // name, question (no), empty line, name again, question (yes).
  const std::string expect_seq = "\r\n" + ask + question + "\r\n" + ask + question + "\r\n";
  EXPECT_NE(r.out.find(expect_seq), std::string::npos) << r.out;
  EXPECT_EQ(crlf_lines(read_file(at("out.den"))), std::vector<std::string>(8, "  0.200000E+01"));
}

TEST_F(BrimletProgram, InvalidLimitsStopWithStatusZeroOnStandardError) {
  write_file(at("mesh.msh"), kMesh);
  write_file(at("in.den"), kModel);
  const RunResult r = run({"mesh.msh", "in.den", "out.den", "10", "10", "0", "20", "-20", "0", "1"});
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, " x limits are invalid\r\n");
  EXPECT_EQ(r.out.find("limits are invalid"), std::string::npos);
  EXPECT_FALSE(file_exists(at("out.den")));
}

TEST_F(BrimletProgram, LimitsBeyondTheMeshFromArgumentsStopInsteadOfLooping) {
  write_file(at("mesh.msh"), kMesh);
  write_file(at("in.den"), kModel);
  const RunResult r = run({"mesh.msh", "in.den", "out.den", "0", "20", "0", "20", "5", "9", "1"});
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, " minimum z is larger than mesh z limit\r\n");
  EXPECT_FALSE(file_exists(at("out.den")));
}

TEST_F(BrimletProgram, ShortModelIsARunTimeFailureWithoutOutput) {
  write_file(at("mesh.msh"), kMesh);
  write_file(at("in.den"), "7*1.0\n");
  const RunResult r = run({"mesh.msh", "in.den", "out.den", "0", "20", "0", "20", "-20", "0", "1"});
  ASSERT_TRUE(r.exited);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("in.den"), std::string::npos) << r.err;
  EXPECT_FALSE(file_exists(at("out.den")));
}

TEST_F(BrimletProgram, EndOfInputDuringTheDialogueIsARunTimeFailure) {
  write_file(at("mesh.msh"), kMesh);
  write_file(at("in.den"), kModel);
  const RunResult r = run({"mesh.msh", "in.den", "out.den"}, "0 20\n");
  ASSERT_TRUE(r.exited);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("end of file"), std::string::npos) << r.err;
  EXPECT_FALSE(file_exists(at("out.den")));
}

}  // namespace
