// NNGRID: grid one section by nearest neighbour. Every node takes the value
// of the model cell that contains it (positive values only), and the grid is
// written through GEOOUT.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/answer.h"
#include "common/mesh.h"

namespace kelvane {

// Geometry of a section grid: origin, spacings and counts.
struct SectionGrid {
  float XO = 0.0f, YO = 0.0f;  // u of the first column, v of the first row
  float DELC = 0.0f;           // column cell size (along u)
  float DELR = 0.0f;           // row cell size (along v)
  int32_t NCOL = 0, NROW = 0;
};

// Largest nearest-neighbour grid NNGRID fills (nodes); a bigger one is
// refused instead of exhausting memory.
inline constexpr int64_t kMaxNnNodes = int64_t{1} << 27;

enum class NnResult {
  kWritten,     // the grid file was written
  kTooLarge,    // NCOL x NROW is not a usable grid size; nothing written
  kWriteFailed  // a file operation of the writer failed; the file is incomplete
};

// Fills `g` (resized to NCOL x NROW, row by row, column index fastest, row 1
// at YO) for the section at XOUT of the order given by the first character of
// MSHORD, and writes it to the file named by `name_buf` (a name buffer: name,
// NUL, blanks) through GEOOUT. Nodes, by order:
//   x: column c at northing XO + (c - 0.5)*DELC, row r at elevation YO + (r - 0.5)*DELR;
//   y: column c at easting  XO + (c - 1)*DELC,   row r at elevation YO + (r - 1)*DELR;
//   z: column c at easting  XO + (c - 1)*DELC,   row r at northing  YO + (r - 1)*DELR.
// Nodes outside every cell (beyond the last boundary, below the bottom)
// stay null (-1.0E32). `g` is the caller's buffer, reused between sections.
NnResult NNGRID(const std::string& name_buf, const suite::Answer& MSHORD, float XOUT,
                const SectionGrid& grid, const suite::Mesh& mesh, const suite::Model& SUS,
                std::vector<float>& g);

// Only the filling step of NNGRID (for tests and for NNGRID itself).
// Returns false when the grid size is not usable.
bool nn_fill(char order, float XOUT, const SectionGrid& grid, const suite::Mesh& mesh,
             const suite::Model& SUS, std::vector<float>& g);

}  // namespace kelvane
