// Traverse sections: one vertical section along a straight line of given
// point and azimuth, sampled station by station by bilinear interpolation
// of the model columns, with a station file of its two end points.
#pragma once

#include <cstdint>
#include <string>

#include "common/console.h"
#include "common/mesh.h"
#include "converter/secgrd.h"

namespace kelvane {

inline constexpr float kTraversePi = 3.1415926f;
inline constexpr const char* kStationHeader = "Station    Depth     East      North     ";

// Unit step of the traverse: S east, C north, turned so that S >= 0.
struct TraverseDirection {
  float S = 0.0f;
  float C = 0.0f;
};
[[nodiscard]] TraverseDirection traverse_direction(float azimuth);

struct Station {
  float x = 0.0f;
  float y = 0.0f;
};

// Where the traverse through (xt, yt) enters the mesh range: on the centre
// line of the first column, clipped to the centre lines of the first and
// last rows. Deliberate: a southward north-south traverse starts on the last
// row (the northern edge) and walks south.
[[nodiscard]] Station traverse_start(const suite::Mesh& m, float xt, float yt, TraverseDirection dir);

// Column and row of a station: the smallest i >= IXSKIP+1 with x <= XNODE(i+1)
// and likewise j; bounded at the last column and row of the mesh.
[[nodiscard]] int32_t station_column(const suite::Mesh& m, float x);
[[nodiscard]] int32_t station_row(const suite::Mesh& m, float y);

// Sample of layer k at station (x, y) in cell (i, j): the cell value on its
// centre, else bilinear between the four cell centres around the station
// when all four are data, else the cell value. The lower-left cell is chosen
// by each fraction on its own (fx < 0: column i-1, fy < 0: row j-1).
[[nodiscard]] float traverse_sample(const suite::Mesh& m, const suite::Model& sus, bool ismag,
                                    int32_t i, int32_t j, int32_t k, float x, float y);

// The traverse of SECGRD (after its set-up): start, walk, data and station
// files, grid geometry, one MINC call.
void run_traverse(suite::Console& con, const SecgrdInput& in, SecgrdState& st,
                  const MincCall& minc_call);

}  // namespace kelvane
