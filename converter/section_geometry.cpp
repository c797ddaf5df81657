#include "converter/section_geometry.h"

#include <cmath>
#include <limits>

namespace kelvane {

int32_t locate_cell(std::span<const float> b, float p, int32_t s) {
  const auto n = static_cast<int32_t>(b.size()) - 1;  // number of cells
  for (int32_t m = s < 1 ? 1 : s; m <= n; ++m) {
    if (p <= b[static_cast<size_t>(m)]) return m;  // b[m] is B(m+1)
  }
  return 0;
}

int32_t locate_layer(std::span<const float> znode, float v) {
  const auto n = static_cast<int32_t>(znode.size()) - 1;
  for (int32_t k = 1; k <= n; ++k) {
    if (v >= znode[static_cast<size_t>(k)]) return k;  // znode[k] is ZNODE(k+1)
  }
  return 0;
}

float grid_floor(float a, float s) {
  float t = std::trunc(a / s) * s;
  if (t > a) t = t - s;
  return t;
}

float grid_ceil(float a, float s) {
  float t = std::trunc(a / s) * s;
  if (t < a) t = t + s;
  return t;
}

namespace {

int32_t saturate(float v) {
  if (!(v > -2147483648.0f)) return std::numeric_limits<int32_t>::min();
  if (v >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);  // truncates toward zero
}

}  // namespace

int32_t grid_count(float origin, float end, float s) {
  int32_t n = saturate((end - origin) / s + 1.0f);
  if (n == std::numeric_limits<int32_t>::min() || n == std::numeric_limits<int32_t>::max()) return n;
  if (static_cast<float>(n - 1) * s + origin < end) n = n + 1;
  return n;
}

std::string position_tag(float xout) {
  // The integer part of any float fits a double exactly; of int64 when
  // |xout| < 2^63, beyond which the text is the rounded magnitude.
  const double t = std::trunc(static_cast<double>(xout));
  if (std::fabs(t) < 9.0e18) return std::to_string(static_cast<int64_t>(t));
  return std::to_string(t);
}

std::string name_buffer(std::string_view name) {
  std::string buf(name);
  buf.push_back('\0');
  if (buf.size() < 80) buf.resize(80, ' ');
  return buf;
}

std::string_view trim_right(std::string_view text) {
  const size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  const size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

}  // namespace kelvane
