// Minimum-curvature solver on one rectangular grid: ASSIGN gathers data points
// onto their nearest nodes, BWTS turns the gathered sums into node codes and
// data-equation coefficients, CURVMN relaxes the grid by Gauss-Seidel
// over-relaxation of the biharmonic equations with an adaptive factor.
//
// Grids are stored row by row, column index fastest; node (i, j) (1-based) is
// element (j - 1) * nc + i - 1. The coefficient array holds six reals per node.
#pragma once

#include <cmath>
#include <cstdint>

#include "minc/engine_variant.h"

namespace minc {

// Node codes of IQD.
inline constexpr int32_t kNodeFree = 0;
inline constexpr int32_t kNodeFixed = -1;

// Element offset of node (i, j), 1-based, in a grid of nc columns.
constexpr int32_t node_index(int32_t i, int32_t j, int32_t nc) { return (j - 1) * nc + (i - 1); }

// Quadrant code (1..4) of a datum at (dx, dy) from its node.
constexpr int32_t quadrant_code(float dx, float dy) {
  constexpr int32_t kCodes[4] = {3, 4, 2, 1};
  const int32_t a = dx < 0.0f ? 1 : 2;
  const int32_t b = dy < 0.0f ? 0 : 2;
  return kCodes[a + b - 1];
}

// Charges each of the np3 / 3 points (x, y, z) of xyz to its nearest node of
// the nc x nr grid whose first node lies at (xogu + 1, yogu + 1). slope > 0:
// weighted sums (w = 1 / (r^2 + slope)) in B1, B2, B3, B6; slope <= 0: the
// nearest point only (B1 = r^2, B2 = dx, B3 = dy, B6 = z).
template <const EngineVariant& V>
void ASSIGN(float slope, float xogu, float yogu, int32_t nc, int32_t nr, float* b, int32_t np3,
            const float* xyz);

// Turns the gathered records into node codes (and, for constrained interior
// nodes, the six coefficients b1..b6 of the data equation). binit is the value
// B was filled with before the first ASSIGN. izset != 0 also stores the
// datum value of constrained nodes in zg; fixed nodes always receive it.
void BWTS(int32_t izset, float slope, float binit, int32_t nc, int32_t nr, float* zg, int32_t* iqd,
          float* b);

// Relaxation control of CURVMN after a sweep whose error is dn1 (dn: error
// of the previous sweep). A growing error is counted in iconv; at every
// second growing sweep w falls by 0.1 per 0.1 of ratio beyond 1.011 (never
// below 1.0) and the count restarts; a ratio in [0.8, 1.0] raises w by 0.1
// while it is below 1.6.
inline void relax_control(float dn1, float& dn, float& w, int32_t& iconv) {
  constexpr int32_t kLmtc = 1;
  const float dlam = dn1 / dn;
  dn = dn1;
  if (dlam > 1.0f) {
    if (iconv == kLmtc) {
      // trunc in float: equal to the integer truncation, and safe for any ratio.
      w = w - 0.1f * std::trunc(10.0f * dlam - 9.11f);
      if (w < 1.0f) w = 1.0f;
      iconv = 0;
    } else {
      iconv = iconv + 1;
    }
  } else if (dlam >= 0.8f && w < 1.6f) {
    w = w + 0.1f;
  }
}

// Relaxes zg for at most nim sweeps. eps1: error after the first sweep, dn1:
// after the last one, ni: sweeps done. iconv is the count of diverging sweeps,
// carried from one solve to the next for the whole run (MincPersistent::ICONV).
// A grid with fewer than 5 columns or rows is returned untouched.
void CURVMN(float* zg, const int32_t* iqd, const float* b, int32_t nc, int32_t nr, float epsmx,
            int32_t nim, float& eps1, float& dn1, int32_t& ni, int32_t& iconv);

}  // namespace minc
