#include "minc/tiling.h"

#include <gtest/gtest.h>

#include <string>

namespace minc {
namespace {

struct LayoutCase {
  const char* name;
  int32_t nco, nro;
  int32_t nsec, ntier;  // 0 sections: no layout
  int32_t nc, nr;
};

class PrtishKelvane : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(PrtishKelvane, ChoosesFewestBlocks) {
  const LayoutCase& c = GetParam();
  int32_t nc = -7, nr = -7, nsec = -7, ntier = -7, merr = 0;
  PRTISH(kKelvaneEngine, c.nco + 4, c.nro + 4, nc, nr, nsec, ntier, 10, merr);
  if (c.nsec == 0) {
    EXPECT_EQ(merr, -1001);
    EXPECT_EQ(nsec, 0);
    EXPECT_EQ(nc, -7);  // untouched on failure
    EXPECT_EQ(nr, -7);
    EXPECT_EQ(ntier, -7);
    return;
  }
  EXPECT_EQ(merr, 0);
  EXPECT_EQ(nsec, c.nsec);
  EXPECT_EQ(ntier, c.ntier);
  EXPECT_EQ(nc, c.nc);
  EXPECT_EQ(nr, c.nr);
  // The blocks cover the bordered grid and obey the limits.
  EXPECT_GE((nsec - 1) * (nc - 10) + nc, c.nco + 4);
  EXPECT_GE((ntier - 1) * (nr - 10) + nr, c.nro + 4);
  EXPECT_LE(nc * nr, 32000);
  EXPECT_LE(3 * nc, 900);
  EXPECT_LE(3 * nr, 900);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PrtishKelvane,
    ::testing::Values(LayoutCase{"g100x100", 100, 100, 1, 1, 104, 104},
                      LayoutCase{"g150x40_one_block_too_elongated", 150, 40, 2, 1, 82, 44},
                      LayoutCase{"g500x300", 500, 300, 2, 3, 257, 108},
                      LayoutCase{"g1000x1000", 1000, 1000, 5, 7, 209, 152},
                      LayoutCase{"g2000x200", 2000, 200, 14, 1, 153, 204},
                      LayoutCase{"g5000x5000_899_blocks", 5000, 5000, 29, 31, 183, 172},
                      LayoutCase{"g100000x10_none", 100000, 10, 0, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrtishTorrin, SmallerBlocksWiderRatiosAndFewerThan1000Blocks) {
  // 16000 words per block, sides at most 200, ratios in [0.3333, 3.0].
  int32_t nc = 0, nr = 0, nsec = 0, ntier = 0, merr = 0;
  PRTISH(kTorrinEngine, 104, 104, nc, nr, nsec, ntier, 10, merr);
  EXPECT_EQ(merr, 0);
  EXPECT_EQ(nsec, 1);
  EXPECT_EQ(ntier, 1);
  EXPECT_EQ(nc, 104);
  // 154 x 44 is a ratio of 3.5: too elongated for both builds.
  PRTISH(kTorrinEngine, 154, 44, nc, nr, nsec, ntier, 10, merr);
  EXPECT_EQ(nsec, 2);
  EXPECT_EQ(nc, 82);
  // 120 x 44 (ratio 2.73) is one block for torrin, two for kelvane.
  PRTISH(kTorrinEngine, 120, 44, nc, nr, nsec, ntier, 10, merr);
  EXPECT_EQ(nsec, 1);
  EXPECT_EQ(nc, 120);
  PRTISH(kKelvaneEngine, 120, 44, nc, nr, nsec, ntier, 10, merr);
  EXPECT_EQ(nsec, 2);
  // A layout needs fewer than 1000 blocks in torrin.
  merr = 0;
  PRTISH(kTorrinEngine, 5004, 5004, nc, nr, nsec, ntier, 10, merr);
  if (merr == 0) {
    EXPECT_LT(nsec * ntier, 1000);
    EXPECT_LE(nc * nr, 16000);
    EXPECT_LE(3 * nc, 600);
  } else {
    EXPECT_EQ(nsec, 0);
  }
}

struct WindowCase {
  const char* name;
  float radius;
  int32_t nco;
  int32_t work;
  int32_t ihwind;
  float radmax;
};

class HalfWindowTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(HalfWindowTest, ReducedOnlyWhenTheMaskRowsDoNotFit) {
  const WindowCase& c = GetParam();
  const HalfWindow h = half_window(c.radius, 1.0f, c.nco, c.work);
  EXPECT_EQ(h.ihwind, c.ihwind);
  EXPECT_EQ(h.iwind, 2 * c.ihwind + 1);
  EXPECT_EQ(h.radmax, c.radmax);
  if (c.radmax > 0.0f) {
    // The largest h that fits: h fits, h + 1 does not.
    const int64_t hh = c.ihwind;
    EXPECT_LE((2 * hh + c.nco) * (2 * hh + 3), c.work);
    EXPECT_GT((2 * hh + 2 + c.nco) * (2 * hh + 5), c.work);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Windows, HalfWindowTest,
    ::testing::Values(WindowCase{"fits_unchanged", 50.0f, 1000, 256000, 50, 0.0f},
                      WindowCase{"reduced", 200.0f, 1000, 256000, 104, 104.0f},
                      WindowCase{"rounds_to_nearest", 2.5f, 100, 256000, 3, 0.0f},
                      WindowCase{"zero_radius", 0.0f, 100, 256000, 0, 0.0f},
                      WindowCase{"torrin_work_area", 200.0f, 1000, 128000, 56, 56.0f},
                      WindowCase{"huge_radius_bounded", 1.0e30f, 1000, 256000, 104, 104.0f},
                      WindowCase{"too_wide_for_any_window", 10.0f, 200000, 256000, 0, 0.0f}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Npb3, PointsPerRecordFromTheBlockCount) {
  struct {
    const EngineVariant* v;
    int32_t blocks;
    int32_t npb3;
  } cases[] = {{&kKelvaneEngine, 1, 1350}, {&kKelvaneEngine, 899, 282}, {&kKelvaneEngine, 900, 282},
               {&kKelvaneEngine, 190, 1347}, {&kTorrinEngine, 1, 300}, {&kTorrinEngine, 600, 213}};
  for (const auto& c : cases) EXPECT_EQ(npb3_for(*c.v, c.blocks), c.npb3) << c.blocks;
}

}  // namespace
}  // namespace minc
