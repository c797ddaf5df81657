#include "minc/assemble.h"

#include <gtest/gtest.h>

#include <algorithm>
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

using minc_test::read_bytes;
using minc_test::TempCwd;
using minc_test::word_at;

constexpr float kDval = -99999.0f;

struct Layout {
  const char* name;
  int32_t nco, nro, nsec, ntier, lapovr;
  int32_t nmax;  // rows of the output buffer (0: all the work area leaves)
};
void PrintTo(const Layout& c, std::ostream* os) { *os << c.name; }

// Block side as the tiling computes it: the smallest that covers the
// bordered grid with n blocks.
int32_t side(int32_t m, int32_t n, int32_t lap) { return (m - lap + n - 1) / n + lap; }

// A node value naming its bordered-grid column and row and the block that
// supplied it (exact in single precision for the sizes used here).
float tag(int32_t col, int32_t row, int32_t s, int32_t t) {
  return static_cast<float>(((col * 200 + row) * 16 + (s - 1)) * 16 + (t - 1));
}

class Assembly : public ::testing::TestWithParam<Layout> {
 protected:
  void SetUp() override {
    const Layout& l = GetParam();
    ctx_ = &context<kKelvaneEngine>();
    reset_for_call(*ctx_);
    GPARM& g = ctx_->gparm;
    g.MXC = l.nco + 4;
    g.MXR = l.nro + 4;
    g.NSEC = l.nsec;
    g.NTIER = l.ntier;
    g.LAPOVR = l.lapovr;
    g.NC = l.nsec == 1 ? g.MXC : side(g.MXC, l.nsec, l.lapovr);
    g.NR = l.ntier == 1 ? g.MXR : side(g.MXR, l.ntier, l.lapovr);
    g.DVAL = kDval;
    ctx_->iorecl.ISLEN = g.NC * g.NR;
    ASSERT_TRUE(create_named(ctx_->iodev.IGRID, ctx_->own.FGRID, kGridName));
  }
  void TearDown() override {
    for (WordFile* f : {&ctx_->iodev.IGRID, &ctx_->iodev.ISUBG, &ctx_->iodev.IMASK}) f->close();
  }

  int32_t nmax(int32_t ncout) const {
    const GPARM& g = ctx_->gparm;
    return GetParam().nmax > 0 ? GetParam().nmax : (256000 - g.NC * g.NR) / ncout;
  }

  // Writes the solved blocks of tier t: values (tags), or flags at the
  // given bordered-grid nodes (-1 or 3, both meaning "has data").
  void write_tier(int32_t t, bool flags, const std::vector<std::pair<int32_t, int32_t>>& flagged) {
    const GPARM& g = ctx_->gparm;
    const int32_t cl = g.NC - g.LAPOVR, rl = g.NR - g.LAPOVR;
    for (int32_t s = 1; s <= g.NSEC; ++s) {
      std::vector<float> z(static_cast<size_t>(g.NC * g.NR));
      std::vector<int32_t> m(z.size(), 0);
      for (int32_t j = 1; j <= g.NR; ++j)
        for (int32_t i = 1; i <= g.NC; ++i) {
          const int32_t col = (s - 1) * cl + i, row = (t - 1) * rl + j;
          z[static_cast<size_t>(node_index(i, j, g.NC))] = tag(col, row, s, t);
          for (auto [fc, fr] : flagged)
            if (fc == col && fr == row)
              m[static_cast<size_t>(node_index(i, j, g.NC))] = (s + t) % 2 ? -1 : 3;
        }
      if (flags)
        WRBLK(ctx_->iodev.ISUBG, ctx_->iorecl.ISLEN, g.NSEC + s, g.NC * g.NR, m.data());
      else
        WRBLK(ctx_->iodev.ISUBG, ctx_->iorecl.ISLEN, s, g.NC * g.NR, z.data());
    }
  }

  TempCwd cwd_;  // made before SetUp: the files land in a fresh directory
  MincContext* ctx_ = nullptr;
};

