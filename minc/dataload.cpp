#include "minc/dataload.h"

#include <cmath>

#include "minc/status.h"

namespace minc {
namespace {

// One data point in cell units, and its gridded value.
struct Point {
  float x, y, z;
};

// Reads the records of the data file: x, y, then NZ values into ZA.
class PointReader {
 public:
  PointReader(const EngineVariant& v, const MincContext& ctx, WordFile& idata, float* za, int32_t nz)
      : v_(v), g_(ctx.gparm), f_(idata), za_(za), nz_(nz), izchan_(ctx.fmt.IZCHAN) {
    f_.seek(0);
    rotated_ = std::fabs(g_.ROTANG) > 1.0f;
    // The earlier build holds the rotation centre in cell units.
    xorig_c_ = g_.XORIG / g_.SCALE;
    yorig_c_ = g_.YORIG / g_.SCALEY;
  }

  // False at the end of the data. Deliberate: a partial last record (the
  // file length not a whole number of records) is ignored rather than used
  // with stale value words.
  bool next(Point& p) {
    float x = 0.0f;
    float y = 0.0f;
    if (f_.read(&x, 4) != 4) return false;
    if (f_.read(&y, 4) != 4) return false;
    const size_t want = static_cast<size_t>(nz_) * 4u;
    if (f_.read(za_, want) != want) return false;
    if (v_.scale_before_rotation) {
      float cx = x / g_.SCALE;
      float cy = y / g_.SCALEY;
      if (rotated_) {
        const float dx = cx - xorig_c_;
        const float dy = cy - yorig_c_;
        cx = dx * g_.CROT - dy * g_.SROT;
        cy = dx * g_.SROT + dy * g_.CROT;
      }
      p.x = cx;
      p.y = cy;
    } else {
      if (rotated_) {
        const float dx = x - g_.XORIG;
        const float dy = y - g_.YORIG;
        const float xr = dx * g_.CROT - dy * g_.SROT;
        const float yr = dx * g_.SROT + dy * g_.CROT;
        x = xr;
        y = yr;
      }
      p.x = x / g_.SCALE;
      p.y = y / g_.SCALEY;
    }
    p.z = za_[izchan_ - 1];
    return true;
  }

