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
  // The other differences, each next to its kin. The work area, block limit
  // and points per record above also set the half-window reduction, NPB3
  // and the outline budget MAXBUF.
  float assign_nudge = 0.000001f;  // ASSIGN adds this before rounding to the nearest node
  bool assign_half_down = true;    // ASSIGN sends a point half-way between nodes to the lower one
  float coarse_weight = 0.1f;      // weight parameter of the coarse-grid ASSIGN (REJONL)
  float block_slope = 10.0f;       // SLOPE of the block solves (1 / abs(0.1))
  bool short_iter_log = false;     // 48-byte header and 46-byte E-format block lines
  int32_t nsave = 900;             // PRTISH boundary-table size (3 x block side at most)
  int32_t prtish_nb_start = 10000000;  // PRTISH accepts layouts of fewer blocks than this
  float ratio_min = 0.4f;          // admissible block shape NC / NR
  float ratio_max = 2.5f;
  bool fixed_point_log = false;    // run-log numbers in plain fixed-point / integer format, all in
                                   // columns 17-28 (y origin too), the rotation angle in 18-29
  bool nul_only_names = false;     // file names must end with a NUL (else rejected / default)
  bool scale_before_rotation = false;  // SEQDAT/RNGDAT divide by the cell size first (rotation
                                       // centre in cell units); SEQDAT tests the null after the range
  bool geoout_nohead_header = false;   // GEOOUT: one spacing, NOHEAD != 0 drops the header, rows
                                       // always reversed; GEOROT reads and writes files that way
  bool georot_nearest = false;     // GEOROT takes the node value, rows from the top, half a spacing up
};

inline constexpr EngineVariant kKelvaneEngine{"kelvane", 256000, 900, 450, 120, false, false};
inline constexpr EngineVariant kTorrinEngine{"torrin", 128000, 600, 100, 20, true, true,
                                               0.001f, false, 0.5f, 1.0f, true,
                                               600, 1000, 0.3333f, 3.0f, true, true, true, true,
                                               true};

}  // namespace minc
