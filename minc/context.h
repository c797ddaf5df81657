// The MINC context: the engine's process-wide state, grouped in the named
// parameter blocks the stages share. One instance per engine variant; every
// MINC call rebuilds it (reset_for_call), except MincPersistent, which lives
// for the whole process. Arrays are stored from index 0: the formulas'
// element k (1-based) is array[k - 1].
#pragma once

#include <array>
#include <cstdint>

#include "minc/engine_variant.h"
#include "minc/scratch.h"

namespace minc {

inline constexpr int32_t kWorkWordsMax = 256000;  // WORK, sized for the larger variant
inline constexpr int32_t kXyzSize = 1350;         // DATAI XYZ
inline constexpr int32_t kBlockTableSize = 900;   // LOCA, IOFF, ZL, ZB
inline constexpr int32_t kZaSize = 256;           // one data record's values
inline constexpr int32_t kCoarseMax = 32000;      // RG
inline constexpr int32_t kOutNameLen = 256;       // GRDOUT, GRDFIN

struct NLPARM {
  float XO = 0.0f, YO = 0.0f;  // computation grid origin, cell units
  float DEL = 1.0f;            // node spacing, always 1.0
  int32_t NCO = 0, NRO = 0;    // computation grid columns and rows
  int32_t NPMIN = 1;
  float RADIUS = 0.0f;         // search radius, x-cell units
};

struct GPARM {
  int32_t MXC = 0, MXR = 0;       // bordered block grid: NCO + 4, NRO + 4
  int32_t NC = 0, NR = 0;         // columns and rows per block
  int32_t NSEC = 0, NTIER = 0;    // sections per tier, tiers
  int32_t LAPOVR = 10;            // overlap of adjacent blocks
  int32_t NIM = 120;              // iteration limit
  float EPSM = 0.0f;              // convergence tolerance
  float DVAL = 0.0f;              // null value
  float SLOPE = 0.1f;             // weight parameter (1 / abs(0.1) after set-up)
  float ROTANG = 0.0f;            // normalised lattice rotation, degrees
  float SCALE = 1.0f, SCALEY = 1.0f;  // DELXI, DELYI
  float XORIG = 0.0f, YORIG = 0.0f;   // rotation centre, world units
  float SROT = 0.0f, CROT = 1.0f;
};

struct QPARM {
  int32_t IHWIND = 0;           // half window in nodes
  int32_t MXCQ = 0, MXRQ = 0;   // mask grid size
};

struct IORECL {
  int32_t IMLEN = 0, IRLEN = 0, ISLEN = 0;  // record lengths in words
};

struct IODEV {
  WordFile IGRID;   // "~mincgr.tmp"
  WordFile IMASK;   // "~mincms.tmp"
  WordFile IDATA;   // the data file (read only)
  WordFile LURAND;  // "~mincir.tmp"
  WordFile ISUBG;   // "~mincsb.tmp"
  WordFile ITEMP;   // "~minctm.tmp"
};

struct FMT {
  int32_t IZCHAN = 1;  // gridded channel, 1-based
  int32_t MAXREC = 0;  // records used in "~mincir.tmp"
};

// The work area, seen as reals (WORK) or 32-bit integers (IWORK) by the
// stages in turn. A stage keeps to one view of a region while it works.
struct ARRAY {
  alignas(64) float WORK[kWorkWordsMax];
  float* work() { return WORK; }
  int32_t* iwork() { return reinterpret_cast<int32_t*>(WORK); }
};

struct DATAI {
  float XYZ[kXyzSize];  // data triples of one block
};

struct CONTN1 {
  int32_t LOCA[kBlockTableSize];  // per block: next free buffer position (1, 4, 7, ...)
  int32_t IOFF[kBlockTableSize];  // per block: record to be written next
  float ZL[kBlockTableSize];      // left overlap strip
  float ZB[kBlockTableSize];      // bottom overlap strip
};

struct ASSEM {
  int32_t NTOT[2] = {0, 0};  // rows written to "~mincgr.tmp" and to "~mincms.tmp"
};

struct RGNL {
  int32_t MDEL = 0, MC = 0, MR = 0, IRXO = 0, IRYO = 0;
  float RG[kCoarseMax];  // coarse grid values
};

// Fields of MINC itself, and copies of its arguments kept for later stages.
struct MINCOWN {
  WordFile ILOGF;  // "minc.log"
  NameBuf FLOGF{}, FGRID{}, FMASK{}, FRAND{}, FSUBG{}, FTEMP{};
  std::array<char, kOutNameLen> GRDOUT{}, GRDFIN{};
  float ZA[kZaSize];     // one data record's values
  int32_t IWIND = 1;     // 2*IHWIND + 1
  float RADMAX = 0.0f;   // radius used after a reduction, cell units (0: not reduced)
  int32_t NREQ = 0;
  float XO2 = 0.0f, YO2 = 0.0f;
  int32_t NZ = 1;
  int32_t MAXBUF = 0;
  int32_t NPB3 = 1350;   // 3 x data points per "~mincir.tmp" record
  bool ROTATED = false;  // ROTANG != 0 after normalisation
  // Arguments of the call (world units), kept for the writer and GEOROT.
  float XOI = 0.0f, YOI = 0.0f, DELXI = 1.0f, DELYI = 1.0f;
  int32_t NCI = 0, NRI = 0;
  float RADIUSI = 0.0f, DVALI = 0.0f, GRDROT = 0.0f;
  int32_t IZCHANI = 1, MAXCHN = 1, IGLOG = 1, NOHEAD = 1;
  float DATMIN = 0.0f, DATMAX = 0.0f;
};

// State that outlives a call: kept for the whole process, never reset.
struct MincPersistent {
  int32_t ICONV = 0;  // the solver's count of diverging sweeps
};

struct MincContext {
  NLPARM nlparm;
  GPARM gparm;
  QPARM qparm;
  IORECL iorecl;
  IODEV iodev;
  FMT fmt;
  ARRAY array;
  DATAI datai;
  CONTN1 contn1;
  ASSEM assem;
  RGNL rgnl;
  MINCOWN own;
  MincPersistent persist;  // not touched by reset_for_call
};

// The process-wide context of a variant (kKelvaneEngine or kTorrinEngine).
MincContext& context_of(const EngineVariant& v);
template <const EngineVariant& V>
MincContext& context() {
  return context_of(V);
}

// Step 1 of a call: fresh (closed) handles, blank name buffers, WORK, LOCA,
// IOFF, ZL, ZB, XYZ, RG cleared, every block at its defaults, NPB3 = 1350,
// RADMAX = 0. `persist` is kept.
void reset_for_call(MincContext& ctx);

}  // namespace minc
