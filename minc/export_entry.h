// Shared body of the exported C entry points MINC and GEOROT: arguments by
// reference, each character argument followed by its length by value.
// Included by export_kelvane.cpp and export_torrin.cpp only.
#pragma once

#include <cstdint>
#include <exception>

#include "gridout/georot.h"
#include "minc/engine_variant.h"
#include "minc/minc.h"
#include "minc/status.h"

namespace minc::exported {

// MINC with the cell sizes given (the earlier build passes DELI twice).
// Deliberate: a null reference argument is refused as -1000, the status of
// unusable call arguments, instead of being dereferenced.
template <const EngineVariant& V>
void minc_entry(const char* outfil, int32_t outfil_len, const float* xoi, const float* yoi,
                const float* delxi, const float* delyi, const int32_t* nci, const int32_t* nri,
                const float* radiusi, const char* datfil, int32_t datfil_len,
                const int32_t* izchani, const float* dvali, const int32_t* maxchn,
                const int32_t* iglog, const int32_t* nohead, float* datmin, float* datmax,
                const float* grdrot, int32_t* ierr) {
  if (ierr == nullptr) return;
  if (xoi == nullptr || yoi == nullptr || delxi == nullptr || delyi == nullptr || nci == nullptr ||
      nri == nullptr || radiusi == nullptr || izchani == nullptr || dvali == nullptr ||
      maxchn == nullptr || iglog == nullptr || nohead == nullptr || grdrot == nullptr) {
    *ierr = code(MincStatus::BadDataName);
    return;
  }
  MincArgs a;
  a.outfil = outfil;
  a.outfil_len = outfil_len;
  a.xoi = *xoi;
  a.yoi = *yoi;
  a.delxi = *delxi;
  a.delyi = *delyi;
  a.nci = *nci;
  a.nri = *nri;
  a.radiusi = *radiusi;
  a.datfil = datfil;
  a.datfil_len = datfil_len;
  a.izchani = *izchani;
  a.dvali = *dvali;
  a.maxchn = *maxchn;
  a.iglog = *iglog;
  a.nohead = *nohead;
  a.datmin = datmin;
  a.datmax = datmax;
  a.grdrot = *grdrot;
  *ierr = minc_run<V>(a);
}

// GEOROT, 28 words. No status: a null argument or a failure inside leaves
// the output unwritten.
template <const EngineVariant& V>
void georot_entry(const char* infile, int32_t infile_len, const char* outfil, int32_t outfil_len,
                  const float* delxi, const float* delyi, const float* xi, const float* yi,
                  const int32_t* nci, const int32_t* nri, const float* delxo, const float* delyo,
                  const float* xo, const float* yo, const int32_t* nco, const int32_t* nro,
                  float* zout, const float* rotang, const float* xornew, const float* yornew,
                  const float* xorold, const float* yorold, const float* xscale,
                  const float* yscale, const int32_t* nohead, const float* dval,
                  const float* datmin, const float* datmax) {
  (void)zout;  // the row is held internally
  const void* args[] = {infile, delxi, delyi, xi,     yi,     nci,    nri,    delxo,
                        delyo,  xo,    yo,    nco,    nro,    rotang, xornew, yornew,
                        xorold, yorold, xscale, yscale, nohead, dval,  datmin, datmax};
  for (const void* p : args)
    if (p == nullptr) return;
  gridout::GeorotArgs a;
  a.infile = infile;
  a.infile_len = infile_len;
  a.outfil = outfil;
  a.outfil_len = outfil_len;
  a.delxi = *delxi;
  a.delyi = *delyi;
  a.xi = *xi;
  a.yi = *yi;
  a.nci = *nci;
  a.nri = *nri;
  a.delxo = *delxo;
  a.delyo = *delyo;
  a.xo = *xo;
  a.yo = *yo;
  a.nco = *nco;
  a.nro = *nro;
  a.rotang = *rotang;
  a.xornew = *xornew;
  a.yornew = *yornew;
  a.xorold = *xorold;
  a.yorold = *yorold;
  a.xscale = *xscale;
  a.yscale = *yscale;
  a.nohead = *nohead;
  a.dval = *dval;
  a.datmin = *datmin;
  a.datmax = *datmax;
  try {
    (void)gridout::GEOROT(V, a);
  } catch (...) {
    // Nothing crosses the C boundary.
  }
}

}  // namespace minc::exported
