// Iteration control: solves the fine grid block by block, tier by tier,
// each block from its interpolated coarse starting surface, its data and the
// overlap strips of its solved neighbours; assembles each finished tier and
// logs one line of convergence figures per block in "minc.log".
#pragma once

#include <cstdint>

#include "minc/context.h"
#include "minc/engine_variant.h"

namespace minc {

// PCONTL: every block of the layout in ctx; ng = NC * NR. zg is the work
// area, xyz the point buffer.
template <const EngineVariant& V>
void PCONTL(MincContext& ctx, int32_t nco, int32_t nro, int32_t ng, float* zg, int32_t npb3,
            float* xyz, int32_t& ierr);

// ICONTL: one block (section ns, tier nt) at offset (bxo, byo).
template <const EngineVariant& V>
void ICONTL(MincContext& ctx, int32_t ns, int32_t nt, int32_t ihwind, float bxo, float byo,
            float* xyz, int32_t npb3, int32_t& ierr);

// CONTIN: imposes the left (ZL) and bottom (ZB) overlap strips on the block
// held in zg / iqd: columns or rows 1 and 2 fixed, 3 started from the strip.
void CONTIN(const CONTN1& strips, int32_t ns, int32_t nt, int32_t nc, int32_t nr, float* zg,
            int32_t* iqd);

// PADROW: nrow rows of nc zero integers written to the mask file as rows
// jrow + 1 .. jrow + nrow; jrow ends as the last row written.
void PADROW(int32_t nrow, int32_t& jrow, WordFile& imask, int32_t imlen, int32_t nc, int32_t* m);

// The log lines of one block (CR LF included); return their lengths.
// Header: 50 bytes (short_iter_log: 48). Figures: 43 bytes (46).
int32_t iter_header_line(const EngineVariant& v, char* line);
int32_t iter_figures_line(const EngineVariant& v, int32_t nt, int32_t ns, float eps1, float dn1,
                          int32_t ni, char* line);

}  // namespace minc
