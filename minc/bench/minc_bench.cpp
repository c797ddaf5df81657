// Times MINC end to end on synthetic scattered data and prints nodes per
// second. Runs in a fresh temporary directory (the engine's scratch files
// land in the current directory).
//
//   minc_bench [--torrin] [--density D] [--only N] [--repeat R] [--rotate DEG]
//              [--keep DIR]
//
// Grids of 300 x 300, 1000 x 1000 and 2000 x 2000 nodes (or N x N with
// --only), each with radius 0 and a radius of 5 cells; D data points per
// node (default 0.1), placed at random, values from a smooth field. --keep
// copies each grid file and run log into DIR (named by engine, size and
// radius), so two builds can be compared byte for byte.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "minc/engine_variant.h"
#include "minc/minc.h"

namespace {

constexpr float kCell = 10.0f;

void write_data(const char* name, int32_t nc, int32_t nr, double density, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> ux(0.0f, static_cast<float>(nc - 1) * kCell);
  std::uniform_real_distribution<float> uy(0.0f, static_cast<float>(nr - 1) * kCell);
  const auto n = static_cast<int64_t>(density * static_cast<double>(nc) * nr);
  std::vector<float> rec;
  rec.reserve(static_cast<size_t>(3 * n));
  const float kx = 6.2831853f / (static_cast<float>(nc) * kCell) * 3.0f;
  const float ky = 6.2831853f / (static_cast<float>(nr) * kCell) * 2.0f;
  for (int64_t k = 0; k < n; ++k) {
    const float x = ux(rng), y = uy(rng);
    rec.push_back(x);
    rec.push_back(y);
    rec.push_back(100.0f + 20.0f * std::sin(kx * x) * std::cos(ky * y) + 0.001f * x);
  }
  FILE* f = std::fopen(name, "wb");
  if (f == nullptr) {
    std::fprintf(stderr, "minc_bench: cannot create %s\n", name);
    std::exit(1);
  }
  std::fwrite(rec.data(), sizeof(float), rec.size(), f);
  std::fclose(f);
}

struct Timing {
  double wall, cpu;  // seconds
};

template <const minc::EngineVariant& V>
Timing run_once(int32_t n, float radius_cells, float rotate, int32_t& ierr) {
  char out[80], dat[80];
  std::memset(out, ' ', sizeof out);
  std::memset(dat, ' ', sizeof dat);
  std::memcpy(out, "bench.grd", 10);
  std::memcpy(dat, "bench.dat", 10);
  float datmin = 0.0f, datmax = 0.0f;
  minc::MincArgs a;
  a.outfil = out;
  a.outfil_len = 80;
  a.xoi = 0.0f;
  a.yoi = 0.0f;
  a.delxi = a.delyi = kCell;
  a.nci = a.nri = n;
  a.radiusi = radius_cells * kCell;
  a.datfil = dat;
  a.datfil_len = 80;
  a.izchani = 1;
  a.dvali = -99999.0f;
  a.maxchn = 1;
  a.iglog = 1;
  a.nohead = 1;
  a.datmin = &datmin;
  a.datmax = &datmax;
  a.grdrot = rotate;
  const std::clock_t c0 = std::clock();
  const auto t0 = std::chrono::steady_clock::now();
  ierr = minc::minc_run<V>(a);
  const auto t1 = std::chrono::steady_clock::now();
  const std::clock_t c1 = std::clock();
  return {std::chrono::duration<double>(t1 - t0).count(),
          static_cast<double>(c1 - c0) / CLOCKS_PER_SEC};
}

}  // namespace

int main(int argc, char** argv) {
  bool torrin = false;
  double density = 0.1;
  int32_t only = 0;
  int repeat = 1;
  float rotate = 0.0f;
  std::string keep;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--torrin") {
      torrin = true;
    } else if (arg == "--density" && i + 1 < argc) {
      density = std::atof(argv[++i]);
    } else if (arg == "--only" && i + 1 < argc) {
      only = std::atoi(argv[++i]);
    } else if (arg == "--repeat" && i + 1 < argc) {
      repeat = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--rotate" && i + 1 < argc) {
      rotate = static_cast<float>(std::atof(argv[++i]));
    } else if (arg == "--keep" && i + 1 < argc) {
      keep = std::filesystem::absolute(argv[++i]).string();
    } else {
      std::fprintf(stderr,
                   "usage: minc_bench [--torrin] [--density D] [--only N] [--repeat R] [--rotate DEG]"
                   " [--keep DIR]\n");
      return 2;
    }
  }

  const std::filesystem::path old = std::filesystem::current_path();
  std::string tmpl = "/tmp/minc_bench_XXXXXX";
  if (::mkdtemp(tmpl.data()) == nullptr) {
    std::fprintf(stderr, "minc_bench: cannot make a temporary directory\n");
    return 1;
  }
  std::filesystem::current_path(tmpl);

  std::vector<int32_t> sizes = {300, 1000, 2000};
  if (only > 0) sizes = {only};
  std::printf("engine %s, %.3f data points per node, rotation %.1f\r\n",
              torrin ? "torrin" : "kelvane", density, static_cast<double>(rotate));
  // Wall-clock and processor time of the call; on a loaded machine the
  // processor time is the steadier figure.
  std::printf("%10s %8s %10s %9s %9s %14s %14s %6s\r\n", "grid", "radius", "points", "wall s",
              "cpu s", "nodes/s wall", "nodes/s cpu", "ierr");
  int status = 0;
  for (const int32_t n : sizes) {
    write_data("bench.dat", n, n, density, 12345u + static_cast<uint32_t>(n));
    for (const float radius : {0.0f, 5.0f}) {
      Timing best{1e30, 1e30};
      int32_t ierr = 0;
      for (int r = 0; r < repeat; ++r) {
        const Timing t = torrin ? run_once<minc::kTorrinEngine>(n, radius, rotate, ierr)
                                : run_once<minc::kKelvaneEngine>(n, radius, rotate, ierr);
        best.wall = std::min(best.wall, t.wall);
        best.cpu = std::min(best.cpu, t.cpu);
      }
      if (ierr != 0) status = 1;
      if (!keep.empty()) {
        const std::string stem = keep + "/" + (torrin ? "torrin" : "kelvane") + "_" +
                                 std::to_string(n) + "_r" +
                                 std::to_string(static_cast<int>(radius));
        std::error_code kec;
        namespace fs = std::filesystem;
        fs::copy_file("bench.grd", stem + ".grd", fs::copy_options::overwrite_existing, kec);
        if (!kec) fs::copy_file("minc.log", stem + ".log", fs::copy_options::overwrite_existing, kec);
        if (kec) {
          std::fprintf(stderr, "minc_bench: cannot keep %s: %s\n", stem.c_str(),
                       kec.message().c_str());
          status = 1;
        }
      }
      const double nodes = static_cast<double>(n) * n;
      std::printf("%4dx%-5d %8.1f %10lld %9.3f %9.3f %14.0f %14.0f %6d\r\n", n, n,
                  static_cast<double>(radius), static_cast<long long>(density * nodes), best.wall,
                  best.cpu, nodes / best.wall, nodes / best.cpu, ierr);
      std::fflush(stdout);
    }
  }
  std::error_code ec;
  std::filesystem::current_path(old, ec);
  // Remove only the directory mkdtemp made under /tmp, after leaving it.
  if (!ec && tmpl.rfind("/tmp/minc_bench_", 0) == 0 && tmpl.size() > 16)
    std::filesystem::remove_all(tmpl, ec);
  return status;
}
