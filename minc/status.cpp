#include "minc/status.h"

namespace minc {

const char* describe(int32_t ierr) {
  switch (static_cast<MincStatus>(ierr)) {
    case MincStatus::Ok: return "success";
    case MincStatus::TooManyBlocks: return "the tiling needs too many blocks";
    case MincStatus::BadDataName: return "data file name unusable or data without extent";
    case MincStatus::NoLayout: return "no block layout fits";
    case MincStatus::NoDataInGrid: return "no data point inside the grid";
    case MincStatus::BadChainRecord: return "record chain number out of range";
    case MincStatus::TooManyPoints: return "a record holds too many points";
    case MincStatus::CoarseOutsideX: return "block leaves the coarse grid along x";
    case MincStatus::CoarseOutsideY: return "block leaves the coarse grid along y";
    case MincStatus::PatchTooLarge: return "interpolation patch or block too large";
    case MincStatus::BlockBeforePatch: return "block starts before the patch";
    case MincStatus::BlockBeyondPatch: return "block ends beyond the patch";
    case MincStatus::GridAllNull: return "grid holds no value";
    case MincStatus::CellDoesNotFit: return "coarse cell does not fit into the patch";
    case MincStatus::BandTallerThanBlock: return "tier band taller than a block";
    case MincStatus::MaskWiderThanBuffer: return "mask wider than the row buffer";
    case MincStatus::NoHalfWindow: return "search window without half width";
    case MincStatus::FileFailed: return "a file operation failed";
    case MincStatus::BadChannel: return "channel count or channel number out of range";
  }
  return "unknown status";
}

}  // namespace minc
