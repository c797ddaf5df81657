// Loading the data file: extent of the usable data (rotated grids) and the
// sorting of the points into per-block record chains of "~mincir.tmp".
#pragma once

#include <cstdint>

#include "minc/context.h"
#include "minc/engine_variant.h"

namespace minc {

// RNGDAT: extent of the usable data in rotated cell units (±1.0E32 when none).
void RNGDAT(const EngineVariant& v, MincContext& ctx, WordFile& idata, float* za, int32_t nz,
            int32_t iglog, float& xmin, float& xmax, float& ymin, float& ymax);

// SEQDAT: filter the points, convert them to node coordinates of the bordered
// block grid with origin (XO, YO), and write the block chains through WRBLK2.
// Sets MAXREC; IERR = -1002 when no point was accepted.
void SEQDAT(const EngineVariant& v, MincContext& ctx, WordFile& idata, WordFile& lurand,
            float del, float xo, float yo, int32_t npb3, float* za, int32_t nz, int32_t iglog,
            int32_t& ierr);

}  // namespace minc
