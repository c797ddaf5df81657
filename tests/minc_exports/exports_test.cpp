// The exported entry points, loaded from the shared libraries with dlopen:
// the C argument lists reach the engine unchanged, so a call through them
// writes the same bytes as a direct call of the engine.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gridout/georot.h"
#include "minc/minc.h"
#include "minc/tests/cwd_sandbox.h"

namespace {

using testing_support::CwdSandbox;
using testing_support::read_bytes;
using testing_support::write_floats;

using MincKelvane = void (*)(const char*, int32_t, const float*, const float*, const float*,
                             const float*, const int32_t*, const int32_t*, const float*,
                             const char*, int32_t, const int32_t*, const float*, const int32_t*,
                             const int32_t*, const int32_t*, float*, float*, const float*,
                             int32_t*);
using MincTorrin = void (*)(const char*, int32_t, const float*, const float*, const float*,
                            const int32_t*, const int32_t*, const float*, const char*, int32_t,
                            const int32_t*, const float*, const int32_t*, const int32_t*,
                            const int32_t*, float*, float*, const float*, int32_t*);
using Georot = void (*)(const char*, int32_t, const char*, int32_t, const float*, const float*,
                        const float*, const float*, const int32_t*, const int32_t*, const float*,
                        const float*, const float*, const float*, const int32_t*,
                        const int32_t*, float*, const float*, const float*, const float*,
                        const float*, const float*, const float*, const float*,
                        const int32_t*, const float*, const float*, const float*);

class Library {
 public:
  explicit Library(const char* path) : h_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
  ~Library() {
    if (h_ != nullptr) dlclose(h_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  bool loaded() const { return h_ != nullptr; }
  template <typename F>
  F get(const char* name) const {
    return reinterpret_cast<F>(dlsym(h_, name));
  }

 private:
  void* h_;
};

std::vector<char> name_buf(const char* name) {
  std::vector<char> b(80, ' ');
  std::memcpy(b.data(), name, std::strlen(name) + 1);
  return b;
}

void write_points() {
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  std::vector<float> rec;
  for (int k = 0; k < 300; ++k) {
    const float x = 300.0f + 490.0f * u(rng), y = -200.0f + 390.0f * u(rng);
    rec.insert(rec.end(), {x, y, 5.0f + std::sin(x / 60.0f) + 0.01f * y});
  }
  write_floats("pts.dat", rec);
}

struct Case {
  float radius, grdrot;
  int32_t iglog;
};
const Case kCases[] = {{0.0f, 0.0f, 1}, {35.0f, 0.0f, 2}, {25.0f, 30.0f, 1}};

// A direct call of the engine with the same arguments, for comparison.
template <const minc::EngineVariant& V>
std::vector<unsigned char> direct(const Case& c, int32_t nohead) {
  const std::vector<char> out = name_buf("direct.grd"), dat = name_buf("pts.dat");
  float dmin = 0.0f, dmax = 0.0f;
  minc::MincArgs a;
  a.outfil = out.data();
  a.outfil_len = 80;
  a.xoi = 300.0f;
  a.yoi = -200.0f;
  a.delxi = a.delyi = 10.0f;
  a.nci = 50;
  a.nri = 40;
  a.radiusi = c.radius;
  a.datfil = dat.data();
  a.datfil_len = 80;
  a.izchani = 1;
  a.dvali = -99999.0f;
  a.maxchn = 1;
  a.iglog = c.iglog;
  a.nohead = nohead;
  a.datmin = &dmin;
  a.datmax = &dmax;
  a.grdrot = c.grdrot;
  EXPECT_EQ(minc::minc_run<V>(a), 0);
  return read_bytes("direct.grd");
}

TEST(MincExports, KelvaneLibraryMincWritesTheEngineGrid) {
  Library lib(MINC_LIB);
  ASSERT_TRUE(lib.loaded()) << dlerror();
  const auto minc = lib.get<MincKelvane>("MINC");
  ASSERT_NE(minc, nullptr);
  ASSERT_NE(lib.get<Georot>("GEOROT"), nullptr);
  for (const Case& c : kCases) {
    CwdSandbox box;
    write_points();
    const std::vector<char> out = name_buf("lib.grd"), dat = name_buf("pts.dat");
    const float xo = 300.0f, yo = -200.0f, cell = 10.0f, dval = -99999.0f;
    const int32_t nc = 50, nr = 40, chan = 1, maxchn = 1, nohead = 1;
    float dmin = 0.0f, dmax = 0.0f;
    int32_t ierr = 99;
    minc(out.data(), 80, &xo, &yo, &cell, &cell, &nc, &nr, &c.radius, dat.data(), 80, &chan,
         &dval, &maxchn, &c.iglog, &nohead, &dmin, &dmax, &c.grdrot, &ierr);
    ASSERT_EQ(ierr, 0) << c.radius << " " << c.grdrot;
    const auto via_lib = read_bytes("lib.grd");
    EXPECT_EQ(via_lib.size(), 512u + 4u * 50u * 40u);
    EXPECT_EQ(via_lib, direct<minc::kKelvaneEngine>(c, 1)) << c.radius << " " << c.grdrot;
    EXPECT_LT(dmin, dmax);
  }
}

TEST(MincExports, TorrinLibraryMincTakesOneCellSize) {
  Library lib(MINC_TORRIN_LIB);
  ASSERT_TRUE(lib.loaded()) << dlerror();
  const auto minc = lib.get<MincTorrin>("MINC");
  ASSERT_NE(minc, nullptr);
  ASSERT_NE(lib.get<Georot>("GEOROT"), nullptr);
  for (const Case& c : kCases) {
    CwdSandbox box;
    write_points();
    const std::vector<char> out = name_buf("lib.grd"), dat = name_buf("pts.dat");
    const float xo = 300.0f, yo = -200.0f, cell = 10.0f, dval = -99999.0f;
    const int32_t nc = 50, nr = 40, chan = 1, maxchn = 1, nohead = 0;
    float dmin = 0.0f, dmax = 0.0f;
    int32_t ierr = 99;
    minc(out.data(), 80, &xo, &yo, &cell, &nc, &nr, &c.radius, dat.data(), 80, &chan, &dval,
         &maxchn, &c.iglog, &nohead, &dmin, &dmax, &c.grdrot, &ierr);
    ASSERT_EQ(ierr, 0) << c.radius << " " << c.grdrot;
    EXPECT_EQ(read_bytes("lib.grd"), direct<minc::kTorrinEngine>(c, 0)) << c.radius << " " << c.grdrot;
  }
}

TEST(MincExports, GeorotThroughTheLibrary) {
  Library lib(MINC_LIB);
  ASSERT_TRUE(lib.loaded()) << dlerror();
  const auto georot = lib.get<Georot>("GEOROT");
  ASSERT_NE(georot, nullptr);
  CwdSandbox box;
  std::vector<char> in(512, ' ');
  const int32_t code = 1;
  std::memcpy(in.data() + 16, &code, 4);
  for (int k = 0; k < 6 * 5; ++k) {
    const float v = static_cast<float>(k) * 1.5f;
    const char* p = reinterpret_cast<const char*>(&v);
    in.insert(in.end(), p, p + 4);
  }
  std::vector<float> words(in.size() / 4);
  std::memcpy(words.data(), in.data(), in.size());
  write_floats("in.grd", words);

  const std::vector<char> inname = name_buf("in.grd"), outname = name_buf("lib.grd");
  const float d = 1.0f, xi = 0.0f, yi = 0.0f, dxo = 0.7f, xo = -0.5f, yo = 0.2f, rot = 25.0f;
  const float cx = 2.5f, cy = 2.0f, zero = 0.0f, one = 1.0f, dval = -1.0f, lo = 0.0f, hi = 43.5f;
  const int32_t nci = 6, nri = 5, nco = 9, nro = 8, nohead = 1;
  std::vector<float> zout(9);
  georot(inname.data(), 80, outname.data(), 80, &d, &d, &xi, &yi, &nci, &nri, &dxo, &dxo, &xo, &yo,
         &nco, &nro, zout.data(), &rot, &cx, &cy, &zero, &zero, &one, &one, &nohead, &dval, &lo, &hi);

  gridout::GeorotArgs a;
  a.infile = "in.grd";
  a.infile_len = 7;
  a.outfil = "direct.grd";
  a.outfil_len = 11;
  a.nci = nci;
  a.nri = nri;
  a.delxo = a.delyo = dxo;
  a.xo = xo;
  a.yo = yo;
  a.nco = nco;
  a.nro = nro;
  a.rotang = rot;
  a.xornew = cx;
  a.yornew = cy;
  a.datmin = lo;
  a.datmax = hi;
  ASSERT_TRUE(gridout::GEOROT(minc::kKelvaneEngine, a));
  const auto via_lib = read_bytes("lib.grd");
  EXPECT_EQ(via_lib.size(), 512u + 4u * 72u);
  EXPECT_EQ(via_lib, read_bytes("direct.grd"));
}

TEST(MincExports, MissingArgumentsAreRefused) {
  Library lib(MINC_LIB);
  ASSERT_TRUE(lib.loaded()) << dlerror();
  const auto minc = lib.get<MincKelvane>("MINC");
  ASSERT_NE(minc, nullptr);
  CwdSandbox box;
  const float f = 1.0f;
  const int32_t n = 10;
  int32_t ierr = 99;
  minc("x.grd", 6, &f, &f, &f, &f, &n, nullptr, &f, "pts.dat", 8, &n, &f, &n, &n, &n, nullptr,
       nullptr, &f, &ierr);
  EXPECT_EQ(ierr, -1000);
  minc("x.grd", 6, &f, &f, &f, &f, &n, &n, &f, "pts.dat", 8, &n, &f, &n, &n, &n, nullptr, nullptr,
       &f, nullptr);  // no status to set: nothing happens
  EXPECT_TRUE(box.entries().empty());
}

}  // namespace
