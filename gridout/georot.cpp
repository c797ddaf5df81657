#include "gridout/georot.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "gridout/grid_header.h"
#include "gridout/wordfile.h"

namespace gridout {
namespace {

constexpr float kGridNull = -1.0e32f;   // bit pattern 0xF49DC5AE
constexpr float kNullTest = -1.0e30f;   // values above this count as present
constexpr float kPi = 3.1415926f;       // single precision: 3.1415925
constexpr int32_t kNameBuf = 512;       // the writer's name buffer

// Row cache budget: 16 M values (64 MB). Rows wider than kMaxCachedRow are
// fetched value by value instead.
constexpr int64_t kCacheWords = 16 * 1024 * 1024;
constexpr int64_t kMaxCachedRow = 4 * 1024 * 1024;

constexpr size_t kHeaderBytes = kGridHeaderBytes;

// The input name is handed over NUL-terminated. Deliberate: the search for
// the NUL is bounded by the buffer length (or 4096 bytes when no length is
// given); without a NUL the buffer less trailing blanks is the name.
std::string input_name(const char* buf, int32_t len) {
  if (buf == nullptr) return {};
  const size_t n = len > 0 ? static_cast<size_t>(len) : 4096u;
  const void* nul = std::memchr(buf, '\0', n);
  size_t end = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - buf) : n;
  if (nul == nullptr) {
    while (end > 0 && buf[end - 1] == ' ') --end;
  }
  return std::string(buf, end);
}

// The grid writer's name rule: the characters before a NUL at position 2 or
// later; else (kelvane only) the buffer less trailing blanks when that
// leaves 2 characters and holds no NUL; else "outfile.grd".
std::string output_name(const minc::EngineVariant& v, const char* buf, int32_t len) {
  const int32_t n = buf == nullptr ? 0 : std::min(std::max(len, 0), kNameBuf - 1);
  const void* nul = n > 0 ? std::memchr(buf, '\0', static_cast<size_t>(n)) : nullptr;
  if (nul != nullptr && static_cast<const char*>(nul) > buf)
    return std::string(buf, static_cast<const char*>(nul));
  if (!v.nul_only_names && nul == nullptr) {
    int32_t end = n;
    while (end > 0 && buf[end - 1] == ' ') --end;
    if (end >= 2) return std::string(buf, static_cast<size_t>(end));
  }
  return "outfile.grd";
}

// The input grid, value by value: rows come through a direct-mapped cache of
// whole rows (one seek and one read per row fetched), so every value costs a
// lookup, and at most kCacheWords values are held.
class InputGrid {
 public:
  InputGrid(WordFile& f, int64_t base, int32_t nci, int32_t nri, bool reversed)
      : f_(f), base_(base), nci_(nci), nri_(nri), reversed_(reversed) {
    if (nci_ <= kMaxCachedRow) {
      const int64_t fit = std::max<int64_t>(2, kCacheWords / nci_);
      slots_ = static_cast<int32_t>(std::min<int64_t>(nri_, fit));
      cache_.resize(static_cast<size_t>(slots_) * static_cast<size_t>(nci_));
      tag_.assign(static_cast<size_t>(slots_), -1);
    }
  }

  // 0 <= ix < NCI, 0 <= iy < NRI.
  float at(int32_t ix, int32_t iy) {
    if (slots_ > 0) return row(iy)[ix];
    float v = kGridNull;
    f_.seek(offset(iy) + 4 * static_cast<int64_t>(ix));
    if (f_.read(&v, 4) != 4) v = kGridNull;
    return v;
  }

 private:
  int64_t offset(int32_t iy) const {
    const int64_t pos = reversed_ ? nri_ - 1 - iy : iy;
    return base_ + 4 * static_cast<int64_t>(nci_) * pos;
  }

  const float* row(int32_t iy) {
    const size_t slot = static_cast<size_t>(iy % slots_);
    float* r = cache_.data() + slot * static_cast<size_t>(nci_);
    if (tag_[slot] != iy) {
      f_.seek(offset(iy));
      const size_t got = f_.read(r, 4 * static_cast<size_t>(nci_)) / 4;
      // Deliberate: values beyond the end of a short input file read as null.
      std::fill(r + got, r + nci_, kGridNull);
      tag_[slot] = iy;
    }
    return r;
  }

