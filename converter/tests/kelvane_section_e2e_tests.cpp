// End-to-end runs of the kelvane program on the example mesh and model
// (examples/mesh.msh, examples/model_sus.den), each in a fresh directory:
// sections along x, y and z by minimum curvature and by nearest neighbour,
// and a traverse.
//
// The example: 22 x 18 x 13 cells, skip counts 3, 3 and 2; the mesh range
// is x 4350..4750, y 7350..7650, z 50..350 in cells of 25; a susceptibility
// model (scaled by 1.0e6) of 1000 with a block of 50000.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/freeformat.h"
#include "converter/tests/section_fixture.h"
#include "gridout/geoout.h"

namespace {

namespace fs = std::filesystem;

const fs::path kKelvane = fs::path(SUITE_BINARY_DIR) / "bin" / "kelvane";
const fs::path kExamples = fs::path(SUITE_SOURCE_DIR) / "examples";

struct ProgramRun {
  int status = -1;  // exit status; -1 when the program did not exit normally
  std::string out, err;
};

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs kelvane with `args` in `dir`, standard input empty.
ProgramRun run_kelvane(const section_test::ScratchDir& dir, const std::vector<std::string>& args) {
  std::string cmd = "cd ";
  cmd += quoted(dir.path());
  cmd += " && timeout 300 ";
  cmd += quoted(kKelvane.string());
  for (const std::string& a : args) {
    cmd += ' ';
    cmd += quoted(a);
  }
  cmd += " </dev/null >.run-out 2>.run-err";
  const int raw = std::system(cmd.c_str());
  ProgramRun r;
  r.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = dir.read(".run-out");
  r.err = dir.read(".run-err");
  std::error_code ec;
  fs::remove(dir.file(".run-out"), ec);
  fs::remove(dir.file(".run-err"), ec);
  return r;
}

struct GridFile {
  int32_t nc = 0, nr = 0, order = 0;
  double delx = 0, dely = 0, xo = 0, yo = 0;
  std::vector<float> values;
};

GridFile read_grid(const std::string& bytes) {
  GridFile g;
  if (bytes.size() < 512) return g;
  std::memcpy(&g.nc, bytes.data() + 8, 4);
  std::memcpy(&g.nr, bytes.data() + 12, 4);
  std::memcpy(&g.order, bytes.data() + 16, 4);
  std::memcpy(&g.delx, bytes.data() + 20, 8);
  std::memcpy(&g.dely, bytes.data() + 28, 8);
  std::memcpy(&g.xo, bytes.data() + 36, 8);
  std::memcpy(&g.yo, bytes.data() + 44, 8);
  g.values = section_test::read_floats(bytes.substr(512));
  return g;
}

// The example model as the converter holds it: SUS(i, j, k) scaled by 1.0e6.
struct ExampleModel {
  static constexpr int32_t MX = 22, MY = 18, MZ = 13;
  std::vector<float> v;  // file order: row, column, layer fastest
  ExampleModel() {
    std::ifstream f(kExamples / "model_sus.den");
    std::string line;
    while (std::getline(f, line)) {
      if (line.find_first_not_of(" \r") == std::string::npos) continue;
      v.push_back(std::strtof(line.c_str(), nullptr) * 1.0e6f);
    }
  }
  [[nodiscard]] float operator()(int32_t i, int32_t j, int32_t k) const {
    return v[static_cast<size_t>(((j - 1) * MX + (i - 1)) * MZ + (k - 1))];
  }
};

class KelvaneRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kKelvane)) << kKelvane;
    for (const char* f : {"mesh.msh", "model_sus.den"}) fs::copy_file(kExamples / f, dir_.file(f));
  }
  ProgramRun run(const std::vector<std::string>& tail) {
    std::vector<std::string> args{"mesh.msh", "model_sus.den"};
    args.insert(args.end(), tail.begin(), tail.end());
    return run_kelvane(dir_, args);
  }
  void expect_no_scratch() {
    for (const auto& e : fs::directory_iterator(dir_.path())) {
      EXPECT_NE(e.path().filename().string().rfind("~minc", 0), 0u) << e.path();
    }
  }
  // The run log of a grid of nc x nr nodes at (xo, yo): parameter lines in
  // their columns, a block table, every line ending in CR LF.
  void expect_log(float xo, float yo, int32_t nc, int32_t nr) {
    const std::string log = dir_.read("minc.log");
    ASSERT_FALSE(log.empty());
    ASSERT_EQ(log.substr(log.size() - 2), "\r\n");
    std::vector<std::string> lines;
    for (size_t p = 0; p < log.size();) {
      const size_t e = log.find("\r\n", p);
      ASSERT_NE(e, std::string::npos);
      lines.push_back(log.substr(p, e - p));
      p = e + 2;
    }
    ASSERT_GE(lines.size(), 12u);
    const auto number = [&](size_t n, const char* label) {
      EXPECT_EQ(lines[n].rfind(label, 0), 0u) << lines[n];
      EXPECT_EQ(lines[n].size(), n == 9 ? 29u : 28u) << lines[n];
      return std::strtof(lines[n].c_str() + std::strlen(label), nullptr);
    };
    EXPECT_EQ(number(0, " x origin "), xo);
    EXPECT_EQ(number(1, " y origin "), yo);
    EXPECT_EQ(number(2, " x cell size "), 25.0f);
    EXPECT_EQ(number(3, " y cell size "), 25.0f);
    EXPECT_EQ(number(4, " num columns  "), static_cast<float>(nc));
    EXPECT_EQ(number(5, " num rows "), static_cast<float>(nr));
    EXPECT_EQ(number(6, " z channel "), 1.0f);
    EXPECT_EQ(number(7, " max chan "), 1.0f);
    EXPECT_EQ(number(8, " search radius "), 125.0f);  // 5 x 25
    EXPECT_EQ(number(9, " rotation angle "), 0.0f);
    EXPECT_EQ(number(10, " null data "), -99999.0f);
    EXPECT_NE(log.find(" tier  sect"), std::string::npos);
  }
  // The section data files: raw records and their free-format copies agree.
  std::vector<float> expect_data_files(size_t columns) {
    const std::vector<float> dat = section_test::read_floats(dir_.read("grddat.dat"));
    EXPECT_EQ(dat.size() % 3, 0u);
    const std::string xyz = dir_.read("grddat.xyz");
    std::istringstream text(xyz);
    std::string line;
    size_t n = 0;
    while (std::getline(text, line)) {
      EXPECT_EQ(line.back(), '\r');
      std::istringstream values(line);
      std::vector<float> row;
      float v = 0;
      while (values >> v) row.push_back(v);
      EXPECT_EQ(row.size(), columns) << line;
      ++n;
    }
    EXPECT_EQ(n, dat.size() / 3);
    return dat;
  }

  section_test::ScratchDir dir_{"kelvane_e2e"};
};

