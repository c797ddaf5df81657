#include "minc/solver.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace minc {

namespace {

// Nearest integer of v, halves away from zero. Callers keep |v| far below
// the int32 range.
inline int32_t round_half_away(float v) { return static_cast<int32_t>(std::lround(v)); }

// Offsets of the nodes A, B, C, D of the data equation, per quadrant code.
struct DataStencil {
  ptrdiff_t a, b, c, d;
};

// One edge equation, written once in the frame of the bottom-left corner:
// z(da, db) is the node da steps along the frame's x and db along its y, the
// frame's axes being sx and sy elements in the grid. The reflections of the
// other edges and corners are then just other (sx, sy) pairs, which keeps the
// order of every term as the reflected equation writes it.
struct Frame {
  const float* p;
  int32_t sx, sy;
  float operator()(int32_t da, int32_t db) const { return p[da * sx + db * sy]; }
};

// Corner (1, 1).
inline float eq_corner(const Frame& z) {
  return z(1, 0) + z(0, 1) - 0.5f * z(2, 0) - 0.5f * z(0, 2);
}

// Node (2, 1).
inline float eq_row1_col2(const Frame& z) {
  return (2.0f * z(-1, 0) + 4.0f * z(1, 0) + 4.0f * z(0, 1) - z(2, 0) - z(-1, 1) - z(1, 1) -
          z(0, 2)) /
         6.0f;
}

// Node (i, 1), 3 <= i <= NC - 2.
inline float eq_row1(const Frame& z) {
  return (4.0f * (z(-1, 0) + z(1, 0) + z(0, 1)) - z(-2, 0) - z(2, 0) - z(-1, 1) - z(1, 1) -
          z(0, 2)) /
         7.0f;
}

// Node (2, 2).
inline float eq_row2_col2(const Frame& z) {
  return (4.0f * (z(-1, 0) + z(0, -1)) + 8.0f * (z(1, 0) + z(0, 1)) - 2.0f * z(1, 1) - z(2, 0) -
          z(0, 2) - z(1, -1) - z(-1, 1)) /
         18.0f;
}

// Node (i, 2), 3 <= i <= NC - 2.
inline float eq_row2(const Frame& z) {
  return (8.0f * (z(-1, 0) + z(1, 0) + z(0, 1)) + 4.0f * z(0, -1) - 2.0f * (z(-1, 1) + z(1, 1)) -
          z(-2, 0) - z(2, 0) - z(0, 2) - z(-1, -1) - z(1, -1)) /
         19.0f;
}

// Relaxes one node of the two outermost rows or columns with equation eq in
// the frame (sx, sy). Edge changes never enter EPS.
template <float (*Eq)(const Frame&)>
inline void relax_edge(float* zg, const int32_t* iqd, int32_t n, int32_t sx, int32_t sy, float w) {
  if (iqd[n] < 0) return;
  const float z = zg[n];
  const float s = Eq(Frame{zg + n, sx, sy});
  zg[n] = z + w * (s - z);
}

// Node i of a row of the bottom or top pair (row kind 1 or 2 of the frame
// whose y step is sy, +nc at the bottom, -nc at the top).
template <int RowKind>
inline void relax_edge_row_node(float* zg, const int32_t* iqd, int32_t nc, int32_t row_start,
                                int32_t sy, int32_t i, float w) {
  const int32_t n = row_start + i - 1;
  if constexpr (RowKind == 1) {
    if (i == 1)
      relax_edge<eq_corner>(zg, iqd, n, 1, sy, w);
    else if (i == 2)
      relax_edge<eq_row1_col2>(zg, iqd, n, 1, sy, w);
    else if (i == nc - 1)
      relax_edge<eq_row1_col2>(zg, iqd, n, -1, sy, w);
    else if (i == nc)
      relax_edge<eq_corner>(zg, iqd, n, -1, sy, w);
    else
      relax_edge<eq_row1>(zg, iqd, n, 1, sy, w);
  } else {
    // Columns 1 and NC of the second row: node (2, 1) with rows and columns
    // exchanged, then reflected. The frame's x then runs along the grid's y,
    // away from the edge row.
    if (i == 1)
      relax_edge<eq_row1_col2>(zg, iqd, n, sy, 1, w);
    else if (i == 2)
      relax_edge<eq_row2_col2>(zg, iqd, n, 1, sy, w);
    else if (i == nc - 1)
      relax_edge<eq_row2_col2>(zg, iqd, n, -1, sy, w);
    else if (i == nc)
      relax_edge<eq_row1_col2>(zg, iqd, n, sy, -1, w);
    else
      relax_edge<eq_row2>(zg, iqd, n, 1, sy, w);
  }
}

// The rows of an edge pair in one pass, the second row (starting at
// start_b) two columns behind the first: as in the middle rows, every node
// sees the values of the row-by-row order, and the two chains overlap.
template <int KindA, int KindB>
void sweep_edge_pair(float* zg, const int32_t* iqd, int32_t nc, int32_t start_a, int32_t start_b,
                     int32_t sy, float w) {
  for (int32_t t = 1; t <= nc + 2; ++t) {
    if (t <= nc) relax_edge_row_node<KindA>(zg, iqd, nc, start_a, sy, t, w);
    if (t >= 3) relax_edge_row_node<KindB>(zg, iqd, nc, start_b, sy, t - 2, w);
  }
}

// The interior node at p (node code `code`, coefficient record r): interior
// equation (code 0) or data equation (code 1..4). Its change enters eps: of
// equal changes the later node counts (a select, not a branch: the running
// largest change is hard to predict).
inline void relax_interior_at(float* p, int32_t code, const float* r, const DataStencil* st,
                              ptrdiff_t nc, float w, float& eps) {
  if (code < 0) return;
  const float zo = p[0];
  const float cross = p[-1] + p[1] + p[-nc] + p[nc];
  const float diag = p[-1 - nc] + p[1 - nc] + p[-1 + nc] + p[1 + nc];
  const float far = p[-2] + p[2] + p[-2 * nc] + p[2 * nc];
  float s;
  if (code == kNodeFree || code > 4) {
    // Interior equation (a code beyond 4 cannot arise; it counts as free).
    s = (8.0f * cross - 2.0f * diag - far) / 20.0f;
  } else {
    // Data equation of a node constrained by a datum in quadrant `code`.
    const DataStencil& q = st[code];
    s = r[5] * (r[4] + r[0] * p[q.a] + r[1] * p[q.b] + r[2] * p[q.c] + r[3] * p[q.d] + cross -
                0.5f * diag - 0.25f * far);
  }
  const float zn = zo + w * (s - zo);
  p[0] = zn;
  const float delta = zn - zo;
  eps = std::fabs(eps) <= std::fabs(delta) ? delta : eps;
}

// The interior node n of the grid.
inline void relax_interior(float* z, const int32_t* iqd, const float* b, const DataStencil* st,
                           int32_t n, int32_t nc, float w, float& eps) {
  relax_interior_at(z + n, iqd[n], b + 6 * static_cast<ptrdiff_t>(n), st, nc, w, eps);
}

// One step of the R staggered rows at interior columns: node n0 + k * skew
// of row k, rows in order. Unrolled so that every row keeps its change in a
// register and the rows' chains overlap.
template <int32_t R, size_t... K>
inline void relax_interior_rows(float* z, const int32_t* iqd, const float* b,
                                const DataStencil* st, ptrdiff_t nc, ptrdiff_t skew, float w,
                                float* e, std::index_sequence<K...>) {
  (relax_interior_at(z + static_cast<ptrdiff_t>(K) * skew, iqd[static_cast<ptrdiff_t>(K) * skew],
                     b + 6 * static_cast<ptrdiff_t>(K) * skew, st, nc, w, e[K]),
   ...);
}

// Node (i, j) of a row 3 .. NR - 2: columns 1, 2 and NC - 1, NC use the
// bottom-row equations with rows and columns exchanged (and reflected).
inline void relax_middle(float* zg, const int32_t* iqd, const float* b, const DataStencil* st,
                         int32_t i, int32_t row, int32_t nc, float w, float& eps) {
  if (i == 1)
    relax_edge<eq_row1>(zg, iqd, row, nc, 1, w);
  else if (i == 2)
    relax_edge<eq_row2>(zg, iqd, row + 1, nc, 1, w);
  else if (i == nc - 1)
    relax_edge<eq_row2>(zg, iqd, row + nc - 2, nc, -1, w);
  else if (i == nc)
    relax_edge<eq_row1>(zg, iqd, row + nc - 1, nc, -1, w);
  else
    relax_interior(zg, iqd, b, st, row + i - 1, nc, w, eps);
}

// Rows j0 .. j0 + rows - 1 (all within 3 .. NR - 2) in one pass. Every
// equation reads only nodes within two steps (|di| + |dj| <= 2), so row
// j0 + r may run 2r columns behind row j0: each node still sees exactly the
// values the row-by-row order gives it, while the rows' dependency chains
// overlap. Changes are tracked per row and merged in row order, which
// gives the same EPS as the row-by-row rule.
template <int32_t R>
void sweep_middle_rows(float* zg, const int32_t* iqd, const float* b, const DataStencil* st,
                       int32_t j0, int32_t rows, int32_t nc, float w, float& eps) {
  float er[R] = {};
  const int32_t tmax = nc + 2 * (rows - 1);
  auto step_generic = [&](int32_t t) {
    for (int32_t r = 0; r < rows; ++r) {
      const int32_t i = t - 2 * r;
      if (i >= 1 && i <= nc) relax_middle(zg, iqd, b, st, i, (j0 + r - 1) * nc, nc, w, er[r]);
    }
  };
  // Until the last row is past its columns 1 and 2.
  const int32_t ta = std::min(2 * (rows - 1) + 2, tmax);
  int32_t t = 1;
  for (; t <= ta; ++t) step_generic(t);
  if (rows == R) {
    // Every row at an interior column.
    float e[R];
    for (int32_t r = 0; r < R; ++r) e[r] = er[r];
    const ptrdiff_t skew = nc - 2;
    for (; t <= nc - 2; ++t) {
      const ptrdiff_t n0 = static_cast<ptrdiff_t>(j0 - 1) * nc + t - 1;
      relax_interior_rows<R>(zg + n0, iqd + n0, b + 6 * n0, st, nc, skew, w, e,
                             std::make_index_sequence<R>{});
    }
    for (int32_t r = 0; r < R; ++r) er[r] = e[r];
  }
  for (; t <= tmax; ++t) step_generic(t);
  for (int32_t r = 0; r < rows; ++r)
    if (std::fabs(eps) <= std::fabs(er[r])) eps = er[r];
}

}  // namespace

