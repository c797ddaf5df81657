#include "minc/coarse.h"

#include <algorithm>

#include "minc/solver.h"
#include "minc/status.h"

namespace minc {

namespace {

// Window sizes of the GRIDR passes and the first window centre.
constexpr int32_t kWindows[3] = {3, 7, 9};
constexpr int32_t kFirstCentre = 5;
constexpr int32_t kCentreStep = 4;

// Cubic through z0..z3 at parameters 0..3, evaluated at t.
struct Cubic {
  float z0, a1, a2, a3;
  Cubic(float z0v, float z1, float z2, float z3) : z0(z0v) {
    const float d1 = z1 - z0v;
    const float d2 = z2 - z0v;
    const float d3 = z3 - z0v;
    a1 = 3.0f * d1 - 1.5f * d2 + d3 / 3.0f;
    a2 = 2.0f * d2 - 2.5f * d1 - 0.5f * d3;
    a3 = 0.5f * d1 - 0.5f * d2 + d3 / 6.0f;
  }
  float operator()(float t) const { return z0 + t * (a1 + t * (a2 + t * a3)); }
};

// Reads record irec of "~mincir.tmp": its link, point count and npb3 reals.
// A short read ends the chain (link 0, no points).
void read_point_record(WordFile& f, int32_t irlen, int32_t irec, int32_t npb3, int32_t& next,
                       int32_t& np, float* xyz) {
  int32_t head[2] = {0, 0};
  f.seek(static_cast<int64_t>(irec - 1) * irlen * 4);
  if (f.read_words(head, 2) != 2) head[0] = head[1] = 0;
  next = head[0];
  np = head[1];
  (void)f.read_words(xyz, npb3);
}

}  // namespace

CoarseSize coarse_spacing(int32_t mgu, int32_t ngu, int32_t max_nodes) {
  CoarseSize c{4, 0, 0};
  for (;;) {
    c.mc = mgu / c.mdel + 7;
    c.mr = ngu / c.mdel + 7;
    // 64-bit product: very wide grids would overflow 32 bits at small MDEL.
    if (static_cast<int64_t>(c.mc) * c.mr <= max_nodes) return c;
    c.mdel = c.mdel + 1;
  }
}

template <const EngineVariant& V>
void REJONL(MincContext& ctx, float /*xo*/, float /*yo*/, float /*del*/, int32_t /*iglog*/,
            float* xyz, int32_t npb3, int32_t& ierr) {
  const GPARM& g = ctx.gparm;
  RGNL& rg = ctx.rgnl;
  const SolverViews sv = solver_views<V>(ctx);
  ierr = 0;

  const int32_t mgu = (g.NSEC - 1) * (g.NC - g.LAPOVR) + g.NC - 1;
  const int32_t ngu = (g.NTIER - 1) * (g.NR - g.LAPOVR) + g.NR - 1;
  const CoarseSize cs = coarse_spacing(mgu, ngu, sv.max_nodes);
  rg.MDEL = cs.mdel;
  rg.MC = cs.mc;
  rg.MR = cs.mr;
  const int32_t nn = rg.MC * rg.MR;
  std::fill(sv.b, sv.b + 6 * nn, 0.0f);
  std::fill(rg.RG, rg.RG + nn, g.DVAL);
  std::fill(sv.iqd, sv.iqd + nn, 0);

  const float dx = static_cast<float>(g.NC - g.LAPOVR);
  const float dy = static_cast<float>(g.NR - g.LAPOVR);
  const float rmdel = static_cast<float>(rg.MDEL);
  const int32_t maxrec = ctx.fmt.MAXREC;
  WordFile& lurand = ctx.iodev.LURAND;
  const int32_t irlen = ctx.iorecl.IRLEN;

  float endy = dy;
  for (int32_t t = 1; t <= g.NTIER; ++t) {
    float endx = dx;
    const bool lastt = t == g.NTIER;
    for (int32_t s = 1; s <= g.NSEC; ++s) {
      const bool lasts = s == g.NSEC;
      int32_t iadr = (t - 1) * g.NSEC + s;
      int32_t next = 1;
      // Deliberate: a chain is followed for at most MAXREC records, so a
      // damaged link cannot loop forever.
      int32_t followed = 0;
      while (next > 0) {
        if (iadr < 1 || iadr > maxrec || ++followed > maxrec) {
          ierr = code(MincStatus::BadChainRecord);
          return;
        }
        int32_t np = 0;
        read_point_record(lurand, irlen, iadr, npb3, next, np, xyz);
        iadr = next;
        if (np <= 0) continue;
        if (np > V.points_per_record) {
          ierr = code(MincStatus::TooManyPoints);
          return;
        }
        // Deliberate: a count never reads past the record's own words.
        np = std::min(np, npb3 / 3);
        // Keep the points of this block's share of the overlap, in coarse units.
        int32_t kept = 0;
        for (int32_t k = 0; k < np; ++k) {
          const float x = xyz[3 * k];
          const float y = xyz[3 * k + 1];
          const float z = xyz[3 * k + 2];
          if ((x <= endx || lasts) && (y <= endy || lastt)) {
            xyz[3 * kept] = (x - 1.0f) / rmdel + 3.0f;
            xyz[3 * kept + 1] = (y - 1.0f) / rmdel + 3.0f;
            xyz[3 * kept + 2] = z;
            ++kept;
          }
        }
        if (kept > 0)
          ASSIGN<V>(V.coarse_weight, 0.0f, 0.0f, rg.MC, rg.MR, sv.b, 3 * kept, xyz);
      }
      endx = endx + dx;
    }
    endy = endy + dy;
  }

  BWTS(1, V.coarse_weight, 0.0f, rg.MC, rg.MR, rg.RG, sv.iqd, sv.b);
  // The scratch line holds MR values; the ZG view of the work area is idle
  // while the coarse grid is solved (the coarse grid may exceed 900 rows).
  GRIDR(rg.MC, rg.MR, rg.RG, sv.zg, g.DVAL, ierr);
  if (ierr < 0) return;
  float eps1 = 0.0f, dn1 = 0.0f;
  int32_t ni = 0;
  CURVMN(rg.RG, sv.iqd, sv.b, rg.MC, rg.MR, g.EPSM, 30, eps1, dn1, ni, ctx.persist.ICONV);
  rg.IRXO = 1 - 2 * rg.MDEL;
  rg.IRYO = 1 - 2 * rg.MDEL;
}

template void REJONL<kKelvaneEngine>(MincContext&, float, float, float, int32_t, float*, int32_t,
                                     int32_t&);
template void REJONL<kTorrinEngine>(MincContext&, float, float, float, int32_t, float*, int32_t,
                                    int32_t&);

template <const EngineVariant& V>
void ZGINT(MincContext& ctx, float bxo, float byo, int32_t& ierr) {
  const RGNL& rg = ctx.rgnl;
  const SolverViews sv = solver_views<V>(ctx);
  const CoarseGrid cg{rg.MDEL, rg.MC, rg.MR, rg.IRXO, rg.IRYO, rg.RG};
  zgint_kernel(cg, bxo, byo, ctx.gparm.NC, ctx.gparm.NR, ctx.gparm.DVAL, sv.zg, sv.max_nodes,
               sv.b, 6 * sv.max_nodes, ierr);
}

template void ZGINT<kKelvaneEngine>(MincContext&, float, float, int32_t&);
template void ZGINT<kTorrinEngine>(MincContext&, float, float, int32_t&);

void zgint_kernel(const CoarseGrid& cg, float bxo, float byo, int32_t nc, int32_t nr, float dval,
                  float* zg, int32_t zg_cap, float* patch, int32_t patch_cap, int32_t& ierr) {
  ierr = 0;
  const int32_t ibx = static_cast<int32_t>(bxo + 0.001f);
  const int32_t iby = static_cast<int32_t>(byo + 0.001f);
  const int32_t igxs = ibx + 1, igys = iby + 1;
  const int32_t igxe = ibx + nc, igye = iby + nr;
  const int32_t irxs = (igxs - cg.irxo) / cg.mdel + 1;
  const int32_t irys = (igys - cg.iryo) / cg.mdel + 1;
  const int32_t irxe = (igxe - cg.irxo) / cg.mdel + 1;
  const int32_t irye = (igye - cg.iryo) / cg.mdel + 1;
  if (irxs < 2 || irxe > cg.mc - 2) {
    ierr = code(MincStatus::CoarseOutsideX);
    return;
  }
  if (irys < 2 || irye > cg.mr - 2) {
    ierr = code(MincStatus::CoarseOutsideY);
    return;
  }
  const int32_t ncb = (irxe - irxs + 1) * cg.mdel + 1;
  const int32_t nrb = (irye - irys + 1) * cg.mdel + 1;
  // Deliberate: the cell values also have to fit where they are built.
  if (static_cast<int64_t>(ncb) * nrb > patch_cap ||
      static_cast<int64_t>(cg.mdel + 1) * (cg.mdel + 1) > zg_cap) {
    ierr = code(MincStatus::PatchTooLarge);
    return;
  }
  std::fill(patch, patch + ncb * nrb, dval);

  float* cell = zg;  // one cell's values, built at the start of ZG
  int32_t jb = 1;
  for (int32_t jr = irys; jr <= irye; ++jr) {
    int32_t ib = 1;
    for (int32_t ir = irxs; ir <= irxe; ++ir) {
      // The cells of the last column and row also produce their far edge.
      const int32_t nint = (ir == irxe || jr == irye) ? cg.mdel + 1 : cg.mdel;
      CELL3(nint, cg.mdel, ir, jr, cg.mc, cg.rg, cell);
      INSERT(ib, jb, cell, nint, nint, patch, ncb, nrb, ierr);
      if (ierr < 0) return;
      ib = ib + cg.mdel;
    }
    jb = jb + cg.mdel;
  }

  if (static_cast<int64_t>(nc) * nr > zg_cap) {
    ierr = code(MincStatus::PatchTooLarge);
    return;
  }
  std::fill(zg, zg + nc * nr, dval);
  const int32_t izgs = igxs + 1 - ((irxs - 1) * cg.mdel + cg.irxo);
  const int32_t jzgs = igys + 1 - ((irys - 1) * cg.mdel + cg.iryo);
  if (izgs < 1 || jzgs < 1) {
    ierr = code(MincStatus::BlockBeforePatch);
    return;
  }
  if (ncb < nc + izgs - 1 || nrb < nr + jzgs - 1) {
    ierr = code(MincStatus::BlockBeyondPatch);
    return;
  }
  for (int32_t j = 1; j <= nr; ++j) {
    const float* src = patch + node_index(izgs, jzgs + j - 1, ncb);
    std::copy(src, src + nc, zg + node_index(1, j, nc));
  }
}

void CELL3(int32_t nint, int32_t nsub, int32_t igx, int32_t igy, int32_t nc, const float* zg,
           float* zint) {
  // The cubic in y of each of the four columns igx - 1 .. igx + 2.
  const Cubic col[4] = {
      Cubic(zg[node_index(igx - 1, igy - 1, nc)], zg[node_index(igx - 1, igy, nc)],
            zg[node_index(igx - 1, igy + 1, nc)], zg[node_index(igx - 1, igy + 2, nc)]),
      Cubic(zg[node_index(igx, igy - 1, nc)], zg[node_index(igx, igy, nc)],
            zg[node_index(igx, igy + 1, nc)], zg[node_index(igx, igy + 2, nc)]),
      Cubic(zg[node_index(igx + 1, igy - 1, nc)], zg[node_index(igx + 1, igy, nc)],
            zg[node_index(igx + 1, igy + 1, nc)], zg[node_index(igx + 1, igy + 2, nc)]),
      Cubic(zg[node_index(igx + 2, igy - 1, nc)], zg[node_index(igx + 2, igy, nc)],
            zg[node_index(igx + 2, igy + 1, nc)], zg[node_index(igx + 2, igy + 2, nc)]),
  };
  // Positions 1, 1 + 1/NSUB, 1 + 2/NSUB, ... reached by repeated addition.
  const float step = 1.0f / static_cast<float>(nsub);
  float ty = 1.0f;
  for (int32_t iy = 0; iy < nint; ++iy) {
    const Cubic row(col[0](ty), col[1](ty), col[2](ty), col[3](ty));
    float tx = 1.0f;
    float* out = zint + iy * nint;
    for (int32_t ix = 0; ix < nint; ++ix) {
      out[ix] = row(tx);
      tx = tx + step;
    }
    ty = ty + step;
  }
}

void INSERT(int32_t ib, int32_t jb, const float* a, int32_t ma, int32_t na, float* b, int32_t mb,
            int32_t nb, int32_t& ierr) {
  ierr = 0;
  if (mb < ma + ib - 1) ierr = 1;
  if (nb < na + jb - 1) ierr = ierr + 10;
  // Deliberate: a start before the first column or row does not fit either.
  if (ierr != 0 || ib < 1 || jb < 1) {
    ierr = code(MincStatus::CellDoesNotFit);
    return;
  }
  for (int32_t j = 1; j <= na; ++j) {
    const float* src = a + (j - 1) * ma;
    std::copy(src, src + ma, b + node_index(ib, jb + j - 1, mb));
  }
}

void PLUGM(int32_t n, float* z, float dv) {
  // 0-based: k and m index elements k + 1 and m + 1 of the line.
  int32_t k = 0;
  while (k < n && z[k] == dv) ++k;
  if (k >= n) return;
  for (int32_t i = 0; i < k; ++i) z[i] = z[k];
  for (;;) {
    while (k + 1 < n && z[k + 1] != dv) ++k;
    if (k >= n - 1) return;
    int32_t m = k + 1;
    while (m < n && z[m] == dv) ++m;
    if (m >= n) {
      for (int32_t i = k + 1; i < n; ++i) z[i] = z[k];
      return;
    }
    const float step = (z[m] - z[k]) / static_cast<float>(m - k);
    for (int32_t i = k + 1; i < m; ++i) z[i] = z[i - 1] + step;
    k = m;
  }
}

void GRIDR(int32_t nc, int32_t nr, float* zg, float* wz, float dval, int32_t& ierr) {
  ierr = 0;
  const int32_t nn = nc * nr;
  if (std::find(zg, zg + nn, dval) == zg + nn) return;

  // Window passes: fill the nulls of the lattice of every fourth node from
  // node 5 with the mean of their window (3, then 7, then 9 repeatedly).
  if (nc >= 9 && nr >= 9) {
    const int32_t mxpass = std::max(nc, nr) / 8;
    int32_t passes = 0;
    int32_t ipass = 1;
    for (;;) {
      const int32_t iw = kWindows[ipass - 1];
      const int32_t h = (iw - 1) / 2;
      int32_t nass = 0;
      for (int32_t j = kFirstCentre; j + h <= nr; j += kCentreStep) {
        for (int32_t i = kFirstCentre; i + h <= nc; i += kCentreStep) {
          float& centre = zg[node_index(i, j, nc)];
          if (centre != dval) continue;
          float sum = 0.0f;
          int32_t count = 0;
          for (int32_t jj = j - h; jj <= j + h; ++jj) {
            const float* row = zg + node_index(1, jj, nc);
            for (int32_t ii = i - h; ii <= i + h; ++ii) {
              if (row[ii - 1] != dval) {
                sum = sum + row[ii - 1];
                ++count;
              }
            }
          }
          if (count > 0) {
            centre = sum / static_cast<float>(count);
            ++nass;
          }
        }
      }
      ++passes;
      if (passes > mxpass || (ipass == 3 && nass == 0)) break;
      ipass = std::min(ipass + 1, 3);
    }
  }

  // Row pass on the rows of the window lattice.
  for (int32_t j = kFirstCentre; j <= nr - 4; j += kCentreStep)
    PLUGM(nc, zg + node_index(1, j, nc), dval);

  // Column pass.
  for (int32_t i = 1; i <= nc; ++i) {
    for (int32_t j = 1; j <= nr; ++j) wz[j - 1] = zg[node_index(i, j, nc)];
    PLUGM(nr, wz, dval);
    for (int32_t j = 1; j <= nr; ++j) zg[node_index(i, j, nc)] = wz[j - 1];
  }

  // Columns without any value take the mean of all values.
  if (std::find(zg, zg + nn, dval) == zg + nn) return;
  float sum = 0.0f;
  int32_t count = 0;
  for (int32_t n = 0; n < nn; ++n) {
    if (zg[n] != dval) {
      sum = sum + zg[n];
      ++count;
    }
  }
  if (count == 0) {
    ierr = code(MincStatus::GridAllNull);
    return;
  }
  const float mean = sum / static_cast<float>(count);
  for (int32_t n = 0; n < nn; ++n)
    if (zg[n] == dval) zg[n] = mean;
}

}  // namespace minc
