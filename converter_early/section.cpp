// torrin's mesh range, section location, data extraction and grid geometry.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

#include "common/freeformat.h"
#include "common/stop.h"
#include "converter_early/torrin.h"

namespace torrin {

using suite::AxisRange;
using suite::Mesh;
using suite::Model;

Order section_order(const suite::Answer& mshord) {
  const char c = mshord.first();
  if (c == 'x' || c == 'X') return Order::kX;
  if (c == 'y' || c == 'Y') return Order::kY;
  return Order::kZ;
}

void derive_mesh(Mesh& m) {
  suite::compute_accumulated_centres(m);
  // Deliberate: the skip counts are bounded so that MX-IXSKIP, MY-IYSKIP and
  // MZ-IZSKIP stay valid indices even when the widths never stop shrinking.
  m.IXSKIP = std::clamp(suite::first_non_decreasing(m.XMESH.span()), 1, std::max(1, m.MX - 1));
  m.IYSKIP = std::clamp(suite::first_non_decreasing(m.YMESH.span()), 1, std::max(1, m.MY - 1));
  m.IZSKIP =
      std::clamp(suite::first_non_increasing_from_bottom(m.ZMESH.span()), 1, std::max(1, m.MZ - 1));
}

AxisRange x_range(const Mesh& m) { return {m.XNODE(m.IXSKIP + 1), m.XNODE(m.MX - m.IXSKIP)}; }
AxisRange y_range(const Mesh& m) { return {m.YNODE(m.IYSKIP + 1), m.YNODE(m.MY - m.IYSKIP)}; }
AxisRange z_range(const Mesh& m) { return {m.ZNODE(m.MZ - m.IZSKIP), m.ZNODE(1)}; }

void print_mesh_summary(suite::Console& con, const Mesh& m) {
  const AxisRange x = x_range(m), y = y_range(m), z = z_range(m);
  con.FREEWR({" limits of mesh"});
  con.FREEWR({" x mesh range : ", x.low, x.high});
  con.FREEWR({" y mesh range : ", y.low, y.high});
  con.FREEWR({" z mesh range : ", z.high, z.low});
  con.FREEWR({});
  con.FREEWR({" x cell size : ", m.XMESH(m.IXSKIP + 1)});
  con.FREEWR({" y cell size : ", m.YMESH(m.IYSKIP + 1)});
  con.FREEWR({" z cell size : ", m.ZMESH(1)});
  con.FREEWR({});
}

int32_t locate_section(const Mesh& m, Order order, float xout) {
  switch (order) {
    case Order::kX: {
      const AxisRange r = x_range(m);
      if (!(r.low <= xout && xout <= r.high)) return 0;
      // Bounded at the last column: widths of zero or below may leave the
      // boundaries out of order.
      for (int32_t i = m.IXSKIP + 1; i <= m.MX; ++i)
        if (xout <= m.XNODE(i + 1)) return i;
      return 0;
    }
    case Order::kY: {
      const AxisRange r = y_range(m);
      if (!(r.low <= xout && xout <= r.high)) return 0;
      for (int32_t j = m.IYSKIP + 1; j <= m.MY; ++j)
        if (xout <= m.YNODE(j + 1)) return j;
      return 0;
    }
    case Order::kZ: {
      const AxisRange r = z_range(m);
      if (!(r.low <= xout && xout <= r.high)) return 0;
      for (int32_t k = 1; k <= m.MZ; ++k)
        if (xout >= m.ZNODE(k + 1)) return k;
      return 0;
    }
  }
  return 0;
}

namespace {

// Deliberate: float to int32 truncation saturates (NaN gives 0) instead of
// being undefined for values beyond the 32-bit range.
int32_t trunc_i32(float v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0f) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// Raw little-endian float32 stream of the section data file.
class DataFile {
 public:
  explicit DataFile(const std::string& path) : path_(path), f_(std::fopen(path.c_str(), "wb")) {
    if (!f_) throw suite::RunFailure(suite::kCannotCreate, suite::kUnitFile, path_);
    buf_.reserve(kChunk);
  }
  ~DataFile() {
    if (f_) std::fclose(f_);
  }
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  void put(float v) {
    const uint32_t w = std::bit_cast<uint32_t>(v);
    buf_.push_back(static_cast<unsigned char>(w));
    buf_.push_back(static_cast<unsigned char>(w >> 8));
    buf_.push_back(static_cast<unsigned char>(w >> 16));
    buf_.push_back(static_cast<unsigned char>(w >> 24));
    if (buf_.size() >= kChunk) flush();
  }
  void close() {
    flush();
    std::FILE* f = f_;
    f_ = nullptr;
    if (std::fclose(f) != 0) throw suite::RunFailure(suite::kWriteFailed, suite::kUnitFile, path_);
  }