template <const EngineVariant& V>
void ASSIGN(float slope, float xogu, float yogu, int32_t nc, int32_t nr, float* b, int32_t np3,
            const float* xyz) {
  if (np3 < 3) return;
  const int32_t npts = np3 / 3;
  for (int32_t k = 0; k < npts; ++k) {
    const float x = xyz[3 * k];
    const float y = xyz[3 * k + 1];
    const float z = xyz[3 * k + 2];
    const float xr = x - xogu;
    const float yr = y - yogu;
    // Deliberate: a position beyond any grid (or not a number) is skipped
    // before rounding, so the integer conversion stays in range.
    if (!(std::fabs(xr) < 1.0e9f) || !(std::fabs(yr) < 1.0e9f)) continue;
    int32_t i = round_half_away(xr + V.assign_nudge);
    int32_t j = round_half_away(yr + V.assign_nudge);
    if constexpr (V.assign_half_down) {
      if (static_cast<float>(i) - xr > 0.4999f) i = i - 1;
      if (static_cast<float>(j) - yr > 0.4999f) j = j - 1;
    }
    if (i < 1 || i > nc || j < 1 || j > nr) continue;
    const float dx = xr - static_cast<float>(i);
    const float dy = yr - static_cast<float>(j);
    const float r2 = dx * dx + dy * dy;
    float* r = b + 6 * node_index(i, j, nc);
    if (slope > 0.0f) {
      const float wt = 1.0f / (r2 + slope);
      r[0] = r[0] + wt;
      r[1] = r[1] + wt * dx;
      r[2] = r[2] + wt * dy;
      r[5] = r[5] + wt * z;
    } else if (r2 < r[0]) {
      r[0] = r2;
      r[1] = dx;
      r[2] = dy;
      r[5] = z;
    }
  }
}

