// brimlet: writes a copy of a Tessel model in which every cell inside a box
// holds a given value, every other cell zero, and negative cells keep their
// value everywhere.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "common/answer.h"
#include "common/mesh.h"

namespace brimlet {

// The box, as typed: x and y map coordinates, z elevations (zmin the lower
// face, zmax the upper face).
struct Box {
  float xmin = 0.0f, xmax = 0.0f;
  float ymin = 0.0f, ymax = 0.0f;
  float zmin = 0.0f, zmax = 0.0f;
};

// Fill index ranges I1..I2, J1..J2, K1..K2 (1-based); a first index above
// the last is an empty range.
struct FillRange {
  int32_t I1 = 1, I2 = 0;
  int32_t J1 = 1, J2 = 0;
  int32_t K1 = 1, K2 = 0;
};

// Distance a cell must reach into the box to be filled, in mesh units.
inline constexpr double kEdgeMargin = 1.0;

// The cells that reach at least kEdgeMargin into the box on every side.
// Boundary +/- margin is formed in double, so it is not rounded to float
// before the comparison.
[[nodiscard]] FillRange box_search(const suite::Mesh& mesh, const Box& box);

// Non-negative cells become 0.0, then those inside the range become val;
// negative cells are left as they are.
void fill_model(suite::Model& model, const FillRange& range, float val);

// The model one value per line in E14.6, model file order, CR LF.
void write_model(const suite::Answer& file, const suite::Model& model);

// The whole program on the given streams and arguments (without the program
// name); returns the exit status.
int run(std::istream& in, std::ostream& out, std::ostream& err, std::vector<std::string> args);

}  // namespace brimlet

int brimlet_main(int argc, char** argv);
