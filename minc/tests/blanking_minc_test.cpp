// MINC end to end with a search radius, called as the kelvane section
// driver calls it, on a model section with an irregular top and a hole;
// and the clean-up of every scratch file after success and after failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "minc/minc.h"
#include "minc/tests/cwd_sandbox.h"

namespace minc {
namespace {

using testing_support::CwdSandbox;
using testing_support::read_bytes;
using testing_support::read_text;
using testing_support::word_at;
using testing_support::write_floats;

constexpr float kNull = -1.0e32f;
constexpr float kDval = -99999.0f;

// A vertical section of 60 columns of 25 m from x = 5000 and layers of 10 m
// (20 m below 200 m depth) from an elevation of 500 m down to 0, cut by a
// valley in its top surface and with no model cells in a 450 m x 300 m
// hole. Cell centres become the data points, as the section driver writes
// them.
struct Section {
  static constexpr float kX0 = 5000.0f, kTop = 500.0f, kColumn = 25.0f;
  static constexpr int32_t kColumns = 60;
  static float surface(float x) {  // valley between x = 5600 and 5900
    return x > 5600.0f && x < 5900.0f ? 500.0f - 120.0f * std::sin((x - 5600.0f) / 300.0f * 3.14159f)
                                      : 500.0f;
  }
  static bool in_hole(float x, float y) { return x > 5950.0f && x < 6400.0f && y > 40.0f && y < 340.0f; }
  static float value(float x, float y) {
    return 200.0f + 150.0f * std::sin((x - kX0) / 400.0f) * std::cos(y / 300.0f) + 0.05f * y;
  }

