// Tessel mesh and model files: the Mesh (counts, origin, widths, boundaries,
// centres, skip counts) and the Model (one value per cell), their loading,
// the mesh range, core cell sizes and the converter's mesh summary.
//
// Arrays are read 1-based, as in the formulas: XMESH(i), XNODE(i+1),
// SUS(i, j, k).
#pragma once

#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "common/answer.h"

namespace suite {

class Console;

// Null value of the converter: cells the model file does not supply.
inline constexpr float kModelNull = -1.0e32f;
// A model value at or below this is null (non-susceptibility models).
inline constexpr float kNullThreshold = -1.0e30f;

// Largest number of model cells the loaders allocate; beyond it the load is
// an "insufficient memory" run-time failure instead of an abort.
inline constexpr int64_t kMaxModelCells = int64_t{1} << 28;

// A 1-based single-precision array: a(1) .. a(n).
class RealArray {
 public:
  RealArray() = default;
  explicit RealArray(int32_t n) : v_(n > 0 ? static_cast<size_t>(n) : 0, 0.0f) {}

  float& operator()(int32_t i) { return v_[static_cast<size_t>(i - 1)]; }
  const float& operator()(int32_t i) const { return v_[static_cast<size_t>(i - 1)]; }

  [[nodiscard]] int32_t size() const { return static_cast<int32_t>(v_.size()); }
  float* data() { return v_.data(); }
  [[nodiscard]] const float* data() const { return v_.data(); }
  std::span<float> span() { return v_; }
  [[nodiscard]] std::span<const float> span() const { return v_; }

 private:
  std::vector<float> v_;
};

struct AxisRange {
  float low;   // west, south, or bottom
  float high;  // east, north, or top
};

struct Mesh {
  int32_t MX = 0, MY = 0, MZ = 0;
  float XOR = 0.0f, YOR = 0.0f, ZOR = 0.0f;
  RealArray XMESH, YMESH, ZMESH;     // widths (MX), (MY), thicknesses (MZ)
  RealArray XNODE, YNODE, ZNODE;     // boundaries (MX+1), (MY+1), (MZ+1); ZNODE falls with k
  RealArray XMIDPT, YMIDPT, ZMIDPT;  // centres (MX), (MY), (MZ)
  int32_t IXSKIP = 1, IYSKIP = 1, IZSKIP = 1;  // set by load_mesh_converter / compute_skip_counts

  // Mesh range of the converter (skip counts as set): x from XNODE(IXSKIP+1)
  // to XNODE(MX-IXSKIP+1), y likewise, z from ZNODE(MZ-IZSKIP+1) (low,
  // bottom) to ZNODE(1) (high, top).
  [[nodiscard]] AxisRange x_range() const { return {XNODE(IXSKIP + 1), XNODE(MX - IXSKIP + 1)}; }
  [[nodiscard]] AxisRange y_range() const { return {YNODE(IYSKIP + 1), YNODE(MY - IYSKIP + 1)}; }
  [[nodiscard]] AxisRange z_range() const { return {ZNODE(MZ - IZSKIP + 1), ZNODE(1)}; }
  // Core cell sizes: XMESH(IXSKIP+1), YMESH(IYSKIP+1), ZMESH(1).
  [[nodiscard]] float x_core() const { return XMESH(IXSKIP + 1); }
  [[nodiscard]] float y_core() const { return YMESH(IYSKIP + 1); }
  [[nodiscard]] float z_core() const { return ZMESH(1); }

  [[nodiscard]] int64_t cell_count() const { return int64_t{MX} * MY * MZ; }
};

// SUS(MX, MY, MZ). Stored in the model file order (layer fastest, then
// column, then row), so values() is the file's value sequence.
class Model {
 public:
  Model() = default;
  // Allocates MX*MY*MZ cells, all 0.0 (std::bad_alloc beyond kMaxModelCells).
  void allocate(const Mesh& mesh);

  float& operator()(int32_t i, int32_t j, int32_t k) { return v_[index(i, j, k)]; }
  const float& operator()(int32_t i, int32_t j, int32_t k) const { return v_[index(i, j, k)]; }
  std::span<float> values() { return v_; }
  [[nodiscard]] std::span<const float> values() const { return v_; }
  void fill(float value);

  int32_t MX = 0, MY = 0, MZ = 0;

