#include "gridout/geoout.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "gridout/grid_header.h"

namespace gridout {
namespace {

constexpr float kE = 2.7182817f;
constexpr float kMinStart = 1.0e7f;
constexpr float kMaxStart = -1.0e7f;

}  // namespace

std::string geoout_name(const minc::EngineVariant& v, const char* buf, int32_t len) {
  constexpr size_t kMaxName = 511;  // the 512-byte name buffer keeps room for the NUL
  const size_t n = (buf != nullptr && len > 0) ? static_cast<size_t>(len) : 0;
  const void* nul = n > 0 ? std::memchr(buf, '\0', n) : nullptr;
  std::string name;
  if (nul != nullptr && static_cast<const char*>(nul) > buf) {
    name.assign(buf, static_cast<const char*>(nul));
  } else if (!v.nul_only_names) {
    size_t end = n;
    while (end > 0 && buf[end - 1] == ' ') --end;
    // Deliberate: a buffer that starts with a NUL names no file; it takes
    // the default name like a blank one.
    if (end >= 2 && nul == nullptr) name.assign(buf, end);
  }
  if (name.empty()) name = "outfile.grd";
  if (name.size() > kMaxName) name.resize(kMaxName);
  return name;
}

template <const minc::EngineVariant& V>
bool GEOOUT(WordFile* igrid, const char* outfil, int32_t len, float* z, int32_t nc, int32_t nr,
            const float* g, float xo, float yo, float delx, float dely, int32_t iglog,
            int32_t nohead, float dval, float& datmin, float& datmax) {
  const std::string name = geoout_name(V, outfil, len);
  if (nc < 0) nc = 0;
  if (nr < 0) nr = 0;
  std::vector<float> own_row;
  if (z == nullptr) {
    own_row.resize(static_cast<size_t>(nc));
    z = own_row.data();
  }
  const bool from_file = igrid != nullptr && igrid->is_open();
  bool ok = true;

  // The earlier build: one spacing, NOHEAD = 0 writes the header, any other
  // value none; rows always reversed.
  bool header = true;
  bool reversed = nohead != 1;
  if constexpr (V.geoout_nohead_header) {
    header = nohead == 0;
    reversed = true;
    dely = delx;
  }
  const int32_t row_order = reversed ? -2 : 1;
  const int64_t data_start = header ? kHeaderSize : 0;

  WordFile out;
  if (!out.create(name)) return false;
  if (header) {
    const GridHeader h = grid_header(nc, nr, row_order, xo, yo, delx, dely, kNull, kNull);
    ok = out.write(h.data(), h.size()) && ok;
  }
  if (from_file) igrid->seek(0);
  float vmin = kMinStart;
  float vmax = kMaxStart;
  const size_t row_bytes = static_cast<size_t>(nc) * 4u;
  for (int32_t k = 1; k <= nr; ++k) {
    if (from_file) {
      const size_t got = igrid->read(z, row_bytes);
      if (got != row_bytes) {
        // Deliberate: a short row file is a failure; the missing nodes are nulls.
        ok = false;
        for (size_t i = got / 4u; i < static_cast<size_t>(nc); ++i) z[i] = dval;
      }
    } else if (g != nullptr) {
      std::memcpy(z, g + static_cast<ptrdiff_t>(k - 1) * nc, row_bytes);
    } else {
      for (int32_t i = 0; i < nc; ++i) z[i] = dval;
    }
    for (int32_t i = 0; i < nc; ++i) {
      float v = z[i];
      if (v == dval) {
        z[i] = kNull;
        continue;
      }
      if (iglog == 2) {
        v = std::pow(kE, v);
        z[i] = v;
      }
      if (v < vmin) vmin = v;
      if (v > vmax) vmax = v;
    }
    const int64_t row_pos = reversed ? (nr - k) : (k - 1);
    out.seek(data_start + row_pos * static_cast<int64_t>(row_bytes));
    ok = out.write(z, row_bytes) && ok;
  }
  if (header) {
    out.seek(kOffMin);
    ok = out.write_word(vmin) && ok;
    ok = out.write_word(vmax) && ok;
  }
  datmin = vmin;
  datmax = vmax;
  ok = out.close() && ok;
  return ok && !out.failed();
}

template bool GEOOUT<minc::kKelvaneEngine>(WordFile*, const char*, int32_t, float*, int32_t, int32_t,
                                           const float*, float, float, float, float, int32_t,
                                           int32_t, float, float&, float&);
template bool GEOOUT<minc::kTorrinEngine>(WordFile*, const char*, int32_t, float*, int32_t, int32_t,
                                          const float*, float, float, float, float, int32_t, int32_t,
                                          float, float&, float&);

bool write_grid(const std::string& name, const float* g, int32_t nc, int32_t nr, float xo,
                float yo, float delx, float dely, float& datmin, float& datmax) {
  return GEOOUT<minc::kKelvaneEngine>(nullptr, name.data(), static_cast<int32_t>(name.size()),
                                      nullptr, nc, nr, g, xo, yo, delx, dely, 1, 1, kNull, datmin,
                                      datmax);
}

}  // namespace gridout
