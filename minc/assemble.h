// Tier assembly: stitches the solved blocks of one tier (records of
// "~mincsb.tmp") into full-width rows of the computation grid, appended to
// "~mincgr.tmp" (values) or to the mask grid "~mincms.tmp" (data flags).
#pragma once

#include <cstdint>

#include "minc/context.h"

namespace minc {

// ASSEMB: assemble tier nt. ihwind = 0: values, rows of ncout (= NCO) reals
// to igrid; ihwind > 0: flags, rows of ncout (= MXCQ) integers with ihwind
// empty columns each side, to imask as mask rows. z / m hold one block
// (may share storage), zw / mw the nmax-row output buffer (may share storage).
// ns is not used. IERR = -1012 when the tier's band is taller than a block.
void ASSEMB(MincContext& ctx, int32_t nc, int32_t nr, float* z, int32_t* m, int32_t ncout,
            int32_t nmax, float* zw, int32_t* mw, int32_t ns, int32_t nt, int32_t ihwind,
            WordFile& isubg, WordFile& igrid, WordFile& imask, int32_t& ierr);

// Rows of the computation grid contributed by tier nt (1-based) of ntier
// tiers: nr1 - 2 for the first, nr1 for middle tiers, the rest for the last.
[[nodiscard]] int32_t tier_rows(int32_t nt, int32_t ntier, int32_t nro, int32_t nr1);

}  // namespace minc
