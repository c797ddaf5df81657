// build/bin/torrin run as a program on the bundled example: grid files with
// torrin's header and reversed rows, its run log, its stops, no scratch file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "converter_early/tests/torrin_support.h"

namespace {

namespace fs = std::filesystem;
using torrin_test::WorkDir;

struct Program {
  int status = -1;
  std::string out, err;
};

// Runs torrin in the current directory (a WorkDir) with the example files.
Program run_torrin_program(const std::vector<std::string>& args, const std::string& input = "") {
  for (const char* f : {"mesh.msh", "model_sus.den"})
    if (!fs::exists(f)) fs::copy_file(fs::path(SUITE_SOURCE_DIR) / "examples" / f, f);
  WorkDir::write(".stdin", input);
  std::string cmd = std::string("'") + SUITE_BINARY_DIR + "/bin/torrin'";
  for (const std::string& a : args) cmd += " '" + a + "'";
  cmd += " <.stdin >.stdout 2>.stderr";
  const int raw = std::system(cmd.c_str());
  Program p;
  p.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
  p.out = WorkDir::read(".stdout");
  p.err = WorkDir::read(".stderr");
  for (const char* f : {".stdin", ".stdout", ".stderr"}) fs::remove(f);
  return p;
}

// Files a torrin run may leave: inputs, grids, the data file and the log.
void expect_no_scratch(const WorkDir& dir) {
  for (const std::string& f : dir.files()) {
    EXPECT_NE(f.rfind("~minc", 0), 0u) << "scratch file left: " << f;
    EXPECT_NE(f, "grddat.xyz");
  }
}

struct Grid {
  int32_t nc = 0, nr = 0;
  std::vector<float> v;  // the rows as stored, row position 1 first
  float row_max(int32_t pos) const {
    float m = -1.0e32f;
    for (int32_t i = 0; i < nc; ++i) m = std::max(m, v[static_cast<size_t>((pos - 1) * nc + i)]);
    return m;
  }
};

// ---------------------------------------------------------------------------

struct SectionCase {
  const char* name;
  std::vector<std::string> args;
  std::vector<std::string> grids;
  int32_t nc, nr;
  double xo, yo;
  // Row positions (1 = first stored) inside the body of 0.05 and in the
  // background of 0.001: reversed rows put the top of an x or y section
  // and the north of a z section first.
  std::vector<int32_t> body, background;
};

class TorrinProgram : public ::testing::TestWithParam<SectionCase> {};

TEST_P(TorrinProgram, GridFilesWithHeaderAndReversedRows) {
  WorkDir dir;
  const SectionCase& c = GetParam();
  const Program p = run_torrin_program(c.args);
  EXPECT_EQ(p.status, 0);
  EXPECT_EQ(p.err, "");
  EXPECT_EQ(torrin_test::count_of(p.out, "  generating grid for "), static_cast<int>(c.grids.size()));
  for (const std::string& name : c.grids) {
    SCOPED_TRACE(name);
    const std::string bytes = WorkDir::read(name);
    ASSERT_EQ(bytes.size(), static_cast<size_t>(512 + 4 * c.nc * c.nr));
    EXPECT_EQ(torrin_test::int_at(bytes, 0), 4);
    EXPECT_EQ(torrin_test::int_at(bytes, 4), 2);
    EXPECT_EQ(torrin_test::int_at(bytes, 8), c.nc);
    EXPECT_EQ(torrin_test::int_at(bytes, 12), c.nr);
    EXPECT_EQ(torrin_test::int_at(bytes, 16), -2);
    // One spacing at both fields.
    EXPECT_EQ(torrin_test::double_at(bytes, 20), 25.0);
    EXPECT_EQ(torrin_test::double_at(bytes, 28), 25.0);
    EXPECT_EQ(torrin_test::double_at(bytes, 36), c.xo);
    EXPECT_EQ(torrin_test::double_at(bytes, 44), c.yo);
    Grid g{c.nc, c.nr, torrin_test::floats_of(bytes, 512)};
    float lo = 1.0e7f, hi = -1.0e7f;
    for (float v : g.v) {
      ASSERT_FALSE(std::isnan(v));
      if (v == -1.0e32f) continue;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    // Minimum and maximum patched into the header at the end.
    const std::vector<float> range = torrin_test::floats_of(bytes.substr(160, 8));
    EXPECT_EQ(range[0], lo);
    EXPECT_EQ(range[1], hi);
    for (int32_t pos : c.body) EXPECT_GT(g.row_max(pos), 0.04f) << "row position " << pos;
    for (int32_t pos : c.background) EXPECT_LT(g.row_max(pos), 0.01f) << "row position " << pos;
  }
  expect_no_scratch(dir);
  EXPECT_TRUE(fs::exists("grddat.dat"));
}

// The example: core cells of 25 from x 4350, y 7350, z 350 down; torrin's
// range x 4375..4700, y 7375..7600, z 125..350; the body of 0.05 fills
// columns 9..14, rows 7..12, layers 3..6 (z 300 to 200).
INSTANTIATE_TEST_SUITE_P(
    Example, TorrinProgram,
    ::testing::Values(
        SectionCase{"x", {"mesh.msh", "model_sus.den", "x", "4550", "4500", "50", "25", "sx"},
                    {"sx_4500.grd", "sx_4550.grd"}, 10, 10, 7375.0, 125.0, {4, 5, 6}, {1, 2, 9, 10}},
        SectionCase{"y", {"mesh.msh", "model_sus.den", "y", "7450", "7500", "50", "25", "sy"},
                    {"sy_7450.grd", "sy_7500.grd"}, 14, 10, 4375.0, 125.0, {4, 5, 6}, {1, 2, 9, 10}},
        SectionCase{"z", {"mesh.msh", "model_sus.den", "z", "250", "250", "10", "25", "sz"}, {"sz_250.grd"},
                    14, 10, 4375.0, 7375.0, {3, 4, 5, 6}, {9, 10}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The run log of the last section in torrin's layout: parameter lines of 30
// bytes (the rotation line 31), and for every block an empty line, the
// 48-byte header and a 46-byte block line, the log reopened each time.

TEST(TorrinProgramLog, ParameterAndBlockLines) {
  WorkDir dir;
  // A cell size of 2 needs two tiers of one block each.
  const Program p = run_torrin_program({"mesh.msh", "model_sus.den", "z", "300", "250", "50", "2", "big"});
  ASSERT_EQ(p.status, 0);
  const std::string log = WorkDir::read("minc.log");
  std::vector<std::string> lines;
  for (size_t at = 0; at < log.size();) {
    const size_t end = log.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "line without CR LF at byte " << at;
    lines.push_back(log.substr(at, end - at));
    at = end + 2;
  }
  // Only the last section's log (300; 250 has the same geometry).
  EXPECT_EQ(torrin_test::count_of(log, " x origin "), 1);
  const char* labels[] = {" x origin ",     " y origin ",    " cell size ",     " num columns  ",
                          " num rows ",     " z channel ",   " max chan ",      " search radius ",
                          " rotation angle ", " null data ",   " half window ",   " total columns ",
                          " total rows ",   " number tiers ", " sections/tier ", " columns/block ",
                          " rows/block "};
  ASSERT_GE(lines.size(), 17u + 6u);
  for (size_t n = 0; n < 17; ++n) {
    SCOPED_TRACE(lines[n]);
    EXPECT_EQ(lines[n].rfind(labels[n], 0), 0u);
    EXPECT_EQ(lines[n].size(), n == 8 ? 29u : 28u);
  }
  // floor(4375, 2) = 4374: the origin of a cell size of 2.
  EXPECT_EQ(lines[0], " x origin            4374.00");
  EXPECT_EQ(lines[1], " y origin            7374.00");
  EXPECT_EQ(lines[2], " cell size            2.0000");
  EXPECT_EQ(lines[3], " num columns             164");
  EXPECT_EQ(lines[8], " rotation angle         0.000");
  EXPECT_EQ(lines[9], " null data        -99999.000");
  EXPECT_EQ(lines[13], " number tiers              2");
  const std::regex block(R"( [ 0-9]{3}[0-9]  [ 0-9]{3}[0-9]  [ -]\d\.\d\dE[-+]\d\d  [ -]\d\.\d\dE[-+]\d\d  [ 0-9]{2}\d {6})");
  const size_t blocks = (lines.size() - 17) / 3;
  EXPECT_EQ(blocks, 2u);
  EXPECT_EQ(lines.size(), 17 + 3 * blocks);
  for (size_t b = 0; b < blocks; ++b) {
    EXPECT_EQ(lines[17 + 3 * b], "");
    EXPECT_EQ(lines[18 + 3 * b], " tier  sect  init err   end err    #iterations");
    EXPECT_EQ(lines[19 + 3 * b].size(), 44u);
    EXPECT_TRUE(std::regex_match(lines[19 + 3 * b], block)) << lines[19 + 3 * b];
    EXPECT_EQ(lines[19 + 3 * b].substr(0, 11), b == 0 ? "    1     1" : "    2     1");
    // torrin stops a block after at most NIM = 20 iterations.
    const int ni = std::stoi(lines[19 + 3 * b].substr(35, 3));
    EXPECT_GE(ni, 1);
    EXPECT_LE(ni, 20);
  }
  expect_no_scratch(dir);
}

// ---------------------------------------------------------------------------
// Stops and a failing section, as a program.

TEST(TorrinProgramStop, ZeroIncrementStopsBeforeTheCellSize) {
  WorkDir dir;
  const Program p = run_torrin_program({"mesh.msh", "model_sus.den", "y", "7400", "7500", "0", "abc", "out"});
  EXPECT_EQ(p.status, 0);
  EXPECT_EQ(p.err, "");
  const std::string tail = "  the increment value must be non-zero\r\nStop - Program terminated.\r\n";
  ASSERT_GE(p.out.size(), tail.size());
  EXPECT_EQ(p.out.substr(p.out.size() - tail.size()), tail);
  EXPECT_FALSE(fs::exists("minc.log"));
}

TEST(TorrinProgramStop, FailedSectionNamedOnStandardError) {
  WorkDir dir;
  // A cell size of 0.05 asks for 6501 x 4501 nodes: no block layout fits.
  const Program p = run_torrin_program({"mesh.msh", "model_sus.den", "z", "300", "300", "1", "0.05", "big"});
  EXPECT_EQ(p.status, 0);
  EXPECT_EQ(torrin_test::count_lines(p.err), 1);
  EXPECT_NE(p.err.find(" no grid for the section at 300.0000: MINC status -1001"), std::string::npos) << p.err;
  EXPECT_EQ(p.out.find("Stop - "), std::string::npos);
  EXPECT_NE(p.out.find("  generating grid for "), std::string::npos);
  EXPECT_FALSE(fs::exists("big_300.grd"));
  expect_no_scratch(dir);
}

}  // namespace
