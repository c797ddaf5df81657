// Rotated computation lattices: the normalisation of GRDROT, and MINC end to
// end on a rotated lattice resampled by GEOROT, for both engine builds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "minc/minc.h"
#include "minc/tests/cwd_sandbox.h"

namespace minc {
namespace {

using testing_support::CwdSandbox;
using testing_support::read_bytes;
using testing_support::word_at;
using testing_support::write_floats;

constexpr float kNull = -1.0e32f;
constexpr float kDval = -99999.0f;

TEST(RotationNormalise, FoldsIntoPlusMinus45AndDropsSmallAngles) {
  struct Case {
    float grdrot, rotang;
  };
  const Case cases[] = {
      {1.9f, 0.0f},   {91.9f, 0.0f},  {-178.5f, 0.0f}, {2.0f, 2.0f},    {-2.0f, -2.0f},
      {135.0f, 45.0f}, {-60.0f, 30.0f}, {30.0f, 30.0f},  {45.0f, 45.0f},  {46.0f, -44.0f},
      {270.0f, 0.0f}, {400.0f, 40.0f}, {-400.0f, -40.0f}, {720.0f, 0.0f}, {0.0f, 0.0f},
  };
  for (const Case& c : cases) EXPECT_FLOAT_EQ(normalise_rotation(c.grdrot), c.rotang) << c.grdrot;
}

// The grid file decoded into input order (row 1 at YO).
struct OutGrid {
  int32_t nc = 0, nr = 0, order = 0;
  double xo = 0, yo = 0, dx = 0, dy = 0;
  float zmin = 0, zmax = 0;
  std::vector<float> v;
  float at(int32_t i, int32_t j) const { return v[static_cast<size_t>((j - 1) * nc + i - 1)]; }
};

OutGrid read_grid(const std::string& name) {
  const std::vector<unsigned char> b = read_bytes(name);
  OutGrid g;
  g.nc = word_at<int32_t>(b, 8);
  g.nr = word_at<int32_t>(b, 12);
  g.order = word_at<int32_t>(b, 16);
  g.dx = word_at<double>(b, 20);
  g.dy = word_at<double>(b, 28);
  g.xo = word_at<double>(b, 36);
  g.yo = word_at<double>(b, 44);
  g.zmin = word_at<float>(b, 160);
  g.zmax = word_at<float>(b, 164);
  if (b.size() != 512 + 4 * static_cast<size_t>(g.nc) * static_cast<size_t>(g.nr)) return g;
  g.v.resize(static_cast<size_t>(g.nc) * static_cast<size_t>(g.nr));
  for (int32_t k = 1; k <= g.nr; ++k) {
    const int32_t row = g.order == 1 ? k : g.nr + 1 - k;
    for (int32_t i = 1; i <= g.nc; ++i)
      g.v[static_cast<size_t>((row - 1) * g.nc + i - 1)] =
          word_at<float>(b, 512 + 4 * (static_cast<size_t>(g.nc) * static_cast<size_t>(k - 1) +
                                       static_cast<size_t>(i - 1)));
  }
  return g;
}

std::vector<char> name_buf(const char* name, bool nul = true) {
  std::vector<char> b(80, ' ');
  std::memcpy(b.data(), name, std::strlen(name));
  if (nul) b[std::strlen(name)] = '\0';
  return b;
}

// A plane over the requested grid, sampled at random points.
constexpr float kXo = 1000.0f, kYo = 2000.0f, kCell = 10.0f;
constexpr int32_t kNc = 40, kNr = 30;
float plane(float x, float y) { return 10.0f + 0.01f * (x - kXo) + 0.005f * (y - kYo); }

void write_plane_data(const char* name, int32_t npoints, float xmax_fraction = 1.0f) {
  std::mt19937 rng(99);
  std::uniform_real_distribution<float> ux(kXo, kXo + (kNc - 1) * kCell * xmax_fraction);
  std::uniform_real_distribution<float> uy(kYo, kYo + (kNr - 1) * kCell);
  std::vector<float> rec;
  for (int32_t k = 0; k < npoints; ++k) {
    const float x = ux(rng), y = uy(rng);
    rec.insert(rec.end(), {x, y, plane(x, y)});
  }
  write_floats(name, rec);
}

struct Call {
  float grdrot = 30.0f;
  float radius = 0.0f;
  bool data_nul = true;
  int32_t nohead = 1;
};

int32_t call_minc(const EngineVariant& v, const Call& c, float& datmin, float& datmax) {
  const std::vector<char> out = name_buf("rot.grd");
  const std::vector<char> dat = name_buf("pts.dat", c.data_nul);
  MincArgs a;
  a.outfil = out.data();
  a.outfil_len = 80;
  a.xoi = kXo;
  a.yoi = kYo;
  a.delxi = a.delyi = kCell;
  a.nci = kNc;
  a.nri = kNr;
  a.radiusi = c.radius;
  a.datfil = dat.data();
  a.datfil_len = 80;
  a.izchani = 1;
  a.dvali = kDval;
  a.maxchn = 1;
  a.iglog = 1;
  a.nohead = c.nohead;
  a.datmin = &datmin;
  a.datmax = &datmax;
  a.grdrot = c.grdrot;
  return &v == &kTorrinEngine ? minc_run<kTorrinEngine>(a) : minc_run<kKelvaneEngine>(a);
}

class RotatedMinc : public ::testing::TestWithParam<const EngineVariant*> {
 protected:
  CwdSandbox sandbox_;
};

// The rotated lattice is laid around the data and resampled onto the
// requested grid: the header is that of the requested grid, the plane is
// reproduced, and only the data, the grid and the log remain.
TEST_P(RotatedMinc, PlaneOnRotatedLatticeResampledOntoRequestedGrid) {
  const EngineVariant& v = *GetParam();
  const bool torrin = &v == &kTorrinEngine;
  write_plane_data("pts.dat", 800);
  float datmin = 0.0f, datmax = 0.0f;
  Call c;
  c.nohead = torrin ? 0 : 1;  // each build's own header convention
  ASSERT_EQ(call_minc(v, c, datmin, datmax), 0);
  EXPECT_EQ(sandbox_.entries(), (std::set<std::string>{"pts.dat", "rot.grd", "minc.log"}));

  const OutGrid g = read_grid("rot.grd");
  ASSERT_EQ(g.nc, kNc);
  ASSERT_EQ(g.nr, kNr);
  ASSERT_EQ(g.v.size(), static_cast<size_t>(kNc * kNr));
  EXPECT_EQ(g.order, torrin ? -2 : 1);
  EXPECT_EQ(g.xo, static_cast<double>(kXo));
  EXPECT_EQ(g.yo, static_cast<double>(kYo));
  EXPECT_EQ(g.dx, static_cast<double>(kCell));
  // The header range is the one GEOOUT found on the rotated lattice.
  EXPECT_EQ(g.zmin, datmin);
  EXPECT_EQ(g.zmax, datmax);
  EXPECT_LT(datmin, 10.1f);
  EXPECT_GT(datmax, 14.0f);

  // kelvane interpolates at the node; torrin takes the nearest lower-left
  // rotated node of a point half a cell above, from the top row down.
  const float tol = torrin ? 0.25f : 0.05f;
  int32_t checked = 0;
  for (int32_t j = 2; j < kNr; ++j) {
    for (int32_t i = 2; i < kNc; ++i) {
      const float x = kXo + static_cast<float>(i - 1) * kCell;
      const float y = kYo + (static_cast<float>(j - 1) + (torrin ? 0.5f : 0.0f)) * kCell;
      ASSERT_NE(g.at(i, j), kNull) << i << "," << j;
      EXPECT_NEAR(g.at(i, j), plane(x, y), tol) << i << "," << j;
      ++checked;
    }
  }
  EXPECT_GT(checked, 1000);
}

// With a search radius the rotated lattice is blanked before resampling:
// data only in the left half leave the right part of the grid null.
TEST_P(RotatedMinc, BlankingOnRotatedLattice) {
  const EngineVariant& v = *GetParam();
  write_plane_data("pts.dat", 600, 0.5f);
  float datmin = 0.0f, datmax = 0.0f;
  Call c;
  c.radius = 30.0f;
  c.nohead = &v == &kTorrinEngine ? 0 : 1;
  ASSERT_EQ(call_minc(v, c, datmin, datmax), 0);
  EXPECT_EQ(sandbox_.entries(), (std::set<std::string>{"pts.dat", "rot.grd", "minc.log"}));
  const OutGrid g = read_grid("rot.grd");
  ASSERT_EQ(g.v.size(), static_cast<size_t>(kNc * kNr));
  for (int32_t j = 3; j <= kNr - 2; ++j) {
    EXPECT_NE(g.at(8, j), kNull) << j;    // inside the data
    EXPECT_EQ(g.at(kNc, j), kNull) << j;  // 19 cells beyond the last datum
  }
}

// Failures particular to rotated lattices: -1000, and nothing left behind
// but the data and the log.
TEST_P(RotatedMinc, RotatedFailuresLeaveNoFiles) {
  const EngineVariant& v = *GetParam();
  struct Case {
    const char* name;
    bool data_nul;
    bool all_null;
    bool one_point;
  };
  const Case cases[] = {
      {"data name without NUL", false, false, false},
      {"no usable datum", true, true, false},
      {"no extent in x or y", true, false, true},
  };
  for (const Case& tc : cases) {
    std::vector<float> rec;
    if (tc.all_null) rec = {1100.0f, 2100.0f, kDval, 1200.0f, 2200.0f, kDval};
    if (tc.one_point) rec = {1100.0f, 2100.0f, 5.0f, 1100.0f, 2100.0f, 6.0f};
    if (rec.empty()) {
      write_plane_data("pts.dat", 50);
    } else {
      write_floats("pts.dat", rec);
    }
    float datmin = 0.0f, datmax = 0.0f;
    Call c;
    c.data_nul = tc.data_nul;
    c.radius = 20.0f;
    EXPECT_EQ(call_minc(v, c, datmin, datmax), -1000) << tc.name;
    EXPECT_EQ(sandbox_.entries(), (std::set<std::string>{"pts.dat", "minc.log"})) << tc.name;
  }
  // Unrotated, the name without NUL is accepted by kelvane's engine only.
  write_plane_data("pts.dat", 50);
  float datmin = 0.0f, datmax = 0.0f;
  Call c;
  c.grdrot = 1.9f;
  c.data_nul = false;
  EXPECT_EQ(call_minc(v, c, datmin, datmax), &v == &kTorrinEngine ? -1000 : 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, RotatedMinc, ::testing::Values(&kKelvaneEngine, &kTorrinEngine),
                         [](const auto& info) { return std::string(info.param->name); });

}  // namespace
}  // namespace minc
