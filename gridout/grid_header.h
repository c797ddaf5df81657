// The 512-byte header of a grid file: field offsets and one builder shared by
// the writer and the rotation resampler. Words are little-endian; the double
// fields are widened from the single-precision arguments.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace gridout {

inline constexpr size_t kOffValueSize = 0;  // int32 4
inline constexpr size_t kOffTwo = 4;        // int32 2
inline constexpr size_t kOffNc = 8;
inline constexpr size_t kOffNr = 12;
inline constexpr size_t kOffRowOrder = 16;  // 1 first row south, -2 reversed
inline constexpr size_t kOffDelx = 20;      // double
inline constexpr size_t kOffDely = 28;      // double
inline constexpr size_t kOffXo = 36;        // double
inline constexpr size_t kOffYo = 44;        // double
inline constexpr size_t kOffZero1 = 52;     // double 0
inline constexpr size_t kOffZero2 = 60;     // double 0
inline constexpr size_t kOffOne = 68;       // double 1
inline constexpr size_t kOffText1 = 76;     // 48 blanks
inline constexpr size_t kOffText2 = 124;    // 16 blanks
inline constexpr size_t kOffInts = 140;     // 5 zero words
inline constexpr size_t kOffMin = 160;      // float
inline constexpr size_t kOffMax = 164;      // float
inline constexpr size_t kOffNull1 = 168;    // float null
inline constexpr size_t kOffNull2 = 172;    // float null
inline constexpr size_t kOffNullD = 176;    // double null
inline constexpr size_t kOffLast = 184;     // int32 0
inline constexpr size_t kOffText3 = 188;    // 324 blanks
inline constexpr size_t kGridHeaderBytes = 512;
static_assert(kOffText3 + 324 == kGridHeaderBytes);

using GridHeader = std::array<std::byte, kGridHeaderBytes>;

// The header of an NC x NR grid with the given row order, spacings, origin
// and range; the null fields hold -1.0E32.
[[nodiscard]] GridHeader grid_header(int32_t nc, int32_t nr, int32_t row_order, float xo, float yo,
                                     float delx, float dely, float vmin, float vmax);

}  // namespace gridout
