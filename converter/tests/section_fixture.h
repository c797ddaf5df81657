// A small mesh and model shared by the section, nearest-neighbour and
// traverse tests, in memory and as Tessel files.
//
//   x: XOR 1000, widths 100 50 50 50 50 100 -> XNODE 1000 1100 ... 1300 1400, IXSKIP 1
//   y: YOR 2000, widths 80 40 40 40 80       -> YNODE 2000 2080 2120 2160 2200 2280, IYSKIP 1
//   z: ZOR 500, thicknesses 20 20 20 20 40   -> ZNODE 500 480 460 440 420 380, IZSKIP 1
//
// Mesh range: x 1100..1300, y 2080..2200, z 420..500; core cells 50, 40, 20.
// Cell (i, j, k) holds 100*i + 10*j + k unless a test changes it.
#pragma once

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/mesh.h"
#include "tests/support/program_run.h"

namespace section_test {

inline float cell_value(int32_t i, int32_t j, int32_t k) {
  return static_cast<float>(100 * i + 10 * j + k);
}

inline const std::vector<float> kXWidths{100, 50, 50, 50, 50, 100};
inline const std::vector<float> kYWidths{80, 40, 40, 40, 80};
inline const std::vector<float> kZWidths{20, 20, 20, 20, 40};

inline suite::Mesh make_mesh(float xor_, float yor, float zor, const std::vector<float>& xw,
                             const std::vector<float>& yw, const std::vector<float>& zw) {
  suite::Mesh m;
  m.MX = static_cast<int32_t>(xw.size());
  m.MY = static_cast<int32_t>(yw.size());
  m.MZ = static_cast<int32_t>(zw.size());
  m.XOR = xor_;
  m.YOR = yor;
  m.ZOR = zor;
  m.XMESH = suite::RealArray(m.MX);
  m.YMESH = suite::RealArray(m.MY);
  m.ZMESH = suite::RealArray(m.MZ);
  m.XNODE = suite::RealArray(m.MX + 1);
  m.YNODE = suite::RealArray(m.MY + 1);
  m.ZNODE = suite::RealArray(m.MZ + 1);
  m.XMIDPT = suite::RealArray(m.MX);
  m.YMIDPT = suite::RealArray(m.MY);
  m.ZMIDPT = suite::RealArray(m.MZ);
  for (int32_t i = 1; i <= m.MX; ++i) m.XMESH(i) = xw[static_cast<size_t>(i - 1)];
  for (int32_t j = 1; j <= m.MY; ++j) m.YMESH(j) = yw[static_cast<size_t>(j - 1)];
  for (int32_t k = 1; k <= m.MZ; ++k) m.ZMESH(k) = zw[static_cast<size_t>(k - 1)];
  suite::compute_boundaries(m);
  suite::compute_centres(m);
  suite::compute_skip_counts(m);
  return m;
}

inline suite::Mesh example_mesh() { return make_mesh(1000, 2000, 500, kXWidths, kYWidths, kZWidths); }

inline suite::Model example_model(const suite::Mesh& m) {
  suite::Model sus;
  sus.allocate(m);
  for (int32_t j = 1; j <= m.MY; ++j)
    for (int32_t i = 1; i <= m.MX; ++i)
      for (int32_t k = 1; k <= m.MZ; ++k) sus(i, j, k) = cell_value(i, j, k);
  return sus;
}

// The Tessel files of a mesh and model.
inline std::string widths_text(const std::vector<float>& w) {
  std::ostringstream s;
  for (const float v : w) s << v << ' ';
  s << "\r\n";
  return s.str();
}

inline std::string mesh_text(const suite::Mesh& m, const std::vector<float>& xw, const std::vector<float>& yw,
                             const std::vector<float>& zw) {
  std::ostringstream s;
  s << m.MX << ' ' << m.MY << ' ' << m.MZ << "\r\n" << m.XOR << ' ' << m.YOR << ' ' << m.ZOR << "\r\n";
  return s.str() + widths_text(xw) + widths_text(yw) + widths_text(zw);
}

inline std::string example_mesh_text() {
  return mesh_text(example_mesh(), kXWidths, kYWidths, kZWidths);
}

inline std::string model_text(const suite::Model& sus) {
  std::ostringstream s;
  s.precision(9);
  for (const float v : sus.values()) s << v << "\r\n";
  return s.str();
}

// The raw float32 words of a file.
inline std::vector<float> read_floats(const std::string& bytes) {
  std::vector<float> v(bytes.size() / 4);
  if (!v.empty()) std::memcpy(v.data(), bytes.data(), v.size() * 4);
  return v;
}

// A private scratch directory (the shared helper's) with file helpers.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag) : tmp_(tag) {}
  [[nodiscard]] const std::string& path() const { return tmp_.path(); }
  [[nodiscard]] std::string file(const std::string& name) const { return tmp_.file(name); }
  void write(const std::string& name, const std::string& text) const { suite_test::write_file(file(name), text); }
  // The content of a file; empty when there is none.
  [[nodiscard]] std::string read(const std::string& name) const {
    return exists(name) ? suite_test::read_file(file(name)) : std::string();
  }
  [[nodiscard]] bool exists(const std::string& name) const { return suite_test::file_exists(file(name)); }

 private:
  suite_test::TempDir tmp_;
};

// Number of times `part` occurs in `text`.
inline int count_of(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + part.size())) ++n;
  return n;
}

// A console over string streams.
struct TestConsole {
  std::istringstream in;
  std::ostringstream out, err;
  suite::Console con{in, out, err, {}};
};

}  // namespace section_test
