#include "minc/tiling.h"

#include <algorithm>
#include <cmath>

namespace minc {
namespace {

// trunc toward zero of a real, bounded to the int32 range (NaN gives 0).
int32_t trunc_bounded(float v) {
  if (!(v == v)) return 0;
  if (v >= 2147483520.0f) return 2147483520;
  if (v <= -2147483520.0f) return -2147483520;
  return static_cast<int32_t>(v);
}

}  // namespace

void PRTISH(int32_t nwrk, int32_t nsave, int32_t mc, int32_t mr, int32_t& nc, int32_t& nr,
            int32_t& nsec, int32_t& ntier, int32_t lap, int32_t& merr, int32_t nb_start,
            float ratio_min, float ratio_max) {
  constexpr int32_t kCandidates = 16;
  const int32_t nmax = nwrk / 8;
  const float width = static_cast<float>(trunc_bounded(std::sqrt(static_cast<float>(nmax)) - static_cast<float>(lap)));
  int32_t nsec1 = trunc_bounded(static_cast<float>(mc) / width + 0.5f) - 1;
  int32_t ntier1 = trunc_bounded(static_cast<float>(mr) / width + 0.5f) - 1;
  if (nsec1 < 1) nsec1 = 1;
  if (ntier1 < 1) ntier1 = 1;
  int32_t nc1[kCandidates];
  int32_t nr1[kCandidates];
  for (int32_t i = 0; i < kCandidates; ++i) {
    nc1[i] = trunc_bounded(static_cast<float>(mc - lap) / static_cast<float>(nsec1 + i) + 0.9999f) + lap;
    nr1[i] = trunc_bounded(static_cast<float>(mr - lap) / static_cast<float>(ntier1 + i) + 0.9999f) + lap;
  }
  int64_t nb = nb_start;
  int32_t best_n = -1;
  int32_t best_m = -1;
  for (int32_t i = 0; i < kCandidates; ++i) {
    for (int32_t j = 0; j < kCandidates; ++j) {
      const float ratio = static_cast<float>(nc1[i]) / static_cast<float>(nr1[j]);
      if (ratio < ratio_min || ratio > ratio_max) continue;
      if (static_cast<int64_t>(nc1[i]) * nr1[j] > nmax) continue;
      if (3 * static_cast<int64_t>(nc1[i]) > nsave || 3 * static_cast<int64_t>(nr1[j]) > nsave) continue;
      const int64_t blocks = static_cast<int64_t>(nsec1 + i) * (ntier1 + j);
      if (blocks < nb) {
        nb = blocks;
        best_n = i;
        best_m = j;
      }
    }
  }
  if (best_n >= 0) {
    nc = nc1[best_n];
    nr = nr1[best_m];
    nsec = nsec1 + best_n;
    ntier = ntier1 + best_m;
  } else {
    merr = -1001;
    nsec = 0;
  }
}

void PRTISH(const EngineVariant& v, int32_t mc, int32_t mr, int32_t& nc, int32_t& nr,
            int32_t& nsec, int32_t& ntier, int32_t lap, int32_t& merr) {
  PRTISH(v.work_words, v.nsave, mc, mr, nc, nr, nsec, ntier, lap, merr, v.prtish_nb_start,
         v.ratio_min, v.ratio_max);
}

HalfWindow half_window(float radius, float del, int32_t nco, int32_t work_words) {
  HalfWindow h;
  // Deliberate: a radius too large for an integer count is bounded, so it is
  // reduced like any other window that does not fit.
  h.ihwind = std::clamp(trunc_bounded(std::fabs(radius / del) + 0.5f), 0, 1 << 30);
  const int64_t nreq = (2 * static_cast<int64_t>(h.ihwind) + nco) * (2 * static_cast<int64_t>(h.ihwind) + 3);
  h.nreq = static_cast<int32_t>(std::min<int64_t>(nreq, INT32_MAX));
  if (nreq > work_words) {
    const float b = static_cast<float>(2 * nco + 6);
    const float c = static_cast<float>(3 * nco - work_words);
    h.ihwind = trunc_bounded((std::sqrt(b * b - 16.0f * c) - b) / 8.0f);
    // Deliberate: only grids wider than the work area allows give a negative
    // window here; it is taken as no window.
    if (h.ihwind < 0) h.ihwind = 0;
    h.radmax = static_cast<float>(h.ihwind) * del;
  }
  h.iwind = 2 * h.ihwind + 1;
  return h;
}

int32_t npb3_for(const EngineVariant& v, int32_t blocks) {
  if (blocks < 1) blocks = 1;
  return 3 * std::min(v.points_per_record, v.work_words / (3 * blocks));
}

}  // namespace minc