  std::vector<float> records;
  float vmin = 1e30f, vmax = -1e30f;
  Section() {
    std::vector<float> tops;
    for (float z = kTop; z > 0.0f;) {
      tops.push_back(z);
      z -= z > 300.0f ? 10.0f : 20.0f;
    }
    tops.push_back(0.0f);
    for (int32_t k = 0; k < kColumns; ++k) {
      const float x = kX0 + kColumn * (static_cast<float>(k) + 0.5f);
      for (size_t l = 0; l + 1 < tops.size(); ++l) {
        const float y = 0.5f * (tops[l] + tops[l + 1]);
        if (y > surface(x) || in_hole(x, y)) continue;
        const float v = value(x, y);
        records.insert(records.end(), {x, y, v});
        vmin = std::min(vmin, v);
        vmax = std::max(vmax, v);
      }
    }
  }
};

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
  if (word_at<int32_t>(b, 16) != 1 ||
      b.size() != 512 + 4 * static_cast<size_t>(g.nc) * static_cast<size_t>(g.nr))
    return g;
  g.v.resize(static_cast<size_t>(g.nc) * static_cast<size_t>(g.nr));
  std::memcpy(g.v.data(), b.data() + 512, 4 * g.v.size());
  return g;
}

std::vector<char> name_buf(const char* name) {
  std::vector<char> b(80, ' ');
  std::memcpy(b.data(), name, std::strlen(name));
  b[std::strlen(name)] = '\0';
  return b;
}

// The arguments of the kelvane section driver: channel 1 of 1, null
// -99999, rows in order, no rotation, equal cell sizes, 80-byte names.
MincArgs driver_args(const std::vector<char>& out, const std::vector<char>& dat, float cell,
                     int32_t nc, int32_t nr, float radius, int32_t iglog, float* dmin, float* dmax) {
  MincArgs a;
  a.outfil = out.data();
  a.outfil_len = 80;
  a.xoi = Section::kX0;
  a.yoi = 0.0f;
  a.delxi = a.delyi = cell;
  a.nci = nc;
  a.nri = nr;
  a.radiusi = radius;
  a.datfil = dat.data();
  a.datfil_len = 80;
  a.izchani = 1;
  a.dvali = kDval;
  a.maxchn = 1;
  a.iglog = iglog;
  a.nohead = 1;
  a.datmin = dmin;
  a.datmax = dmax;
  a.grdrot = 0.0f;
  return a;
}

class SectionWithRadius : public ::testing::TestWithParam<int32_t> {
 protected:
  CwdSandbox sandbox_;
};

TEST_P(SectionWithRadius, BlanksAboveTheSurfaceAndInTheHole) {
  const int32_t iglog = GetParam();
  const Section s;
  write_floats("grddat.dat", s.records);
  const std::vector<char> out = name_buf("sec_250.grd"), dat = name_buf("grddat.dat");
  float dmin = 0.0f, dmax = 0.0f;
  // Grid cell 10 m: 151 x 51 nodes; radius 5 x the largest cell, 125 m.
  const MincArgs a = driver_args(out, dat, 10.0f, 151, 51, 125.0f, iglog, &dmin, &dmax);
  ASSERT_EQ(minc_run<kKelvaneEngine>(a), 0);
  EXPECT_EQ(sandbox_.entries(), (std::set<std::string>{"grddat.dat", "sec_250.grd", "minc.log"}));

  const std::string log = read_text("minc.log");
  EXPECT_NE(log.find(" half window              13\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" total columns           177\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" total rows               77\r\n"), std::string::npos) << log;

  const OutGrid g = read_grid("sec_250.grd");
  ASSERT_EQ(g.v.size(), 151u * 51u);
  auto node = [&](float x, float y) {
    return g.at(static_cast<int32_t>(std::lround((x - Section::kX0) / 10.0f)) + 1,
                static_cast<int32_t>(std::lround(y / 10.0f)) + 1);
  };
  // Inside the data the grid follows the section's values.
  for (const float x : {5100.0f, 5400.0f, 5800.0f, 6400.0f}) {
    for (const float y : {20.0f, 150.0f, 300.0f}) {
      const float z = node(x, y);
      ASSERT_NE(z, kNull) << x << "," << y;
      EXPECT_NEAR(z, Section::value(x, y), 12.0f) << x << "," << y;
      if (iglog == 2) {
        EXPECT_GT(z, 0.0f);
      }
    }
  }
  // Above the valley floor (more than a cell above the last datum) and in
  // the middle of the hole (more than the radius from any datum): null.
  EXPECT_EQ(node(5750.0f, 470.0f), kNull);
  EXPECT_EQ(node(5750.0f, 420.0f), kNull);
  EXPECT_EQ(node(6170.0f, 190.0f), kNull);
  // The header range lies within the data range (minimum curvature may
  // overshoot a little).
  EXPECT_LT(dmin, dmax);
  EXPECT_GT(dmin, s.vmin - 20.0f);
  EXPECT_LT(dmax, s.vmax + 20.0f);
  EXPECT_EQ(word_at<float>(read_bytes("sec_250.grd"), 160), dmin);
}

INSTANTIATE_TEST_SUITE_P(Iglog, SectionWithRadius, ::testing::Values(1, 2),
                         [](const auto& info) { return "iglog" + std::to_string(info.param); });

// Every early end deletes the scratch files made so far: only the data and
// the log remain, for both builds, with and without a search radius.
TEST(MincCleanup, NoScratchFileAfterAnyFailure) {
  struct Case {
    const char* name;
    const char* data;  // data name handed over
    int32_t nc, nr;
    float x0;          // grid origin
    int32_t maxchn;
    int32_t ierr;
  };
  const Case cases[] = {
      {"blank data name", "", 151, 51, Section::kX0, 1, -1000},
      {"no datum inside the grid", "grddat.dat", 151, 51, 90000.0f, 1, -1002},
      {"no layout", "grddat.dat", 100000, 10, Section::kX0, 1, -1001},
      {"bad channel count", "grddat.dat", 151, 51, Section::kX0, 0, -1101},
  };
  const Section s;
  for (const EngineVariant* v : {&kKelvaneEngine, &kTorrinEngine}) {
    for (const float radius : {0.0f, 125.0f}) {
      for (const Case& tc : cases) {
        CwdSandbox box;
        write_floats("grddat.dat", s.records);
        const std::vector<char> out = name_buf("sec.grd"), dat = name_buf(tc.data);
        float dmin = 0.0f, dmax = 0.0f;
        MincArgs a = driver_args(out, dat, 10.0f, tc.nc, tc.nr, radius, 1, &dmin, &dmax);
        a.xoi = tc.x0;
        a.maxchn = tc.maxchn;
        const int32_t ierr =
            v == &kTorrinEngine ? minc_run<kTorrinEngine>(a) : minc_run<kKelvaneEngine>(a);
        EXPECT_EQ(ierr, tc.ierr) << v->name << " r=" << radius << ": " << tc.name;
        EXPECT_EQ(box.entries(), (std::set<std::string>{"grddat.dat", "minc.log"}))
            << v->name << " r=" << radius << ": " << tc.name;
      }
    }
  }
}

}  // namespace
}  // namespace minc
