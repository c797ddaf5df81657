#include "converter/traverse.h"

#include <algorithm>
#include <cmath>

#include "converter/section_data.h"
#include "converter/section_geometry.h"
#include "converter/section_run.h"

namespace kelvane {

TraverseDirection traverse_direction(float azimuth) {
  const float a = azimuth * kTraversePi / 180.0f;
  TraverseDirection d{std::sin(a), std::cos(a)};
  if (d.S < 0.0f) {
    d.S = -d.S;
    d.C = -d.C;
  }
  return d;
}

Station traverse_start(const suite::Mesh& m, float xt, float yt, TraverseDirection dir) {
  const float S = dir.S;
  const float C = dir.C;
  const float x_first = m.XMIDPT(m.IXSKIP + 1);
  const float y_first = m.YMIDPT(m.IYSKIP + 1);
  const float y_last = m.YMIDPT(m.MY - m.IYSKIP);
  if (std::fabs(S) < 0.01f) return {xt, C < 0.0f ? y_last : y_first};
  if (std::fabs(C) < 0.01f) return {x_first, yt};
  const float y0 = (x_first - xt) * C / S + yt;
  if (y0 < y_first) return {(y_first - yt) * S / C + xt, y_first};
  if (y0 > y_last) return {(y_last - yt) * S / C + xt, y_last};
  return {x_first, y0};
}

int32_t station_column(const suite::Mesh& m, float x) {
  const int32_t i = locate_cell(m.XNODE.span(), x, m.IXSKIP + 1);
  return i == 0 ? m.MX : i;  // Deliberate: east of the mesh, the last column
}

int32_t station_row(const suite::Mesh& m, float y) {
  const int32_t j = locate_cell(m.YNODE.span(), y, m.IYSKIP + 1);
  return j == 0 ? m.MY : j;  // Deliberate: north of the mesh, the last row
}

float traverse_sample(const suite::Mesh& m, const suite::Model& sus, bool ismag, int32_t i,
                      int32_t j, int32_t k, float x, float y) {
  float fx = (x - m.XMIDPT(i)) / m.XMESH(i);
  float fy = (y - m.YMIDPT(j)) / m.YMESH(j);
  if (std::fabs(fx) < 0.01f && std::fabs(fy) < 0.01f) return sus(i, j, k);
  // Deliberate: each fraction picks its own side, so fx < 0 with fy = 0 (or
  // fx = 0 with fy < 0) interpolates from the neighbour it lies towards.
  int32_t p = i;
  int32_t q = j;
  if (fx < 0.0f) {
    p = i - 1;
    fx = fx + 1.0f;
  }
  if (fy < 0.0f) {
    q = j - 1;
    fy = fy + 1.0f;
  }
  // Deliberate: the four cells must lie in the mesh.
  if (p < 1 || q < 1 || p + 1 > m.MX || q + 1 > m.MY) return sus(i, j, k);
  const float s00 = sus(p, q, k);
  const float s10 = sus(p + 1, q, k);
  const float s01 = sus(p, q + 1, k);
  const float s11 = sus(p + 1, q + 1, k);
  if (!(is_data(s00, ismag) && is_data(s10, ismag) && is_data(s01, ismag) && is_data(s11, ismag))) {
    return sus(i, j, k);
  }
  return (1.0f - fy) * ((1.0f - fx) * s00 + fx * s10) + fy * ((1.0f - fx) * s01 + fx * s11);
}

namespace {

constexpr int32_t kUnitStations = 13;

std::string station_line(float d, float depth, float x, float y) {
  std::string line;
  suite::put_F(line, d, 10, 1);
  suite::put_F(line, depth, 10, 1);
  suite::put_F(line, x, 10, 1);
  suite::put_F(line, y, 10, 1);
  return line;
}

}  // namespace

void run_traverse(suite::Console& con, const SecgrdInput& in, SecgrdState& st,
                  const MincCall& minc_call) {
  const suite::Mesh& m = in.mesh;
  const float g = in.GCELL;
  const TraverseDirection dir = traverse_direction(in.XINC);
  const Station start = traverse_start(m, in.XSTART, in.XEND, dir);
  float x = start.x;
  float y = start.y;
  con.FREEWR({" start location : ", x, y});

  const std::string base(trim_right(in.FILOUT.view()));
  SectionData data(kDataFile, kDataText);
  suite::TextOutput stations(base + ".crd", kUnitStations);
  stations.line(kStationHeader);
  float d = 0.0f;
  stations.line(station_line(d, m.ZOR, x, y));

  const float north = m.YNODE(m.MY - m.IYSKIP + 1);
  const float south = m.YNODE(m.IYSKIP + 1);
  const float east = m.XNODE(m.MX - m.IXSKIP + 1);
  const int32_t khigh = std::min(m.MZ - m.IZSKIP + 1, m.MZ);
  int32_t prev_i = -1;
  int32_t prev_j = -1;
  for (;;) {
    st.XOUT = x;
    st.trav_y = y;
    const int32_t i = station_column(m, x);
    const int32_t j = station_row(m, y);
    if (i != prev_i || j != prev_j) {
      for (int32_t k = 1; k <= khigh; ++k) {
        if (!is_data(in.SUS(i, j, k), in.ISMAG)) continue;
        const float v = traverse_sample(m, in.SUS, in.ISMAG, i, j, k, x, y);
        data.add(d, m.ZMIDPT(k), v, {x, y, d, m.ZMIDPT(k), v});
      }
      prev_i = i;
      prev_j = j;
    }
    const float nx = x + dir.S * g;
    const float ny = y + dir.C * g;
    const float nd = d + g;
    // Deliberate: the walk also ends at the southern edge of the mesh range.
    if (ny > north || nx > east || ny < south) {
      stations.line(station_line(d, m.ZOR, x, y));
      x = nx;
      y = ny;
      d = nd;
      break;
    }
    // Deliberate: stations that no longer move in single precision would
    // walk for ever.
    if ((nx == x && ny == y) || nd == d) {
      con.FREEWR({kMsgStationStall, x, y});
      con.STOP();
    }
    x = nx;
    y = ny;
    d = nd;
  }

  data.close();
  stations.close();
  if (data.count() < kMinPoints) return;

  SectionGrid grid;
  grid.DELC = g;
  grid.DELR = g;
  grid.XO = 0.0f;
  const float col_end = grid_ceil(d, g);
  grid.YO = grid_floor(m.ZNODE(m.MZ - m.IZSKIP + 1), g);
  const float row_end = grid_ceil(m.ZOR, g);
  grid.NCOL = grid_count(grid.XO, col_end, g);
  grid.NROW = grid_count(grid.YO, row_end, g);

  st.IERM = 0;
  con.FREEWR({" generating grid for traverse"});
  const std::string name = base + ".grd";
  (void)grid_with_minc(con, st, minc_call, name, grid, in.ISMAG ? 2 : 1, "traverse");
}

}  // namespace kelvane
