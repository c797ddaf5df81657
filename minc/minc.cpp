// One MINC call: the fixed sequence of stages from the run log to the
// deletion of the scratch files.
#include "minc/minc.h"

#include <cmath>
#include <cstring>
#include <exception>

#include "gridout/geoout.h"
#include "gridout/georot.h"
#include "minc/blanking.h"
#include "minc/coarse.h"
#include "minc/dataload.h"
#include "minc/itercontrol.h"
#include "minc/runlog.h"
#include "minc/scratch.h"
#include "minc/tiling.h"

namespace minc {
namespace {

// Deliberate: grid sides beyond this cannot be laid out by any tiling; they
// are refused before sizes derived from them could overflow.
constexpr int32_t kMaxGridSide = 100000000;

// The end step of every call, run on every exit path: close the open
// handles, delete each scratch file whose name buffer is not blank, and
// "~mincrt.tmp" when the grid was rotated.
class CallCleanup {
 public:
  explicit CallCleanup(MincContext& ctx) : ctx_(ctx) {}
  CallCleanup(const CallCleanup&) = delete;
  CallCleanup& operator=(const CallCleanup&) = delete;
  ~CallCleanup() { (void)finish(); }

  // Returns false when closing the run log failed (the only file left
  // behind besides the grid, which GEOOUT closes itself).
  bool finish() {
    if (done_) return true;
    done_ = true;
    IODEV& d = ctx_.iodev;
    MINCOWN& o = ctx_.own;
    for (WordFile* f : {&d.IGRID, &d.IMASK, &d.LURAND, &d.ISUBG, &d.ITEMP, &d.IDATA}) (void)f->close();
    const bool log_ok = o.ILOGF.close() && !o.ILOGF.failed();
    for (NameBuf* b : {&o.FGRID, &o.FMASK, &o.FRAND, &o.FSUBG, &o.FTEMP}) {
      if (!name_blank(*b)) (void)delete_file(name_of(*b));
    }
    if (o.ROTATED) (void)delete_file(kRotName);
    return log_ok;
  }

