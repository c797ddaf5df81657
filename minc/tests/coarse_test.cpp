#include "minc/coarse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "minc/scratch.h"
#include "minc/solver.h"
#include "minc/status.h"
#include "minc/tests/temp_cwd.h"

namespace minc {
namespace {

constexpr float kNull = -99999.0f;

// ---------------------------------------------------------------- PLUGM, GRIDR

struct PlugCase {
  const char* name;
  std::vector<float> in, out;
};
void PrintTo(const PlugCase& c, std::ostream* os) { *os << c.name; }
class Plugm : public ::testing::TestWithParam<PlugCase> {};

TEST_P(Plugm, FillsLine) {
  std::vector<float> z = GetParam().in;
  PLUGM(static_cast<int32_t>(z.size()), z.data(), kNull);
  EXPECT_EQ(z, GetParam().out);
}

constexpr float N = kNull;
INSTANTIATE_TEST_SUITE_P(
    Cases, Plugm,
    ::testing::Values(PlugCase{"Example", {N, 2, N, N, 8, N}, {2, 2, 4, 6, 8, 8}},
                      PlugCase{"AllNull", {N, N, N}, {N, N, N}},
                      PlugCase{"NoNull", {1, 5, 3}, {1, 5, 3}},
                      PlugCase{"SingleValue", {N, N, 4, N}, {4, 4, 4, 4}},
                      PlugCase{"TwoGaps", {1, N, 3, N, N, N, -1}, {1, 2, 3, 2, 1, 0, -1}},
                      PlugCase{"LastOnly", {N, N, 7}, {7, 7, 7}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Gridr, GridWithoutNullsUnchanged) {
  std::vector<float> z(12 * 10);
  for (size_t n = 0; n < z.size(); ++n) z[n] = static_cast<float>(n % 7) - 2.5f;
  const std::vector<float> before = z;
  std::vector<float> wz(10);
  int32_t ierr = 5;
  GRIDR(12, 10, z.data(), wz.data(), kNull, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(z, before);
}

TEST(Gridr, AllNullFails) {
  for (auto [nc, nr] : {std::pair{8, 8}, std::pair{20, 15}}) {
    std::vector<float> z(static_cast<size_t>(nc * nr), kNull), wz(static_cast<size_t>(nr));
    int32_t ierr = 0;
    GRIDR(nc, nr, z.data(), wz.data(), kNull, ierr);
    EXPECT_EQ(ierr, code(MincStatus::GridAllNull));
  }
}

// 8 x 8: no window or row pass; the column pass fills columns 2 and 5, all
// other nodes take the mean of the filled values.
TEST(Gridr, EightByEightColumnsThenMean) {
  const int32_t nc = 8, nr = 8;
  std::vector<float> z(64, kNull), wz(8);
  z[static_cast<size_t>(node_index(2, 3, nc))] = 1.0f;
  z[static_cast<size_t>(node_index(2, 6, nc))] = 4.0f;
  z[static_cast<size_t>(node_index(5, 1, nc))] = 10.0f;
  int32_t ierr = 0;
  GRIDR(nc, nr, z.data(), wz.data(), kNull, ierr);
  ASSERT_EQ(ierr, 0);
  const float col2[8] = {1, 1, 1, 2, 3, 4, 4, 4};
  for (int32_t j = 1; j <= nr; ++j) {
    EXPECT_EQ(z[static_cast<size_t>(node_index(2, j, nc))], col2[j - 1]);
    EXPECT_EQ(z[static_cast<size_t>(node_index(5, j, nc))], 10.0f);
  }
  // The mean in storage order over the 16 filled nodes.
  std::vector<float> filled;
  for (int32_t n = 0; n < 64; ++n)
    if (n % nc == 1 || n % nc == 4) filled.push_back(z[static_cast<size_t>(n)]);
  float mean = 0.0f;
  for (float v : filled) mean = mean + v;
  mean = mean / 16.0f;
  for (int32_t j = 1; j <= nr; ++j)
    for (int32_t i = 1; i <= nc; ++i)
      if (i != 2 && i != 5) {
        EXPECT_EQ(z[static_cast<size_t>(node_index(i, j, nc))], mean);
      }
}

// On larger grids the window passes spread values over the lattice of
// every fourth node before the row and column passes.
TEST(Gridr, WindowPassesReachWholeGrid) {
  const int32_t nc = 21, nr = 17;
  std::vector<float> z(static_cast<size_t>(nc * nr), kNull), wz(static_cast<size_t>(nr));
  z[static_cast<size_t>(node_index(6, 5, nc))] = 3.0f;
  int32_t ierr = 0;
  GRIDR(nc, nr, z.data(), wz.data(), kNull, ierr);
  ASSERT_EQ(ierr, 0);
  for (float v : z) EXPECT_EQ(v, 3.0f);

  // Two values: the centre (5, 5) gets the mean of its 3 x 3 window.
  std::fill(z.begin(), z.end(), kNull);
  z[static_cast<size_t>(node_index(4, 4, nc))] = 2.0f;
  z[static_cast<size_t>(node_index(6, 6, nc))] = 5.0f;
  z[static_cast<size_t>(node_index(20, 16, nc))] = 8.0f;
  GRIDR(nc, nr, z.data(), wz.data(), kNull, ierr);
  ASSERT_EQ(ierr, 0);
  EXPECT_EQ(z[static_cast<size_t>(node_index(5, 5, nc))], (0.0f + 2.0f + 5.0f) / 2.0f);
  for (float v : z) EXPECT_NE(v, kNull);
}

// ---------------------------------------------------------------- CELL3, INSERT, ZGINT

// Along a linear coarse row the cubic returns its parameter, so the
// positions show how they are reached: 1/NSUB added again and again.
TEST(Cell3, PositionsByRepeatedAddition) {
  for (int32_t nsub : {4, 5, 7, 11}) {
    const int32_t nc = 6;
    std::vector<float> g(36);
    for (int32_t j = 1; j <= 6; ++j)
      for (int32_t i = 1; i <= nc; ++i)
        g[static_cast<size_t>(node_index(i, j, nc))] = static_cast<float>(i);
    const int32_t nint = nsub + 1;
    std::vector<float> out(static_cast<size_t>(nint * nint));
    CELL3(nint, nsub, 3, 3, nc, g.data(), out.data());
    const float step = 1.0f / static_cast<float>(nsub);
    float t = 1.0f;
    for (int32_t ix = 0; ix < nint; ++ix) {
      for (int32_t iy = 0; iy < nint; ++iy)
        EXPECT_EQ(out[static_cast<size_t>(iy * nint + ix)], 2.0f + t) << nsub << " " << ix;
      t = t + step;
    }
  }
}

float bicubic(float x, float y) {
  return 0.002f * x * x * x - 0.01f * x * x * y + 0.03f * y * y - 0.001f * y * y * y + 0.5f * x -
         0.25f * y + 1.0f;
}

TEST(Cell3, ReproducesBicubic) {
  const int32_t nc = 8, nr = 8;
  std::vector<float> g(64);
  for (int32_t j = 1; j <= nr; ++j)
    for (int32_t i = 1; i <= nc; ++i)
      g[static_cast<size_t>(node_index(i, j, nc))] =
          bicubic(static_cast<float>(i), static_cast<float>(j));
  std::vector<float> out(36);
  CELL3(6, 5, 4, 3, nc, g.data(), out.data());
  for (int32_t iy = 0; iy < 6; ++iy)
    for (int32_t ix = 0; ix < 6; ++ix)
      EXPECT_NEAR(out[static_cast<size_t>(iy * 6 + ix)],
                  bicubic(4.0f + static_cast<float>(ix) / 5.0f,
                          3.0f + static_cast<float>(iy) / 5.0f),
                  2.0e-5f);
}

struct InsertCase {
  const char* name;
  int32_t ib, jb;
  int32_t ierr;
};
void PrintTo(const InsertCase& c, std::ostream* os) { *os << c.name; }
class Insert : public ::testing::TestWithParam<InsertCase> {};

TEST_P(Insert, CopiesOrRefuses) {
  const InsertCase& c = GetParam();
  const float a[6] = {1, 2, 3, 4, 5, 6};  // 3 x 2
  std::vector<float> b(5 * 4, 0.0f);
  int32_t ierr = 99;
  INSERT(c.ib, c.jb, a, 3, 2, b.data(), 5, 4, ierr);
  EXPECT_EQ(ierr, c.ierr);
  if (ierr == 0) {
    for (int32_t j = 1; j <= 2; ++j)
      for (int32_t i = 1; i <= 3; ++i)
        EXPECT_EQ(b[static_cast<size_t>(node_index(c.ib + i - 1, c.jb + j - 1, 5))],
                  a[(j - 1) * 3 + i - 1]);
    float sum = 0.0f;
    for (float v : b) sum += v;
    EXPECT_EQ(sum, 21.0f);
  } else {
    for (float v : b) EXPECT_EQ(v, 0.0f);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Insert,
                         ::testing::Values(InsertCase{"Origin", 1, 1, 0},
                                           InsertCase{"FarCorner", 3, 3, 0},
                                           InsertCase{"TooWide", 4, 1, -1011},
                                           InsertCase{"TooTall", 1, 4, -1011},
                                           InsertCase{"Both", 4, 4, -1011}),
                         [](const auto& info) { return std::string(info.param.name); });

struct CoarseFixture {
  int32_t mdel, mc, mr;
  std::vector<float> rg;
  CoarseGrid grid() const { return {mdel, mc, mr, 1 - 2 * mdel, 1 - 2 * mdel, rg.data()}; }
  CoarseFixture(int32_t md, int32_t c, int32_t r)
      : mdel(md), mc(c), mr(r), rg(static_cast<size_t>(c * r)) {
    for (int32_t j = 1; j <= r; ++j)
      for (int32_t i = 1; i <= c; ++i)
        rg[static_cast<size_t>(node_index(i, j, c))] =
            bicubic(static_cast<float>(i), static_cast<float>(j));
  }
};

// A block's starting grid reproduces a bicubic coarse solution: node at
// fine column c lies at coarse position (c - 1) / MDEL + 3.
TEST(Zgint, ReproducesBicubicCoarseGrid) {
  for (int32_t mdel : {4, 5, 6}) {
    CoarseFixture cf(mdel, 40, 30);
    const int32_t nc = 37, nr = 23;
    std::vector<float> zg(4000), patch(24000);
    for (auto [bxo, byo] : {std::pair{0.0f, 0.0f}, std::pair{27.0f, 13.0f}}) {
      int32_t ierr = 0;
      zgint_kernel(cf.grid(), bxo, byo, nc, nr, kNull, zg.data(), 4000, patch.data(), 24000, ierr);
      ASSERT_EQ(ierr, 0) << mdel;
      for (int32_t j = 1; j <= nr; ++j)
        for (int32_t i = 1; i <= nc; ++i) {
          const float x = (bxo + static_cast<float>(i) - 1.0f) / static_cast<float>(mdel) + 3.0f;
          const float y = (byo + static_cast<float>(j) - 1.0f) / static_cast<float>(mdel) + 3.0f;
          ASSERT_NEAR(zg[static_cast<size_t>(node_index(i, j, nc))], bicubic(x, y), 2.0e-3f)
              << "mdel " << mdel << " node " << i << "," << j;
        }
    }
  }
}

struct ZgintFailCase {
  const char* name;
  float bxo, byo;
  int32_t nc, nr, zg_cap, patch_cap;
  int32_t ierr;
};
void PrintTo(const ZgintFailCase& c, std::ostream* os) { *os << c.name; }
class ZgintFails : public ::testing::TestWithParam<ZgintFailCase> {};

TEST_P(ZgintFails, Reports) {
  const ZgintFailCase& c = GetParam();
  CoarseFixture cf(4, 20, 15);  // fine columns up to 4 * (20 - 3) - 7 = 61
  std::vector<float> zg(4000), patch(static_cast<size_t>(c.patch_cap));
  int32_t ierr = 0;
  zgint_kernel(cf.grid(), c.bxo, c.byo, c.nc, c.nr, kNull, zg.data(), c.zg_cap, patch.data(),
               c.patch_cap, ierr);
  EXPECT_EQ(ierr, c.ierr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZgintFails,
    ::testing::Values(ZgintFailCase{"Fits", 10.0f, 5.0f, 30, 20, 4000, 4000, 0},
                      ZgintFailCase{"BeyondAlongX", 40.0f, 0.0f, 30, 10, 4000, 4000, -1005},
                      ZgintFailCase{"BeyondAlongY", 0.0f, 30.0f, 10, 30, 4000, 4000, -1006},
                      ZgintFailCase{"PatchTooSmall", 0.0f, 0.0f, 30, 20, 4000, 500, -1007},
                      ZgintFailCase{"BlockTooLarge", 0.0f, 0.0f, 60, 40, 2000, 8000, -1007}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- REJONL

struct SpacingCase {
  int32_t mgu, ngu, max_nodes;
  CoarseSize expect;
};
class CoarseSpacing : public ::testing::TestWithParam<SpacingCase> {};

TEST_P(CoarseSpacing, SmallestFittingStep) {
  const SpacingCase& c = GetParam();
  const CoarseSize s = coarse_spacing(c.mgu, c.ngu, c.max_nodes);
  EXPECT_EQ(s.mdel, c.expect.mdel);
  EXPECT_EQ(s.mc, c.expect.mc);
  EXPECT_EQ(s.mr, c.expect.mr);
}

INSTANTIATE_TEST_SUITE_P(Cases, CoarseSpacing,
                         ::testing::Values(SpacingCase{103, 103, 32000, {4, 32, 32}},
                                           SpacingCase{800, 800, 32000, {5, 167, 167}},
                                           SpacingCase{800, 800, 16000, {7, 121, 121}},
                                           SpacingCase{2000000, 10, 32000, {439, 4562, 7}}));

// Runs in a fresh directory: REJONL reads the block chains from "~mincir.tmp".
class Rejonl : public ::testing::Test {
 protected:
  // Layout of nsec x ntier blocks of 30 x 20 nodes, overlap 10, records of
  // 90 reals (30 points) chained per block; blocks[b] lists the points
  // (x, y, z) of block b + 1. np_override >= 0 replaces every point count.
  template <const EngineVariant& V>
  int32_t run(int32_t nsec, int32_t ntier, const std::vector<std::vector<float>>& blocks,
              int32_t maxrec_adjust = 0, int32_t np_override = -1) {
    MincContext& ctx = context<V>();
    reset_for_call(ctx);
    GPARM& g = ctx.gparm;
    g.NC = 30;
    g.NR = 20;
    g.NSEC = nsec;
    g.NTIER = ntier;
    g.LAPOVR = 10;
    g.DVAL = kNull;
    g.EPSM = 0.0f;
    const int32_t npb3 = 90;
    ctx.iorecl.IRLEN = npb3 + 2;
    EXPECT_TRUE(ctx.iodev.LURAND.create(kRandName));
    int32_t next_free = nsec * ntier + 1;
    for (int32_t b = 0; b < nsec * ntier; ++b) {
      const std::vector<float> pts =
          b < static_cast<int32_t>(blocks.size()) ? blocks[static_cast<size_t>(b)] : std::vector<float>{};
      int32_t rec = b + 1;
      size_t k = 0;
      do {
        const size_t take = std::min<size_t>(pts.size() - k, static_cast<size_t>(npb3));
        std::vector<float> buf(static_cast<size_t>(npb3), 0.0f);
        std::copy(pts.begin() + static_cast<long>(k), pts.begin() + static_cast<long>(k + take),
                  buf.begin());
        k += take;
        const int32_t link = k < pts.size() ? next_free++ : 0;
        const int32_t np = np_override >= 0 ? np_override : static_cast<int32_t>(take / 3);
        WRBLK2(ctx.iodev.LURAND, ctx.iorecl.IRLEN, rec, link, np, npb3, buf.data());
        rec = link;
      } while (rec != 0);
    }
    ctx.fmt.MAXREC = next_free - 1 + maxrec_adjust;
    int32_t ierr = 0;
    REJONL<V>(ctx, 0.0f, 0.0f, 1.0f, 1, ctx.datai.XYZ, npb3, ierr);
    ctx.iodev.LURAND.close();
    return ierr;
  }

  static float max_abs_rg(const MincContext& ctx) {
    float m = 0.0f;
    for (int32_t n = 0; n < ctx.rgnl.MC * ctx.rgnl.MR; ++n)
      m = std::max(m, std::fabs(ctx.rgnl.RG[n]));
    return m;
  }

  minc_test::TempCwd cwd_;
};

// Zero data everywhere, plus a datum of 100 at x = 25 (beyond DX = 20) in
// the records of section 1: that copy belongs to section 2 and is not
// gathered from section 1's records, so the coarse surface stays flat.
TEST_F(Rejonl, FiltersPointsBeyondTheBlockShare) {
  std::vector<float> b1 = {5, 5, 0, 15, 12, 0, 25, 10, 100};
  std::vector<float> b2 = {25, 10, 0, 35, 5, 0, 45, 15, 0};
  ASSERT_EQ(run<kKelvaneEngine>(2, 1, {b1, b2}), 0);
  const MincContext& ctx = context<kKelvaneEngine>();
  EXPECT_EQ(ctx.rgnl.MDEL, 4);
  EXPECT_EQ(ctx.rgnl.MC, 49 / 4 + 7);
  EXPECT_EQ(ctx.rgnl.MR, 19 / 4 + 7);
  EXPECT_EQ(ctx.rgnl.IRXO, -7);
  EXPECT_EQ(ctx.rgnl.IRYO, -7);
  EXPECT_EQ(max_abs_rg(ctx), 0.0f);

  // The last section gathers every point of its records.
  b2.insert(b2.end(), {47, 17, 100});
  ASSERT_EQ(run<kKelvaneEngine>(2, 1, {b1, b2}), 0);
  EXPECT_GT(max_abs_rg(context<kKelvaneEngine>()), 1.0f);

  // Likewise along y: the first tier does not take y beyond DY = 10.
  ASSERT_EQ(run<kKelvaneEngine>(1, 2, {{5, 15, 100, 5, 5, 0}, {5, 15, 0, 20, 25, 0}}), 0);
  EXPECT_EQ(max_abs_rg(context<kKelvaneEngine>()), 0.0f);
}

TEST_F(Rejonl, SolvesSmoothSurfaceThroughManyPoints) {
  std::vector<float> pts;
  for (int32_t k = 0; k < 70; ++k) {
    const float x = 1.5f + static_cast<float>(k % 10) * 2.7f;
    const float y = 1.5f + static_cast<float>(k / 10) * 2.5f;
    pts.insert(pts.end(), {x, y, 0.1f * x + 0.2f * y});
  }
  ASSERT_EQ(run<kTorrinEngine>(1, 1, {pts}), 0);
  const MincContext& ctx = context<kTorrinEngine>();
  // Coarse node (ic, jc) lies at fine position 4 * (ic - 3) + 1.
  for (int32_t jc = 3; jc <= 6; ++jc)
    for (int32_t ic = 3; ic <= 8; ++ic) {
      const float x = 4.0f * static_cast<float>(ic - 3) + 1.0f;
      const float y = 4.0f * static_cast<float>(jc - 3) + 1.0f;
      EXPECT_NEAR(ctx.rgnl.RG[node_index(ic, jc, ctx.rgnl.MC)], 0.1f * x + 0.2f * y, 0.3f);
    }
}

TEST_F(Rejonl, ReportsDamagedChains) {
  const std::vector<float> pts = {5, 5, 1};
  EXPECT_EQ(run<kKelvaneEngine>(2, 1, {pts, pts}, -1), code(MincStatus::BadChainRecord));
  EXPECT_EQ(run<kKelvaneEngine>(1, 1, {pts}, 0, 451), code(MincStatus::TooManyPoints));
  EXPECT_EQ(run<kKelvaneEngine>(1, 1, {pts}, 0, 450), 0);
  EXPECT_EQ(run<kTorrinEngine>(1, 1, {pts}, 0, 101), code(MincStatus::TooManyPoints));
  // No datum at all: the coarse grid has no value.
  EXPECT_EQ(run<kKelvaneEngine>(1, 1, {{}}), code(MincStatus::GridAllNull));
}

}  // namespace
}  // namespace minc