// Every output node comes from the block in whose leading stride it lies,
// from the right place of that block, over exactly NRO rows.
TEST_P(Assembly, ValuesFromOwningBlocks) {
  MincContext& ctx = *ctx_;
  const GPARM& g = ctx.gparm;
  const Layout& l = GetParam();
  ASSERT_TRUE(prefill_subgrids(ctx.iodev.ISUBG, ctx.own.FSUBG, g.NSEC, ctx.iorecl.ISLEN, false));
  float* work = ctx.array.work();
  int32_t* iwork = ctx.array.iwork();
  const int32_t ng = g.NC * g.NR;
  for (int32_t t = 1; t <= g.NTIER; ++t) {
    write_tier(t, false, {});
    int32_t ierr = 7;
    ASSEMB(ctx, g.NC, g.NR, work, iwork, l.nco, nmax(l.nco), work + ng, iwork + ng, 1, t, 0,
           ctx.iodev.ISUBG, ctx.iodev.IGRID, ctx.iodev.IMASK, ierr);
    ASSERT_EQ(ierr, 0) << "tier " << t;
  }
  EXPECT_EQ(ctx.assem.NTOT[0], l.nro);
  ctx.iodev.IGRID.close();
  const std::vector<unsigned char> bytes = read_bytes(kGridName);
  ASSERT_EQ(bytes.size(), static_cast<size_t>(4 * l.nco * l.nro));
  const int32_t cl = g.NC - g.LAPOVR, rl = g.NR - g.LAPOVR;
  for (int32_t r = 1; r <= l.nro; ++r)
    for (int32_t c = 1; c <= l.nco; ++c) {
      const int32_t col = c + 2, row = r + 2;
      const int32_t s = std::min(g.NSEC, (col - 1) / cl + 1);
      const int32_t t = std::min(g.NTIER, (row - 1) / rl + 1);
      ASSERT_EQ(word_at<float>(bytes, 4 * static_cast<size_t>((r - 1) * l.nco + c - 1)),
                tag(col, row, s, t))
          << "output node " << c << ", " << r;
    }
}