 private:
  [[nodiscard]] size_t index(int32_t i, int32_t j, int32_t k) const {
    return (static_cast<size_t>(j - 1) * static_cast<size_t>(MX) + static_cast<size_t>(i - 1)) *
               static_cast<size_t>(MZ) +
           static_cast<size_t>(k - 1);
  }
  std::vector<float> v_;
};

// Smallest counts a program can work with. The converters compare
// neighbouring widths for their skip counts and need 2 columns, 2 rows and 3
// layers; a program without skip counts can take any positive counts.
struct MeshMinimum {
  int32_t mx, my, mz;
};
inline constexpr MeshMinimum kConverterMinimum{2, 2, 3};
inline constexpr MeshMinimum kAnyMesh{1, 1, 1};

// Stop messages of the mesh checks (written through STOPMS, exit status 0).
inline constexpr const char* kMsgMeshCounts = " the mesh file holds a cell count of zero or below";
inline constexpr const char* kMsgMeshTooSmall =
    " the mesh is too small: at least 2 columns, 2 rows and 3 layers are needed";
inline constexpr const char* kMsgMeshShortItem5 = " the mesh file holds fewer layer thicknesses than layers";

// kelvane's load: opens the file to read item 1, allocates the arrays (Mesh
// and Model), opens it again and reads items 1 to 5, item 5 tolerantly (an
// early end stops with kMsgMeshShortItem5). Computes boundaries, centres and
// skip counts. Counts below `min` stop with kMsgMeshCounts/kMsgMeshTooSmall.
// Items 1 to 4 failing are run-time failures.
void load_mesh_converter(Console& con, const Answer& file, Mesh& mesh, Model& model,
                         MeshMinimum min = kConverterMinimum);

// One pass, nothing tolerant (brimlet, augerine, torrin): items 1 and 2, then
// the arrays are allocated (Mesh and Model), then items 3 to 5. Computes the
// boundaries and the centres ((XNODE(i)+XNODE(i+1))/2); skip counts are left
// at 1 (call compute_skip_counts or the program's own rule).
void load_mesh_one_pass(Console& con, const Answer& file, Mesh& mesh, Model& model,
                        MeshMinimum min = kAnyMesh);

// XNODE(1) = XOR, XNODE(i+1) = XNODE(i) + XMESH(i) (single-precision running
// sums); YNODE likewise; ZNODE(k+1) = ZNODE(k) - ZMESH(k).
void compute_boundaries(Mesh& mesh);
// XMIDPT(i) = (XNODE(i) + XNODE(i+1)) / 2.0, and so on.
void compute_centres(Mesh& mesh);
// torrin's accumulated centres: XMIDPT(1) = XMESH(1)/2 + XOR,
// XMIDPT(i+1) = (XMESH(i+1) + XMESH(i))/2 + XMIDPT(i); ZMIDPT going down.
void compute_accumulated_centres(Mesh& mesh);

// The first i, counting up from 1, with w(i) <= w(i+1); the search stops at
// the last index n when no such i exists. (torrin's IXSKIP, augerine's IX0.)
int32_t first_non_decreasing(std::span<const float> w);
// The first k, counting up from 1, with z(MZ-k) <= z(MZ-k-1); the search
// stops at k = MZ-1 (the last k with both layers present). (torrin's IZSKIP,
// augerine's IZ0.) Needs MZ >= 3 for a first comparison; returns 1 otherwise.
int32_t first_non_increasing_from_bottom(std::span<const float> z);
// kelvane's skip count from first_non_decreasing: the count less 1, never
// below 1.
int32_t skip_count(std::span<const float> w);
int32_t skip_count_bottom(std::span<const float> z);
// IXSKIP, IYSKIP, IZSKIP by kelvane's rule.
void compute_skip_counts(Mesh& mesh);

// kelvane's model load: every cell to kModelNull, " reading Tessel model",
// one tolerant read of MX*MY*MZ values in the file order, " model read".
void load_model_converter(Console& con, const Answer& file, Model& model);
// One read of all values, not tolerant, cells not preset, nothing written.
void load_model_strict(const Answer& file, Model& model);

// kelvane's mesh summary (limits, cell sizes, cell counts, empty lines).
void print_mesh_summary(Console& con, const Mesh& mesh);

// Deliberate: a negative section increment would make the section loop run
// for ever; the converter steps by its magnitude.
inline float section_increment(float xinc) { return std::fabs(xinc); }

}  // namespace suite
