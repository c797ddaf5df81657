#include "minc/itercontrol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "minc/coarse.h"
#include "minc/dataload.h"
#include "minc/scratch.h"
#include "minc/solver.h"
#include "minc/tests/temp_cwd.h"
#include "minc/tiling.h"

namespace minc {
namespace {

using minc_test::read_bytes;
using minc_test::read_text;
using minc_test::TempCwd;
using minc_test::word_at;
using minc_test::write_floats;

constexpr float kDval = -99999.0f;

// ---------------------------------------------------------------- log lines

struct LineCase {
  const char* name;
  const EngineVariant* variant;
  int32_t nt, ns;
  float eps1, dn1;
  int32_t ni;
  const char* expect;
};
void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class FiguresLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(FiguresLine, Bytes) {
  const LineCase& c = GetParam();
  char line[80];
  const int32_t n = iter_figures_line(*c.variant, c.nt, c.ns, c.eps1, c.dn1, c.ni, line);
  EXPECT_EQ(std::string(line, static_cast<size_t>(n)), c.expect);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FiguresLine,
    ::testing::Values(
        LineCase{"Columns", &kKelvaneEngine, 12, 3, 0.52f, 0.000049f, 120,
                 "   12     3     0.5200     0.0000     120\r\n"},
        LineCase{"FirstBlock", &kKelvaneEngine, 1, 1, 0.0123f, 0.0f, 7,
                 "    1     1     0.0123     0.0000       7\r\n"},
        LineCase{"ExponentForm", &kKelvaneEngine, 2, 14, 1234.56f, 999.5f, 45,
                 "    2    14  1.2346E+3   999.5000      45\r\n"},
        LineCase{"TorrinColumns", &kTorrinEngine, 12, 3, 0.52f, 0.000049f, 120,
                 "   12     3   5.20E-01   4.90E-05  120      \r\n"},
        LineCase{"TorrinZero", &kTorrinEngine, 1, 1, 0.0f, 0.0f, 1,
                 "    1     1   0.00E+00   0.00E+00    1      \r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IterationLog, HeaderLines) {
  char line[80];
  int32_t n = iter_header_line(kKelvaneEngine, line);
  EXPECT_EQ(std::string(line, static_cast<size_t>(n)),
            " tier  sect   init err    end err    #iterations\r\n");
  EXPECT_EQ(n, 50);
  n = iter_header_line(kTorrinEngine, line);
  EXPECT_EQ(std::string(line, static_cast<size_t>(n)),
            " tier  sect  init err   end err    #iterations\r\n");
  EXPECT_EQ(n, 48);
}

// ---------------------------------------------------------------- CONTIN, PADROW

struct ContinCase {
  const char* name;
  int32_t ns, nt;
};
void PrintTo(const ContinCase& c, std::ostream* os) { *os << c.name; }
class Contin : public ::testing::TestWithParam<ContinCase> {};

TEST_P(Contin, ImposesStrips) {
  const ContinCase& c = GetParam();
  const int32_t nc = 7, nr = 6;
  CONTN1 strips{};
  for (int32_t k = 0; k < kBlockTableSize; ++k) {
    strips.ZL[k] = 1000.0f + static_cast<float>(k);
    strips.ZB[k] = 2000.0f + static_cast<float>(k);
  }
  std::vector<float> zg(nc * nr, 5.0f);
  std::vector<int32_t> iqd(nc * nr, 2);
  CONTIN(strips, c.ns, c.nt, nc, nr, zg.data(), iqd.data());
  for (int32_t j = 1; j <= nr; ++j)
    for (int32_t i = 1; i <= nc; ++i) {
      const size_t n = static_cast<size_t>(node_index(i, j, nc));
      float z = 5.0f;
      int32_t code = 2;
      if (c.ns != 1 && i <= 3) {
        z = strips.ZL[3 * (j - 1) + i - 1];
        if (i <= 2) code = kNodeFixed;
      }
      if (c.nt != 1 && j <= 3) {  // the bottom strip is laid last
        z = strips.ZB[n];
        if (j <= 2) code = kNodeFixed;
      }
      EXPECT_EQ(zg[n], z) << i << "," << j;
      EXPECT_EQ(iqd[n], code) << i << "," << j;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Contin,
                         ::testing::Values(ContinCase{"FirstBlock", 1, 1},
                                           ContinCase{"LeftNeighbour", 2, 1},
                                           ContinCase{"BlockBelow", 1, 2},
                                           ContinCase{"Both", 3, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Padrow, WritesZeroRowsAfterJrow) {
  TempCwd cwd;
  WordFile mask;
  NameBuf name{};
  const int32_t ncol = 8, imlen = 30;
  ASSERT_TRUE(prefill_mask(mask, name, ncol, 6, 0.0f, 1.0f, 0.0f));
  std::vector<int32_t> ones(ncol, 1);
  int32_t ierr = 0;
  for (int32_t r = 1; r <= 6; ++r) ROWDA(mask, imlen, ncol, ones.data(), 0, r, ierr);
  int32_t jrow = 2;
  std::vector<int32_t> buf(ncol, 9);
  PADROW(3, jrow, mask, imlen, ncol, buf.data());
  EXPECT_EQ(jrow, 5);
  mask.close();
  const std::vector<unsigned char> b = read_bytes(kMaskName);
  for (int32_t r = 1; r <= 6; ++r)
    for (int32_t c = 1; c <= ncol; ++c)
      EXPECT_EQ(word_at<int32_t>(b, 4 * static_cast<size_t>(r * imlen + c)),
                r >= 3 && r <= 5 ? 0 : 1)
          << r << "," << c;
}

// ---------------------------------------------------------------- PCONTL

float field(float x, float y) { return 20.0f * std::sin(x / 15.0f) + 0.3f * y; }

// Sets the context up the way MINC does for an unrotated grid of nco x nro
// nodes cut into nsec x ntier blocks, loads the points and solves the
// coarse grid; then runs PCONTL.
template <const EngineVariant& V>
int32_t solve_layout(int32_t nco, int32_t nro, int32_t nsec, int32_t ntier, float xmax_data,
                     int32_t ihwind = 0) {
  MincContext& ctx = context<V>();
  reset_for_call(ctx);
  NLPARM& nl = ctx.nlparm;
  GPARM& g = ctx.gparm;
  nl.NCO = nco;
  nl.NRO = nro;
  g.MXC = nco + 4;
  g.MXR = nro + 4;
  g.LAPOVR = 10;
  g.NSEC = nsec;
  g.NTIER = ntier;
  g.NC = (g.MXC - g.LAPOVR + nsec - 1) / nsec + g.LAPOVR;
  g.NR = (g.MXR - g.LAPOVR + ntier - 1) / ntier + g.LAPOVR;
  g.DVAL = kDval;
  g.SLOPE = V.block_slope;
  g.NIM = V.nim;
  g.EPSM = 0.0f;
  ctx.fmt.IZCHAN = 1;
  ctx.own.NPB3 = npb3_for(V, nsec * ntier);
  ctx.iorecl.IRLEN = ctx.own.NPB3 + 2;
  ctx.iorecl.ISLEN = g.NC * g.NR;

  std::vector<float> rec;
  for (int32_t k = 0; k < nco * nro / 6; ++k) {
    const float x = std::fmod(static_cast<float>(k) * 7.31f, static_cast<float>(nco - 1));
    const float y = std::fmod(static_cast<float>(k) * 3.17f, static_cast<float>(nro - 1));
    if (x <= xmax_data) rec.insert(rec.end(), {x, y, field(x, y)});
  }
  write_floats("data.bin", rec);

  EXPECT_TRUE(create_named(ctx.own.ILOGF, ctx.own.FLOGF, kLogName));
  if (V.reopen_log) ctx.own.ILOGF.close();
  EXPECT_TRUE(create_named(ctx.iodev.IGRID, ctx.own.FGRID, kGridName));
  EXPECT_TRUE(create_named(ctx.iodev.LURAND, ctx.own.FRAND, kRandName));
  EXPECT_TRUE(ctx.iodev.IDATA.open("data.bin", WordFile::Mode::Read));
  int32_t ierr = 0;
  SEQDAT(V, ctx, ctx.iodev.IDATA, ctx.iodev.LURAND, 1.0f, -2.0f, -2.0f, ctx.own.NPB3, ctx.own.ZA,
         1, 1, ierr);
  ctx.iodev.IDATA.close();
  if (ierr < 0) return ierr;
  if (ihwind > 0) {
    QPARM& q = ctx.qparm;
    q.IHWIND = ihwind;
    q.MXCQ = nco + 2 * ihwind;
    q.MXRQ = nro + 2 * ihwind;
    ctx.iorecl.IMLEN = std::max(q.MXCQ + 1, 30);
    EXPECT_TRUE(prefill_mask(ctx.iodev.IMASK, ctx.own.FMASK, q.MXCQ, q.MXRQ, 0.0f, 1.0f, 0.0f));
  }
  EXPECT_TRUE(prefill_subgrids(ctx.iodev.ISUBG, ctx.own.FSUBG, nsec, ctx.iorecl.ISLEN, ihwind > 0));
  REJONL<V>(ctx, -2.0f, -2.0f, 1.0f, 1, ctx.datai.XYZ, ctx.own.NPB3, ierr);
  if (ierr < 0) return ierr;
  PCONTL<V>(ctx, nco, nro, g.NC * g.NR, ctx.array.work(), ctx.own.NPB3, ctx.datai.XYZ, ierr);
  for (WordFile* f : {&ctx.iodev.IGRID, &ctx.iodev.LURAND, &ctx.iodev.IMASK, &ctx.own.ILOGF})
    f->close();
  return ierr;
}

struct PcontlCase {
  const char* name;
  const EngineVariant* variant;
  int32_t nco, nro, nsec, ntier;
  float xmax_data;  // data only up to this column (cell units)
};
void PrintTo(const PcontlCase& c, std::ostream* os) { *os << c.name; }
class Pcontl : public ::testing::TestWithParam<PcontlCase> {};

TEST_P(Pcontl, StripsTieNeighbouringBlocks) {
  const PcontlCase& c = GetParam();
  TempCwd cwd;
  const int32_t ierr =
      c.variant == &kKelvaneEngine
          ? solve_layout<kKelvaneEngine>(c.nco, c.nro, c.nsec, c.ntier, c.xmax_data)
          : solve_layout<kTorrinEngine>(c.nco, c.nro, c.nsec, c.ntier, c.xmax_data);
  ASSERT_EQ(ierr, 0);
  MincContext& ctx = context_of(*c.variant);
  const GPARM& g = ctx.gparm;
  const int32_t nc = g.NC, nr = g.NR, lap = g.LAPOVR;
  ctx.iodev.ISUBG.close();

  // "~mincsb.tmp" holds the last tier's blocks, and only values (IHWIND = 0).
  const std::vector<unsigned char> sb = read_bytes(kSubgName);
  ASSERT_EQ(sb.size(), static_cast<size_t>(4 * nc * nr * g.NSEC));
  auto z = [&](int32_t s, int32_t i, int32_t j) {
    return word_at<float>(sb, 4 * (static_cast<size_t>((s - 1) * nc * nr) +
                                   static_cast<size_t>(node_index(i, j, nc))));
  };
  // Columns 1, 2 of a section equal columns NC - LAPOVR + 1, + 2 of the
  // section before. Above the first tier the bottom strip is laid after the
  // left one, so nodes (1, 3) and (2, 3) hold the value of the block below
  // (and stay fixed) while the section before solves its row 3 freely.
  for (int32_t s = 2; s <= g.NSEC; ++s)
    for (int32_t j = 1; j <= nr; ++j)
      for (int32_t c2 = 1; c2 <= 2; ++c2) {
        if (g.NTIER > 1 && j == 3) continue;
        ASSERT_EQ(z(s, c2, j), z(s - 1, nc - lap + c2, j)) << s << "," << j;
      }
  // Rows 1, 2 of the last block equal the strip of the block below it; so
  // do the first two nodes of its row 3.
  for (int32_t k = 0; k < 2 * nc; ++k)
    EXPECT_EQ(z(g.NSEC, k % nc + 1, k / nc + 1), ctx.contn1.ZB[k]);
  if (g.NSEC > 1) {
    EXPECT_EQ(z(g.NSEC, 1, 3), ctx.contn1.ZB[2 * nc]);
    EXPECT_EQ(z(g.NSEC, 2, 3), ctx.contn1.ZB[2 * nc + 1]);
  }
  for (size_t k = 0; k + 4 <= sb.size(); k += 4) ASSERT_TRUE(std::isfinite(word_at<float>(sb, k)));

  // The grid rows: NRO rows of NCO values, no null.
  const std::vector<unsigned char> gr = read_bytes(kGridName);
  ASSERT_EQ(gr.size(), static_cast<size_t>(4 * c.nco * c.nro));
  for (size_t k = 0; k < gr.size(); k += 4) ASSERT_NE(word_at<float>(gr, k), kDval);

  // One empty line, header and figures line per block, in block order.
  const std::string log = read_text(kLogName);
  const size_t header_len = c.variant->short_iter_log ? 48 : 50;
  const size_t fig_len = c.variant->short_iter_log ? 46 : 43;
  const size_t per_block = 2 + header_len + fig_len;
  ASSERT_EQ(log.size(), per_block * static_cast<size_t>(g.NSEC * g.NTIER));
  for (int32_t b = 0; b < g.NSEC * g.NTIER; ++b) {
    const std::string fig = log.substr(static_cast<size_t>(b) * per_block + 2 + header_len, fig_len);
    EXPECT_EQ(std::stoi(fig.substr(1, 4)), b / g.NSEC + 1) << fig;
    EXPECT_EQ(std::stoi(fig.substr(7, 4)), b % g.NSEC + 1) << fig;
    EXPECT_GE(std::stoi(fig.substr(fig_len - (c.variant->short_iter_log ? 11 : 6))), 1) << fig;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Pcontl,
    ::testing::Values(PcontlCase{"TwoByTwo", &kKelvaneEngine, 60, 50, 2, 2, 1.0e9f},
                      PcontlCase{"ThreeSectionsEmptyBlocks", &kKelvaneEngine, 90, 40, 3, 2, 25.0f},
                      PcontlCase{"TorrinTwoByThree", &kTorrinEngine, 60, 70, 2, 3, 1.0e9f}),
    [](const auto& info) { return std::string(info.param.name); });

// With a half window the block solves also leave their data codes in
// "~mincsb.tmp" (after the values) and the tiers' data flags in the mask
// grid, framed by IHWIND empty rows and columns.
TEST(PcontlHalfWindow, WritesCodesAndMaskRows) {
  TempCwd cwd;
  const int32_t nco = 60, nro = 50, ih = 3;
  ASSERT_EQ(solve_layout<kKelvaneEngine>(nco, nro, 2, 2, 1.0e9f, ih), 0);
  MincContext& ctx = context<kKelvaneEngine>();
  const GPARM& g = ctx.gparm;
  ctx.iodev.ISUBG.close();
  EXPECT_EQ(ctx.assem.NTOT[0], nro);
  EXPECT_EQ(ctx.assem.NTOT[1], nro + 2 * ih);

  const std::vector<unsigned char> sb = read_bytes(kSubgName);
  ASSERT_EQ(sb.size(), static_cast<size_t>(4 * g.NC * g.NR * 2 * g.NSEC));
  int32_t coded = 0;
  for (size_t k = static_cast<size_t>(4 * g.NC * g.NR * g.NSEC); k < sb.size(); k += 4) {
    const int32_t v = word_at<int32_t>(sb, k);
    ASSERT_TRUE(v >= -1 && v <= 4) << v;
    coded += v != 0;
  }
  EXPECT_GT(coded, 0);

  const std::vector<unsigned char> mk = read_bytes(kMaskName);
  const size_t imlen = static_cast<size_t>(ctx.iorecl.IMLEN);
  ASSERT_EQ(mk.size(), 4 * imlen * static_cast<size_t>(ctx.qparm.MXRQ + 1));
  int32_t flagged = 0;
  for (int32_t r = 1; r <= ctx.qparm.MXRQ; ++r)
    for (int32_t c = 1; c <= ctx.qparm.MXCQ; ++c) {
      const int32_t v = word_at<int32_t>(mk, 4 * (static_cast<size_t>(r) * imlen + static_cast<size_t>(c)));
      const bool frame = r <= ih || r > ih + nro || c <= ih || c > ih + nco;
      ASSERT_TRUE(v == 0 || (v == 1 && !frame)) << r << "," << c << ": " << v;
      flagged += v;
    }
  // About one datum per six nodes, a few sharing a node.
  EXPECT_GT(flagged, nco * nro / 10);
  EXPECT_LE(flagged, nco * nro / 6);
}

}  // namespace
}  // namespace minc
