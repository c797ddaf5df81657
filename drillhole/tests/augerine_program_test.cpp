// augerine run as a program (build/bin/augerine) in a private temporary
// directory: the sampling loop on a small mesh, its console messages and
// output layout, the progress lines and the quiet end of the loop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/program_run.h"

namespace {

using suite_test::crlf_lines;
using suite_test::read_file;
using suite_test::RunResult;
using suite_test::write_file;

// The 15-character output field of a real in fixed-point form (text right
// justified in 11, then 4 blanks) and in exponent form (right justified in 15).
std::string F(const std::string& digits) { return std::string(11 - digits.size(), ' ') + digits + "    "; }
std::string E(const std::string& digits) { return std::string(15 - digits.size(), ' ') + digits; }

// Columns 0-10-20-30, rows 0-10-20, layers 0, -10, -20, -30.
const std::string kMesh = "3 2 3\n0.0 0.0 0.0\n3*10.0\n2*10.0\n3*10.0\n";

// Values in file order (row, column, layer); cell (1,1,1) 0.001, cell
// (2,2,3) -1.0, cell (3,1,3) -100.0, all others 0.5.
std::string model_text() {
  std::vector<std::string> v(18, "0.5");
  v[0] = "0.001";
  v[14] = "-1.0";
  v[8] = "-100.0";
  std::string s;
  for (const auto& x : v) s += x + "\n";
  return s;
}

class AugerineProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    write_file(dir_.file("mesh.msh"), kMesh);
    write_file(dir_.file("model.den"), model_text());
  }
  RunResult run(const std::vector<std::string>& args, const std::string& input = "") {
    return suite_test::run_program(suite_test::program_path("augerine"), args, input, dir_.path(),
                                   std::chrono::seconds(30));
  }
  RunResult sample(const std::string& positions, const std::string& nhead, const std::string& x,
                   const std::string& y, const std::string& z) {
    write_file(dir_.file("pts.txt"), positions);
    return run({"mesh.msh", "model.den", "pts.txt", nhead, x, y, z, "out.txt"});
  }
  std::vector<std::string> output() { return crlf_lines(read_file(dir_.file("out.txt"))); }
  // Console lines after the banner and the mesh summary.
  static std::vector<std::string> messages(const std::string& out) {
    std::vector<std::string> lines = crlf_lines(out);
    std::vector<std::string> m;
    for (const auto& l : lines)
      if (l.find("outside mesh") != std::string::npos || l.find("processed") != std::string::npos) m.push_back(l);
    return m;
  }

  suite_test::TempDir dir_{"augerine_prog"};
};

TEST_F(AugerineProgram, SamplesTiesOutsidePointsShortLinesAndStopsAtAHoleName) {
  const std::string positions =
      "sample x y z hole\n"
      "1 5 5 -5 DDH-01\n"    // inside; the hole name after column 4 is never read
      "2 10 10 -10 DDH-01\n" // on inner boundaries: west column, south row, upper layer
      "3 0 5 -5\n"           // x on the west edge: outside
      "4 40 5 10\n"          // x and z outside: only the x message
      "\n"                   // empty lines are skipped
      "5 5 5 0\n"            // z at the top: outside
      "6 15 15\n"            // short line: z comes from the next line
      "-25\n"
      "7 25 5 -25\n"
      "DDH-02 5 5 -5\n"      // not a real in column 1: the loop ends here
      "8 5 5 -5\n";
  const RunResult r = sample(positions, "1", "2", "3", "4");
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");

  const std::vector<std::string> expect = {
      " x,y,z,sus",
      " " + F("5.000000") + F("5.000000") + F("-5.000000") + F("1000.000"),
      " " + F("10.00000") + F("10.00000") + F("-10.00000") + F("1000.000"),
      " " + E("0.0000000E+00") + F("5.000000") + F("-5.000000") + F("-1.000000"),
      " " + F("40.00000") + F("5.000000") + F("10.00000") + F("-1.000000"),
      " " + F("5.000000") + F("5.000000") + E("0.0000000E+00") + F("-1.000000"),
      " " + F("15.00000") + F("15.00000") + F("-25.00000") + F("-1000000."),
      " " + F("25.00000") + F("5.000000") + F("-25.00000") + E("-1.0000000E+08"),
  };
  const std::vector<std::string> got = output();
  EXPECT_EQ(got, expect);
  for (size_t i = 1; i < got.size(); ++i) EXPECT_EQ(got[i].size(), 61u) << i;

  const std::vector<std::string> console = {
      "  x value outside mesh :            3" + E("0.0000000E+00"),
      "  x value outside mesh :            4" + F("40.00000"),
      "  z value outside mesh :            5" + E("0.0000000E+00"),
  };
  EXPECT_EQ(messages(r.out), console);
  for (const auto& line : messages(r.out)) EXPECT_EQ(line.size(), 52u);
}

TEST_F(AugerineProgram, OutsideInYIsReportedWithY) {
  const RunResult r = sample("5 20 -5\n5 -3 -35\n", "0", "1", "2", "3");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(messages(r.out), (std::vector<std::string>{"  y value outside mesh :            1" + F("20.00000"),
                                                       "  y value outside mesh :            2" + F("-3.000000")}));
  EXPECT_EQ(output().size(), 3u);
}

TEST_F(AugerineProgram, ProgressLineEveryThousandPoints) {
  std::string positions;
  for (int p = 0; p < 2500; ++p) positions += "5.0, 5.0, -5.0\n";
  const RunResult r = sample(positions, "0", "1", "2", "3");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(messages(r.out), (std::vector<std::string>{"  processed :         1000", "  processed :         2000"}));
  EXPECT_EQ(output().size(), 2501u);
}

TEST_F(AugerineProgram, SameColumnForAllThreeCoordinatesAndTrailingEmptyLines) {
  // x = y = z = 5 lies above the top of the mesh; the empty lines at the end
  // end the loop without a message.
  const RunResult r = sample("5 1 2\n\n\n", "0", "1", "1", "1");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(messages(r.out), (std::vector<std::string>{"  z value outside mesh :            1" + F("5.000000")}));
  EXPECT_EQ(output(), (std::vector<std::string>{
                          " x,y,z,sus", " " + F("5.000000") + F("5.000000") + F("5.000000") + F("-1.000000")}));
}

TEST_F(AugerineProgram, ColumnBeyondTheBufferIsRefusedBeforeAnyOutput) {
  const RunResult r = sample("1 2 3\n", "0", "1", "2", "200");
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, " Location of z coordinate cannot be larger than 77\r\n");
  EXPECT_FALSE(suite_test::file_exists(dir_.file("out.txt")));
}

TEST_F(AugerineProgram, MissingModelStopsWithItsMessage) {
  write_file(dir_.file("pts.txt"), "5 5 -5\n");
  const RunResult r = run({"mesh.msh", "nothere.den", "pts.txt", "0", "1", "2", "3", "out.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, " the model file does not exist\r\n");
}

TEST_F(AugerineProgram, HeaderLinesBeyondTheFileFailAfterWritingTheHeader) {
  const RunResult r = sample("only line\n", "2", "1", "2", "3");
  ASSERT_TRUE(r.exited);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("pts.txt"), std::string::npos) << r.err;
  EXPECT_EQ(output(), (std::vector<std::string>{" x,y,z,sus"}));
}

}  // namespace