template void ASSIGN<kKelvaneEngine>(float, float, float, int32_t, int32_t, float*, int32_t,
                                     const float*);
template void ASSIGN<kTorrinEngine>(float, float, float, int32_t, int32_t, float*, int32_t,
                                    const float*);

void BWTS(int32_t izset, float slope, float binit, int32_t nc, int32_t nr, float* zg, int32_t* iqd,
          float* b) {
  const int32_t nn = nc * nr;
  for (int32_t n = 0; n < nn; ++n) {
    float* r = b + 6 * n;
    if (r[0] < 0.0000001f) r[0] = 0.0f;
    if (r[0] == binit) continue;
    if (slope > 0.0f) {
      // Weighted means of dx, dy and z; B1 becomes the squared distance.
      const float g = 1.0f / r[0];
      r[1] = g * r[1];
      r[2] = g * r[2];
      r[5] = g * r[5];
      r[0] = r[1] * r[1] + r[2] * r[2];
    }
    if (r[0] > 0.0025f) {
      iqd[n] = quadrant_code(r[1], r[2]);
      if (izset != 0) zg[n] = r[5];
    } else {
      iqd[n] = kNodeFixed;
      zg[n] = r[5];
    }
  }

  // Coefficients of the data equation of constrained interior nodes.
  for (int32_t j = 3; j <= nr - 2; ++j) {
    for (int32_t i = 3; i <= nc - 2; ++i) {
      const int32_t n = node_index(i, j, nc);
      if (iqd[n] <= 0) continue;
      float* r = b + 6 * n;
      const float xi = std::fabs(r[1]);
      const float eta = std::fabs(r[2]);
      const float z = r[5];
      const float s = xi + eta;
      const float d = s * (1.0f + s);
      const float t = 4.0f / d;
      const float b1 = 1.0f - t * (xi + xi * xi) / 2.0f;
      const float b2 = 2.0f - 4.0f * eta / (1.0f + s);
      const float b3 = 2.0f - 4.0f * xi / (1.0f + s);
      const float b4 = 1.0f - t * (eta + eta * eta) / 2.0f;
      const float b5 = t * z;
      const float b6 = 1.0f / (1.0f + b1 + b2 + b3 + b4 + t);
      r[0] = b1;
      r[1] = b2;
      r[2] = b3;
      r[3] = b4;
      r[4] = b5;
      r[5] = b6;
    }
  }
}

