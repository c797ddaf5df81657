#include <algorithm>

#include "common/console.h"
#include "drillhole/augerine.h"

namespace augerine {

CoreStarts core_starts(const suite::Mesh& m) {
  CoreStarts c;
  // Deliberate: the searches stop inside the arrays and the results are held
  // where every summary index stays valid (0 for a single column, row or
  // layer), so tiny meshes or monotonic widths cannot read past the ends.
  c.IX0 = std::clamp(suite::first_non_decreasing(m.XMESH.span()), 0, std::max(m.MX - 1, 0));
  c.IY0 = std::clamp(suite::first_non_decreasing(m.YMESH.span()), 0, std::max(m.MY - 1, 0));
  c.IZ0 = std::clamp(suite::first_non_increasing_from_bottom(m.ZMESH.span()), 0, std::max(m.MZ - 1, 0));
  return c;
}

void print_mesh_summary(suite::Console& con, const suite::Mesh& m) {
  const CoreStarts c = core_starts(m);
  con.FREEWR({" limits of mesh"});
  con.FREEWR({" x mesh range : ", m.XNODE(c.IX0 + 1), m.XNODE(m.MX - c.IX0)});
  con.FREEWR({" y mesh range : ", m.YNODE(c.IY0 + 1), m.YNODE(m.MY - c.IY0)});
  con.FREEWR({" z mesh range : ", m.ZNODE(1), m.ZNODE(m.MZ - c.IZ0)});
  con.FREEWR({});
  con.FREEWR({" x cell size : ", m.XMESH(c.IX0 + 1)});
  con.FREEWR({" y cell size : ", m.YMESH(c.IY0 + 1)});
  con.FREEWR({" z cell size : ", m.ZMESH(1)});
  con.FREEWR({});
}

Outside outside_test(const suite::Mesh& m, float x, float y, float z) {
  if (x <= m.XNODE(1) || x >= m.XNODE(m.MX + 1)) return Outside::kX;
  if (y <= m.YNODE(1) || y >= m.YNODE(m.MY + 1)) return Outside::kY;
  if (z >= m.ZNODE(1) || z <= m.ZNODE(m.MZ + 1)) return Outside::kZ;
  return Outside::kInside;
}

Cell find_cell(const suite::Mesh& m, float x, float y, float z) {
  // Deliberate: each search stops at the last cell, so boundaries that do not
  // rise (zero or negative widths) cannot take it past the array.
  Cell c{m.MX, m.MY, m.MZ};
  for (int32_t i = 1; i <= m.MX; ++i) {
    if (x <= m.XNODE(i + 1)) {
      c.i = i;
      break;
    }
  }
  for (int32_t j = 1; j <= m.MY; ++j) {
    if (y <= m.YNODE(j + 1)) {
      c.j = j;
      break;
    }
  }
  for (int32_t k = 1; k <= m.MZ; ++k) {
    if (z >= m.ZNODE(k + 1)) {
      c.k = k;
      break;
    }
  }
  return c;
}

}  // namespace augerine
