// The MINC entry of the minimum-curvature engine: grids a file of scattered
// (x, y, values) records onto a regular grid and writes a grid file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "minc/context.h"
#include "minc/engine_variant.h"
#include "minc/status.h"

namespace minc {

// The by-reference argument list of MINC, as values. The earlier build
// (one_cell_size) has one cell size DELI: set delxi to it (delyi is ignored).
struct MincArgs {
  const char* outfil = nullptr;  // output grid name buffer (blank padded)
  int32_t outfil_len = 0;
  float xoi = 0.0f, yoi = 0.0f;      // output grid origin, world units
  float delxi = 1.0f, delyi = 1.0f;  // node spacings
  int32_t nci = 0, nri = 0;          // columns, rows
  float radiusi = 0.0f;              // search radius, world units
  const char* datfil = nullptr;      // data file name buffer
  int32_t datfil_len = 0;
  int32_t izchani = 1;               // gridded channel, 1-based
  float dvali = 0.0f;                // null value
  int32_t maxchn = 1;                // values per data record
  int32_t iglog = 1;                 // 2: grid natural logarithms
  int32_t nohead = 1;                // handed on to the grid writer
  float* datmin = nullptr;           // handed on to the writer, which stores the minimum here
  float* datmax = nullptr;           // ... and the maximum (may be null)
  float grdrot = 0.0f;               // lattice rotation, degrees
};

// One MINC call with the engine of variant V; returns IERR (0 or negative,
// see MincStatus). Prints nothing; an exception inside becomes FileFailed.
// Every scratch file the call created is deleted before it returns.
template <const EngineVariant& V>
[[nodiscard]] int32_t minc_run(const MincArgs& args);

extern template int32_t minc_run<kKelvaneEngine>(const MincArgs&);
extern template int32_t minc_run<kTorrinEngine>(const MincArgs&);

// Rotation normalisation: GRDROT modulo 360 folded into [-45, 45] degrees;
// below 2 degrees in magnitude it becomes 0 (no rotation).
[[nodiscard]] float normalise_rotation(float grdrot);

// Data file name rule: the characters before a NUL at position >= 2; else,
// unless nul_only, the buffer without trailing blanks when that leaves at
// least 2 characters. Returns false when the name is unusable.
[[nodiscard]] bool data_name(const char* buf, int32_t len, bool nul_only, std::string& name);
// Output name rule: as data_name, falling back to "outfile.grd"; the result
// is written into `out` followed by one NUL, the rest blank.
void output_name(const char* buf, int32_t len, bool nul_only, std::array<char, kOutNameLen>& out);

}  // namespace minc