void CURVMN(float* zg, const int32_t* iqd, const float* b, int32_t nc, int32_t nr, float epsmx,
            int32_t nim, float& eps1, float& dn1, int32_t& ni, int32_t& iconv) {
  if (nc < 5 || nr < 5) return;
  constexpr int32_t kNimn = 5;
  constexpr int32_t kRowsPerPass = 6;
  ni = 0;
  float dn = 1.0e20f;
  float w = 1.3f;
  float eps = 0.0f;
  eps1 = 0.0f;
  const float epsm = std::fabs(epsmx);

  const DataStencil st[5] = {
      {0, 0, 0, 0},
      {1 - nc, -nc, -1, -1 + nc},
      {-1 - nc, -nc, 1, 1 + nc},
      {-1 + nc, nc, 1, 1 - nc},
      {1 + nc, nc, -1, -1 - nc},
  };
  const int32_t top = (nr - 1) * nc;  // start of row NR

  while (ni < nim) {
    eps = 0.0f;
    // Rows 1 and 2.
    sweep_edge_pair<1, 2>(zg, iqd, nc, 0, nc, nc, w);
    // Rows 3 .. NR - 2, a few rows at a time.
    for (int32_t j = 3; j <= nr - 2; j += kRowsPerPass) {
      const int32_t rows = std::min(kRowsPerPass, nr - 2 - j + 1);
      sweep_middle_rows<kRowsPerPass>(zg, iqd, b, st, j, rows, nc, w, eps);
    }
    // Rows NR - 1 and NR: the bottom rows reflected.
    sweep_edge_pair<2, 1>(zg, iqd, nc, top - nc, top, -nc, w);

    if (ni <= 0) eps1 = std::fabs(eps / w);
    ni = ni + 1;
    if (eps == 0.0f) break;
    dn1 = std::fabs(eps / w);
    if (dn1 <= epsm && ni >= kNimn) break;
    relax_control(dn1, dn, w, iconv);
  }
}

}  // namespace minc
