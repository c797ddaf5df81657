// End to end: MINC with a search radius of 0 and no rotation, on one block
// and on grids of several tiers and sections, for both engine builds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "minc/minc.h"
#include "minc/tests/temp_cwd.h"

namespace minc {
namespace {

using minc_test::read_bytes;
using minc_test::read_text;
using minc_test::TempCwd;
using minc_test::word_at;
using minc_test::write_floats;

constexpr float kDval = -99999.0f;

float surface(float x, float y) {
  return 50.0f * std::sin(x / 40.0f) * std::cos(y / 30.0f) + 0.05f * x;
}

struct GridCase {
  const char* name;
  const EngineVariant* variant;
  int32_t nc, nr;
  int32_t step;        // data on every step-th node, offset by a fraction
  int32_t min_blocks;  // the layout has at least this many blocks
};
void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }

// The decoded output grid, rows from y = YO upward.
struct OutGrid {
  int32_t nc = 0, nr = 0;
  std::vector<float> v;
  float at(int32_t i, int32_t j) const { return v[static_cast<size_t>((j - 1) * nc + i - 1)]; }
};

OutGrid read_grid(const std::string& name) {
  const std::vector<unsigned char> b = read_bytes(name);
  OutGrid g;
  g.nc = word_at<int32_t>(b, 8);
  g.nr = word_at<int32_t>(b, 12);
  const int32_t order = word_at<int32_t>(b, 16);
  g.v.resize(static_cast<size_t>(g.nc) * static_cast<size_t>(g.nr));
  for (int32_t k = 1; k <= g.nr; ++k) {
    const int32_t row = order == 1 ? k : g.nr + 1 - k;
    for (int32_t i = 1; i <= g.nc; ++i)
      g.v[static_cast<size_t>((row - 1) * g.nc + i - 1)] = word_at<float>(
          b, 512 + 4 * (static_cast<size_t>(g.nc) * static_cast<size_t>(k - 1) +
                        static_cast<size_t>(i - 1)));
  }
  return g;
}

std::vector<char> name_buf(const char* name) {
  std::vector<char> b(80, ' ');
  std::memcpy(b.data(), name, std::strlen(name));
  b[std::strlen(name)] = '\0';
  return b;
}

struct MincRun {
  int32_t ierr;
  OutGrid grid;
  std::string log;
  std::vector<std::pair<std::pair<int32_t, int32_t>, float>> on_node;  // data exactly on nodes
};

// Grid origin (1000, 2000), cell size 1; data on the nodes (exactly) and
// between them, written as x, y, value records.
MincRun run_case(const GridCase& c) {
  std::vector<float> rec;
  MincRun r;
  for (int32_t j = 1; j <= c.nr; j += c.step) {
    for (int32_t i = 1; i <= c.nc; i += c.step) {
      const bool exact = ((i + j) / c.step) % 3 == 0;
      const float fx = exact ? 0.0f : 0.37f, fy = exact ? 0.0f : 0.61f;
      const float x = static_cast<float>(i - 1) + fx, y = static_cast<float>(j - 1) + fy;
      const float z = surface(x, y);
      rec.insert(rec.end(), {1000.0f + x, 2000.0f + y, z});
      if (exact) r.on_node.push_back({{i, j}, z});
    }
  }
  write_floats("data.bin", rec);
  const std::vector<char> out = name_buf("out.grd"), dat = name_buf("data.bin");
  MincArgs a;
  a.outfil = out.data();
  a.outfil_len = 80;
  a.xoi = 1000.0f;
  a.yoi = 2000.0f;
  a.delxi = a.delyi = 1.0f;
  a.nci = c.nc;
  a.nri = c.nr;
  a.radiusi = 0.0f;
  a.datfil = dat.data();
  a.datfil_len = 80;
  a.izchani = 1;
  a.dvali = kDval;
  a.maxchn = 1;
  a.iglog = 1;
  a.nohead = c.variant->one_cell_size ? 0 : 1;
  a.grdrot = 0.0f;
  r.ierr = c.variant == &kKelvaneEngine ? minc_run<kKelvaneEngine>(a) : minc_run<kTorrinEngine>(a);
  r.grid = read_grid("out.grd");
  r.log = read_text("minc.log");
  return r;
}

class MincRadius0 : public ::testing::TestWithParam<GridCase> {};

TEST_P(MincRadius0, GridsEndToEnd) {
  const GridCase& c = GetParam();
  TempCwd cwd;
  const MincRun r = run_case(c);
  ASSERT_EQ(r.ierr, 0);
  ASSERT_EQ(r.grid.nc, c.nc);
  ASSERT_EQ(r.grid.nr, c.nr);

  // The surface honours its data at data nodes (the weighted mean of one
  // datum rounds in the last bit) and holds no NaN or null.
  for (const auto& [node, z] : r.on_node)
    EXPECT_NEAR(r.grid.at(node.first, node.second), z, 1.0e-5f * (1.0f + std::fabs(z)));
  for (float v : r.grid.v) ASSERT_TRUE(std::isfinite(v) && v > -1.0e30f);

  // Inside the data (away from the extrapolated edges and corners): close
  // to the sampled surface, and smooth, with no step at block seams (second
  // differences stay near those of the surface, about 0.06).
  const int32_t ilast = std::min(c.nc - 2, 1 + (c.nc - 1) / c.step * c.step);
  const int32_t jlast = std::min(c.nr - 2, 1 + (c.nr - 1) / c.step * c.step);
  float worst = 0.0f, d2max = 0.0f;
  for (int32_t j = 3; j <= jlast; ++j)
    for (int32_t i = 3; i <= ilast; ++i) {
      const float z = r.grid.at(i, j);
      worst = std::max(worst, std::fabs(z - surface(static_cast<float>(i - 1),
                                                    static_cast<float>(j - 1))));
      d2max = std::max(d2max, std::fabs(r.grid.at(i + 1, j) - 2.0f * z + r.grid.at(i - 1, j)));
      d2max = std::max(d2max, std::fabs(r.grid.at(i, j + 1) - 2.0f * z + r.grid.at(i, j - 1)));
    }
  EXPECT_LT(worst, 0.5f);
  EXPECT_LT(d2max, 0.3f);

  // The log: parameter lines, then per block an empty line, the header and
  // the figures line, every line ending in CR LF.
  const std::string header = c.variant->short_iter_log
                                 ? " tier  sect  init err   end err    #iterations\r\n"
                                 : " tier  sect   init err    end err    #iterations\r\n";
  const size_t fig_len = c.variant->short_iter_log ? 46 : 43;
  size_t pos = r.log.find("\r\n" + header);
  ASSERT_NE(pos, std::string::npos);
  int32_t blocks = 0;
  int32_t last_tier = 0, last_sect = 0;
  while (pos < r.log.size()) {
    ASSERT_EQ(r.log.compare(pos, 2 + header.size(), "\r\n" + header), 0) << "at byte " << pos;
    pos += 2 + header.size();
    const std::string fig = r.log.substr(pos, fig_len);
    ASSERT_EQ(fig.size(), fig_len);
    EXPECT_EQ(fig.substr(fig_len - 2), "\r\n");
    const int32_t tier = std::stoi(fig.substr(1, 4)), sect = std::stoi(fig.substr(7, 4));
    EXPECT_TRUE(tier > last_tier || (tier == last_tier && sect == last_sect + 1)) << fig;
    if (tier > last_tier) {
      EXPECT_EQ(sect, 1);
    }
    last_tier = tier;
    last_sect = sect;
    ++blocks;
    pos += fig_len;
  }
  EXPECT_GE(blocks, c.min_blocks);
  EXPECT_EQ(blocks, last_tier * (blocks / last_tier));

  // No scratch file remains.
  EXPECT_EQ(cwd.entries(), (std::set<std::string>{"data.bin", "minc.log", "out.grd"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MincRadius0,
    ::testing::Values(GridCase{"OneBlock", &kKelvaneEngine, 60, 45, 3, 1},
                      GridCase{"TiersAndSections", &kKelvaneEngine, 400, 300, 3, 6},
                      GridCase{"TorrinOneBlock", &kTorrinEngine, 50, 40, 3, 1},
                      GridCase{"TorrinTiersAndSections", &kTorrinEngine, 400, 300, 3, 6}),
    [](const auto& info) { return std::string(info.param.name); });

// One block: the log ends with one empty line, the header and one figures
// line showing tier 1 in column 5 and section 1 in column 11.
TEST(MincRadius0Log, OneBlockLines) {
  TempCwd cwd;
  const MincRun r = run_case({"OneBlock", &kKelvaneEngine, 30, 20, 2, 1});
  ASSERT_EQ(r.ierr, 0);
  ASSERT_GE(r.log.size(), 95u);
  const std::string tail = r.log.substr(r.log.size() - 95);
  EXPECT_EQ(tail.substr(0, 52), "\r\n tier  sect   init err    end err    #iterations\r\n");
  const std::string fig = tail.substr(52);
  EXPECT_EQ(fig.substr(0, 11), "    1     1");
  EXPECT_EQ(fig.substr(11, 23).find_first_not_of(" 0123456789."), std::string::npos) << fig;
  EXPECT_EQ(fig.substr(33, 4), "    ");
  EXPECT_EQ(fig.substr(41), "\r\n");
}

// The count of diverging sweeps is the only state a call leaves behind:
// with the same count at the start, a call reproduces its grid.
TEST(MincRadius0Log, DivergenceCountIsTheOnlyCarriedState) {
  TempCwd cwd;
  MincContext& ctx = context<kKelvaneEngine>();
  ctx.persist.ICONV = 0;
  const MincRun first = run_case({"OneBlock", &kKelvaneEngine, 60, 45, 3, 1});
  const int32_t carried = ctx.persist.ICONV;
  ctx.persist.ICONV = 0;
  const MincRun again = run_case({"OneBlock", &kKelvaneEngine, 60, 45, 3, 1});
  EXPECT_EQ(first.grid.v, again.grid.v);
  EXPECT_EQ(ctx.persist.ICONV, carried);
}

}  // namespace
}  // namespace minc
