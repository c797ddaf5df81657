// torrin's process entry and its MINC: the torrin engine with one cell size.
#include <iostream>

#include "converter_early/torrin.h"
#include "minc/minc.h"

namespace torrin {

int32_t engine_gridder(MincCall& c) {
  minc::MincArgs a;
  a.outfil = c.outfil.data();
  a.outfil_len = static_cast<int32_t>(c.outfil.size());
  a.xoi = c.YMIN;
  a.yoi = c.ZMIN;
  a.delxi = c.GCELL;
  a.delyi = c.GCELL;
  a.nci = c.NCOL;
  a.nri = c.NROW;
  a.radiusi = c.RADIUS;
  a.datfil = c.datfil.data();
  a.datfil_len = static_cast<int32_t>(c.datfil.size());
  a.izchani = c.IZCHAN;
  a.dvali = c.ZNULL;
  a.maxchn = c.MAXCHN;
  a.iglog = c.IGLOG;
  a.nohead = c.NOHEAD;
  a.datmin = &c.DATMIN;
  a.datmax = &c.DATMAX;
  a.grdrot = c.GRDROT;
  c.IERM = minc::minc_run<minc::kTorrinEngine>(a);
  return c.IERM;
}

int torrin_main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  suite::Console con(std::cin, std::cout, std::cerr, suite::Console::arguments(argc, argv),
                     suite::StopStyle::kTorrin);
  return run(con, engine_gridder);
}

}  // namespace torrin