 private:
  MincContext& ctx_;
  bool done_ = false;
};

constexpr int32_t kFileFailed = code(MincStatus::FileFailed);

// Deliberate: every file operation is checked; a failure ends the call with
// FileFailed. The files keep their failure, so one look after a stage covers
// all of its operations. Buffered writes are pushed out first, so that their
// failure shows here.
bool files_ok(MincContext& ctx) {
  IODEV& d = ctx.iodev;
  bool ok = true;
  for (WordFile* f : {&d.IGRID, &d.IMASK, &d.LURAND, &d.ISUBG, &d.ITEMP, &d.IDATA, &ctx.own.ILOGF}) {
    if (f->is_open()) (void)f->flush();
    if (f->failed()) ok = false;
  }
  return ok;
}

// A stage's own status, unless a file operation failed on the way (which
// is then the cause).
int32_t stage_status(MincContext& ctx, int32_t ierr) { return files_ok(ctx) ? ierr : kFileFailed; }

template <const EngineVariant& V>
int32_t minc_sequence(MincContext& ctx, const MincArgs& a) {
  NLPARM& nl = ctx.nlparm;
  GPARM& g = ctx.gparm;
  QPARM& q = ctx.qparm;
  IORECL& rec = ctx.iorecl;
  IODEV& dev = ctx.iodev;
  MINCOWN& o = ctx.own;
  float* work = ctx.array.work();
  int32_t ierr = 0;

  // Keep the arguments for the log lines, the writer and GEOROT.
  o.XOI = a.xoi;
  o.YOI = a.yoi;
  o.DELXI = a.delxi;
  o.DELYI = V.one_cell_size ? a.delxi : a.delyi;
  o.NCI = a.nci;
  o.NRI = a.nri;
  o.RADIUSI = a.radiusi;
  o.DVALI = a.dvali;
  o.GRDROT = a.grdrot;
  o.IZCHANI = a.izchani;
  o.MAXCHN = a.maxchn;
  o.IGLOG = a.iglog;
  o.NOHEAD = a.nohead;
  o.DATMIN = a.datmin != nullptr ? *a.datmin : 0.0f;
  o.DATMAX = a.datmax != nullptr ? *a.datmax : 0.0f;

  // Steps 2-3: run log and the parameter lines.
  if (!create_named(o.ILOGF, o.FLOGF, kLogName)) return kFileFailed;
  log_parameters(o.ILOGF, V, ctx);
  if (!files_ok(ctx)) return kFileFailed;

  // Step 4: context.
  g.SCALE = o.DELXI;
  g.SCALEY = o.DELYI;
  nl.DEL = 1.0f;
  ctx.fmt.IZCHAN = a.izchani;
  nl.RADIUS = a.radiusi / o.DELXI;
  g.DVAL = a.dvali;
  g.SLOPE = 1.0f / V.block_slope;  // 0.1 (1.0 in the earlier build)
  nl.NPMIN = 1;
  g.LAPOVR = 10;
  g.NIM = V.nim;
  g.EPSM = 0.0f;
  g.ROTANG = a.grdrot;
  o.NZ = a.maxchn;
  // Deliberate: a record of more values than ZA holds, or a channel outside
  // the record, is refused instead of overrunning ZA.
  if (a.maxchn < 1 || a.maxchn > kZaSize || a.izchani < 1 || a.izchani > a.maxchn)
    return code(MincStatus::BadChannel);

  // Step 5: rotation and the computation grid.
  int32_t nc_grid = 0;
  int32_t nr_grid = 0;
  g.ROTANG = normalise_rotation(a.grdrot);
  if (g.ROTANG == 0.0f) {
    g.SROT = 0.0f;
    g.CROT = 1.0f;
    nl.XO = a.xoi / o.DELXI;
    nl.YO = a.yoi / o.DELYI;
    nc_grid = a.nci;
    nr_grid = a.nri;
  } else {
    o.ROTATED = true;
    g.XORIG = static_cast<float>(a.nci) * o.DELXI / 2.0f + a.xoi;
    g.YORIG = static_cast<float>(a.nri) * o.DELYI / 2.0f + a.yoi;
    const float pi = 3.1415926f;
    const float ang = g.ROTANG * pi / 180.0f;
    g.SROT = std::sin(ang);
    g.CROT = std::cos(ang);
    std::string dname;
    if (!data_name(a.datfil, a.datfil_len, true, dname)) return code(MincStatus::BadDataName);
    // Deliberate: the data file is only read, so it is opened for reading only.
    if (!dev.IDATA.open(dname, WordFile::Mode::Read)) return kFileFailed;
    float xmin = 0.0f, xmax = 0.0f, ymin = 0.0f, ymax = 0.0f;
    RNGDAT(V, ctx, dev.IDATA, o.ZA, a.maxchn, a.iglog, xmin, xmax, ymin, ymax);
    const bool read_ok = !dev.IDATA.failed();
    (void)dev.IDATA.close();
    if (!read_ok) return kFileFailed;
    if (!(xmin < xmax && ymin < ymax)) return code(MincStatus::BadDataName);
    // Deliberate: an extent too wide for any layout is refused before the
    // integer conversions below could overflow.
    constexpr float kMaxExtent = 1.0e8f;
    if (!(std::fabs(xmin) < kMaxExtent && std::fabs(xmax) < kMaxExtent &&
          std::fabs(ymin) < kMaxExtent && std::fabs(ymax) < kMaxExtent))
      return code(MincStatus::NoLayout);
    nl.XO = static_cast<float>(static_cast<int32_t>(xmin) - 1);
    nl.YO = static_cast<float>(static_cast<int32_t>(ymin) - 1);
    xmax = xmax + 1.0f;
    ymax = ymax + 1.0f;
    nc_grid = static_cast<int32_t>(std::lround(xmax - nl.XO)) + 1;
    nr_grid = static_cast<int32_t>(std::lround(ymax - nl.YO)) + 1;
  }

  // Step 6.
  if (g.SLOPE != 0.0f) g.SLOPE = 1.0f / std::fabs(g.SLOPE);
  if (nl.RADIUS < 0.0f) nl.RADIUS = 0.0f;
  nl.NCO = nc_grid;
  nl.NRO = nr_grid;
  // Deliberate: a grid without columns or rows (or absurdly large) has no layout.
  if (nl.NCO < 1 || nl.NRO < 1 || nl.NCO > kMaxGridSide || nl.NRO > kMaxGridSide)
    return code(MincStatus::NoLayout);
  g.MXC = nl.NCO + 4;
  g.MXR = nl.NRO + 4;

  // Step 7: half window.
  const HalfWindow hw = half_window(nl.RADIUS, nl.DEL, nl.NCO, V.work_words);
  q.IHWIND = hw.ihwind;
  o.IWIND = hw.iwind;
  o.NREQ = hw.nreq;
  o.RADMAX = hw.radmax;
  log_int(o.ILOGF, V, " half window ", q.IHWIND);
  if (o.RADMAX > 0.0f) log_real(o.ILOGF, V, " radius used ", o.RADMAX, 12, 3);

  // The layout depends only on the grid size; it is worked out here so
  // that a call bound to fail at step 10 or 11 does not first fill a mask
  // file it will never use. The outcome and the log are unchanged.
  int32_t lay_nc = 0, lay_nr = 0, lay_nsec = 0, lay_ntier = 0, lay_err = 0;
  PRTISH(V, g.MXC, g.MXR, lay_nc, lay_nr, lay_nsec, lay_ntier, g.LAPOVR, lay_err);
  const bool layout_usable =
      lay_nsec > 0 && static_cast<int64_t>(lay_nsec) * lay_ntier <= V.max_blocks;

  // Step 8: grid rows file.
  if (!create_named(dev.IGRID, o.FGRID, kGridName)) return kFileFailed;

  // Step 9: mask grid.
  if (q.IHWIND > 0) {
    o.IWIND = 2 * q.IHWIND + 1;
    q.MXCQ = nl.NCO + 2 * q.IHWIND;
    q.MXRQ = nl.NRO + 2 * q.IHWIND;
    o.XO2 = nl.XO - static_cast<float>(q.IHWIND) * nl.DEL;
    o.YO2 = nl.YO - static_cast<float>(q.IHWIND) * nl.DEL;
    rec.IMLEN = std::max(q.MXCQ + 1, 30);
    if (layout_usable &&
        !prefill_mask(dev.IMASK, o.FMASK, q.MXCQ, q.MXRQ, o.XO2, nl.DEL, o.YO2))
      return kFileFailed;
    log_int(o.ILOGF, V, " total columns ", q.MXCQ);
    log_int(o.ILOGF, V, " total rows ", q.MXRQ);
  }
  if (!files_ok(ctx)) return kFileFailed;

  // Step 10: tiling.
  PRTISH(V, g.MXC, g.MXR, g.NC, g.NR, g.NSEC, g.NTIER, g.LAPOVR, ierr);
  if (g.NSEC == 0) return ierr;

  // Step 11: tiling lines and derived sizes.
  log_int(o.ILOGF, V, " number tiers ", g.NTIER);
  log_int(o.ILOGF, V, " sections/tier ", g.NSEC);
  log_int(o.ILOGF, V, " columns/block ", g.NC);
  log_int(o.ILOGF, V, " rows/block ", g.NR);
  if (!files_ok(ctx)) return kFileFailed;
  if constexpr (V.reopen_log) {
    // The earlier build's iteration control reopens the log for each line.
    if (!o.ILOGF.close()) return kFileFailed;
  }
  const int32_t blocks = g.NTIER * g.NSEC;
  if (blocks > V.max_blocks) return code(MincStatus::TooManyBlocks);
  o.NPB3 = npb3_for(V, blocks);
  if (blocks == 1) g.LAPOVR = 1;
  o.XO2 = nl.XO - 2.0f * nl.DEL;
  o.YO2 = nl.YO - 2.0f * nl.DEL;
  if (q.IHWIND > 0) o.MAXBUF = (V.work_words - (2 * (q.MXRQ + q.MXCQ) + q.MXCQ)) / 2;

  // Step 12: data records file.
  if (!create_named(dev.LURAND, o.FRAND, kRandName)) return kFileFailed;
  rec.IRLEN = o.NPB3 + 2;

  // Step 13: data loading.
  {
    std::string dname;
    if (!data_name(a.datfil, a.datfil_len, V.nul_only_names, dname))
      return code(MincStatus::BadDataName);
    if (!dev.IDATA.open(dname, WordFile::Mode::Read)) return kFileFailed;
    SEQDAT(V, ctx, dev.IDATA, dev.LURAND, nl.DEL, o.XO2, o.YO2, o.NPB3, o.ZA, a.maxchn, a.iglog,
           ierr);
    const bool read_ok = !dev.IDATA.failed();
    (void)dev.IDATA.close();
    if (!read_ok) return kFileFailed;
    if (ierr < 0 || !files_ok(ctx)) return stage_status(ctx, ierr);
  }

  // Step 14: subgrid records.
  rec.ISLEN = g.NC * g.NR;
  if (!prefill_subgrids(dev.ISUBG, o.FSUBG, g.NSEC, rec.ISLEN, q.IHWIND != 0)) return kFileFailed;

  // Step 15: coarse grid from all points.
  REJONL<V>(ctx, o.XO2, o.YO2, nl.DEL, a.iglog, ctx.datai.XYZ, o.NPB3, ierr);
  if (ierr < 0) return stage_status(ctx, ierr);

  // Step 16: tier loop: block solves, iteration lines, ASSEMB of each tier.
  PCONTL<V>(ctx, nl.NCO, nl.NRO, g.NC * g.NR, work, o.NPB3, ctx.datai.XYZ, ierr);
  if (ierr < 0) return stage_status(ctx, ierr);
  if (!files_ok(ctx)) return kFileFailed;

  // Step 17.
  if (!dev.ISUBG.close() || !dev.LURAND.close()) return kFileFailed;

  // Step 18: output names.
  output_name(a.outfil, a.outfil_len, V.nul_only_names, o.GRDOUT);
  if (o.ROTATED) {
    o.GRDFIN = o.GRDOUT;
    o.GRDOUT.fill(' ');
    std::memcpy(o.GRDOUT.data(), kRotName, std::strlen(kRotName) + 1);
  } else {
    o.GRDFIN.fill(' ');
  }

  // Step 19: blanking and the grid writer.
  const float wxo = nl.XO * o.DELXI;
  const float wyo = nl.YO * o.DELYI;
  float datmin = o.DATMIN;
  float datmax = o.DATMAX;
  bool written = false;
  if (q.IHWIND != 0) {
    // RADREM, RADMSK, RADCLP on the mask; TEMPLAT writes the blanked rows of
    // "~mincgr.tmp" to "~minctm.tmp" (dev.ITEMP); the mask file is closed.
    ierr = blank_beyond_radius(ctx, V);
    if (ierr < 0) return stage_status(ctx, ierr);
    if (!files_ok(ctx)) return kFileFailed;
    written = gridout::GEOOUT<V>(&dev.ITEMP, o.GRDOUT.data(), kOutNameLen, work, nl.NCO, nl.NRO,
                                 work, wxo, wyo, o.DELXI, o.DELYI, a.iglog, a.nohead, g.DVAL,
                                 datmin, datmax);
    if (!dev.ITEMP.close()) written = false;
  } else {
    dev.IGRID.seek(0);
    written = gridout::GEOOUT<V>(&dev.IGRID, o.GRDOUT.data(), kOutNameLen, work, nl.NCO, nl.NRO,
                                 work, wxo, wyo, o.DELXI, o.DELYI, a.iglog, a.nohead, g.DVAL,
                                 datmin, datmax);
  }
  if (a.datmin != nullptr) *a.datmin = datmin;
  if (a.datmax != nullptr) *a.datmax = datmax;
  if (!written || !files_ok(ctx)) return kFileFailed;

  // Step 20.
  if (!dev.IGRID.close()) return kFileFailed;

  // Step 21: rotated lattice: resample "~mincrt.tmp" onto the requested grid.
  if (o.ROTATED) {
    gridout::GeorotArgs r;
    r.infile = o.GRDOUT.data();
    r.infile_len = kOutNameLen;
    r.outfil = o.GRDFIN.data();
    r.outfil_len = kOutNameLen;
    r.delxi = o.DELXI;
    r.delyi = o.DELYI;
    r.xi = wxo;
    r.yi = wyo;
    r.nci = nl.NCO;
    r.nri = nl.NRO;
    r.delxo = o.DELXI;
    r.delyo = o.DELYI;
    r.xo = o.XOI;
    r.yo = o.YOI;
    r.nco = o.NCI;
    r.nro = o.NRI;
    r.rotang = g.ROTANG;
    r.xornew = g.XORIG;
    r.yornew = g.YORIG;
    r.xorold = 0.0f;
    r.yorold = 0.0f;
    r.xscale = 1.0f;
    r.yscale = 1.0f;
    r.nohead = a.nohead;
    r.dval = g.DVAL;
    // The range GEOOUT found in the rotated grid goes into the final header.
    r.datmin = datmin;
    r.datmax = datmax;
    if (!gridout::GEOROT(V, r)) return kFileFailed;
  }

  return ierr;
}

}  // namespace

float normalise_rotation(float grdrot) {
  float r = std::fmod(grdrot, 360.0f);
  if (r > 180.0f) r = r - 180.0f;
  if (r < -180.0f) r = r + 180.0f;
  if (r > 90.0f) r = r - 90.0f;
  if (r < -90.0f) r = r + 90.0f;
  if (r > 45.0f) r = r - 90.0f;
  if (r < -45.0f) r = r + 90.0f;
  if (std::fabs(r) < 2.0f) r = 0.0f;
  return r;
}

bool data_name(const char* buf, int32_t len, bool nul_only, std::string& name) {
  name.clear();
  if (buf == nullptr || len <= 0) return false;
  const auto n = static_cast<size_t>(len);
  const void* nul = std::memchr(buf, '\0', n);
  if (nul != nullptr && static_cast<const char*>(nul) > buf) {
    name.assign(buf, static_cast<const char*>(nul));
    return true;
  }
  if (nul_only) return false;
  // Deliberate: a buffer starting with a NUL names no file; it is unusable
  // like a blank one.
  if (nul != nullptr) return false;
  size_t end = n;
  while (end > 0 && buf[end - 1] == ' ') --end;
  if (end < 2) return false;
  name.assign(buf, end);
  return true;
}

void output_name(const char* buf, int32_t len, bool nul_only, std::array<char, kOutNameLen>& out) {
  std::string name;
  if (!data_name(buf, len, nul_only, name)) name = "outfile.grd";
  if (name.size() > kOutNameLen - 1) name.resize(kOutNameLen - 1);
  out.fill(' ');
  std::memcpy(out.data(), name.data(), name.size());
  out[name.size()] = '\0';
}

template <const EngineVariant& V>
int32_t minc_run(const MincArgs& args) {
  MincContext& ctx = context<V>();
  int32_t ierr = 0;
  try {
    reset_for_call(ctx);  // step 1
    CallCleanup cleanup(ctx);  // step 22, on every exit path
    try {
      ierr = minc_sequence<V>(ctx, args);
    } catch (const std::exception&) {
      ierr = kFileFailed;
    }
    if (!cleanup.finish() && ierr == 0) ierr = kFileFailed;
  } catch (...) {
    ierr = kFileFailed;
  }
  return ierr;
}

template int32_t minc_run<kKelvaneEngine>(const MincArgs&);
template int32_t minc_run<kTorrinEngine>(const MincArgs&);

}  // namespace minc
