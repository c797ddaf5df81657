// GEOROT: resampling a grid on a rotated lattice onto the requested grid.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "gridout/georot.h"

namespace {

namespace fs = std::filesystem;
constexpr float kNull = -1.0e32f;

// Runs each test in a fresh directory, as the engine's files land in the cwd.
class GeorotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = fs::current_path();
    char tmpl[] = "/tmp/georot_XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    fs::current_path(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::current_path(old_, ec);
    // Remove only the directory mkdtemp made under /tmp, after leaving it.
    const std::string made = dir_.string();
    if (!ec && made.rfind("/tmp/georot_", 0) == 0 && made.size() > 12) fs::remove_all(dir_, ec);
  }
  fs::path old_, dir_;
};

// A grid in memory, node (ix, iy) from 0, row iy at y = y0 + iy * dy.
struct Grid {
  int32_t nc = 0, nr = 0;
  std::vector<float> z;
  float& at(int32_t ix, int32_t iy) { return z[static_cast<size_t>(iy * nc + ix)]; }
  float at(int32_t ix, int32_t iy) const { return z[static_cast<size_t>(iy * nc + ix)]; }
};

// Writes `g` as a grid file: 512 header bytes (only the row-order code at
// offset 16 matters to GEOROT) and the rows, reversed for code -2.
void write_input(const std::string& name, const Grid& g, int32_t code, bool header = true) {
  std::vector<char> bytes(header ? 512 : 0, ' ');
  if (header) std::memcpy(bytes.data() + 16, &code, 4);
  for (int32_t k = 0; k < g.nr; ++k) {
    const int32_t iy = code == 1 ? k : g.nr - 1 - k;
    const char* p = reinterpret_cast<const char*>(&g.z[static_cast<size_t>(iy * g.nc)]);
    bytes.insert(bytes.end(), p, p + 4 * g.nc);
  }
  std::ofstream(name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<char> slurp(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

template <typename T>
T get(const std::vector<char>& b, size_t off) {
  T v;
  std::memcpy(&v, b.data() + off, sizeof v);
  return v;
}

// The output grid as stored (row k of the file), turned back into input
// order when the rows are reversed.
Grid read_output(const std::vector<char>& b, int32_t nc, int32_t nr, size_t base, bool reversed) {
  Grid g{nc, nr, std::vector<float>(static_cast<size_t>(nc * nr))};
  for (int32_t k = 0; k < nr; ++k) {
    const int32_t j = reversed ? nr - 1 - k : k;
    for (int32_t i = 0; i < nc; ++i) g.at(i, j) = get<float>(b, base + 4 * static_cast<size_t>(k * nc + i));
  }
  return g;
}

gridout::GeorotArgs base_args(const char* in, const char* out) {
  gridout::GeorotArgs a;
  a.infile = in;
  a.infile_len = static_cast<int32_t>(std::strlen(in) + 1);
  a.outfil = out;
  a.outfil_len = static_cast<int32_t>(std::strlen(out) + 1);
  return a;
}

TEST_F(GeorotTest, RotationZeroOnIdenticalGridsReproducesInput) {
  Grid in{5, 4, {}};
  for (int32_t k = 0; k < 20; ++k) in.z.push_back(static_cast<float>(k * k) * 0.25f - 3.0f);
  in.at(2, 1) = kNull;  // a null stays null and leaves its neighbours exact
  write_input("in.grd", in, 1);
  auto a = base_args("in.grd", "out.grd");
  a.delxi = a.delxo = 2.0f;
  a.delyi = a.delyo = 4.0f;
  a.xi = a.xo = 100.0f;
  a.yi = a.yo = -64.0f;
  a.nci = a.nco = 5;
  a.nri = a.nro = 4;
  a.xornew = a.xorold = 104.0f;
  a.yornew = a.yorold = -56.0f;
  ASSERT_TRUE(gridout::GEOROT(minc::kKelvaneEngine, a));
  const auto b = slurp("out.grd");
  ASSERT_EQ(b.size(), 512u + 4u * 20u);
  const Grid out = read_output(b, 5, 4, 512, false);
  for (int32_t k = 0; k < 20; ++k) EXPECT_EQ(out.z[static_cast<size_t>(k)], in.z[static_cast<size_t>(k)]) << k;
}

TEST_F(GeorotTest, HeaderFieldsAndRangeCopiedFromArguments) {
  Grid in{3, 3, std::vector<float>(9, 5.0f)};
  write_input("in.grd", in, 1);
  for (const int32_t nohead : {1, 0}) {
    auto a = base_args("in.grd", "out.grd");
    a.nci = a.nri = 3;
    a.nco = 4;
    a.nro = 2;
    a.delxo = 0.5f;
    a.delyo = 0.25f;
    a.xo = 10.0f;
    a.yo = 20.0f;  // every output node lies outside the input lattice
    a.nohead = nohead;
    a.datmin = -7.5f;
    a.datmax = 123.0f;
    ASSERT_TRUE(gridout::GEOROT(minc::kKelvaneEngine, a));
    const auto b = slurp("out.grd");
    ASSERT_EQ(b.size(), 512u + 4u * 8u);
    EXPECT_EQ(get<int32_t>(b, 0), 4);
    EXPECT_EQ(get<int32_t>(b, 4), 2);
    EXPECT_EQ(get<int32_t>(b, 8), 4);
    EXPECT_EQ(get<int32_t>(b, 12), 2);
    EXPECT_EQ(get<int32_t>(b, 16), nohead == 1 ? 1 : -2);
    EXPECT_EQ(get<double>(b, 20), 0.5);
    EXPECT_EQ(get<double>(b, 28), 0.25);
    EXPECT_EQ(get<double>(b, 36), 10.0);
    EXPECT_EQ(get<double>(b, 44), 20.0);
    EXPECT_EQ(get<double>(b, 68), 1.0);
    EXPECT_EQ(get<float>(b, 160), -7.5f);
    EXPECT_EQ(get<float>(b, 164), 123.0f);
    EXPECT_EQ(get<float>(b, 168), kNull);
    EXPECT_EQ(get<double>(b, 176), static_cast<double>(kNull));
    EXPECT_EQ(b[76], ' ');
    EXPECT_EQ(b[511], ' ');
    for (size_t off = 512; off < b.size(); off += 4) EXPECT_EQ(get<float>(b, off), kNull);
  }
}

// A linear field on a rotated input lattice: every output node whose input
// cell is complete and not in the last column or row is reproduced, also in
// the band just before the first column or row (extrapolated from the first
// cell); nodes beyond the lattice are null.
struct LinearCase {
  const char* name;
  float rotang;
  int32_t code;    // input row order
  int32_t nohead;  // output row order
};

class GeorotLinear : public GeorotTest, public ::testing::WithParamInterface<LinearCase> {};

TEST_P(GeorotLinear, LinearFieldReproducedInCompleteCells) {
  const LinearCase& tc = GetParam();
  const float xi = -35.0f, yi = -30.0f, dxi = 2.5f, dyi = 3.0f;
  Grid in{30, 24, {}};
  auto field = [](double x, double y) { return 4.0 + 0.5 * x - 0.25 * y; };
  for (int32_t iy = 0; iy < in.nr; ++iy)
    for (int32_t ix = 0; ix < in.nc; ++ix)
      in.z.push_back(static_cast<float>(field(xi + ix * dxi, yi + iy * dyi)));
  write_input("in.grd", in, tc.code);

  auto a = base_args("in.grd", "out.grd");
  a.delxi = dxi;
  a.delyi = dyi;
  a.xi = xi;
  a.yi = yi;
  a.nci = in.nc;
  a.nri = in.nr;
  a.delxo = a.delyo = 2.0f;
  a.xo = -50.0f;
  a.yo = -50.0f;
  a.nco = a.nro = 51;
  a.rotang = tc.rotang;
  a.xornew = 3.0f;
  a.yornew = -2.0f;
  a.xorold = 1.0f;
  a.yorold = 0.5f;
  a.nohead = tc.nohead;
  ASSERT_TRUE(gridout::GEOROT(minc::kKelvaneEngine, a));
  const auto b = slurp("out.grd");
  ASSERT_EQ(b.size(), 512u + 4u * 51u * 51u);
  const Grid out = read_output(b, 51, 51, 512, tc.nohead != 1);

  const double ang = static_cast<double>(tc.rotang) * 3.1415925 / 180.0;
  int complete = 0, outside = 0;
  for (int32_t j = 0; j < 51; ++j) {
    for (int32_t i = 0; i < 51; ++i) {
      const double x = a.xo + i * 2.0 - a.xornew, y = a.yo + j * 2.0 - a.yornew;
      const double xp = x * std::cos(ang) - y * std::sin(ang) + a.xorold;
      const double yp = x * std::sin(ang) + y * std::cos(ang) + a.yorold;
      const double gx = (xp - xi) / dxi, gy = (yp - yi) / dyi;
      const float z = out.at(i, j);
      // Skip nodes within rounding of a cell edge: their cell is ambiguous.
      const double ex = gx - std::floor(gx), ey = gy - std::floor(gy);
      if (std::min(ex, 1 - ex) < 1e-3 || std::min(ey, 1 - ey) < 1e-3) continue;
      if (gx <= -1 || gy <= -1 || gx >= in.nc || gy >= in.nr) {
        EXPECT_EQ(z, kNull) << i << "," << j;
        ++outside;
      } else if (gx < in.nc - 1 && gy < in.nr - 1) {
        EXPECT_NEAR(z, field(xp, yp), 2e-4 * (1 + std::abs(field(xp, yp)))) << i << "," << j;
        ++complete;
      }
    }
  }
  EXPECT_GT(complete, 200);
  EXPECT_GT(outside, 200);
}

INSTANTIATE_TEST_SUITE_P(Cases, GeorotLinear,
                         ::testing::Values(LinearCase{"rot30", 30.0f, 1, 1},
                                           LinearCase{"rotm45_reversed_input", -45.0f, -2, 1},
                                           LinearCase{"rot12_reversed_output", 12.0f, 1, 0},
                                           LinearCase{"rot0", 0.0f, 1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GeorotTest, ReversedInputGivesSameBytes) {
  Grid in{7, 6, {}};
  for (int32_t k = 0; k < 42; ++k) in.z.push_back(std::sin(static_cast<float>(k)) * 10.0f);
  in.at(3, 2) = kNull;
  auto a = base_args("in.grd", "out.grd");
  a.nci = 7;
  a.nri = 6;
  a.nco = 9;
  a.nro = 8;
  a.delxo = a.delyo = 0.75f;
  a.xo = -0.5f;
  a.yo = -0.7f;
  a.rotang = 20.0f;
  a.xornew = a.xorold = 3.0f;
  a.yornew = a.yorold = 2.5f;
  write_input("in.grd", in, 1);
  ASSERT_TRUE(gridout::GEOROT(minc::kKelvaneEngine, a));
  const auto forward = slurp("out.grd");
  write_input("in.grd", in, -2);
  ASSERT_TRUE(gridout::GEOROT(minc::kKelvaneEngine, a));
  EXPECT_EQ(slurp("out.grd"), forward);
}

// A null among the four corners of a cell: the node takes its lower-left
// input value, null when that is the null one; the last column and row take
// the node value without interpolation.
TEST_F(GeorotTest, NullNeighbourAndLastColumnTakeLowerLeftValue) {
  Grid in{4, 3, {1, 2, 3, 4,  //
                 5, kNull, 7, 8,
                 9, 10, 11, 12}};
  write_input("in.grd", in, 1);
  auto a = base_args("in.grd", "out.grd");
  a.nci = 4;
  a.nri = 3;
  a.nco = 8;
  a.nro = 6;
  a.delxo = a.delyo = 0.5f;
  a.xo = a.yo = 0.25f;  // output nodes at 0.25, 0.75, ... inside every cell
  ASSERT_TRUE(gridout::GEOROT(minc::kKelvaneEngine, a));
  const Grid out = read_output(slurp("out.grd"), 8, 6, 512, false);
  struct Expect {
    int32_t i, j;
    float z;
  };
  const Expect rows[] = {
      {0, 0, 1.0f},    // cell (0,0) holds the null at (1,1): lower-left value
      {2, 0, 2.0f},    // cell (1,0) too
      {2, 2, kNull},   // cell (1,1): lower-left is the null node
      {6, 4, 12.0f},   // last column and last row: node value
      {6, 0, 4.0f},    // last column
      {0, 4, 9.0f},    // last row
  };
  for (const Expect& e : rows) EXPECT_EQ(out.at(e.i, e.j), e.z) << e.i << "," << e.j;
  // Cell (2,1): corners 7, 8, 11, 12 all present, interpolated.
  EXPECT_FLOAT_EQ(out.at(4, 2), 0.75f * (0.75f * 7 + 0.25f * 8) + 0.25f * (0.75f * 11 + 0.25f * 12));
}

// Every output value, bit for bit, against the resampling written out in
// single precision: rotation and scales, the cell of trunc(gx), trunc(gy),
// bilinear weights when the four corners are present and the cell is not in
// the last column or row, else the lower-left value; the earlier build takes
// the node value of a point half a spacing above, from the top row down.
struct ModelCase {
  const char* name;
  const minc::EngineVariant* v;
  float rotang;
  int32_t code;    // input row order (kelvane)
  int32_t nohead;
};

class GeorotModel : public GeorotTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(GeorotModel, EveryValueAsTheSinglePrecisionFormulasGive) {
  const ModelCase& tc = GetParam();
  const bool torrin = tc.v->georot_nearest;
  Grid in{23, 17, {}};
  uint32_t seed = 77;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (int32_t k = 0; k < in.nc * in.nr; ++k)
    in.z.push_back(next() % 11 == 0 ? kNull : static_cast<float>(next() % 20000) * 0.01f - 50.0f);
  // The earlier build reads a header only with NOHEAD = 0, rows reversed.
  write_input("in.grd", in, torrin ? -2 : tc.code, !torrin || tc.nohead == 0);
  auto a = base_args("in.grd", "out.grd");
  a.delxi = 7.5f;
  a.delyi = 6.0f;
  a.xi = -80.0f;
  a.yi = -45.5f;
  a.nci = in.nc;
  a.nri = in.nr;
  a.delxo = 5.0f;
  a.delyo = 4.5f;
  a.xo = -120.0f;
  a.yo = -90.0f;
  a.nco = 47;
  a.nro = 41;
  a.rotang = tc.rotang;
  a.xornew = 12.5f;
  a.yornew = -7.0f;
  a.xorold = 3.0f;
  a.yorold = 1.5f;
  a.xscale = 1.25f;
  a.yscale = 0.8f;
  a.nohead = tc.nohead;
  a.datmin = -3.0f;
  a.datmax = 4.0f;
  ASSERT_TRUE(gridout::GEOROT(*tc.v, a));
  const auto b = slurp("out.grd");
  const bool header = !torrin || tc.nohead == 0;
  ASSERT_EQ(b.size(), (header ? 512u : 0u) + 4u * 47u * 41u);

  const float ang = a.rotang * 3.1415926f / 180.0f;
  const float s = std::sin(ang), c = std::cos(ang);
  int32_t nulls = 0, interpolated = 0;
  for (int32_t j = 1; j <= a.nro; ++j) {
    const float y = torrin ? (static_cast<float>(a.nro - j) + 0.5f) * a.delyo + a.yo
                           : static_cast<float>(j - 1) * a.delyo + a.yo;
    // File row: kelvane by NOHEAD; the earlier build writes row j at position j.
    const int32_t pos = !torrin && tc.nohead != 1 ? a.nro - j : j - 1;
    for (int32_t i = 1; i <= a.nco; ++i) {
      const float x = static_cast<float>(i - 1) * a.delxo + a.xo;
      const float xp = ((x - a.xornew) * c - (y - a.yornew) * s) / a.xscale + a.xorold;
      const float yp = ((x - a.xornew) * s + (y - a.yornew) * c) / a.yscale + a.yorold;
      const float gx = (xp - a.xi) / a.delxi, gy = (yp - a.yi) / a.delyi;
      const auto ix = static_cast<int32_t>(gx), iy = static_cast<int32_t>(gy);
      float want = kNull;
      if (ix >= 0 && iy >= 0 && ix <= a.nci - 1 && iy <= a.nri - 1) {
        want = in.at(ix, iy);
        if (!torrin && ix < a.nci - 1 && iy < a.nri - 1 && in.at(ix, iy) > -1.0e30f &&
            in.at(ix + 1, iy) > -1.0e30f && in.at(ix, iy + 1) > -1.0e30f &&
            in.at(ix + 1, iy + 1) > -1.0e30f) {
          const float fx = gx - static_cast<float>(ix), fy = gy - static_cast<float>(iy);
          want = (1.0f - fy) * ((1.0f - fx) * in.at(ix, iy) + fx * in.at(ix + 1, iy)) +
                 fy * ((1.0f - fx) * in.at(ix, iy + 1) + fx * in.at(ix + 1, iy + 1));
          ++interpolated;
        }
      }
      if (want == kNull) ++nulls;
      const float got = get<float>(b, (header ? 512u : 0u) + 4u * static_cast<size_t>(pos * a.nco + i - 1));
      ASSERT_EQ(std::memcmp(&got, &want, 4), 0) << i << "," << j << ": " << got << " vs " << want;
    }
  }
  EXPECT_GT(nulls, 100);
  if (!torrin) {
    EXPECT_GT(interpolated, 300);
  }
  if (header) {
    EXPECT_EQ(get<int32_t>(b, 16), !torrin && tc.nohead == 1 ? 1 : -2);
    EXPECT_EQ(get<float>(b, 160), -3.0f);
    EXPECT_EQ(get<float>(b, 164), 4.0f);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GeorotModel,
    ::testing::Values(ModelCase{"kelvane_rot23", &minc::kKelvaneEngine, 23.0f, 1, 1},
                      ModelCase{"kelvane_rotm38_reversed_both", &minc::kKelvaneEngine, -38.0f, -2, 0},
                      ModelCase{"torrin_header", &minc::kTorrinEngine, 23.0f, -2, 0},
                      ModelCase{"torrin_no_header", &minc::kTorrinEngine, -17.0f, -2, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GeorotTest, MissingInputWritesNothing) {
  auto a = base_args("absent.grd", "out.grd");
  a.nci = a.nri = a.nco = a.nro = 2;
  EXPECT_FALSE(gridout::GEOROT(minc::kKelvaneEngine, a));
  EXPECT_FALSE(fs::exists("out.grd"));
}

TEST_F(GeorotTest, ShortInputReadsNull) {
  Grid in{3, 3, std::vector<float>(9, 2.0f)};
  write_input("in.grd", in, 1);
  fs::resize_file("in.grd", 512 + 4 * 4);  // row 0 and one value of row 1
  auto a = base_args("in.grd", "out.grd");
  a.nci = a.nri = a.nco = a.nro = 3;
  ASSERT_TRUE(gridout::GEOROT(minc::kKelvaneEngine, a));
  const Grid out = read_output(slurp("out.grd"), 3, 3, 512, false);
  EXPECT_EQ(out.at(0, 0), 2.0f);
  EXPECT_EQ(out.at(1, 1), kNull);
  EXPECT_EQ(out.at(2, 2), kNull);
}

// The earlier build: nearest node, rows computed from the top half a spacing
// up, input and output header only when NOHEAD = 0, input rows reversed.
TEST_F(GeorotTest, TorrinNearestNodeFromTheTop) {
  Grid in{4, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}};
  for (const int32_t nohead : {0, 1}) {
    write_input("in.grd", in, -2, nohead == 0);
    auto a = base_args("in.grd", "out.grd");
    a.nci = 4;
    a.nri = 3;
    a.nco = 6;
    a.nro = 3;
    a.delxo = a.delyo = 1.0f;
    a.xo = -0.5f;  // first column: trunc(-0.5) = 0, the first input column
    a.yo = 0.0f;
    a.nohead = nohead;
    a.datmin = 1.0f;
    a.datmax = 12.0f;
    ASSERT_TRUE(gridout::GEOROT(minc::kTorrinEngine, a));
    const auto b = slurp("out.grd");
    const size_t base = nohead == 0 ? 512 : 0;
    ASSERT_EQ(b.size(), base + 4u * 18u);
    if (nohead == 0) {
      EXPECT_EQ(get<int32_t>(b, 16), -2);
      EXPECT_EQ(get<float>(b, 160), 1.0f);
      EXPECT_EQ(get<float>(b, 164), 12.0f);
    }
    // File row k (from 0) is computed at Y = (3 - (k + 1) + 0.5): 2.5, 1.5,
    // 0.5; the last column (X = 4.5) lies beyond the input: null.
    const float expect[3][6] = {{9, 9, 10, 11, 12, kNull}, {5, 5, 6, 7, 8, kNull}, {1, 1, 2, 3, 4, kNull}};
    for (int32_t k = 0; k < 3; ++k)
      for (int32_t i = 0; i < 6; ++i)
        EXPECT_EQ(get<float>(b, base + 4 * static_cast<size_t>(k * 6 + i)), expect[k][i])
            << nohead << ":" << k << "," << i;
  }
}

}  // namespace
