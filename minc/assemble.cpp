#include "minc/assemble.h"

#include <algorithm>

#include "minc/solver.h"
#include "minc/status.h"

namespace minc {

int32_t tier_rows(int32_t nt, int32_t ntier, int32_t nro, int32_t nr1) {
  const int32_t nt1 = nt == 1 ? 999 : nt;
  int32_t nrout = nro;
  if (ntier > 1) {
    const int32_t ntest = ntier - nt1;
    nrout = nr1 - 2;
    if (ntest > 0) nrout = nr1;
    if (ntest == 0) nrout = nro - (ntier - 1) * nr1 + 2;
  }
  return nrout;
}

void ASSEMB(MincContext& ctx, int32_t nc, int32_t nr, float* z, int32_t* m, int32_t ncout,
            int32_t nmax, float* zw, int32_t* mw, int32_t /*ns*/, int32_t nt, int32_t ihwind,
            WordFile& isubg, WordFile& igrid, WordFile& imask, int32_t& ierr) {
  ierr = 0;
  const GPARM& g = ctx.gparm;
  int32_t* ntot = ctx.assem.NTOT;
  const int32_t nco = g.MXC - 4;
  const int32_t nro = g.MXR - 4;
  const int32_t nc1 = nc - g.LAPOVR;
  const int32_t nr1 = nr - g.LAPOVR;
  const bool flags = ihwind > 0;
  const int32_t ioff = flags ? g.NSEC : 0;
  const int32_t islen = ctx.iorecl.ISLEN;
  const int32_t imlen = ctx.iorecl.IMLEN;

  int32_t js = nt == 1 ? 3 : 1;  // the first tier skips the two border rows
  const int32_t nrout = tier_rows(nt, g.NTIER, nro, nr1);
  // Deliberate: a band that would leave the block's rows, or a row buffer
  // without room for one row, is refused the same way.
  if (nrout > nr || nmax < 1 || js + nrout - 1 > nr) {
    ierr = code(MincStatus::BandTallerThanBlock);
    return;
  }

  if (flags)
    std::fill(mw, mw + static_cast<int64_t>(ncout) * nmax, 0);
  else
    std::fill(zw, zw + static_cast<int64_t>(ncout) * nmax, g.DVAL);

  int32_t ntime = 0;
  while (nrout - nmax * ntime > 0) ++ntime;
  int32_t nrow = nrout;
  if (nrout > nmax) nrow = std::min(nrout / ntime + 1, nmax);

  for (int32_t itime = 1; itime <= ntime; ++itime) {
    if (itime == ntime) nrow = nrout - (itime - 1) * nrow;
    if (flags) std::fill(mw, mw + static_cast<int64_t>(ncout) * nrow, 0);

    // Merge the sections: section 1 gives block columns 3..NC1, middle
    // sections 1..NC1, the last one the columns still missing.
    int32_t is = 3;
    int32_t ie = nc1;
    int32_t itot = 0;
    int32_t istop = nco + 2;
    int32_t iws = ihwind + 1;
    for (int32_t isec = 1; isec <= g.NSEC; ++isec) {
      const int32_t jin = js;
      if (isec == g.NSEC) ie = istop;
      // Deliberate: the columns taken must lie in the block and the row.
      if (ie > nc || ie < is - 1 || iws - 1 + (ie - is + 1) > ncout) {
        ierr = code(MincStatus::BandTallerThanBlock);
        return;
      }
      isubg.seek(static_cast<int64_t>(ioff + isec - 1) * islen * 4);
      int32_t iwcol = iws;
      if (flags) {
        (void)isubg.read_words(m, nc * nr);
        for (int32_t k = 1; k <= nrow; ++k) {
          int32_t* mrow = m + node_index(1, jin + k - 1, nc);
          for (int32_t i = 0; i < nc; ++i)
            if (mrow[i] != 0) mrow[i] = 1;
          int32_t* out = mw + static_cast<int64_t>(k - 1) * ncout;
          iwcol = iws;
          for (int32_t i = is; i <= ie; ++i) {
            if (mrow[i - 1] != 0) out[iwcol - 1] = mrow[i - 1];
            ++iwcol;
          }
          // The first column of the next stride is flagged when either block flags it.
          if (ie < istop && ie + 1 <= nc && iwcol <= ncout && mrow[ie] != 0)
            out[iwcol - 1] = mrow[ie];
        }
      } else {
        (void)isubg.read_words(z, nc * nr);
        for (int32_t k = 1; k <= nrow; ++k) {
          const float* zrow = z + node_index(1, jin + k - 1, nc);
          float* out = zw + static_cast<int64_t>(k - 1) * ncout;
          std::copy(zrow + is - 1, zrow + ie, out + iws - 1);
        }
        iwcol = iws + (ie - is + 1);
      }
      itot = itot + (ie - is + 1);
      istop = nco - itot;
      iws = iwcol;
      is = 1;
    }

    // Output, stopping at exactly NRO rows.
    for (int32_t k = 1; k <= nrow; ++k) {
      if (flags) {
        int32_t* row = mw + static_cast<int64_t>(k - 1) * ncout;
        std::fill(row, row + std::min(ihwind, ncout), 0);
        std::fill(row + std::max(ncout - ihwind, 0), row + ncout, 0);
        ntot[1] = ntot[1] + 1;
        ROWDA(imask, imlen, ncout, row, 0, ntot[1], ierr);
        if (ntot[1] == ihwind + nro) return;
      } else {
        ntot[0] = ntot[0] + 1;
        ROWIO(igrid, ncout, zw + static_cast<int64_t>(k - 1) * ncout);
        if (ntot[0] == nro) return;
      }
    }
    js = js + nrow;
  }
}

}  // namespace minc
