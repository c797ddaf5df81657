// Status codes returned by the minimum-curvature engine in IERR.
#pragma once

#include <cstdint>

namespace minc {

enum class MincStatus : int32_t {
  Ok = 0,
  TooManyBlocks = -2,          // tiling needs more blocks than the variant allows
  BadDataName = -1000,         // data name unusable; rotated: no NUL or no data extent
  NoLayout = -1001,            // PRTISH found no block layout
  NoDataInGrid = -1002,        // SEQDAT accepted no data point
  BadChainRecord = -1003,      // REJONL: chain record number outside 1..MAXREC
  TooManyPoints = -1004,       // REJONL: a record holds too many points
  CoarseOutsideX = -1005,      // ZGINT: coarse cells leave the coarse grid along x
  CoarseOutsideY = -1006,      // ZGINT: the same along y
  PatchTooLarge = -1007,       // ZGINT: patch or block too large
  BlockBeforePatch = -1008,    // ZGINT
  BlockBeyondPatch = -1009,    // ZGINT
  GridAllNull = -1010,         // GRIDR: no non-null value
  CellDoesNotFit = -1011,      // INSERT
  BandTallerThanBlock = -1012, // ASSEMB
  MaskWiderThanBuffer = -1013, // RADREM
  NoHalfWindow = -1014,        // RADREM
  // Deliberate: codes of our own, outside the engine's historic range.
  FileFailed = -1100,          // a create/open/seek/read/write/close of a file failed
  BadChannel = -1101,          // MAXCHN outside 1..256 or IZCHANI outside 1..MAXCHN
};

[[nodiscard]] constexpr int32_t code(MincStatus s) { return static_cast<int32_t>(s); }

// One short English line naming the condition of a status code (any int32).
[[nodiscard]] const char* describe(int32_t ierr);
[[nodiscard]] inline const char* describe(MincStatus s) { return describe(code(s)); }

}  // namespace minc
