// SECGRD: kelvane's section driver. Loads the model, scales susceptibility
// models, reports the data limits, then walks the section positions (or the
// one traverse), extracts each section's data points into "grddat.dat" and
// "grddat.xyz" and has it gridded by MINC or by NNGRID.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/answer.h"
#include "common/console.h"
#include "common/mesh.h"
#include "converter/nngrid.h"
#include "minc/minc.h"

namespace kelvane {

inline constexpr const char* kDataFile = "grddat.dat";
inline constexpr const char* kDataText = "grddat.xyz";

inline constexpr const char* kMsgNoData = " There is no non-null data in this model";
// Deliberate: a position loop (or traverse walk) whose position no longer
// changes in single precision would never end; it stops with these lines.
inline constexpr const char* kMsgSectionStall = " the section position stops advancing at";
inline constexpr const char* kMsgStationStall = " the traverse stations stop advancing at";

// Fixed MINC arguments of every section.
inline constexpr int32_t kIzchan = 1;
inline constexpr int32_t kMaxchn = 1;
inline constexpr int32_t kNohead = 1;
inline constexpr float kZnull = -99999.0f;
// Fewer data points than this give no minimum-curvature grid.
inline constexpr int32_t kMinPoints = 10;

enum class SectionOrder { kX, kY, kZ, kTraverse };
// By the first character of MSHORD: x/X, y/Y, t/T, anything else z.
[[nodiscard]] SectionOrder section_order(const suite::Answer& mshord);

// The engine call. SECGRD calls kelvane's MINC through this, so tests can
// look at the arguments without running the engine.
using MincCall = std::function<int32_t(const minc::MincArgs&)>;
[[nodiscard]] int32_t call_kelvane_minc(const minc::MincArgs& args);

// The inputs of SECGRD (the main routine's values).
struct SecgrdInput {
  const suite::Answer& SUSF;
  const suite::Answer& FILOUT;
  const suite::Answer& MSHORD;
  bool ISMAG = false;
  int32_t ISTYLE = 0;
  const suite::Mesh& mesh;
  suite::Model& SUS;  // loaded and scaled by SECGRD
  float GCELL = 0.0f;
  float XINC = 0.0f;
  float XSTART = 0.0f;
  float XEND = 0.0f;
};

// The working values SECGRD writes, and what it did (for tests).
struct SecgrdState {
  float data_min = 0.0f, data_max = 0.0f;
  float cell_col = 0.0f, cell_row = 0.0f;  // column and row cell sizes
  float XOUT = 0.0f;                       // section position; traverse: station easting
  float trav_y = 0.0f;                     // traverse: station northing
  int32_t IERM = 0;                        // status of the last MINC call
  float RADIUS = 0.0f;
  std::vector<std::string> grids;          // grid file names written, in order
};

// The whole driver. Console lines as specified on con.out(); notes on
// replaced grids and failed sections on con.err(). Stops (ProgramStop) when
// the model has no data or a position stops advancing; RunFailure when a data
// or station file cannot be written.
void SECGRD(suite::Console& con, const SecgrdInput& in, SecgrdState& st,
            const MincCall& minc_call = call_kelvane_minc);

// --- pieces of the driver, exposed for tests ------------------------------

// Data test: susceptibility models > 0.0, other models > -1.0e30.
[[nodiscard]] inline bool is_data(float v, bool ismag) { return ismag ? v > 0.0f : v > -1.0e30f; }

// The section positions from XSTART while XOUT <= XEND + XINC/10, each the
// previous plus XINC. Returns false (and the stalled position in `stall`)
// when a position plus XINC gives the same position before the loop ends.
// `out` may be null (check only).
bool section_positions(float xstart, float xend, float xinc, std::vector<float>* out, float& stall);

// Grid name of a section: FILOUT without trailing blanks, "_", the truncated
// position, ".grd".
[[nodiscard]] std::string section_grid_name(const suite::Answer& filout, float xout);

// Geometry of the grid of an x, y or z section (cell sizes c and r).
[[nodiscard]] SectionGrid section_geometry(SectionOrder order, const suite::Mesh& mesh, float c,
                                           float r);

}  // namespace kelvane
