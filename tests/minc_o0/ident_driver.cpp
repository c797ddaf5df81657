// Grids a fixed set of cases with both engine builds and leaves the grid
// files and run logs behind, for comparison between optimisation levels.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "minc/minc.h"

namespace {

struct Case {
  const char* name;
  bool torrin;
  int32_t nc, nr;
  float cell, radius, rotation;
  int32_t iglog;
};

constexpr Case kCases[] = {
    {"one_block", false, 60, 45, 10.0f, 0.0f, 0.0f, 1},
    {"tiers", false, 400, 300, 5.0f, 0.0f, 0.0f, 1},
    {"radius", false, 150, 120, 5.0f, 30.0f, 0.0f, 2},
    {"rotated", false, 120, 90, 5.0f, 0.0f, 30.0f, 1},
    {"torrin_tiers", true, 300, 260, 5.0f, 0.0f, 0.0f, 1},
    {"torrin_radius", true, 120, 100, 5.0f, 25.0f, 0.0f, 2},
};

bool write_data(const Case& c) {
  std::vector<float> rec;
  uint32_t s = 12345u;
  auto next = [&s]() {
    s = s * 1664525u + 1013904223u;
    return static_cast<float>(s >> 8) / 16777216.0f;
  };
  const int32_t n = c.nc * c.nr / 7;
  const float w = static_cast<float>(c.nc - 1) * c.cell;
  const float h = static_cast<float>(c.nr - 1) * c.cell;
  for (int32_t k = 0; k < n; ++k) {
    // Leave a hole in the middle so that blanking has work to do.
    const float x = next() * w, y = next() * h;
    if (std::fabs(x - 0.5f * w) < 0.1f * w && std::fabs(y - 0.5f * h) < 0.1f * h) continue;
    rec.insert(rec.end(), {1000.0f + x, 500.0f + y,
                           50.0f + 20.0f * std::sin(x / (7.0f * c.cell)) *
                                       std::cos(y / (11.0f * c.cell))});
  }
  FILE* f = std::fopen("data.bin", "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(rec.data(), sizeof(float), rec.size(), f) == rec.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main() {
  for (const Case& c : kCases) {
    if (!write_data(c)) {
      std::fprintf(stderr, "cannot write data.bin\n");
      return 1;
    }
    std::vector<char> out(80, ' '), dat(80, ' ');
    const std::string grid = std::string(c.name) + ".grd";
    std::memcpy(out.data(), grid.c_str(), grid.size() + 1);
    std::memcpy(dat.data(), "data.bin", 9);
    minc::MincArgs a;
    a.outfil = out.data();
    a.outfil_len = 80;
    a.xoi = 1000.0f;
    a.yoi = 500.0f;
    a.delxi = a.delyi = c.cell;
    a.nci = c.nc;
    a.nri = c.nr;
    a.radiusi = c.radius;
    a.datfil = dat.data();
    a.datfil_len = 80;
    a.izchani = 1;
    a.dvali = -99999.0f;
    a.maxchn = 1;
    a.iglog = c.iglog;
    a.nohead = c.torrin ? 0 : 1;
    a.grdrot = c.rotation;
    const int32_t ierr =
        c.torrin ? minc::minc_run<minc::kTorrinEngine>(a) : minc::minc_run<minc::kKelvaneEngine>(a);
    if (ierr != 0) {
      std::fprintf(stderr, "%s: IERR = %d\n", c.name, ierr);
      return 1;
    }
    std::rename("minc.log", (std::string(c.name) + ".log").c_str());
  }
  std::remove("data.bin");
  return 0;
}
