// Test helper: a Mesh built in memory from its origin and widths, with the
// boundaries and centres computed as the loaders do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/mesh.h"

namespace suite_test {

inline suite::Mesh make_mesh(float xo, const std::vector<float>& xw, float yo, const std::vector<float>& yw,
                             float zo, const std::vector<float>& zw) {
  suite::Mesh m;
  m.MX = static_cast<int32_t>(xw.size());
  m.MY = static_cast<int32_t>(yw.size());
  m.MZ = static_cast<int32_t>(zw.size());
  m.XOR = xo;
  m.YOR = yo;
  m.ZOR = zo;
  m.XMESH = suite::RealArray(m.MX);
  m.YMESH = suite::RealArray(m.MY);
  m.ZMESH = suite::RealArray(m.MZ);
  for (int32_t i = 1; i <= m.MX; ++i) m.XMESH(i) = xw[static_cast<size_t>(i - 1)];
  for (int32_t j = 1; j <= m.MY; ++j) m.YMESH(j) = yw[static_cast<size_t>(j - 1)];
  for (int32_t k = 1; k <= m.MZ; ++k) m.ZMESH(k) = zw[static_cast<size_t>(k - 1)];
  m.XNODE = suite::RealArray(m.MX + 1);
  m.YNODE = suite::RealArray(m.MY + 1);
  m.ZNODE = suite::RealArray(m.MZ + 1);
  m.XMIDPT = suite::RealArray(m.MX);
  m.YMIDPT = suite::RealArray(m.MY);
  m.ZMIDPT = suite::RealArray(m.MZ);
  suite::compute_boundaries(m);
  suite::compute_centres(m);
  return m;
}

}  // namespace suite_test
