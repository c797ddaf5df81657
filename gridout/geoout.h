// GEOOUT: write a grid file (512-byte header, rows of single-precision
// values) from a row file or from memory.
#pragma once

#include <cstdint>
#include <string>

#include "gridout/wordfile.h"
#include "minc/engine_variant.h"

namespace gridout {

inline constexpr float kNull = -1.0e32f;  // bit pattern 0xF49DC5AE
inline constexpr int32_t kHeaderSize = 512;

// Name rule of the writer: the characters before a NUL at position >= 2;
// else (kelvane only) the buffer without trailing blanks when at least 2
// characters long; else "outfile.grd". At most 511 characters are kept.
[[nodiscard]] std::string geoout_name(const minc::EngineVariant& v, const char* buf, int32_t len);

// GEOOUT. igrid: a file holding NR rows of NC reals from its start, or null
// (or not open) to take the grid from g. z: row buffer of at least NC reals
// (null: an internal one). The earlier build writes `delx` at both spacing
// fields and takes NOHEAD as "no header". datmin / datmax receive the
// minimum and maximum written. Returns false when a file operation failed
// (the file is then incomplete).
template <const minc::EngineVariant& V>
[[nodiscard]] bool GEOOUT(WordFile* igrid, const char* outfil, int32_t len, float* z, int32_t nc,
                          int32_t nr, const float* g, float xo, float yo, float delx, float dely,
                          int32_t iglog, int32_t nohead, float dval, float& datmin, float& datmax);

extern template bool GEOOUT<minc::kKelvaneEngine>(WordFile*, const char*, int32_t, float*, int32_t,
                                                  int32_t, const float*, float, float, float, float,
                                                  int32_t, int32_t, float, float&, float&);
extern template bool GEOOUT<minc::kTorrinEngine>(WordFile*, const char*, int32_t, float*, int32_t,
                                                 int32_t, const float*, float, float, float, float,
                                                 int32_t, int32_t, float, float&, float&);

// Convenience for an in-memory grid (the nearest-neighbour gridder):
// GEOOUT with IGRID = 0, IGLOG = 1, NOHEAD = 1, DVAL = -1.0E32.
[[nodiscard]] bool write_grid(const std::string& name, const float* g, int32_t nc, int32_t nr,
                              float xo, float yo, float delx, float dely, float& datmin,
                              float& datmax);

}  // namespace gridout
