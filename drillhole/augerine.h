// augerine: samples a Tessel model at the positions listed in a text file
// (drill-hole samples) and writes each position with the value of the cell
// that holds it, scaled by 1.0e6; positions outside the mesh get -1.0.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "common/mesh.h"

namespace augerine {

// Values read from one position line at most; a higher column number is
// refused when it is given.
inline constexpr int32_t kMaxColumns = 77;

// Scale of the sampled model values.
inline constexpr float kValueScale = 1.0e6f;
// Value written for a position outside the mesh.
inline constexpr float kOutsideValue = -1.0f;
// A " processed : " line after every so many points.
inline constexpr int32_t kProgressEvery = 1000;

// Starts of the core for the printed mesh summary: IX0 the first i with
// XMESH(i) <= XMESH(i+1), IY0 likewise, IZ0 the first k with
// ZMESH(MZ-k) <= ZMESH(MZ-k-1).
struct CoreStarts {
  int32_t IX0 = 1, IY0 = 1, IZ0 = 1;
};
[[nodiscard]] CoreStarts core_starts(const suite::Mesh& mesh);
void print_mesh_summary(suite::Console& con, const suite::Mesh& mesh);

// Which side a position lies outside of, tested in this order.
enum class Outside { kInside, kX, kY, kZ };
// Points on the outer boundary count as outside.
[[nodiscard]] Outside outside_test(const suite::Mesh& mesh, float x, float y, float z);

struct Cell {
  int32_t i, j, k;
};
// The cell of an inside point: the first column with x <= XNODE(i+1), the
// first row with y <= YNODE(j+1), the first layer from the top with
// z >= ZNODE(k+1); a point on an inner boundary goes west, south and up.
[[nodiscard]] Cell find_cell(const suite::Mesh& mesh, float x, float y, float z);

// The whole program on the given streams and arguments (without the program
// name); returns the exit status.
int run(std::istream& in, std::ostream& out, std::ostream& err, std::vector<std::string> args);

}  // namespace augerine

int augerine_main(int argc, char** argv);
