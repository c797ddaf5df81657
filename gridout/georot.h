// GEOROT: resample a grid computed on a rotated lattice onto the requested
// output grid and write it as a Corvane grid file. The input grid file is
// read value by value (through a bounded row cache); one output row is held
// in memory at a time.
#pragma once

#include <cstdint>

#include "minc/engine_variant.h"

namespace gridout {

// Arguments in the order of the exported 28-word entry (the two name lengths
// included). ZOUT is the caller's row buffer; it is not needed here, since
// the row is held internally, and is accepted for the exported signature.
struct GeorotArgs {
  const char* infile = nullptr;  // input grid name, NUL-terminated
  int32_t infile_len = 0;        // bounds the search for the NUL when > 0
  const char* outfil = nullptr;  // output name (GEOOUT name rule)
  int32_t outfil_len = 0;
  float delxi = 1.0f, delyi = 1.0f;  // input node spacings
  float xi = 0.0f, yi = 0.0f;        // input node (0, 0) in the input frame
  int32_t nci = 0, nri = 0;          // input columns and rows
  float delxo = 1.0f, delyo = 1.0f;  // output node spacings
  float xo = 0.0f, yo = 0.0f;        // output node (1, 1) in the output frame
  int32_t nco = 0, nro = 0;          // output columns and rows
  float rotang = 0.0f;               // rotation, degrees
  float xornew = 0.0f, yornew = 0.0f;  // rotation centre in the output frame
  float xorold = 0.0f, yorold = 0.0f;  // rotation centre in the input frame
  float xscale = 1.0f, yscale = 1.0f;  // divisors applied after the rotation
  int32_t nohead = 1;                  // 1: rows in order, code 1; else reversed, code -2
  float dval = 0.0f;                   // not used
  float datmin = 0.0f, datmax = 0.0f;  // copied into the header range fields
};

// Resample and write. Returns false, writing nothing, when the input file
// cannot be opened or holds no row-order code; the output is written
// otherwise (values beyond a short input file read as null).
bool GEOROT(const minc::EngineVariant& v, const GeorotArgs& a);

}  // namespace gridout