 private:
  const EngineVariant& v_;
  const GPARM& g_;
  WordFile& f_;
  float* za_;
  int32_t nz_;
  int32_t izchan_;
  bool rotated_ = false;
  float xorig_c_ = 0.0f;
  float yorig_c_ = 0.0f;
};

// trunc toward zero, bounded (the arguments are bounded by the range tests).
int32_t trunc_block(float v) {
  if (v >= 1.0e9f) return 1000000000;
  if (v <= -1.0e9f) return -1000000000;
  return static_cast<int32_t>(v);
}

}  // namespace

void RNGDAT(const EngineVariant& v, MincContext& ctx, WordFile& idata, float* za, int32_t nz,
            int32_t iglog, float& xmin, float& xmax, float& ymin, float& ymax) {
  xmin = 1.0e32f;
  ymin = 1.0e32f;
  xmax = -1.0e32f;
  ymax = -1.0e32f;
  if (ctx.fmt.IZCHAN < 1 || ctx.fmt.IZCHAN > nz || nz > kZaSize) return;
  PointReader reader(v, ctx, idata, za, nz);
  const float dval = ctx.gparm.DVAL;
  Point p{};
  while (reader.next(p)) {
    if (p.z == dval || (p.z <= 0.0f && iglog == 2)) continue;
    if (p.x < xmin) xmin = p.x;
    if (p.x > xmax) xmax = p.x;
    if (p.y < ymin) ymin = p.y;
    if (p.y > ymax) ymax = p.y;
  }
}

void SEQDAT(const EngineVariant& v, MincContext& ctx, WordFile& idata, WordFile& lurand,
            float del, float xo, float yo, int32_t npb3, float* za, int32_t nz, int32_t iglog,
            int32_t& ierr) {
  const GPARM& g = ctx.gparm;
  float* work = ctx.array.work();
  int32_t* loca = ctx.contn1.LOCA;
  int32_t* ioff = ctx.contn1.IOFF;
  const int32_t nsec = g.NSEC;
  const int32_t ntier = g.NTIER;
  const int32_t nblk = ntier * nsec;
  // Deliberate: a layout that does not fit the block tables or the work area,
  // or a channel outside ZA, is refused instead of overrunning them (MINC
  // never passes one).
  if (nsec < 1 || ntier < 1 || nblk > kBlockTableSize || npb3 < 3 || npb3 > kXyzSize ||
      static_cast<int64_t>(nblk) * npb3 > v.work_words || g.NC - g.LAPOVR < 1 || g.NR - g.LAPOVR < 1) {
    ierr = code(MincStatus::NoLayout);
    return;
  }
  if (ctx.fmt.IZCHAN < 1 || ctx.fmt.IZCHAN > nz || nz > kZaSize) {
    ierr = code(MincStatus::BadChannel);
    return;
  }
  const int32_t irlen = npb3 + 2;

  // Accepted range and block geometry, in the order of their definitions.
  const float err = 0.01f;
  const float fudg = err * del;
  const float xmin = xo + fudg;
  const float xmax = static_cast<float>(g.MXC - 1) * del + xo - fudg;
  const float ymin = yo + fudg;
  const float ymax = static_cast<float>(g.MXR - 1) * del + yo - fudg;
  const float cl = static_cast<float>(g.NC - g.LAPOVR);
  const float rl = static_cast<float>(g.NR - g.LAPOVR);
  const float dux = 1.0f / cl;
  const float duy = 1.0f / rl;
  const float fx = (static_cast<float>(g.LAPOVR) - 0.1f) * dux;
  const float fy = (static_cast<float>(g.LAPOVR) - 0.1f) * duy;
  const float err2 = err * 0.5f + 1.0f;
  const float xlmt = 1.0f - dux * err2;
  const float ylmt = 1.0f - duy * err2;
  const float rdel = 1.0f / del;
  const float x2 = 1.0f - rdel * xo;
  const float y2 = 1.0f - rdel * yo;
  const float dval = g.DVAL;

  for (int32_t b = 0; b < nblk; ++b) {
    loca[b] = 1;
    ioff[b] = b + 1;
  }
  int32_t next = nblk + 1;
  int32_t ic = 0;
  const int32_t fill = nblk * npb3;
  for (int32_t k = 0; k < fill; ++k) work[k] = dval;

  // Store (X, Y, Z) in block b (1-based); a full buffer goes out as one record.
  auto store = [&](int32_t b, float x, float y, float z) {
    float* buf = work + static_cast<ptrdiff_t>(b - 1) * npb3;
    int32_t& l = loca[b - 1];
    buf[l - 1] = x;
    buf[l] = y;
    buf[l + 1] = z;
    l += 3;
    if (l >= npb3) {
      WRBLK2(lurand, irlen, ioff[b - 1], next, (l - 1) / 3, npb3, buf);
      ioff[b - 1] = next;
      next = next + 1;
      l = 1;
    }
  };

  PointReader reader(v, ctx, idata, za, nz);
  Point p{};
  while (reader.next(p)) {
    float x = p.x;
    float y = p.y;
    float z = p.z;
    // Deliberate: written as "inside" tests so that a NaN coordinate is
    // rejected; for numbers they are the range tests as stated.
    const bool in_range = y <= ymax && y >= ymin && x >= xmin && x <= xmax;
    if (v.scale_before_rotation) {
      if (!in_range || z == dval) continue;
    } else {
      if (z == dval || !in_range) continue;
    }
    if (iglog == 2) {
      if (z <= 0.0f) continue;
      z = std::log(z);
    }
    ic = ic + 1;
    x = rdel * x + x2;
    y = rdel * y + y2;
    const float bx = dux * x;
    const float by = duy * y;
    int32_t ibx = trunc_block(xlmt + bx);
    int32_t iby = trunc_block(ylmt + by);
    float tstx = bx - static_cast<float>(ibx - 1);
    float tsty = by - static_cast<float>(iby - 1);
    if (ibx > nsec) {
      ibx = nsec;
      tstx = 1.0f;
    }
    if (iby > ntier) {
      iby = ntier;
      tsty = 1.0f;
    }
    // Deliberate: a block index below 1 (single-precision rounding at the
    // lower bound) is taken as the first block, never outside the tables.
    if (ibx < 1) ibx = 1;
    if (iby < 1) iby = 1;
    const int32_t ibset = (iby - 1) * nsec + ibx;
    store(ibset, x, y, z);
    if (iby > 1 && tsty <= fy) store(ibset - nsec, x, y, z);
    if (ibx > 1 && iby > 1 && tsty <= fy && tstx <= fx) store(ibset - nsec - 1, x, y, z);
    if (ibx > 1 && tstx <= fx) store(ibset - 1, x, y, z);
  }
  ctx.fmt.MAXREC = next - 1;
  for (int32_t b = 1; b <= nblk; ++b) {
    WRBLK2(lurand, irlen, ioff[b - 1], 0, (loca[b - 1] - 1) / 3, npb3,
           work + static_cast<ptrdiff_t>(b - 1) * npb3);
  }
  if (ic < 1) ierr = code(MincStatus::NoDataInGrid);
}

}  // namespace minc
