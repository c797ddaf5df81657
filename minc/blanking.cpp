#include "minc/blanking.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "minc/status.h"

namespace minc {
namespace {

constexpr int32_t kRadWide = code(MincStatus::MaskWiderThanBuffer);
constexpr int32_t kRadNoWindow = code(MincStatus::NoHalfWindow);

// Half width h of the window from IWIND: IWIND div 2, one less when IWIND
// is even, so the window 2h + 1 is odd.
constexpr int32_t half_width(int32_t iwind) { return iwind / 2 - (iwind % 2 == 0 ? 1 : 0); }

// Mask size from the header words 1 and 2 of record 0.
bool mask_size(WordFile& imask, int32_t& nc, int32_t& nr) {
  int32_t hdr[2] = {0, 0};
  imask.seek(0);
  if (imask.read_words(hdr, 2) != 2) return false;
  nc = hdr[0];
  nr = hdr[1];
  return true;
}

// Sliding window sum over the mask: for every node (c, r) with a full
// window, S is the sum of the mask values in the (2h+1)^2 window centred on
// it, always taken from the rows as they were before this pass rewrote
// them; `test(S, value)` may change the node. Each row in the window is
// read once; S moves along a row with one addition and one subtraction.
template <class Test>
void window_pass(WordFile& imask, int32_t imlen, int32_t nc, int32_t nr, int32_t ncol, int32_t h,
                 int32_t* mbuff, int32_t* msum, int32_t* mout, Test test) {
  const int32_t w = 2 * h + 1;
  // Deliberate: without a full window in either direction no node is tested.
  if (h < 0 || nc < w || nr < w) return;
  int32_t err = 0;
  std::fill(msum, msum + nc, 0);
  for (int32_t k = 0; k < w; ++k) {
    int32_t* slot = mbuff + static_cast<ptrdiff_t>(k) * ncol;
    ROWMSK(imask, imlen, nc, slot, k + 1, err);
    if (err != 0) return;
    for (int32_t i = 0; i < nc; ++i) msum[i] += slot[i];
  }
  int32_t oldest = 0;  // slot of row r - h
  for (int32_t r = h + 1; r <= nr - h; ++r) {
    ROWMSK(imask, imlen, nc, mout, r, err);
    if (err != 0) return;
    int32_t s = 0;
    for (int32_t i = 0; i < w - 1; ++i) s += msum[i];
    // Column c (1-based) is mout[c - 1]; the window spans columns c-h..c+h.
    for (int32_t c = h + 1; c <= nc - h; ++c) {
      s += msum[c + h - 1];
      test(s, mout[c - 1]);
      s -= msum[c - h - 1];
    }
    ROWDA(imask, imlen, nc, mout, 0, r, err);
    if (r == nr - h || r + h + 1 > nr) break;
    int32_t* slot = mbuff + static_cast<ptrdiff_t>(oldest) * ncol;
    for (int32_t i = 0; i < nc; ++i) msum[i] -= slot[i];
    ROWMSK(imask, imlen, nc, slot, r + h + 1, err);
    if (err != 0) return;
    for (int32_t i = 0; i < nc; ++i) msum[i] += slot[i];
    oldest = oldest + 1 == w ? 0 : oldest + 1;
  }
}

// The outline of RADCLP: points (column, row) in four sides.
//   side 0 bottom: columns ascending, the first data row of each column;
//   side 1 right:  rows ascending, the last data column of each row;
//   side 2 top:    columns descending, the last data row of each column;
//   side 3 left:   rows descending, the first data column of each row.
// pos() is the coordinate the side is scanned along (its scan order), val()
// the coordinate it bounds.
class Outline {
 public:
  Outline(int32_t* buf, int32_t cap) : p_(buf), cap_(cap) {}

