#include "minc/itercontrol.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "minc/assemble.h"
#include "minc/coarse.h"
#include "minc/fmtnum.h"
#include "minc/scratch.h"
#include "minc/solver.h"
#include "minc/status.h"

namespace minc {

namespace {

constexpr int32_t kStrip = 3;  // NSAV: width of the overlap strips

constexpr char kHeader[] = " tier  sect   init err    end err    #iterations\r\n";
constexpr char kShortHeader[] = " tier  sect  init err   end err    #iterations\r\n";
static_assert(sizeof kHeader - 1 == 50);
static_assert(sizeof kShortHeader - 1 == 48);

// Columns (1-based) and widths of the figures line.
constexpr int32_t kColTier = 2, kColSect = 8, kColInit = 13, kColEnd = 24, kColIter = 38;
constexpr int32_t kFiguresLen = 43;
constexpr int32_t kShortFiguresLen = 46;

// The first `width` characters of FMTNUM(value, width, decimals) at column col.
void put_fmtnum(char* line, int32_t col, float value, int32_t width, int32_t decimals) {
  char text[32];
  (void)FMTNUM(value, width, decimals, text, static_cast<int32_t>(sizeof text));
  std::memcpy(line + col - 1, text, static_cast<size_t>(width));
}

// Text right-justified in a field of `width` columns; asterisks when too long.
void put_field(char* line, int32_t col, int32_t width, const char* text) {
  const int32_t n = static_cast<int32_t>(std::strlen(text));
  char* f = line + col - 1;
  if (n > width) {
    std::memset(f, '*', static_cast<size_t>(width));
    return;
  }
  std::memset(f, ' ', static_cast<size_t>(width - n));
  std::memcpy(f + width - n, text, static_cast<size_t>(n));
}

void put_int(char* line, int32_t col, int32_t width, int32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", v);
  put_field(line, col, width, text);
}

// One digit, a point, two decimals, "E" and a signed exponent.
void put_e92(char* line, int32_t col, float v) {
  char text[32];
  if (!std::isfinite(v)) {
    put_field(line, col, 9, "*********");
    return;
  }
  std::snprintf(text, sizeof text, "%.2E", static_cast<double>(v));
  put_field(line, col, 9, text);
}

// Appends bytes to the run log: to the open log, or (torrin) by opening
// "minc.log" for reading and writing, writing at its end and closing it.
template <const EngineVariant& V>
void append_log(MincContext& ctx, const char* bytes, int32_t n) {
  if constexpr (V.reopen_log) {
    // A failure is remembered on the (closed) log handle, where the call
    // sequence looks for failed file operations.
    WordFile log;
    if (!log.open(kLogName, WordFile::Mode::ReadWrite)) {
      ctx.own.ILOGF.set_failed();
      return;
    }
    log.seek(log.size());
    const bool ok = log.write(bytes, static_cast<size_t>(n));
    if (!log.close() || !ok) ctx.own.ILOGF.set_failed();
  } else {
    (void)ctx.own.ILOGF.write(bytes, static_cast<size_t>(n));
  }
}

}  // namespace

int32_t iter_header_line(const EngineVariant& v, char* line) {
  const char* h = v.short_iter_log ? kShortHeader : kHeader;
  const int32_t n = v.short_iter_log ? int32_t{sizeof kShortHeader - 1} : int32_t{sizeof kHeader - 1};
  std::memcpy(line, h, static_cast<size_t>(n));
  return n;
}

int32_t iter_figures_line(const EngineVariant& v, int32_t nt, int32_t ns, float eps1, float dn1,
                          int32_t ni, char* line) {
  if (v.short_iter_log) {
    // " " I4, 2X, I4, 2X, E9.2, 2X, E9.2, 2X, I3, padded to 44 characters.
    std::memset(line, ' ', kShortFiguresLen);
    put_int(line, 2, 4, nt);
    put_int(line, 8, 4, ns);
    put_e92(line, 14, eps1);
    put_e92(line, 25, dn1);
    put_int(line, 36, 3, ni);
    line[kShortFiguresLen - 2] = '\r';
    line[kShortFiguresLen - 1] = '\n';
    return kShortFiguresLen;
  }
  char buf[80];
  std::memset(buf, ' ', sizeof buf);
  put_fmtnum(buf, kColTier, static_cast<float>(nt), 4, 0);
  put_fmtnum(buf, kColSect, static_cast<float>(ns), 4, 0);
  put_fmtnum(buf, kColInit, eps1, 10, 4);
  put_fmtnum(buf, kColEnd, dn1, 10, 4);
  put_fmtnum(buf, kColIter, static_cast<float>(ni), 4, 0);
  buf[kFiguresLen - 2] = '\r';
  buf[kFiguresLen - 1] = '\n';
  std::memcpy(line, buf, kFiguresLen);
  return kFiguresLen;
}

void CONTIN(const CONTN1& strips, int32_t ns, int32_t nt, int32_t nc, int32_t nr, float* zg,
            int32_t* iqd) {
  if (ns != 1) {
    // Columns 1 and 2 fixed at the left neighbour's solution, column 3 started from it.
    for (int32_t r = 1; r <= nr; ++r) {
      for (int32_t c = 1; c <= kStrip; ++c) {
        const int32_t n = node_index(c, r, nc);
        zg[n] = strips.ZL[kStrip * (r - 1) + c - 1];
        if (c <= 2) iqd[n] = kNodeFixed;
      }
    }
  }
  if (nt != 1) {
    // Rows 1 and 2 fixed at the block below, row 3 started from it.
    for (int32_t k = 0; k < 2 * nc; ++k) {
      zg[k] = strips.ZB[k];
      iqd[k] = kNodeFixed;
    }
    for (int32_t k = 2 * nc; k < 3 * nc; ++k) zg[k] = strips.ZB[k];
  }
}

void PADROW(int32_t nrow, int32_t& jrow, WordFile& imask, int32_t imlen, int32_t nc, int32_t* m) {
  std::fill(m, m + nc, 0);
  for (int32_t k = 0; k < nrow; ++k) {
    jrow = jrow + 1;
    int32_t ierr = 0;
    ROWDA(imask, imlen, nc, m, 0, jrow, ierr);
  }
}

template <const EngineVariant& V>
void ICONTL(MincContext& ctx, int32_t ns, int32_t nt, int32_t ihwind, float bxo, float byo,
            float* xyz, int32_t npb3, int32_t& ierr) {
  const GPARM& g = ctx.gparm;
  const SolverViews sv = solver_views<V>(ctx);
  ierr = 0;
  const int32_t nc = g.NC;
  const int32_t nr = g.NR;
  const int32_t nn = std::min(nc * nr, sv.max_nodes);
  std::fill(sv.iqd, sv.iqd + nn, 0);

  ZGINT<V>(ctx, bxo, byo, ierr);
  if (ierr < 0) return;

  const float slope = g.SLOPE;
  const float binit = slope == 0.0f ? 1.0f : 0.0f;
  std::fill(sv.b, sv.b + 6 * nn, binit);

  // Gather the block's data along its record chain.
  bool has_data = false;
  WordFile& lurand = ctx.iodev.LURAND;
  const int32_t irlen = ctx.iorecl.IRLEN;
  const int32_t maxrec = ctx.fmt.MAXREC;
  int32_t irec = (nt - 1) * g.NSEC + ns;
  // Deliberate: the chain is followed only through valid record numbers and
  // for at most MAXREC records, and a count never reads past the record.
  for (int32_t followed = 0; irec >= 1 && irec <= maxrec && followed < maxrec; ++followed) {
    int32_t head[2] = {0, 0};
    lurand.seek(static_cast<int64_t>(irec - 1) * irlen * 4);
    if (lurand.read_words(head, 2) != 2) break;
    (void)lurand.read_words(xyz, npb3);
    const int32_t np = std::min(head[1], npb3 / 3);
    if (np > 0) {
      has_data = true;
      ASSIGN<V>(slope, bxo, byo, nc, nr, sv.b, 3 * np, xyz);
    }
    if (head[0] == 0) break;
    irec = head[0];
  }

  if (has_data) BWTS(0, slope, binit, nc, nr, sv.zg, sv.iqd, sv.b);
  if (ihwind > 0) WRBLK(ctx.iodev.ISUBG, ctx.iorecl.ISLEN, g.NSEC + ns, nn, sv.iqd);
  CONTIN(ctx.contn1, ns, nt, nc, nr, sv.zg, sv.iqd);
  GRIDR(nc, nr, sv.zg, ctx.contn1.ZL, g.DVAL, ierr);
  if (ierr != 0) return;

  float eps1 = 0.0f, dn1 = 0.0f;
  int32_t ni = 0;
  CURVMN(sv.zg, sv.iqd, sv.b, nc, nr, g.EPSM, g.NIM, eps1, dn1, ni, ctx.persist.ICONV);
  WRBLK(ctx.iodev.ISUBG, ctx.iorecl.ISLEN, ns, nn, sv.zg);

  char line[80];
  const int32_t n = iter_figures_line(V, nt, ns, eps1, dn1, ni, line);
  append_log<V>(ctx, line, n);
}

template <const EngineVariant& V>
void PCONTL(MincContext& ctx, int32_t nco, int32_t /*nro*/, int32_t ng, float* zg, int32_t npb3,
            float* xyz, int32_t& ierr) {
  const GPARM& g = ctx.gparm;
  const int32_t ihwind = ctx.qparm.IHWIND;
  const int32_t mxcq = ctx.qparm.MXCQ;
  int32_t* ntot = ctx.assem.NTOT;
  ierr = 0;
  ntot[0] = ntot[1] = 0;
  const int32_t nc = g.NC;
  const int32_t nr = g.NR;
  // Deliberate: the strips and the work area must hold the block (the
  // tiling guarantees it; a context set up otherwise is refused).
  if (ng != nc * nr || ng > V.work_words / 8 || kStrip * nc > kBlockTableSize ||
      kStrip * nr > kBlockTableSize || nc <= g.LAPOVR + 2 || nr <= g.LAPOVR || nco < 1) {
    ierr = code(MincStatus::PatchTooLarge);
    return;
  }
  const int32_t maxg = (V.work_words - ng) / nco;
  const int32_t nbot = kStrip * nc;
  const float dx = static_cast<float>(nc - g.LAPOVR);
  const float dy = static_cast<float>(nr - g.LAPOVR);
  int32_t* iwork = ctx.array.iwork();
  int32_t maxq = 0;
  if (ihwind > 0) {
    maxq = (V.work_words - ng) / mxcq;
    PADROW(ihwind, ntot[1], ctx.iodev.IMASK, ctx.iorecl.IMLEN, mxcq, iwork);
  }

  char line[80];
  const int32_t header_len = iter_header_line(V, line + 2);
  line[0] = '\r';
  line[1] = '\n';

  float byo = 0.0f;
  for (int32_t j = 1; j <= g.NTIER; ++j) {
    float bxo = 0.0f;
    for (int32_t i = 1; i <= g.NSEC; ++i) {
      append_log<V>(ctx, line, 2 + header_len);  // empty line and header
      if (j > 1) {
        // The bottom strip: rows NR - LAPOVR + 1 .. + 3 of this section's block below.
        ctx.iodev.ISUBG.seek(static_cast<int64_t>(i - 1) * ctx.iorecl.ISLEN * 4);
        (void)ctx.iodev.ISUBG.read_words(zg, ng);
        const float* src = zg + (nr - g.LAPOVR) * nc;
        std::copy(src, src + nbot, ctx.contn1.ZB);
      }
      ICONTL<V>(ctx, i, j, ihwind, bxo, byo, xyz, npb3, ierr);
      if (ierr < 0) return;
      if (i < g.NSEC) {
        // The left strip for the next section: columns NC - LAPOVR + 1 .. + 3.
        for (int32_t r = 1; r <= nr; ++r)
          for (int32_t c = 1; c <= kStrip; ++c)
            ctx.contn1.ZL[kStrip * (r - 1) + c - 1] = zg[node_index(nc - g.LAPOVR + c, r, nc)];
      }
      bxo = bxo + dx;
    }
    ASSEMB(ctx, nc, nr, zg, iwork, nco, maxg, zg + ng, iwork + ng, g.NSEC, j, 0,
           ctx.iodev.ISUBG, ctx.iodev.IGRID, ctx.iodev.IMASK, ierr);
    if (ierr < 0) return;
    if (ihwind > 0) {
      ASSEMB(ctx, nc, nr, zg, iwork, mxcq, maxq, zg + ng, iwork + ng, g.NSEC, j, ihwind,
             ctx.iodev.ISUBG, ctx.iodev.IGRID, ctx.iodev.IMASK, ierr);
      if (ierr < 0) return;
    }
    byo = byo + dy;
  }
  if (ihwind > 0) PADROW(ihwind, ntot[1], ctx.iodev.IMASK, ctx.iorecl.IMLEN, mxcq, iwork);
}

template void PCONTL<kKelvaneEngine>(MincContext&, int32_t, int32_t, int32_t, float*, int32_t,
                                     float*, int32_t&);
template void PCONTL<kTorrinEngine>(MincContext&, int32_t, int32_t, int32_t, float*, int32_t,
                                    float*, int32_t&);
template void ICONTL<kKelvaneEngine>(MincContext&, int32_t, int32_t, int32_t, float, float, float*,
                                     int32_t, int32_t&);
template void ICONTL<kTorrinEngine>(MincContext&, int32_t, int32_t, int32_t, float, float, float*,
                                    int32_t, int32_t&);

}  // namespace minc
