// build/lib/libminc_torrin.so seen from outside: MINC with 19 words (one
// cell size), torrin's name rules, its grid file with header and reversed
// rows; GEOROT exported beside it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using MincFn = void (*)(const char*, int32_t, const float*, const float*, const float*, const int32_t*,
                        const int32_t*, const float*, const char*, int32_t, const int32_t*, const float*,
                        const int32_t*, const int32_t*, const int32_t*, float*, float*, const float*,
                        int32_t*);

class TorrinLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = fs::current_path();
    char tmpl[] = "/tmp/torrin_lib_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    fs::current_path(dir_);
    lib_ = ::dlopen(TORRIN_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib_, nullptr) << ::dlerror();
    minc_ = reinterpret_cast<MincFn>(::dlsym(lib_, "MINC"));
    ASSERT_NE(minc_, nullptr);
  }
  void TearDown() override {
    if (lib_ != nullptr) ::dlclose(lib_);
    std::error_code ec;
    fs::current_path(old_, ec);
    // Deliberate: remove only the directory mkdtemp made, after leaving it.
    const std::string made = dir_.string();
    if (!ec && made.rfind("/tmp/torrin_lib_", 0) == 0 && made.size() > 16) fs::remove_all(dir_, ec);
  }

  // Data on every second node of a 12 x 10 grid at origin (100, 200) with
  // spacing 5: value = column + 10 * row (1-based nodes).
  static void write_points(const std::string& name) {
    std::ofstream f(name, std::ios::binary);
    for (int32_t j = 1; j <= 10; j += 2)
      for (int32_t i = 1; i <= 12; i += 2) {
        const float rec[3] = {100.0f + 5.0f * static_cast<float>(i - 1), 200.0f + 5.0f * static_cast<float>(j - 1),
                              static_cast<float>(i + 10 * j)};
        for (float v : rec) {
          const uint32_t w = std::bit_cast<uint32_t>(v);
          const char b[4] = {static_cast<char>(w), static_cast<char>(w >> 8), static_cast<char>(w >> 16),
                             static_cast<char>(w >> 24)};
          f.write(b, 4);
        }
      }
  }

  static std::string buffer(const std::string& text, bool nul) {
    std::string b = text;
    if (nul) b.push_back('\0');
    b.resize(80, ' ');
    return b;
  }

  int32_t call(const std::string& outfil, const std::string& datfil, int32_t nohead = 0) {
    const float xo = 100.0f, yo = 200.0f, del = 5.0f, radius = 0.0f, dval = -99999.0f, rot = 0.0f;
    const int32_t nc = 12, nr = 10, izchan = 1, maxchn = 1, iglog = 0;
    float datmin = 0.0f, datmax = 0.0f;
    int32_t ierr = 12345;
    minc_(outfil.data(), static_cast<int32_t>(outfil.size()), &xo, &yo, &del, &nc, &nr, &radius, datfil.data(),
          static_cast<int32_t>(datfil.size()), &izchan, &dval, &maxchn, &iglog, &nohead, &datmin, &datmax, &rot,
          &ierr);
    return ierr;
  }

  static std::string read(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
  }
  template <class T>
  static T at(const std::string& bytes, size_t offset) {
    T v;
    std::memcpy(&v, bytes.data() + offset, sizeof v);  // the machine is little-endian, as the files
    return v;
  }

  void* lib_ = nullptr;
  MincFn minc_ = nullptr;
  fs::path old_, dir_;
};

TEST_F(TorrinLibrary, ExportsMincAndGeorot) {
  EXPECT_NE(::dlsym(lib_, "GEOROT"), nullptr);
}

TEST_F(TorrinLibrary, MincWithOneCellSizeWritesHeaderAndReversedRows) {
  write_points("pts.dat");
  ASSERT_EQ(call(buffer("lib.grd", true), buffer("pts.dat", true)), 0);
  const std::string g = read("lib.grd");
  ASSERT_EQ(g.size(), 512u + 4u * 12u * 10u);
  EXPECT_EQ(at<int32_t>(g, 8), 12);
  EXPECT_EQ(at<int32_t>(g, 12), 10);
  EXPECT_EQ(at<int32_t>(g, 16), -2);
  EXPECT_EQ(at<double>(g, 20), 5.0);
  EXPECT_EQ(at<double>(g, 28), 5.0);
  EXPECT_EQ(at<double>(g, 36), 100.0);
  EXPECT_EQ(at<double>(g, 44), 200.0);
  // A datum on a node fixes it; node row j is stored at row position 11 - j.
  for (int32_t j = 1; j <= 10; j += 2)
    for (int32_t i = 1; i <= 12; i += 2) {
      const float v = at<float>(g, 512 + 4 * static_cast<size_t>((10 - j) * 12 + (i - 1)));
      EXPECT_NEAR(v, static_cast<float>(i + 10 * j), 1.0e-3f) << i << "," << j;
    }
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_NE(e.path().filename().string().rfind("~minc", 0), 0u) << e.path();
}

TEST_F(TorrinLibrary, NamesMustEndWithANul) {
  write_points("pts.dat");
  // A data name without NUL is refused.
  EXPECT_EQ(call(buffer("lib.grd", true), buffer("pts.dat", false)), -1000);
  EXPECT_FALSE(fs::exists("lib.grd"));
  // An output name without NUL becomes "outfile.grd".
  EXPECT_EQ(call(buffer("lib.grd", false), buffer("pts.dat", true)), 0);
  EXPECT_FALSE(fs::exists("lib.grd"));
  EXPECT_TRUE(fs::exists("outfile.grd"));
}

TEST_F(TorrinLibrary, NoheadOtherThanZeroWritesRowsOnly) {
  write_points("pts.dat");
  ASSERT_EQ(call(buffer("rows.grd", true), buffer("pts.dat", true), 1), 0);
  const std::string g = read("rows.grd");
  ASSERT_EQ(g.size(), 4u * 12u * 10u);
  // Still reversed: the first stored row is node row 10 (no data there),
  // the second node row 9, whose first node holds the datum 1 + 90.
  EXPECT_NEAR(at<float>(g, 4 * 12), 91.0f, 1.0e-3f);
}

}  // namespace
