// Search-radius blanking: turn the data-presence mask "~mincms.tmp" into a
// coverage mask and write a copy of the grid rows with every uncovered node
// null. Four stages in order, each rewriting mask rows in place:
//   RADREM  drop data nodes with no other data node in their window;
//   RADMSK  mark nodes within the window of data as covered (2);
//   RADCLP  clip coverage to the smoothed outline of the data;
//   TEMPLAT apply the mask to the grid rows.
// Mask values: 0 not covered, 1 data node, 2 covered. Mask rows are records
// 1..NR of IMLEN words (a dummy word, then the row); record 0 starts with
// the mask size NC, NR.
#pragma once

#include <cstdint>

#include "minc/context.h"
#include "minc/engine_variant.h"
#include "minc/scratch.h"

namespace minc {

// RADREM(NP, IMASK, NCOL, IWIND, MBUFF, MSUM, MOUT, IERR). MBUFF holds
// IWINDW rows of NCOL integers, MSUM and MOUT one row each. IERR = -1013
// when the mask is wider than NCOL, -1014 when the window has no half width.
void RADREM(int32_t np, WordFile& imask, int32_t imlen, int32_t ncol, int32_t iwind,
            int32_t* mbuff, int32_t* msum, int32_t* mout, int32_t& ierr);

// RADMSK: same arguments; covers (2) every empty node whose window holds at
// least NP (1..IWINDW^2) data values. IERR = -1013 when the mask is wider
// than NCOL.
void RADMSK(int32_t np, WordFile& imask, int32_t imlen, int32_t ncol, int32_t iwind,
            int32_t* mbuff, int32_t* msum, int32_t* mout, int32_t& ierr);

// RADCLP(IMASK, NCOL, NROW, IWIND, MAXBUF, MOUT, LRIND, UDIND, MBUFF).
// MOUT one row of NCOL; LRIND 2 x NROW; UDIND 2 x NCOL; MBUFF 2 x MAXBUF,
// the outline (column, row) list: MAXBUF >= 2 (NCOL + NROW) holds every
// outline. No status.
void RADCLP(WordFile& imask, int32_t imlen, int32_t ncol, int32_t nrow, int32_t iwind,
            int32_t maxbuf, int32_t* mout, int32_t* lrind, int32_t* udind, int32_t* mbuff);

// TEMPLAT(ISTART, JSTART, IFLAG, DVAL, IMASK, M, NCM, NRM, IGRID, Z, NC, NR,
// ITEMP): for the NR rows of NC reals read in order from IGRID, set DVAL
// wherever mask row JSTART - 1 + J holds IFLAG at column ISTART - 1 + I, and
// append the row to ITEMP. Nothing is written when the grid does not fit in
// the mask.
void TEMPLAT(int32_t istart, int32_t jstart, int32_t iflag, float dval, WordFile& imask,
             int32_t imlen, int32_t* m, int32_t ncm, int32_t nrm, WordFile& igrid, float* z,
             int32_t nc, int32_t nr, WordFile& itemp);

// MINC's blanking step (IHWIND > 0): RADREM, RADMSK, RADCLP on the mask,
// then IGRID rewound, "~minctm.tmp" created as ITEMP (name in FTEMP), the
// blanked rows written to it by TEMPLAT, and IMASK closed. Work areas are
// views of WORK where they fit. Returns IERR: 0, the failure of RADREM or
// RADMSK, or FileFailed when "~minctm.tmp" cannot be made.
[[nodiscard]] int32_t blank_beyond_radius(MincContext& ctx, const EngineVariant& v);

}  // namespace minc