 private:
  static constexpr size_t kChunk = 1 << 16;
  void flush() {
    if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), f_) != buf_.size())
      throw suite::RunFailure(suite::kWriteFailed, suite::kUnitFile, path_);
    buf_.clear();
  }
  std::string path_;
  std::FILE* f_;
  std::vector<unsigned char> buf_;
};

}  // namespace

int32_t extract_section(const Mesh& m, const Model& sus, Order order, int32_t cell,
                        const std::string& path) {
  DataFile out(path);
  int32_t ndat = 0;
  auto point = [&](float u, float v, float value) {
    // torrin's data test, for every model: a value over 0.0.
    if (value > 0.0f) {
      out.put(u);
      out.put(v);
      out.put(value);
      ++ndat;
    }
  };
  const int32_t ilo = m.IXSKIP + 1, ihi = m.MX - m.IXSKIP;
  const int32_t jlo = m.IYSKIP + 1, jhi = m.MY - m.IYSKIP;
  const int32_t khi = m.MZ - m.IZSKIP;
  switch (order) {
    case Order::kX:
      for (int32_t j = jlo; j <= jhi; ++j)
        for (int32_t k = 1; k <= khi; ++k) point(m.YMIDPT(j), m.ZMIDPT(k), sus(cell, j, k));
      break;
    case Order::kY:
      for (int32_t i = ilo; i <= ihi; ++i)
        for (int32_t k = 1; k <= khi; ++k) point(m.XMIDPT(i), m.ZMIDPT(k), sus(i, cell, k));
      break;
    case Order::kZ:
      for (int32_t i = ilo; i <= ihi; ++i)
        for (int32_t j = jlo; j <= jhi; ++j) point(m.XMIDPT(i), m.YMIDPT(j), sus(i, j, cell));
      break;
  }
  out.close();
  return ndat;
}

float floor_step(float a, float s) {
  float t = std::trunc(a / s) * s;
  if (t > a) t = t - s;
  return t;
}

float ceil_step(float a, float s) {
  float t = std::trunc(a / s) * s;
  if (t < a) t = t + s;
  return t;
}

int32_t node_count(float first, float last, float s) {
  int32_t n = trunc_i32((last - first) / s + 1.0f);
  if (n < std::numeric_limits<int32_t>::max() && static_cast<float>(n - 1) * s + first < last) n = n + 1;
  return n;
}

SectionGrid section_grid(const Mesh& m, Order order, float gcell) {
  SectionGrid g;
  const float c = gcell, r = gcell;
  switch (order) {
    case Order::kX:
      g.YMIN = floor_step(m.YNODE(m.IYSKIP + 1), c);
      g.YMAX = ceil_step(m.YNODE(m.MY - m.IYSKIP), c);
      g.ZMIN = floor_step(m.ZNODE(m.MZ - m.IZSKIP), r);
      g.ZMAX = ceil_step(m.ZOR, r);
      g.RADIUS = 5.0f * std::max(m.YMESH(m.IYSKIP), m.ZMESH(1));
      break;
    case Order::kY:
      g.YMIN = floor_step(m.XNODE(m.IXSKIP + 1), c);
      g.YMAX = ceil_step(m.XNODE(m.MX - m.IXSKIP), c);
      g.ZMIN = floor_step(m.ZNODE(m.MZ - m.IZSKIP), r);
      g.ZMAX = ceil_step(m.ZOR, r);
      g.RADIUS = 5.0f * std::max(m.XMESH(m.IXSKIP), m.ZMESH(1));
      break;
    case Order::kZ:
      g.YMIN = floor_step(m.XNODE(m.IXSKIP + 1), c);
      g.YMAX = ceil_step(m.XNODE(m.MX - m.IXSKIP), c);
      g.ZMIN = floor_step(m.YNODE(m.IYSKIP + 1), r);
      g.ZMAX = ceil_step(m.YNODE(m.MY - m.IYSKIP), r);
      g.RADIUS = 5.0f * std::max(m.XMESH(m.IXSKIP), m.YMESH(m.IYSKIP));
      break;
  }
  g.NCOL = node_count(g.YMIN, g.YMAX, c);
  g.NROW = node_count(g.ZMIN, g.ZMAX, r);
  return g;
}

std::string grid_name(const suite::Answer& filout, float xout) {
  const std::string field = suite::field_I(trunc_i32(xout), 10);
  const size_t first = field.find_first_not_of(' ');
  std::string name = filout.trimmed();
  name.append("_");
  if (first == std::string::npos)
    name.append("0");
  else
    name.append(field, first, std::string::npos);
  name.append(".grd");
  name.push_back('\0');
  if (name.size() < static_cast<size_t>(suite::Answer::kLength))
    name.resize(static_cast<size_t>(suite::Answer::kLength), ' ');
  return name;
}

}  // namespace torrin
