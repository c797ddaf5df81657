#include "minc/context.h"

#include <algorithm>

namespace minc {

MincContext& context_of(const EngineVariant& v) {
  static MincContext kelvane;
  static MincContext torrin;
  return &v == &kTorrinEngine ? torrin : kelvane;
}

void reset_for_call(MincContext& ctx) {
  IODEV& d = ctx.iodev;
  // Fresh handles: closed, and no failure remembered from an earlier call.
  for (WordFile* f : {&d.IGRID, &d.IMASK, &d.IDATA, &d.LURAND, &d.ISUBG, &d.ITEMP, &ctx.own.ILOGF})
    *f = WordFile{};
  ctx.nlparm = NLPARM{};
  ctx.gparm = GPARM{};
  ctx.qparm = QPARM{};
  ctx.iorecl = IORECL{};
  ctx.fmt = FMT{};
  ctx.assem = ASSEM{};
  std::fill(std::begin(ctx.array.WORK), std::end(ctx.array.WORK), 0.0f);
  std::fill(std::begin(ctx.datai.XYZ), std::end(ctx.datai.XYZ), 0.0f);
  std::fill(std::begin(ctx.contn1.LOCA), std::end(ctx.contn1.LOCA), 0);
  std::fill(std::begin(ctx.contn1.IOFF), std::end(ctx.contn1.IOFF), 0);
  std::fill(std::begin(ctx.contn1.ZL), std::end(ctx.contn1.ZL), 0.0f);
  std::fill(std::begin(ctx.contn1.ZB), std::end(ctx.contn1.ZB), 0.0f);
  ctx.rgnl.MDEL = ctx.rgnl.MC = ctx.rgnl.MR = ctx.rgnl.IRXO = ctx.rgnl.IRYO = 0;
  std::fill(std::begin(ctx.rgnl.RG), std::end(ctx.rgnl.RG), 0.0f);
  MINCOWN& o = ctx.own;
  for (NameBuf* b : {&o.FLOGF, &o.FGRID, &o.FMASK, &o.FRAND, &o.FSUBG, &o.FTEMP}) blank_name(*b);
  o.GRDOUT.fill(' ');
  o.GRDFIN.fill(' ');
  std::fill(std::begin(o.ZA), std::end(o.ZA), 0.0f);
  o.IWIND = 1;
  o.RADMAX = 0.0f;
  o.NREQ = 0;
  o.XO2 = o.YO2 = 0.0f;
  o.NZ = 1;
  o.MAXBUF = 0;
  o.NPB3 = 1350;
  o.ROTATED = false;
}

}  // namespace minc