// Cell centres of the example within the loops of the extraction: the
// core cells of 25 and the first wider cell beyond them.
float x_centre(int32_t i) { return i <= 19 ? 4362.5f + 25.0f * static_cast<float>(i - 4) : 4775.0f; }
float y_centre(int32_t j) { return j <= 15 ? 7362.5f + 25.0f * static_cast<float>(j - 4) : 7675.0f; }
float z_centre(int32_t k) { return k <= 10 ? 337.5f - 25.0f * static_cast<float>(k - 1) : (k == 11 ? 75.0f : 0.0f); }

// The data points of the last section of each run: x 4700 is column 17, y
// 7600 row 13, z 300 layer 2; columns 4..20, rows 4..16, layers 1..12.
std::vector<float> last_x_section(const ExampleModel& sus) {
  std::vector<float> p;
  for (int32_t j = 4; j <= 16; ++j)
    for (int32_t k = 1; k <= 12; ++k) p.insert(p.end(), {y_centre(j), z_centre(k), sus(17, j, k)});
  return p;
}
std::vector<float> last_y_section(const ExampleModel& sus) {
  std::vector<float> p;
  for (int32_t i = 4; i <= 20; ++i)
    for (int32_t k = 1; k <= 12; ++k) p.insert(p.end(), {x_centre(i), z_centre(k), sus(i, 13, k)});
  return p;
}
std::vector<float> last_z_section(const ExampleModel& sus) {
  std::vector<float> p;
  for (int32_t i = 4; i <= 20; ++i)
    for (int32_t j = 4; j <= 16; ++j) p.insert(p.end(), {x_centre(i), y_centre(j), sus(i, j, 2)});
  return p;
}

