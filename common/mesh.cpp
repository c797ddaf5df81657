#include "common/mesh.h"

#include <algorithm>
#include <new>
#include <string>

#include "common/console.h"
#include "common/freeformat.h"
#include "common/stop.h"

namespace suite {

namespace {

constexpr int32_t kUnitMesh = kUnitFile;
constexpr int32_t kUnitModel = kUnitFile + 1;

// Counts of zero or below, or below what the program needs, stop the run.
void check_counts(Console& con, const Mesh& mesh, MeshMinimum min) {
  if (mesh.MX <= 0 || mesh.MY <= 0 || mesh.MZ <= 0) con.STOPMS(kMsgMeshCounts);
  if (mesh.MX < min.mx || mesh.MY < min.my || mesh.MZ < min.mz) {
    if (min.mx == kConverterMinimum.mx && min.my == kConverterMinimum.my && min.mz == kConverterMinimum.mz)
      con.STOPMS(kMsgMeshTooSmall);
    con.STOPMS(" the mesh is too small: at least " + std::to_string(min.mx) + " columns, " +
               std::to_string(min.my) + " rows and " + std::to_string(min.mz) + " layers are needed");
  }
}

// The arrays of a Mesh and its Model; too many cells, or memory that cannot
// be had, is a run-time failure naming the mesh file.
void allocate(Mesh& mesh, Model& model, const std::string& file) {
  if (mesh.cell_count() > kMaxModelCells) throw RunFailure(kNoMemory, kUnitMesh, file);
  try {
    mesh.XMESH = RealArray(mesh.MX);
    mesh.YMESH = RealArray(mesh.MY);
    mesh.ZMESH = RealArray(mesh.MZ);
    model.allocate(mesh);
    mesh.XNODE = RealArray(mesh.MX + 1);
    mesh.YNODE = RealArray(mesh.MY + 1);
    mesh.ZNODE = RealArray(mesh.MZ + 1);
    mesh.XMIDPT = RealArray(mesh.MX);
    mesh.YMIDPT = RealArray(mesh.MY);
    mesh.ZMIDPT = RealArray(mesh.MZ);
  } catch (const std::bad_alloc&) {
    throw RunFailure(kNoMemory, kUnitMesh, file);
  }
}

}  // namespace

void Model::allocate(const Mesh& mesh) {
  const int64_t n = mesh.cell_count();
  if (mesh.MX <= 0 || mesh.MY <= 0 || mesh.MZ <= 0) {
    MX = MY = MZ = 0;
    v_.clear();
    return;
  }
  if (n > kMaxModelCells) throw std::bad_alloc();
  v_.assign(static_cast<size_t>(n), 0.0f);
  MX = mesh.MX;
  MY = mesh.MY;
  MZ = mesh.MZ;
}

void Model::fill(float value) { std::fill(v_.begin(), v_.end(), value); }

void load_mesh_converter(Console& con, const Answer& file, Mesh& mesh, Model& model, MeshMinimum min) {
  {
    FileSource in(file, kUnitMesh);
    FREERD(in, {mesh.MX, mesh.MY, mesh.MZ});
  }
  check_counts(con, mesh, min);
  allocate(mesh, model, file.name());

  FileSource in(file, kUnitMesh);
  // Item 1 again; the counts the arrays were made for stay.
  int32_t mx = 0, my = 0, mz = 0;
  FREERD(in, {mx, my, mz});
  FREERD(in, {mesh.XOR, mesh.YOR, mesh.ZOR});
  FREERD(in, {mesh.XMESH.span()});
  FREERD(in, {mesh.YMESH.span()});
  const ReadResult item5 = FREERD(in, {mesh.ZMESH.span()}, ReadMode::kTolerant);
  // Deliberate: thicknesses that item 5 does not supply would be undefined;
  // such a mesh is refused instead of gridded with made-up layers.
  if (item5.taken < mesh.MZ) con.STOPMS(kMsgMeshShortItem5);

  compute_boundaries(mesh);
  compute_centres(mesh);
  compute_skip_counts(mesh);
}

void load_mesh_one_pass(Console& con, const Answer& file, Mesh& mesh, Model& model, MeshMinimum min) {
  FileSource in(file, kUnitMesh);
  FREERD(in, {mesh.MX, mesh.MY, mesh.MZ});
  check_counts(con, mesh, min);
  FREERD(in, {mesh.XOR, mesh.YOR, mesh.ZOR});
  allocate(mesh, model, file.name());
  FREERD(in, {mesh.XMESH.span()});
  FREERD(in, {mesh.YMESH.span()});
  FREERD(in, {mesh.ZMESH.span()});
  compute_boundaries(mesh);
  compute_centres(mesh);
  mesh.IXSKIP = mesh.IYSKIP = mesh.IZSKIP = 1;
}

void compute_boundaries(Mesh& m) {
  m.XNODE(1) = m.XOR;
  for (int32_t i = 1; i <= m.MX; ++i) m.XNODE(i + 1) = m.XNODE(i) + m.XMESH(i);
  m.YNODE(1) = m.YOR;
  for (int32_t j = 1; j <= m.MY; ++j) m.YNODE(j + 1) = m.YNODE(j) + m.YMESH(j);
  m.ZNODE(1) = m.ZOR;
  for (int32_t k = 1; k <= m.MZ; ++k) m.ZNODE(k + 1) = m.ZNODE(k) - m.ZMESH(k);
}

void compute_centres(Mesh& m) {
  for (int32_t i = 1; i <= m.MX; ++i) m.XMIDPT(i) = (m.XNODE(i) + m.XNODE(i + 1)) / 2.0f;
  for (int32_t j = 1; j <= m.MY; ++j) m.YMIDPT(j) = (m.YNODE(j) + m.YNODE(j + 1)) / 2.0f;
  for (int32_t k = 1; k <= m.MZ; ++k) m.ZMIDPT(k) = (m.ZNODE(k) + m.ZNODE(k + 1)) / 2.0f;
}

void compute_accumulated_centres(Mesh& m) {
  if (m.MX >= 1) m.XMIDPT(1) = m.XMESH(1) / 2.0f + m.XOR;
  for (int32_t i = 1; i <= m.MX - 1; ++i) m.XMIDPT(i + 1) = (m.XMESH(i + 1) + m.XMESH(i)) / 2.0f + m.XMIDPT(i);
  if (m.MY >= 1) m.YMIDPT(1) = m.YMESH(1) / 2.0f + m.YOR;
  for (int32_t j = 1; j <= m.MY - 1; ++j) m.YMIDPT(j + 1) = (m.YMESH(j + 1) + m.YMESH(j)) / 2.0f + m.YMIDPT(j);
  if (m.MZ >= 1) m.ZMIDPT(1) = m.ZOR - m.ZMESH(1) / 2.0f;
  for (int32_t k = 1; k <= m.MZ - 1; ++k) m.ZMIDPT(k + 1) = m.ZMIDPT(k) - (m.ZMESH(k + 1) + m.ZMESH(k)) / 2.0f;
}

int32_t first_non_decreasing(std::span<const float> w) {
  const int32_t n = static_cast<int32_t>(w.size());
  int32_t i = 1;
  // Deliberate: the search stops at the last column instead of running past the array.
  while (i < n && w[static_cast<size_t>(i - 1)] > w[static_cast<size_t>(i)]) ++i;
  return i;
}

int32_t first_non_increasing_from_bottom(std::span<const float> z) {
  const int32_t mz = static_cast<int32_t>(z.size());
  auto at = [&](int32_t k) { return z[static_cast<size_t>(k - 1)]; };
  int32_t k = 1;
  // Deliberate: the search stops at the first layer instead of running past the array.
  while (k <= mz - 2 && at(mz - k) > at(mz - k - 1)) ++k;
  return k;
}

int32_t skip_count(std::span<const float> w) {
  const int32_t i = first_non_decreasing(w);
  return i > 1 ? i - 1 : 1;
}

int32_t skip_count_bottom(std::span<const float> z) {
  const int32_t k = first_non_increasing_from_bottom(z);
  return k > 1 ? k - 1 : 1;
}

void compute_skip_counts(Mesh& m) {
  m.IXSKIP = skip_count(m.XMESH.span());
  m.IYSKIP = skip_count(m.YMESH.span());
  m.IZSKIP = skip_count_bottom(m.ZMESH.span());
}

void load_model_converter(Console& con, const Answer& file, Model& model) {
  model.fill(kModelNull);
  con.FREEWR({" reading Tessel model"});
  {
    FileSource in(file, kUnitModel);
    // Tolerant: cells after an early end or an unreadable value stay null.
    FREERD(in, {model.values()}, ReadMode::kTolerant);
  }
  con.FREEWR({" model read"});
}

void load_model_strict(const Answer& file, Model& model) {
  FileSource in(file, kUnitModel);
  FREERD(in, {model.values()});
}

void print_mesh_summary(Console& con, const Mesh& m) {
  const AxisRange x = m.x_range();
  const AxisRange y = m.y_range();
  con.FREEWR({" limits of mesh"});
  con.FREEWR({" x mesh range : ", x.low, x.high});
  con.FREEWR({" y mesh range : ", y.low, y.high});
  con.FREEWR({" z mesh range : ", m.ZNODE(1), m.ZNODE(m.MZ - m.IZSKIP + 1)});
  con.FREEWR({});
  con.FREEWR({" x cell size : ", m.x_core()});
  con.FREEWR({" y cell size : ", m.y_core()});
  con.FREEWR({" z cell size : ", m.z_core()});
  con.FREEWR({});
  con.FREEWR({" x cell count : ", m.MX});
  con.FREEWR({" y cell count : ", m.MY});
  con.FREEWR({" z cell count : ", m.MZ});
  con.FREEWR({});
}

}  // namespace suite
