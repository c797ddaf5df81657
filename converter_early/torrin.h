// torrin: the earlier build of the section converter. One main routine reads
// a Tessel mesh and model, walks section positions along x, y or z and grids
// each section by minimum curvature with the torrin engine (one cell size).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/answer.h"
#include "common/console.h"
#include "common/mesh.h"

namespace torrin {

// Section order: the first character of MSHORD; anything but x, X, y, Y is z.
enum class Order { kX, kY, kZ };
[[nodiscard]] Order section_order(const suite::Answer& mshord);

// ---------------------------------------------------------------------------
// torrin's mesh: accumulated centres and skip counts without the "less 1".

// IXSKIP, IYSKIP, IZSKIP by torrin's rule and the accumulated centres
// (boundaries must already be computed).
void derive_mesh(suite::Mesh& mesh);

// torrin's mesh range: x from XNODE(IXSKIP+1) to XNODE(MX-IXSKIP), y likewise,
// z from ZNODE(MZ-IZSKIP) (low, bottom) to ZNODE(1) (high, top).
[[nodiscard]] suite::AxisRange x_range(const suite::Mesh& m);
[[nodiscard]] suite::AxisRange y_range(const suite::Mesh& m);
[[nodiscard]] suite::AxisRange z_range(const suite::Mesh& m);

// " limits of mesh", the three ranges and the three cell sizes.
void print_mesh_summary(suite::Console& con, const suite::Mesh& m);

// ---------------------------------------------------------------------------
// One section.

// The cell index (column, row or layer) of the section at xout, or 0 when
// xout lies outside torrin's mesh range of the axis.
[[nodiscard]] int32_t locate_section(const suite::Mesh& m, Order order, float xout);

// Grid geometry of a section: first and last column (u) and row (v)
// positions, node counts and the search radius.
struct SectionGrid {
  float YMIN = 0.0f, YMAX = 0.0f;  // first and last column position (u)
  float ZMIN = 0.0f, ZMAX = 0.0f;  // first and last row position (v)
  int32_t NCOL = 0, NROW = 0;
  float RADIUS = 0.0f;
};
[[nodiscard]] SectionGrid section_grid(const suite::Mesh& m, Order order, float gcell);

// floor(a, s) and ceil(a, s) of the grid geometry: a multiple of s at or
// below (above) a, the quotient truncated toward zero first.
[[nodiscard]] float floor_step(float a, float s);
[[nodiscard]] float ceil_step(float a, float s);
// Nodes from first to last at spacing s: trunc((last-first)/s + 1), plus 1
// when the last node falls short of `last`.
[[nodiscard]] int32_t node_count(float first, float last, float s);

// Name of the section data file handed to MINC.
inline constexpr const char* kDataFile = "grddat.dat";

// Writes the data points (u, v, value as raw little-endian float32) of the
// section through cell `cell` to `path`, every cell over 0.0 being a datum;
// returns NDAT. A file that cannot be created or written is a run-time
// failure.
int32_t extract_section(const suite::Mesh& m, const suite::Model& sus, Order order, int32_t cell,
                        const std::string& path);

// Grid file name of a section: FILOUT without trailing blanks, "_", the
// position truncated toward zero, ".grd" and one NUL, blank padded to 80.
// Deliberate: a name that would not fit in 80 characters with its NUL gets
// a longer buffer instead of being cut (a cut name loses its NUL and the
// engine would write "outfile.grd" instead).
[[nodiscard]] std::string grid_name(const suite::Answer& filout, float xout);

// ---------------------------------------------------------------------------
// The MINC call of one section (19 arguments with the two name lengths).
struct MincCall {
  std::string outfil;  // grid name buffer, its size is the length passed
  float YMIN = 0.0f, ZMIN = 0.0f, GCELL = 0.0f;
  int32_t NCOL = 0, NROW = 0;
  float RADIUS = 0.0f;
  std::string datfil;  // "grddat.dat" + NUL, blank padded to 80
  int32_t IZCHAN = 1;
  float ZNULL = -99999.0f;
  int32_t MAXCHN = 1, IGLOG = 0, NOHEAD = 0;
  float DATMIN = 0.0f, DATMAX = 0.0f, GRDROT = 0.0f;
  int32_t IERM = 0;
};

// Grids one section; returns its status (0 or negative).
using Gridder = std::function<int32_t(MincCall&)>;

// The torrin engine: minc_run<kTorrinEngine> with one cell size.
int32_t engine_gridder(MincCall& call);

// The whole program on a console; returns the exit status.
int run(suite::Console& con, const Gridder& gridder);

// main(): the process console with torrin's stop style and the engine.
int torrin_main(int argc, char** argv);

}  // namespace torrin