  int32_t& col(int32_t n) { return p_[2 * static_cast<ptrdiff_t>(n)]; }
  int32_t& row(int32_t n) { return p_[2 * static_cast<ptrdiff_t>(n) + 1]; }
  static bool along_columns(int side) { return side == 0 || side == 2; }
  int32_t& pos(int side, int32_t n) { return along_columns(side) ? col(n) : row(n); }
  int32_t& val(int side, int32_t n) { return along_columns(side) ? row(n) : col(n); }
  // Distance from point a to a later point b of the same side, along its scan.
  int32_t ahead(int side, int32_t a, int32_t b) {
    return side < 2 ? pos(side, b) - pos(side, a) : pos(side, a) - pos(side, b);
  }

  void begin_side(int side) { start_[side] = n_; }
  void end_side(int side) { end_[side] = n_; }
  int32_t start(int side) const { return start_[side]; }
  int32_t end(int side) const { return end_[side]; }

  // Append (c, r) to the side being built and pull the points before it
  // onto every chord of length at most h that spans them, so that notches
  // narrower than the window are bridged.
  void append(int side, int32_t c, int32_t r, int32_t h) {
    if (n_ >= cap_) return;  // Deliberate: the list never runs past its buffer.
    col(n_) = c;
    row(n_) = r;
    const int32_t n = n_++;
    if (n_ - start_[side] < 3) return;
    const float hf = static_cast<float>(h);
    for (int32_t k = 2; n - k >= start_[side]; ++k) {
      const int32_t a = n - k;
      if (ahead(side, a, n) > h) break;
      const float dx = static_cast<float>(col(n) - col(a));
      const float dy = static_cast<float>(row(n) - row(a));
      const float dist = std::sqrt(dx * dx + dy * dy);
      if (dist > hf) continue;
      for (int32_t l = a + 1; l < n; ++l) {
        if (along_columns(side)) {
          const auto chord = static_cast<int32_t>(static_cast<float>(row(a)) +
                                                  static_cast<float>(col(l) - col(a)) * dy / dx);
          row(l) = side == 0 ? std::min(row(l), chord) : std::max(row(l), chord);
        } else {
          const auto chord = static_cast<int32_t>(static_cast<float>(col(a)) +
                                                  static_cast<float>(row(l) - row(a)) * dx / dy);
          col(l) = side == 1 ? std::max(col(l), chord) : std::min(col(l), chord);
        }
      }
    }
  }