struct MincCase {
  const char* name;
  const char* order;
  const char* start;
  const char* end;
  const char* inc;
  std::vector<std::string> grids;
  int32_t nc, nr;
  float xo, yo;
  std::vector<float> (*last_section)(const ExampleModel&);
};

class KelvaneMinc : public KelvaneRun, public ::testing::WithParamInterface<MincCase> {};

TEST_P(KelvaneMinc, GridsNamedAndShapedBySection) {
  const MincCase& c = GetParam();
  const ProgramRun r = run({c.order, c.start, c.end, c.inc, "25", "sect", "0"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(section_test::count_of(r.out, " generating grid for "), static_cast<int>(c.grids.size()));
  for (const std::string& name : c.grids) {
    const std::string bytes = dir_.read(name);
    ASSERT_EQ(bytes.size(), 512u + 4u * static_cast<size_t>(c.nc * c.nr)) << name;
    const GridFile g = read_grid(bytes);
    EXPECT_EQ(g.nc, c.nc);
    EXPECT_EQ(g.nr, c.nr);
    EXPECT_EQ(g.order, 1);
    EXPECT_EQ(g.delx, 25.0);
    EXPECT_EQ(g.dely, 25.0);
    EXPECT_EQ(g.xo, c.xo);
    EXPECT_EQ(g.yo, c.yo);
    size_t finite = 0;
    for (const float v : g.values) finite += v != gridout::kNull ? 1 : 0;
    EXPECT_GT(finite, 0u) << name;
  }
  const ExampleModel sus;
  EXPECT_EQ(expect_data_files(3), c.last_section(sus));
  expect_log(c.xo, c.yo, c.nc, c.nr);
  expect_no_scratch();
}

INSTANTIATE_TEST_SUITE_P(
    Orders, KelvaneMinc,
    ::testing::Values(
        MincCase{"X", "x", "4400", "4700", "100",
                 {"sect_4400.grd", "sect_4500.grd", "sect_4600.grd", "sect_4700.grd"}, 13, 13, 7350, 50, last_x_section},
        MincCase{"Y", "y", "7600", "7400", "100", {"sect_7400.grd", "sect_7500.grd", "sect_7600.grd"},
                 17, 13, 4350, 50, last_y_section},
        MincCase{"Z", "z", "100", "312.5", "100", {"sect_100.grd", "sect_200.grd", "sect_300.grd"},
                 17, 13, 4350, 7350, last_z_section}),
    [](const auto& info) { return std::string(info.param.name); });

struct NearestCase {
  const char* name;
  const char* order;
  const char* pos;
  const char* grid;
  int32_t nc, nr;
  float xo, yo;
  // The cell of node (c, r): the fixed index of the section and the cells
  // along the two grid axes.
  int32_t fixed;
  int32_t (*col_cell)(int32_t c);
  int32_t (*row_cell)(int32_t r);
};

// x section: nodes at grid-cell centres, row j = 3 + c; layers 11 (below
// 100), 13 - r (25 each), 1 (the top layer and above it).
int32_t x_col(int32_t c) { return 3 + c; }
int32_t x_row(int32_t r) { return r >= 12 ? 1 : (r >= 3 ? 13 - r : 11); }
// y section: nodes on the cell boundaries take the western column c + 2 and
// the upper layer.
int32_t y_col(int32_t c) { return c + 2; }
int32_t y_row(int32_t r) { return r <= 2 ? 11 : (r == 13 ? 1 : 13 - r); }
// z section: nodes on the boundaries take the western column and southern row.
int32_t z_row(int32_t r) { return r + 2; }

class KelvaneNearest : public KelvaneRun, public ::testing::WithParamInterface<NearestCase> {};

TEST_P(KelvaneNearest, NodesTakeTheirModelCells) {
  const NearestCase& c = GetParam();
  const ProgramRun r = run({c.order, c.pos, c.pos, "100", "25", "sect", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(dir_.exists("grddat.dat"));
  EXPECT_FALSE(dir_.exists("minc.log"));
  const GridFile g = read_grid(dir_.read(c.grid));
  ASSERT_EQ(g.nc, c.nc);
  ASSERT_EQ(g.nr, c.nr);
  EXPECT_EQ(g.delx, 25.0);
  EXPECT_EQ(g.dely, 25.0);
  EXPECT_EQ(g.xo, c.xo);
  EXPECT_EQ(g.yo, c.yo);
  ASSERT_EQ(g.values.size(), static_cast<size_t>(c.nc * c.nr));
  const ExampleModel sus;
  ASSERT_EQ(sus.v.size(), static_cast<size_t>(22 * 18 * 13));
  int distinct = 0;
  for (int32_t row = 1; row <= c.nr; ++row) {
    for (int32_t col = 1; col <= c.nc; ++col) {
      const int32_t a = c.col_cell(col), b = c.row_cell(row);
      float v = 0;
      switch (c.order[0]) {
        case 'x': v = sus(c.fixed, a, b); break;
        case 'y': v = sus(a, c.fixed, b); break;
        default: v = sus(a, b, c.fixed); break;
      }
      if (!(v > 0.0f)) v = gridout::kNull;
      const float got = g.values[static_cast<size_t>((row - 1) * c.nc + col - 1)];
      EXPECT_EQ(got, v) << "node (" << col << ", " << row << ")";
      distinct += got > 1000.0f ? 1 : 0;
    }
  }
  EXPECT_GT(distinct, 0) << "the section misses the block of 50000";
  expect_no_scratch();
}

INSTANTIATE_TEST_SUITE_P(
    Orders, KelvaneNearest,
    ::testing::Values(
        // Easting 4512.5 lies in column 10.
        NearestCase{"X", "x", "4512.5", "sect_4512.grd", 13, 13, 7350, 50, 10, x_col, x_row},
        // Northing 7512.5 lies in row 10.
        NearestCase{"Y", "y", "7512.5", "sect_7512.grd", 17, 13, 4350, 50, 10, y_col, y_row},
        // Elevation 212.5 lies in layer 6.
        NearestCase{"Z", "z", "212.5", "sect_212.grd", 17, 13, 4350, 7350, 6, y_col, z_row}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KelvaneRun, TraverseStationFileGridAndData) {
  const ProgramRun r = run({"t", "4550", "7500", "90", "25", "trav", "0"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // From the centre of the first column, 4362.5, east to 4737.5: the next
  // station would pass the east edge 4750.
  EXPECT_EQ(dir_.read("trav.crd"),
            "Station    Depth     East      North     \r\n"
            "       0.0     350.0    4362.5    7500.0\r\n"
            "     375.0     350.0    4737.5    7500.0\r\n");
  EXPECT_NE(r.out.find(" start location : "), std::string::npos);
  EXPECT_NE(r.out.find(" generating grid for traverse"), std::string::npos);
  // 16 stations, each in a cell of its own, 12 layers each.
  const std::vector<float> dat = expect_data_files(5);
  ASSERT_EQ(dat.size(), 3u * 16u * 12u);
  EXPECT_EQ(dat[0], 0.0f);
  EXPECT_EQ(dat[1], 337.5f);
  EXPECT_EQ(dat[dat.size() - 3], 375.0f);
  // Columns from 0 to one spacing beyond the last station (400), rows 50..350.
  const GridFile g = read_grid(dir_.read("trav.grd"));
  EXPECT_EQ(g.nc, 17);
  EXPECT_EQ(g.nr, 13);
  EXPECT_EQ(g.xo, 0.0);
  EXPECT_EQ(g.yo, 50.0);
  EXPECT_EQ(g.values.size(), 17u * 13u);
  expect_log(0, 50, 17, 13);
  expect_no_scratch();
}

TEST_F(KelvaneRun, PositionsTruncatingToOneNameLeaveTheLaterGrid) {
  const ProgramRun r = run({"x", "4500", "4500.5", "0.5", "25", "sect", "1"});
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(section_test::count_of(r.out, " generating grid for "), 2);
  EXPECT_EQ(r.err, " grid file sect_4500.grd of an earlier section replaced by the section at 4500.500\r\n");
  EXPECT_TRUE(dir_.exists("sect_4500.grd"));
}

}  // namespace
