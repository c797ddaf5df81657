#include "converter/nngrid.h"

#include <algorithm>

#include "converter/section_geometry.h"
#include "gridout/geoout.h"
#include "minc/engine_variant.h"

namespace kelvane {

namespace {

// Position of node n (1-based) along an axis: at the centre of the grid cell
// (x sections) or at the node itself.
inline float node_at(float origin, int32_t n, float del, bool centred) {
  return centred ? origin + (static_cast<float>(n) - 0.5f) * del
                 : origin + static_cast<float>(n - 1) * del;
}

// Cells along one axis for every node, searched onward from the cell of the
// previous node (positions grow with the node index). 0: no cell.
void cells_along(std::span<const float> bounds, int32_t start, float origin, float del,
                 bool centred, int32_t count, std::vector<int32_t>& out) {
  out.assign(static_cast<size_t>(count), 0);
  int32_t from = start;
  for (int32_t n = 1; n <= count; ++n) {
    const int32_t m = locate_cell(bounds, node_at(origin, n, del, centred), from);
    if (m == 0) break;  // beyond the last boundary, and so are all later nodes
    out[static_cast<size_t>(n - 1)] = m;
    from = m;
  }
}

// Layers for every row node of a vertical section (elevation rises with r
// while the layer index falls, so each row is searched afresh).
void layers_along(std::span<const float> znode, float origin, float del, bool centred,
                  int32_t count, std::vector<int32_t>& out) {
  out.assign(static_cast<size_t>(count), 0);
  for (int32_t n = 1; n <= count; ++n) {
    out[static_cast<size_t>(n - 1)] = locate_layer(znode, node_at(origin, n, del, centred));
  }
}

}  // namespace

bool nn_fill(char order, float XOUT, const SectionGrid& grid, const suite::Mesh& mesh,
             const suite::Model& SUS, std::vector<float>& g) {
  const int64_t nodes = int64_t{grid.NCOL} * int64_t{grid.NROW};
  if (grid.NCOL < 1 || grid.NROW < 1 || nodes > kMaxNnNodes) return false;
  g.assign(static_cast<size_t>(nodes), gridout::kNull);

  const auto put = [&](int32_t c, int32_t r, float v) {
    // Only positive values are copied, whatever the model type.
    if (v > 0.0f) {
      g[static_cast<size_t>(r - 1) * static_cast<size_t>(grid.NCOL) + static_cast<size_t>(c - 1)] = v;
    }
  };

  std::vector<int32_t> col_cell, row_cell;
  switch (order) {
    case 'x':
    case 'X': {
      // Column of the section; nodes at grid-cell centres: u northing, v elevation.
      const int32_t i = locate_cell(mesh.XNODE.span(), XOUT, mesh.IXSKIP);
      if (i == 0) return true;
      cells_along(mesh.YNODE.span(), mesh.IYSKIP, grid.XO, grid.DELC, true, grid.NCOL, col_cell);
      layers_along(mesh.ZNODE.span(), grid.YO, grid.DELR, true, grid.NROW, row_cell);
      for (int32_t r = 1; r <= grid.NROW; ++r) {
        const int32_t k = row_cell[static_cast<size_t>(r - 1)];
        if (k == 0) continue;
        for (int32_t c = 1; c <= grid.NCOL; ++c) {
          const int32_t j = col_cell[static_cast<size_t>(c - 1)];
          if (j != 0) put(c, r, SUS(i, j, k));
        }
      }
      break;
    }
    case 'y':
    case 'Y': {
      // Row of the section; nodes on the grid nodes: u easting, v elevation.
      const int32_t j = locate_cell(mesh.YNODE.span(), XOUT, mesh.IYSKIP);
      if (j == 0) return true;
      cells_along(mesh.XNODE.span(), mesh.IXSKIP, grid.XO, grid.DELC, false, grid.NCOL, col_cell);
      layers_along(mesh.ZNODE.span(), grid.YO, grid.DELR, false, grid.NROW, row_cell);
      for (int32_t r = 1; r <= grid.NROW; ++r) {
        const int32_t k = row_cell[static_cast<size_t>(r - 1)];
        if (k == 0) continue;
        for (int32_t c = 1; c <= grid.NCOL; ++c) {
          const int32_t i = col_cell[static_cast<size_t>(c - 1)];
          if (i != 0) put(c, r, SUS(i, j, k));
        }
      }
      break;
    }
    default: {
      // Deliberate: a z section is filled too, from the layer holding XOUT,
      // each node taking the cell that contains the node itself (as a y
      // section does): u easting, v northing.
      const int32_t k = locate_layer(mesh.ZNODE.span(), XOUT);
      if (k == 0) return true;
      cells_along(mesh.XNODE.span(), mesh.IXSKIP, grid.XO, grid.DELC, false, grid.NCOL, col_cell);
      cells_along(mesh.YNODE.span(), mesh.IYSKIP, grid.YO, grid.DELR, false, grid.NROW, row_cell);
      for (int32_t r = 1; r <= grid.NROW; ++r) {
        const int32_t j = row_cell[static_cast<size_t>(r - 1)];
        if (j == 0) continue;
        for (int32_t c = 1; c <= grid.NCOL; ++c) {
          const int32_t i = col_cell[static_cast<size_t>(c - 1)];
          if (i != 0) put(c, r, SUS(i, j, k));
        }
      }
      break;
    }
  }
  return true;
}

NnResult NNGRID(const std::string& name_buf, const suite::Answer& MSHORD, float XOUT,
                const SectionGrid& grid, const suite::Mesh& mesh, const suite::Model& SUS,
                std::vector<float>& g) {
  if (!nn_fill(MSHORD.first(), XOUT, grid, mesh, SUS, g)) return NnResult::kTooLarge;
  std::vector<float> row(static_cast<size_t>(grid.NCOL));
  float datmin = gridout::kNull;
  float datmax = gridout::kNull;
  const bool ok = gridout::GEOOUT<minc::kKelvaneEngine>(
      nullptr, name_buf.data(), static_cast<int32_t>(name_buf.size()), row.data(), grid.NCOL,
      grid.NROW, g.data(), grid.XO, grid.YO, grid.DELC, grid.DELR, 1, 1, gridout::kNull, datmin,
      datmax);
  return ok ? NnResult::kWritten : NnResult::kWriteFailed;
}

}  // namespace kelvane