 private:
  int32_t* p_;
  int32_t cap_;
  int32_t n_ = 0;
  int32_t start_[4] = {0, 0, 0, 0};
  int32_t end_[4] = {0, 0, 0, 0};
};

}  // namespace

void RADREM(int32_t np, WordFile& imask, int32_t imlen, int32_t ncol, int32_t iwind,
            int32_t* mbuff, int32_t* msum, int32_t* mout, int32_t& ierr) {
  (void)np;
  ierr = 0;
  int32_t nc = 0, nr = 0;
  if (!mask_size(imask, nc, nr)) return;
  const int32_t h = half_width(iwind);
  if (ncol < nc) {
    ierr = kRadWide;
    return;
  }
  if (h <= 0) {
    ierr = kRadNoWindow;
    return;
  }
  // A data node alone in its window is no data node.
  window_pass(imask, imlen, nc, nr, ncol, h, mbuff, msum, mout, [](int32_t s, int32_t& m) {
    if (s <= 1 && m != 0) m = 0;
  });
}

void RADMSK(int32_t np, WordFile& imask, int32_t imlen, int32_t ncol, int32_t iwind,
            int32_t* mbuff, int32_t* msum, int32_t* mout, int32_t& ierr) {
  ierr = 0;
  int32_t nc = 0, nr = 0;
  if (!mask_size(imask, nc, nr)) return;
  const int32_t h = half_width(iwind);
  // Deliberate: a mask wider than the row buffers is refused as in RADREM.
  if (ncol < nc) {
    ierr = kRadWide;
    return;
  }
  const int32_t w = 2 * h + 1;
  int32_t npmin = np <= 0 ? 1 : std::min(np, w * w);
  window_pass(imask, imlen, nc, nr, ncol, h, mbuff, msum, mout, [npmin](int32_t s, int32_t& m) {
    if (s >= npmin && m == 0) m = 2;
  });
}

void RADCLP(WordFile& imask, int32_t imlen, int32_t ncol, int32_t nrow, int32_t iwind,
            int32_t maxbuf, int32_t* mout, int32_t* lrind, int32_t* udind, int32_t* mbuff) {
  int32_t nc = 0, nr = 0;
  // Deliberate: a mask larger than the extent tables is left unchanged.
  if (!mask_size(imask, nc, nr) || nc < 1 || nr < 1 || nc > ncol || nr > nrow) return;
  const int32_t h = half_width(iwind);
  // Scan range: columns h..NC-h+1 and rows h..NR-h+1, kept inside the mask.
  const int32_t cs = std::max(h, 1), ce = std::min(nc - h + 1, nc);
  const int32_t rs = std::max(h, 1), re = std::min(nr - h + 1, nr);
  const float e = static_cast<float>(std::max(h / 2, 1));
  const float hf = static_cast<float>(h);

  // Extent tables, 1-based: LRIND(1|2, J) first / last covered column of row
  // J, UDIND(1|2, I) first / last covered row of column I.
  auto lr1 = [&](int32_t j) -> int32_t& { return lrind[2 * static_cast<ptrdiff_t>(j - 1)]; };
  auto lr2 = [&](int32_t j) -> int32_t& { return lrind[2 * static_cast<ptrdiff_t>(j - 1) + 1]; };
  auto ud1 = [&](int32_t i) -> int32_t& { return udind[2 * static_cast<ptrdiff_t>(i - 1)]; };
  auto ud2 = [&](int32_t i) -> int32_t& { return udind[2 * static_cast<ptrdiff_t>(i - 1) + 1]; };

  // 1. Extents of the data nodes; data within E nodes of the inner edge of
  // the margin run the extent to the mask edge.
  for (int32_t j = 1; j <= nr; ++j) {
    lr1(j) = nc + 1;
    lr2(j) = 0;
  }
  for (int32_t i = 1; i <= nc; ++i) {
    ud1(i) = nr + 1;
    ud2(i) = 0;
  }
  int32_t err = 0;
  for (int32_t j = rs; j <= re; ++j) {
    ROWMSK(imask, imlen, nc, mout, j, err);
    if (err != 0) return;
    for (int32_t i = cs; i <= ce; ++i) {
      if (mout[i - 1] != 1) continue;
      if (i < lr1(j)) lr1(j) = static_cast<float>(i - h) < e ? 1 : i;
      if (i > lr2(j)) lr2(j) = static_cast<float>(nc - h - i + 1) < e ? nc : i;
      if (j < ud1(i)) ud1(i) = static_cast<float>(j - h) < e ? 1 : j;
      if (j > ud2(i)) ud2(i) = static_cast<float>(nr - h - j + 1) < e ? nr : j;
    }
  }

  // 2. Outline, side by side, smoothed as it grows.
  Outline ol(mbuff, maxbuf);
  ol.begin_side(0);
  for (int32_t i = 1; i <= nc; ++i)
    if (ud2(i) >= ud1(i)) ol.append(0, i, ud1(i), h);
  ol.end_side(0);
  if (ol.end(0) - ol.start(0) == 1) return;  // data in one column only: mask unchanged
  ol.begin_side(1);
  for (int32_t j = 1; j <= nr; ++j)
    if (lr2(j) >= lr1(j)) ol.append(1, lr2(j), j, h);
  ol.end_side(1);
  ol.begin_side(2);
  for (int32_t i = nc; i >= 1; --i)
    if (ud2(i) >= ud1(i)) ol.append(2, i, ud2(i), h);
  ol.end_side(2);
  ol.begin_side(3);
  for (int32_t j = nr; j >= 1; --j)
    if (lr2(j) >= lr1(j)) ol.append(3, lr1(j), j, h);
  ol.end_side(3);

  // 3. Widening: between outline points at most h apart the extent follows
  // the chord, bent outward by the window's circle; a gap wider than h cuts
  // the positions in between off entirely.
  //   side 0 bottom: UDIND(1, column), min, gap NR + 1
  //   side 1 right:  LRIND(2, row),    max, gap 0
  //   side 2 top:    UDIND(2, column), max, gap 0
  //   side 3 left:   LRIND(1, row),    min, gap NC + 1
  for (int side = 0; side < 4; ++side) {
    const bool take_min = side == 0 || side == 3;
    auto ext = [&](int32_t at) -> int32_t& {
      switch (side) {
        case 0: return ud1(at);
        case 1: return lr2(at);
        case 2: return ud2(at);
        default: return lr1(at);
      }
    };
    auto combine = [&](int32_t& x, int32_t v) { x = take_min ? std::min(x, v) : std::max(x, v); };
    const int32_t gap_value = side == 0 ? nr + 1 : side == 3 ? nc + 1 : 0;
    // Limit of the chord ends: the inner edge of the near margin.
    const float bound = side == 0 || side == 3 ? hf : static_cast<float>((side == 1 ? nc : nr) - h + 1);
    const int32_t first = ol.start(side), last = ol.end(side) - 1;
    const int32_t step = side < 2 ? 1 : -1;
    for (int32_t k = first; k < last; ++k) {
      const int32_t pk = ol.pos(side, k);
      combine(ext(pk), ol.val(side, k));
      if (ol.ahead(side, k, k + 1) > h) {
        for (int32_t at = pk + step; at != ol.pos(side, k + 1); at += step) ext(at) = gap_value;
        continue;
      }
      for (int32_t p = k + 1; p <= last && ol.ahead(side, k, p) <= h; ++p) {
        const int32_t pp = ol.pos(side, p);
        const float dm = static_cast<float>(pp - pk);
        const float off = std::trunc(std::sqrt(std::max(hf * hf - dm * dm, 0.0f)));
        const float vk = static_cast<float>(ol.val(side, k));
        const float vp = static_cast<float>(ol.val(side, p));
        float ek, ep;
        if (take_min) {
          ek = std::max({bound, vp - off, vk});
          ep = std::max({bound, vk - off, vp});
        } else {
          ek = std::min({bound, vp + off, vk});
          ep = std::min({bound, vk + off, vp});
        }
        const float span = static_cast<float>(pp - pk);
        for (int32_t at = pk;; at += step) {
          combine(ext(at), static_cast<int32_t>(ek + static_cast<float>(at - pk) * (ep - ek) / span));
          if (at == pp) break;
        }
      }
    }
    if (last >= first) ext(ol.pos(side, last)) = ol.val(side, last);
  }

  // 4. Clip: nodes of the scan range outside either extent are not covered.
  for (int32_t j = rs; j <= re; ++j) {
    ROWMSK(imask, imlen, nc, mout, j, err);
    if (err != 0) continue;
    bool changed = false;
    for (int32_t i = cs; i <= ce; ++i) {
      const bool inside = ud1(i) <= j && j <= ud2(i) && lr1(j) <= i && i <= lr2(j);
      if (!inside && mout[i - 1] != 0) {
        mout[i - 1] = 0;
        changed = true;
      }
    }
    if (changed) ROWDA(imask, imlen, nc, mout, 0, j, err);
  }
}

void TEMPLAT(int32_t istart, int32_t jstart, int32_t iflag, float dval, WordFile& imask,
             int32_t imlen, int32_t* m, int32_t ncm, int32_t nrm, WordFile& igrid, float* z,
             int32_t nc, int32_t nr, WordFile& itemp) {
  const int32_t ioff = istart - 1, joff = jstart - 1;
  const int32_t iend = nc + ioff, jend = nr + joff;
  if (nrm < jend || ncm < iend || jstart <= 0 || istart <= 0) return;
  int32_t err = 0;
  for (int32_t j = 1; j <= nr; ++j) {
    ROWDA(imask, imlen, ncm, m, 1, joff + j, err);
    const size_t got = igrid.read_words(z, nc);
    // Deliberate: grid values missing from a short row file are null.
    std::fill(z + std::min(got, static_cast<size_t>(std::max(nc, 0))), z + std::max(nc, 0), dval);
    const int32_t* mrow = m + ioff;
    for (int32_t i = 0; i < nc; ++i)
      if (mrow[i] == iflag) z[i] = dval;
    itemp.write_words(z, nc);
  }
}

int32_t blank_beyond_radius(MincContext& ctx, const EngineVariant& v) {
  const int32_t mxcq = ctx.qparm.MXCQ, mxrq = ctx.qparm.MXRQ;
  const int32_t iwind = ctx.own.IWIND;
  const int32_t imlen = ctx.iorecl.IMLEN;
  WordFile& imask = ctx.iodev.IMASK;
  ctx.own.MAXBUF = (v.work_words - (2 * (mxrq + mxcq) + mxcq)) / 2;

  // The stages' work areas are views of WORK; a layout that would not fit
  // there gets a buffer of its own.
  std::vector<int32_t> spare;
  auto area = [&](int64_t words) -> int32_t* {
    if (words <= kWorkWordsMax) return ctx.array.iwork();
    spare.assign(static_cast<size_t>(words), 0);
    return spare.data();
  };

  int32_t ierr = 0;
  {
    const int32_t iwindw = 2 * half_width(iwind) + 1;
    int32_t* w = area((static_cast<int64_t>(iwindw) + 2) * mxcq);
    int32_t* mbuff = w;
    int32_t* msum = w + static_cast<ptrdiff_t>(iwindw) * mxcq;
    int32_t* mout = msum + mxcq;
    RADREM(ctx.nlparm.NPMIN, imask, imlen, mxcq, iwind, mbuff, msum, mout, ierr);
    if (ierr < 0) return ierr;
    RADMSK(ctx.nlparm.NPMIN, imask, imlen, mxcq, iwind, mbuff, msum, mout, ierr);
    if (ierr < 0) return ierr;
  }
  {
    // Deliberate: the outline list holds 2 (MXCQ + MXRQ) points, every
    // outline there can be, whatever MAXBUF the work area leaves.
    const int32_t outline = 2 * (mxcq + mxrq);
    int32_t* w = area(2 * static_cast<int64_t>(mxrq) + 3 * static_cast<int64_t>(mxcq) +
                      2 * static_cast<int64_t>(outline));
    int32_t* mout = w;
    int32_t* lrind = mout + mxcq;
    int32_t* udind = lrind + 2 * static_cast<ptrdiff_t>(mxrq);
    int32_t* mbuff = udind + 2 * static_cast<ptrdiff_t>(mxcq);
    RADCLP(imask, imlen, mxcq, mxrq, iwind, outline, mout, lrind, udind, mbuff);
  }

  ctx.iodev.IGRID.seek(0);
  if (!create_named(ctx.iodev.ITEMP, ctx.own.FTEMP, kTempName)) return code(MincStatus::FileFailed);
  {
    const int32_t nco = ctx.nlparm.NCO, nro = ctx.nlparm.NRO;
    const int64_t words = static_cast<int64_t>(mxcq) + nco;
    int32_t* m = nullptr;
    float* z = nullptr;
    std::vector<float> zspare;
    if (words <= kWorkWordsMax) {
      m = ctx.array.iwork();
      z = ctx.array.work() + mxcq;
    } else {
      spare.assign(static_cast<size_t>(mxcq), 0);
      zspare.assign(static_cast<size_t>(nco), 0.0f);
      m = spare.data();
      z = zspare.data();
    }
    const int32_t start = ctx.qparm.IHWIND + 1;
    TEMPLAT(start, start, 0, ctx.gparm.DVAL, imask, imlen, m, mxcq, mxrq, ctx.iodev.IGRID, z, nco,
            nro, ctx.iodev.ITEMP);
  }
  if (!imask.close()) return code(MincStatus::FileFailed);
  return 0;
}

}  // namespace minc
