// Exported entry points of the kelvane engine: MINC (20 words) and GEOROT
// (28 words), C linkage, in build/lib/libminc.so and the kelvane program.
#include "minc/export_entry.h"

extern "C" {

__attribute__((visibility("default"))) void MINC(
    const char* outfil, int32_t outfil_len, const float* xoi, const float* yoi, const float* delxi,
    const float* delyi, const int32_t* nci, const int32_t* nri, const float* radiusi,
    const char* datfil, int32_t datfil_len, const int32_t* izchani, const float* dvali,
    const int32_t* maxchn, const int32_t* iglog, const int32_t* nohead, float* datmin,
    float* datmax, const float* grdrot, int32_t* ierr) {
  minc::exported::minc_entry<minc::kKelvaneEngine>(outfil, outfil_len, xoi, yoi, delxi, delyi, nci,
                                                   nri, radiusi, datfil, datfil_len, izchani,
                                                   dvali, maxchn, iglog, nohead, datmin, datmax,
                                                   grdrot, ierr);
}

__attribute__((visibility("default"))) void GEOROT(
    const char* infile, int32_t infile_len, const char* outfil, int32_t outfil_len,
    const float* delxi, const float* delyi, const float* xi, const float* yi, const int32_t* nci,
    const int32_t* nri, const float* delxo, const float* delyo, const float* xo, const float* yo,
    const int32_t* nco, const int32_t* nro, float* zout, const float* rotang, const float* xornew,
    const float* yornew, const float* xorold, const float* yorold, const float* xscale,
    const float* yscale, const int32_t* nohead, const float* dval, const float* datmin,
    const float* datmax) {
  minc::exported::georot_entry<minc::kKelvaneEngine>(
      infile, infile_len, outfil, outfil_len, delxi, delyi, xi, yi, nci, nri, delxo, delyo, xo, yo,
      nco, nro, zout, rotang, xornew, yornew, xorold, yorold, xscale, yscale, nohead, dval, datmin,
      datmax);
}

}  // extern "C"

// The call-decorated names _MINC@80 and _GEOROT@112 are not made: ELF
// linkers read '@' in a symbol name as a version separator.
