#include "gridout/geoout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "minc/tests/cwd_sandbox.h"

namespace gridout {
namespace {

using minc::kKelvaneEngine;
using minc::kTorrinEngine;
using testing_support::CwdSandbox;
using testing_support::read_bytes;
using testing_support::word_at;

constexpr float kDval = -99999.0f;

struct Written {
  bool ok = false;
  float datmin = 0.0f, datmax = 0.0f;
  std::vector<unsigned char> bytes;
};

template <const minc::EngineVariant& V>
Written write_memory(const std::vector<float>& g, int32_t nc, int32_t nr, int32_t iglog,
                     int32_t nohead, float dval = kDval, const std::string& name = "out.grd") {
  Written w;
  std::vector<float> z(static_cast<size_t>(nc));
  const auto len = static_cast<int32_t>(name.size());
  w.ok = GEOOUT<V>(nullptr, name.data(), len, z.data(), nc, nr, g.data(), 100.0f, 200.5f, 2.5f,
                   0.75f, iglog, nohead, dval, w.datmin, w.datmax);
  w.bytes = read_bytes(geoout_name(V, name.data(), len));
  return w;
}

std::vector<float> row_values(const std::vector<unsigned char>& b, size_t start, int32_t nc, int32_t pos) {
  std::vector<float> out;
  for (int32_t i = 0; i < nc; ++i) out.push_back(word_at<float>(b, start + 4u * static_cast<size_t>(pos * nc + i)));
  return out;
}

TEST(Geoout, HeaderBytesOfA3x2Grid) {
  CwdSandbox box;
  const std::vector<float> g = {1, 2, 3, 4, 5, 6};
  const Written w = write_memory<kKelvaneEngine>(g, 3, 2, 1, 1);
  ASSERT_TRUE(w.ok);
  ASSERT_EQ(w.bytes.size(), 536u);
  const auto& b = w.bytes;
  EXPECT_EQ(word_at<int32_t>(b, 0), 4);
  EXPECT_EQ(word_at<int32_t>(b, 4), 2);
  EXPECT_EQ(word_at<int32_t>(b, 8), 3);
  EXPECT_EQ(word_at<int32_t>(b, 12), 2);
  EXPECT_EQ(word_at<int32_t>(b, 16), 1);
  EXPECT_EQ(word_at<double>(b, 20), 2.5);
  EXPECT_EQ(word_at<double>(b, 28), static_cast<double>(0.75f));
  EXPECT_EQ(word_at<double>(b, 36), 100.0);
  EXPECT_EQ(word_at<double>(b, 44), static_cast<double>(200.5f));
  EXPECT_EQ(word_at<double>(b, 52), 0.0);
  EXPECT_EQ(word_at<double>(b, 60), 0.0);
  EXPECT_EQ(word_at<double>(b, 68), 1.0);
  for (size_t i = 76; i < 140; ++i) ASSERT_EQ(b[i], ' ') << i;
  for (size_t i = 140; i < 160; ++i) ASSERT_EQ(b[i], 0) << i;
  EXPECT_EQ(word_at<float>(b, 160), 1.0f);
  EXPECT_EQ(word_at<float>(b, 164), 6.0f);
  EXPECT_EQ(word_at<uint32_t>(b, 168), 0xF49DC5AEu);
  EXPECT_EQ(word_at<uint32_t>(b, 172), 0xF49DC5AEu);
  EXPECT_EQ(word_at<double>(b, 176), static_cast<double>(-1.0e32f));
  EXPECT_EQ(word_at<int32_t>(b, 184), 0);
  for (size_t i = 188; i < 512; ++i) ASSERT_EQ(b[i], ' ') << i;
  EXPECT_EQ(row_values(b, 512, 3, 0), (std::vector<float>{1, 2, 3}));
  EXPECT_EQ(row_values(b, 512, 3, 1), (std::vector<float>{4, 5, 6}));
  EXPECT_EQ(w.datmin, 1.0f);
  EXPECT_EQ(w.datmax, 6.0f);
}

TEST(Geoout, RowOrderFollowsNohead) {
  CwdSandbox box;
  const std::vector<float> g = {1, 2, 3, 4, 5, 6};
  for (int32_t nohead : {0, 2, -1}) {
    const Written w = write_memory<kKelvaneEngine>(g, 3, 2, 1, nohead);
    ASSERT_EQ(w.bytes.size(), 536u);
    EXPECT_EQ(word_at<int32_t>(w.bytes, 16), -2);
    EXPECT_EQ(word_at<double>(w.bytes, 44), static_cast<double>(200.5f));  // still YO
    EXPECT_EQ(row_values(w.bytes, 512, 3, 0), (std::vector<float>{4, 5, 6}));
    EXPECT_EQ(row_values(w.bytes, 512, 3, 1), (std::vector<float>{1, 2, 3}));
  }
}

struct ValueCase {
  const char* name;
  std::vector<float> grid;  // 2 x 2
  int32_t iglog;
  std::vector<float> written;
  float datmin, datmax;
};

class GeooutValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(GeooutValues, NullsLogarithmsAndLimits) {
  CwdSandbox box;
  const ValueCase& c = GetParam();
  const Written w = write_memory<kKelvaneEngine>(c.grid, 2, 2, c.iglog, 1);
  ASSERT_TRUE(w.ok);
  std::vector<float> got = row_values(w.bytes, 512, 2, 0);
  const std::vector<float> r2 = row_values(w.bytes, 512, 2, 1);
  got.insert(got.end(), r2.begin(), r2.end());
  EXPECT_EQ(got, c.written);
  EXPECT_EQ(word_at<float>(w.bytes, 160), c.datmin);
  EXPECT_EQ(word_at<float>(w.bytes, 164), c.datmax);
  EXPECT_EQ(w.datmin, c.datmin);
  EXPECT_EQ(w.datmax, c.datmax);
}

const float kE = 2.7182817f;

INSTANTIATE_TEST_SUITE_P(
    Cases, GeooutValues,
    ::testing::Values(
        ValueCase{"plain", {3, -1, 7, 2}, 1, {3, -1, 7, 2}, -1, 7},
        ValueCase{"largest_first", {9, 1, 2, 3}, 1, {9, 1, 2, 3}, 1, 9},
        ValueCase{"caller_null_becomes_file_null", {kDval, 5, kDval, 6}, 1, {kNull, 5, kNull, 6}, 5, 6},
        ValueCase{"file_null_with_other_dval_counts", {kNull, 5, 4, 6}, 1, {kNull, 5, 4, 6}, kNull, 6},
        ValueCase{"all_null", {kDval, kDval, kDval, kDval}, 1, {kNull, kNull, kNull, kNull}, 1.0e7f, -1.0e7f},
        ValueCase{"all_above_1e7", {2e7f, 3e7f, 4e7f, 5e7f}, 1, {2e7f, 3e7f, 4e7f, 5e7f}, 1.0e7f, 5e7f},
        ValueCase{"all_below_minus_1e7", {-2e7f, -3e7f, -4e7f, -5e7f}, 1, {-2e7f, -3e7f, -4e7f, -5e7f}, -5e7f, -1.0e7f},
        ValueCase{"log_zero_is_one", {0, 1, kDval, 2}, 2, {1, kE, kNull, std::pow(kE, 2.0f)}, 1, std::pow(kE, 2.0f)},
        ValueCase{"log_negative", {-1, kDval, kDval, kDval}, 2, {std::pow(kE, -1.0f), kNull, kNull, kNull}, std::pow(kE, -1.0f), std::pow(kE, -1.0f)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Geoout, GridFromARowFileMatchesTheGridFromMemory) {
  CwdSandbox box;
  const std::vector<float> g = {1, 2, 3, kDval, 5, 6, 7, 8, 9, 10, 11, 12};
  testing_support::write_floats("rows.tmp", g);
  WordFile rows;
  ASSERT_TRUE(rows.open("rows.tmp", WordFile::Mode::Read));
  rows.seek(20);  // the writer positions the file at its start itself
  float mn = 0, mx = 0;
  std::vector<float> z(4);
  ASSERT_TRUE(GEOOUT<kKelvaneEngine>(&rows, "file.grd", 8, z.data(), 4, 3, nullptr, 1, 2, 3, 4, 1, 0,
                                     kDval, mn, mx));
  const std::vector<float> copy = g;
  ASSERT_TRUE(GEOOUT<kKelvaneEngine>(nullptr, "mem.grd", 7, z.data(), 4, 3, copy.data(), 1, 2, 3, 4, 1,
                                     0, kDval, mn, mx));
  EXPECT_EQ(read_bytes("file.grd"), read_bytes("mem.grd"));
  EXPECT_EQ(mn, 1.0f);
  EXPECT_EQ(mx, 12.0f);
}

TEST(Geoout, ShortRowFileIsReportedAsAFailure) {
  CwdSandbox box;
  testing_support::write_floats("rows.tmp", {1, 2, 3});
  WordFile rows;
  ASSERT_TRUE(rows.open("rows.tmp", WordFile::Mode::Read));
  float mn = 0, mx = 0;
  EXPECT_FALSE(GEOOUT<kKelvaneEngine>(&rows, "f.grd", 5, nullptr, 2, 2, nullptr, 0, 0, 1, 1, 1, 1,
                                      kDval, mn, mx));
}

TEST(Geoout, UnwritableNameIsReportedAsAFailure) {
  CwdSandbox box;
  float mn = 0, mx = 0;
  const float g[1] = {1};
  EXPECT_FALSE(GEOOUT<kKelvaneEngine>(nullptr, "no/such/dir.grd", 15, nullptr, 1, 1, g, 0, 0, 1, 1,
                                      1, 1, kDval, mn, mx));
}

struct NameCase {
  const char* name;
  std::string buf;
  std::string kelvane;
  std::string torrin;
};

class GeooutNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(GeooutNames, NameRule) {
  const NameCase& c = GetParam();
  EXPECT_EQ(geoout_name(kKelvaneEngine, c.buf.data(), static_cast<int32_t>(c.buf.size())), c.kelvane);
  EXPECT_EQ(geoout_name(kTorrinEngine, c.buf.data(), static_cast<int32_t>(c.buf.size())), c.torrin);
}

INSTANTIATE_TEST_SUITE_P(
    Names, GeooutNames,
    ::testing::Values(
        NameCase{"nul_terminated", std::string("abc\0xyz  ", 9), "abc", "abc"},
        NameCase{"blank_padded", "abc.grd     ", "abc.grd", "outfile.grd"},
        NameCase{"all_blank", std::string(80, ' '), "outfile.grd", "outfile.grd"},
        NameCase{"one_character", "a     ", "outfile.grd", "outfile.grd"},
        NameCase{"one_character_with_nul", std::string("a\0  ", 4), "a", "a"},
        NameCase{"nul_first_blank_rest", std::string("\0   ", 4), "outfile.grd", "outfile.grd"},
        NameCase{"nul_first_text_after", std::string("\0abc", 4), "outfile.grd", "outfile.grd"},
        NameCase{"two_characters", "ab", "ab", "outfile.grd"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Geoout, LongNamesAreCutTo511Characters) {
  const std::string buf(600, 'n');
  EXPECT_EQ(geoout_name(kKelvaneEngine, buf.data(), 600).size(), 511u);
}

TEST(GeooutTorrin, NoheadZeroWritesHeaderWithReversedRowsAndOneSpacing) {
  CwdSandbox box;
  const std::vector<float> g = {1, 2, 3, 4, 5, 6};
  const Written w = write_memory<kTorrinEngine>(g, 3, 2, 1, 0, kDval, std::string("t.grd\0", 6));
  ASSERT_TRUE(w.ok);
  ASSERT_EQ(w.bytes.size(), 536u);
  EXPECT_EQ(word_at<int32_t>(w.bytes, 16), -2);
  EXPECT_EQ(word_at<double>(w.bytes, 20), 2.5);
  EXPECT_EQ(word_at<double>(w.bytes, 28), 2.5);
  EXPECT_EQ(word_at<float>(w.bytes, 160), 1.0f);
  EXPECT_EQ(word_at<float>(w.bytes, 164), 6.0f);
  EXPECT_EQ(row_values(w.bytes, 512, 3, 0), (std::vector<float>{4, 5, 6}));
}

TEST(GeooutTorrin, OtherNoheadWritesRowsOnlyReversed) {
  CwdSandbox box;
  const std::vector<float> g = {1, 2, 3, 4, 5, 6};
  for (int32_t nohead : {1, 5}) {
    std::vector<float> z(3);
    float mn = 0, mx = 0;
    const char name[] = "t.grd";  // the NUL of the literal ends the name
    ASSERT_TRUE(GEOOUT<kTorrinEngine>(nullptr, name, 6, z.data(), 3, 2, g.data(), 0, 0, 1, 1, 1, nohead,
                                      kDval, mn, mx));
    const auto b = read_bytes("t.grd");
    ASSERT_EQ(b.size(), 24u);
    EXPECT_EQ(row_values(b, 0, 3, 0), (std::vector<float>{4, 5, 6}));
    EXPECT_EQ(row_values(b, 0, 3, 1), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(mn, 1.0f);
    EXPECT_EQ(mx, 6.0f);
  }
}

TEST(WriteGrid, InMemoryGridWithTheNullOfTheFile) {
  CwdSandbox box;
  const std::vector<float> g = {kNull, 2, 3, 4};
  float mn = 0, mx = 0;
  ASSERT_TRUE(write_grid("nn.grd", g.data(), 2, 2, 0, 0, 1, 1, mn, mx));
  const auto b = read_bytes("nn.grd");
  ASSERT_EQ(b.size(), 528u);
  EXPECT_EQ(word_at<int32_t>(b, 16), 1);
  EXPECT_EQ(word_at<uint32_t>(b, 512), 0xF49DC5AEu);
  EXPECT_EQ(mn, 2.0f);
  EXPECT_EQ(mx, 4.0f);
}

}  // namespace
}  // namespace gridout