  WordFile& f_;
  int64_t base_;
  int32_t nci_, nri_;
  bool reversed_;
  int32_t slots_ = 0;
  std::vector<float> cache_;
  std::vector<int32_t> tag_;
};

// Input node coordinates of an output point (X, Y): rotate about the centre,
// scale, shift into the input frame, then count input spacings from (XI, YI).
struct Mapped {
  float gx, gy;
};
inline Mapped georot_map(const GeorotArgs& a, float s, float c, float x, float y) {
  const float dx = x - a.xornew;
  const float dy = y - a.yornew;
  const float xp = (dx * c - dy * s) / a.xscale + a.xorold;
  const float yp = (dx * s + dy * c) / a.yscale + a.yorold;
  return {(xp - a.xi) / a.delxi, (yp - a.yi) / a.delyi};
}

// True when trunc(g) lies in 0..n-1 (n >= 1); NaN is outside.
inline bool inside(float g, int32_t n) {
  return g > -1.0f && static_cast<double>(g) < static_cast<double>(n);
}

}  // namespace

bool GEOROT(const minc::EngineVariant& v, const GeorotArgs& a) {
  const float rad = a.rotang * kPi / 180.0f;
  const float s = std::sin(rad);
  const float c = std::cos(rad);
  constexpr auto kHeader = static_cast<int64_t>(kHeaderBytes);

  WordFile in;
  if (!in.open(input_name(a.infile, a.infile_len), WordFile::Mode::Read)) return false;
  // Earlier build: rows always stored reversed, a header only when NOHEAD = 0.
  bool reversed = true;
  int64_t in_base = kHeader;
  if (v.geoout_nohead_header) {
    in_base = a.nohead != 0 ? 0 : kHeader;
  } else {
    int32_t k = 0;
    in.seek(static_cast<int64_t>(kOffRowOrder));
    if (in.read(&k, 4) != 4) return false;
    reversed = k != 1;
  }

  WordFile out;
  if (!out.create(output_name(v, a.outfil, a.outfil_len))) return false;
  int64_t out_base = kHeader;
  bool out_reversed = false;
  if (v.geoout_nohead_header) {
    out_base = a.nohead == 0 ? kHeader : 0;
    if (a.nohead == 0) {
      const GridHeader h = grid_header(a.nco, a.nro, -2, a.xo, a.yo, a.delxo, a.delyo, a.datmin, a.datmax);
      out.write(h.data(), h.size());
    }
  } else {
    out_reversed = a.nohead != 1;
    const GridHeader h =
        grid_header(a.nco, a.nro, a.nohead == 1 ? 1 : -2, a.xo, a.yo, a.delxo, a.delyo, a.datmin, a.datmax);
    out.write(h.data(), h.size());
  }

  const int32_t nco = std::max(a.nco, 0);
  const int32_t nro = std::max(a.nro, 0);
  std::vector<float> zout(static_cast<size_t>(nco));
  const bool have_input = a.nci >= 1 && a.nri >= 1;
  InputGrid grid(in, in_base, have_input ? a.nci : 1, have_input ? a.nri : 1, reversed);
  const int64_t row_bytes = 4 * static_cast<int64_t>(nco);

  for (int32_t j = 1; j <= nro; ++j) {
    // The earlier build computes its rows from the top down, half a spacing up.
    const float y = v.georot_nearest
                        ? (static_cast<float>(a.nro - j) + 0.5f) * a.delyo + a.yo
                        : static_cast<float>(j - 1) * a.delyo + a.yo;
    for (int32_t i = 1; i <= nco; ++i) {
      const float x = static_cast<float>(i - 1) * a.delxo + a.xo;
      const Mapped m = georot_map(a, s, c, x, y);
      float z = kGridNull;
      if (have_input && inside(m.gx, a.nci) && inside(m.gy, a.nri)) {
        const auto ix = static_cast<int32_t>(m.gx);
        const auto iy = static_cast<int32_t>(m.gy);
        z = grid.at(ix, iy);
        if (!v.georot_nearest && ix < a.nci - 1 && iy < a.nri - 1) {
          const float z10 = grid.at(ix + 1, iy);
          const float z01 = grid.at(ix, iy + 1);
          const float z11 = grid.at(ix + 1, iy + 1);
          if (z > kNullTest && z10 > kNullTest && z01 > kNullTest && z11 > kNullTest) {
            // Bilinear interpolation in the cell; a negative fraction (just
            // before the first column or row) extrapolates from the first cell.
            const float fx = m.gx - static_cast<float>(ix);
            const float fy = m.gy - static_cast<float>(iy);
            z = (1.0f - fy) * ((1.0f - fx) * z + fx * z10) + fy * ((1.0f - fx) * z01 + fx * z11);
          }
        }
      }
      zout[static_cast<size_t>(i - 1)] = z;
    }
    const int64_t pos = out_reversed ? nro - j : j - 1;
    out.seek(out_base + row_bytes * pos);
    out.write_words(zout.data(), nco);
  }
  in.close();
  return out.close() && !out.failed();
}

}  // namespace gridout
