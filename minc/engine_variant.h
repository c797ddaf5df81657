// The two builds of the minimum-curvature engine differ only in the facts
// collected here: kelvane's engine and torrin's earlier one. Every engine
// stage takes the variant as a template parameter (`template <const
// EngineVariant& V>`) or a const reference chosen once at the exported entry,
// and branches on it only where the two builds really differ.
#pragma once

#include <cstdint>

namespace minc {

struct EngineVariant {
  const char* name;
  int32_t work_words;       // size of the work area WORK
  int32_t max_blocks;       // tiling limit, beyond it IERR = -2
  int32_t points_per_record;  // data points in one record of "~mincir.tmp"
  int32_t nim;              // iteration limit
  bool one_cell_size;       // MINC takes one cell size DELI (19 arguments)
  bool reopen_log;          // the run log is reopened for each block line
  // Further differences are added here, next to their kin, as each stage
  // needs them (log formats, rounding of ASSIGN, GEOOUT/GEOROT behaviour...).
};

inline constexpr EngineVariant kKelvaneEngine{"kelvane", 256000, 900, 450, 120, false, false};
inline constexpr EngineVariant kTorrinEngine{"torrin", 128000, 600, 100, 20, true, true};

}  // namespace minc
