// Coarse grid and starting values: REJONL solves a coarse grid over the whole
// bordered block grid from all data; ZGINT (with CELL3 and INSERT) gives a
// block its starting surface by bicubic interpolation of that coarse grid;
// GRIDR (with PLUGM) fills the null nodes of a grid from their neighbours.
#pragma once

#include <cstdint>

#include "minc/context.h"
#include "minc/engine_variant.h"

namespace minc {

// The solver's views of the work area while a grid is solved: ZG, then the
// node codes IQD, then the six coefficients B per node. Each view holds one
// eighth (ZG, IQD) or six eighths (B) of the variant's work area.
struct SolverViews {
  float* zg;
  int32_t* iqd;
  float* b;
  int32_t max_nodes;  // nodes a grid may have (32000, torrin 16000)
};

template <const EngineVariant& V>
SolverViews solver_views(MincContext& ctx) {
  constexpr int32_t kNodes = V.work_words / 8;
  static_assert(V.work_words <= kWorkWordsMax);
  return {ctx.array.work(), ctx.array.iwork() + kNodes, ctx.array.work() + 2 * kNodes, kNodes};
}

// Size of the coarse grid: the smallest spacing MDEL >= 4 with
// (MGU div MDEL + 7) * (NGU div MDEL + 7) <= max_nodes.
struct CoarseSize {
  int32_t mdel, mc, mr;
};
[[nodiscard]] CoarseSize coarse_spacing(int32_t mgu, int32_t ngu, int32_t max_nodes);

// Solves the coarse grid (RGNL) from the records of "~mincir.tmp". xo, yo, del
// and iglog are not used; xyz (NPB3 reals at least) is the record buffer.
template <const EngineVariant& V>
void REJONL(MincContext& ctx, float xo, float yo, float del, int32_t iglog, float* xyz,
            int32_t npb3, int32_t& ierr);

// The starting grid of the block at offset (bxo, byo) of the bordered block
// grid, interpolated from the coarse grid, into ZG of the work area.
template <const EngineVariant& V>
void ZGINT(MincContext& ctx, float bxo, float byo, int32_t& ierr);

// The coarse grid as ZGINT reads it.
struct CoarseGrid {
  int32_t mdel, mc, mr, irxo, iryo;
  const float* rg;
};

// ZGINT on explicit arrays: zg holds zg_cap reals (the block grid, and the
// cell values while the patch is built), patch holds patch_cap reals.
void zgint_kernel(const CoarseGrid& cg, float bxo, float byo, int32_t nc, int32_t nr, float dval,
                  float* zg, int32_t zg_cap, float* patch, int32_t patch_cap, int32_t& ierr);

// Bicubic values of coarse cell (igx, igy) of zg (nc columns) at steps of
// 1/nsub: nint x nint values into zint, row by row.
void CELL3(int32_t nint, int32_t nsub, int32_t igx, int32_t igy, int32_t nc, const float* zg,
           float* zint);

// Copies the ma x na array a into the mb x nb array b with a(1, 1) on
// b(ib, jb); -1011 and nothing copied when it does not fit.
void INSERT(int32_t ib, int32_t jb, const float* a, int32_t ma, int32_t na, float* b, int32_t mb,
            int32_t nb, int32_t& ierr);

// Fills the nulls (== dval) of the nc x nr grid zg; wz is a scratch line of
// nr reals. -1010 when the grid holds no value at all.
void GRIDR(int32_t nc, int32_t nr, float* zg, float* wz, float dval, int32_t& ierr);

// Fills the nulls (== dv) of the line z of n reals: ends take the nearest
// value, gaps a linear ramp between their neighbours.
void PLUGM(int32_t n, float* z, float dv);

}  // namespace minc
