// Tiling plan: half window of the search radius and block layout.
#pragma once

#include <cstdint>

#include "minc/engine_variant.h"

namespace minc {

// PRTISH: cut an MC x MR grid into NSEC x NTIER blocks of NC x NR nodes
// overlapping by LAP. On failure MERR = -1001 and NSEC = 0 (NC, NR, NTIER
// untouched). NB starts at nb_start; admissible NC/NR in [ratio_min, ratio_max].
void PRTISH(int32_t nwrk, int32_t nsave, int32_t mc, int32_t mr, int32_t& nc, int32_t& nr,
            int32_t& nsec, int32_t& ntier, int32_t lap, int32_t& merr, int32_t nb_start,
            float ratio_min, float ratio_max);
// The variant's PRTISH (work words, NSAVE, NB start and ratios from V).
void PRTISH(const EngineVariant& v, int32_t mc, int32_t mr, int32_t& nc, int32_t& nr,
            int32_t& nsec, int32_t& ntier, int32_t lap, int32_t& merr);

struct HalfWindow {
  int32_t ihwind = 0;   // half window in nodes (never negative)
  int32_t iwind = 1;    // 2 * IHWIND + 1
  int32_t nreq = 0;     // words the mask stage would need
  float radmax = 0.0f;  // radius used when reduced, else 0
};
// Half window for RADIUS (>= 0, cell units) on an NCO-column grid with a
// work area of `work_words` words.
[[nodiscard]] HalfWindow half_window(float radius, float del, int32_t nco, int32_t work_words);

// NPB3 for a layout of `blocks` blocks: 3 x min(points_per_record,
// trunc(work_words / (3 * blocks))).
[[nodiscard]] int32_t npb3_for(const EngineVariant& v, int32_t blocks);

}  // namespace minc