// Flags: non-zero (including -1) becomes 1, IHWIND empty columns each side;
// a node flagged only in the column just after a section's stride is kept.
TEST_P(Assembly, FlagsWithTrailingColumn) {
  MincContext& ctx = *ctx_;
  const GPARM& g = ctx.gparm;
  const Layout& l = GetParam();
  const int32_t ih = 2;
  ctx.qparm.IHWIND = ih;
  ctx.qparm.MXCQ = l.nco + 2 * ih;
  ctx.qparm.MXRQ = l.nro + 2 * ih;
  ctx.iorecl.IMLEN = std::max(ctx.qparm.MXCQ + 1, 30);
  ASSERT_TRUE(prefill_subgrids(ctx.iodev.ISUBG, ctx.own.FSUBG, g.NSEC, ctx.iorecl.ISLEN, true));
  ASSERT_TRUE(prefill_mask(ctx.iodev.IMASK, ctx.own.FMASK, ctx.qparm.MXCQ, ctx.qparm.MXRQ, 0.0f,
                           1.0f, 0.0f));
  const int32_t cl = g.NC - g.LAPOVR;
  // Bordered (column, row) pairs; (cl + 1, 5) lies just after section 1's stride.
  const std::vector<std::pair<int32_t, int32_t>> flagged = {
      {3, 3}, {cl + 1, 5}, {l.nco + 2, l.nro + 2}, {7, 9}};
  float* work = ctx.array.work();
  int32_t* iwork = ctx.array.iwork();
  const int32_t ng = g.NC * g.NR;
  ctx.assem.NTOT[1] = ih;  // the leading empty rows are written by the caller
  for (int32_t t = 1; t <= g.NTIER; ++t) {
    write_tier(t, true, flagged);
    if (g.NSEC > 1) {
      // Section 2 does not flag (cl + 1, 5) itself: only section 1's trailing column does.
      std::vector<int32_t> m(static_cast<size_t>(ng));
      ctx.iodev.ISUBG.seek(static_cast<int64_t>(g.NSEC + 1) * ng * 4);
      ctx.iodev.ISUBG.read_words(m.data(), ng);
      const int32_t j = 5 - (t - 1) * (g.NR - g.LAPOVR);
      if (j >= 1 && j <= g.NR) m[static_cast<size_t>(node_index(1, j, g.NC))] = 0;
      WRBLK(ctx.iodev.ISUBG, ng, g.NSEC + 2, ng, m.data());
    }
    int32_t ierr = 7;
    const int32_t ncout = ctx.qparm.MXCQ;
    ASSEMB(ctx, g.NC, g.NR, work, iwork, ncout, nmax(ncout), work + ng, iwork + ng, 1, t, ih,
           ctx.iodev.ISUBG, ctx.iodev.IGRID, ctx.iodev.IMASK, ierr);
    ASSERT_EQ(ierr, 0);
  }
  EXPECT_EQ(ctx.assem.NTOT[1], ih + l.nro);
  ctx.iodev.IMASK.close();
  const std::vector<unsigned char> bytes = read_bytes(kMaskName);
  const size_t imlen = static_cast<size_t>(ctx.iorecl.IMLEN);
  auto in_grid = [&](int32_t fc, int32_t fr) {
    return fc >= 3 && fc <= l.nco + 2 && fr >= 3 && fr <= l.nro + 2;
  };
  int32_t ones = 0, inside = 0;
  for (auto [fc, fr] : flagged) inside += in_grid(fc, fr);
  for (int32_t r = 1; r <= ctx.qparm.MXRQ; ++r)
    for (int32_t c = 1; c <= ctx.qparm.MXCQ; ++c) {
      const int32_t v =
          word_at<int32_t>(bytes, 4 * (static_cast<size_t>(r) * imlen + static_cast<size_t>(c)));
      bool expect = false;
      for (auto [fc, fr] : flagged)
        expect = expect || (in_grid(fc, fr) && c == fc - 2 + ih && r == fr - 2 + ih);
      ASSERT_EQ(v, expect ? 1 : 0) << "mask node " << c << ", " << r;
      ones += v;
    }
  EXPECT_EQ(ones, inside);
  EXPECT_GE(inside, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Assembly,
    ::testing::Values(Layout{"OneBlock", 20, 15, 1, 1, 1, 0},
                      Layout{"ThreeSectionsTwoTiers", 50, 30, 3, 2, 10, 0},
                      Layout{"TwoSectionsThreeTiers", 40, 45, 2, 3, 10, 0},
                      Layout{"SeveralPasses", 50, 30, 3, 2, 10, 4},
                      Layout{"BandOfTwoFullPasses", 50, 30, 3, 2, 10, 5},
                      Layout{"OneRowPerPass", 30, 28, 2, 2, 10, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AssemblyRows, PerTier) {
  // First tier NR1 - 2, middle tiers NR1, the last the rest: NRO in all.
  EXPECT_EQ(tier_rows(1, 1, 40, 30), 40);
  EXPECT_EQ(tier_rows(1, 3, 50, 20), 18);
  EXPECT_EQ(tier_rows(2, 3, 50, 20), 20);
  EXPECT_EQ(tier_rows(3, 3, 50, 20), 12);
  EXPECT_EQ(tier_rows(1, 2, 30, 12) + tier_rows(2, 2, 30, 12), 30);
}

TEST(AssemblyRows, BandTallerThanBlockFails) {
  TempCwd cwd;
  MincContext& ctx = context<kKelvaneEngine>();
  reset_for_call(ctx);
  GPARM& g = ctx.gparm;
  g.MXC = 24;
  g.MXR = 60;  // one tier of 56 rows in blocks of 30
  g.NSEC = g.NTIER = 1;
  g.LAPOVR = 1;
  g.NC = 24;
  g.NR = 30;
  ctx.iorecl.ISLEN = g.NC * g.NR;
  int32_t ierr = 0;
  ASSEMB(ctx, g.NC, g.NR, ctx.array.work(), ctx.array.iwork(), 20, 100, ctx.array.work() + 720,
         ctx.array.iwork() + 720, 1, 1, 0, ctx.iodev.ISUBG, ctx.iodev.IGRID, ctx.iodev.IMASK, ierr);
  EXPECT_EQ(ierr, code(MincStatus::BandTallerThanBlock));
  EXPECT_EQ(ctx.assem.NTOT[0], 0);
}

}  // namespace
}  // namespace minc
