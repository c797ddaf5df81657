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

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sstream>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/mesh.h"
#include "tests/support/mesh_fixture.h"

namespace section_test {

inline float cell_value(int32_t i, int32_t j, int32_t k) {
  return static_cast<float>(100 * i + 10 * j + k);
}

inline const std::vector<float> kXWidths{100, 50, 50, 50, 50, 100};
inline const std::vector<float> kYWidths{80, 40, 40, 40, 80};
inline const std::vector<float> kZWidths{20, 20, 20, 20, 40};

// The shared in-memory mesh with its skip counts, origin first.
inline suite::Mesh make_mesh(float xor_, float yor, float zor, const std::vector<float>& xw,
                             const std::vector<float>& yw, const std::vector<float>& zw) {
  suite::Mesh m = suite_test::make_mesh(xor_, xw, yor, yw, zor, zw);
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

// A private scratch directory made by mkdtemp under /tmp, removed with its
// content at the end. These helpers live in their own namespace: the test
// programs link other helpers, and two classes of one name would clash.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag) {
    std::string pattern = std::string(kScratchPrefix) + tag + "_XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed: " + pattern);
    path_ = pattern;
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() {
    // Only the directory made above: leave it first when it is the working directory.
    if (path_.rfind(kScratchPrefix, 0) != 0 || path_.find("/..") != std::string::npos) return;
    std::error_code ec;
    const std::string cwd = std::filesystem::current_path(ec).string();
    if (!ec && (cwd == path_ || cwd.rfind(path_ + "/", 0) == 0) && ::chdir("/tmp") != 0) return;
    std::filesystem::remove_all(path_, ec);
  }

  [[nodiscard]] const std::string& path() const { return path_; }
  [[nodiscard]] std::string file(const std::string& name) const { return path_ + "/" + name; }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream f(file(name), std::ios::binary | std::ios::trunc);
    f << text;
  }
  // The content of a file; empty when there is none.
  [[nodiscard]] std::string read(const std::string& name) const {
    std::ifstream f(file(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  }
  [[nodiscard]] bool exists(const std::string& name) const {
    std::error_code ec;
    return std::filesystem::exists(file(name), ec);
  }

 private:
  static constexpr const char* kScratchPrefix = "/tmp/kelvane_section_";
  std::string path_;
};

// Makes a directory the working directory for the object's lifetime.
class InDir {
 public:
  explicit InDir(const std::string& dir) : old_(std::filesystem::current_path().string()) {
    if (::chdir(dir.c_str()) != 0) throw std::runtime_error("cannot change to " + dir);
  }
  InDir(const InDir&) = delete;
  InDir& operator=(const InDir&) = delete;
  ~InDir() {
    if (::chdir(old_.c_str()) != 0) (void)::chdir("/tmp");
  }

 private:
  std::string old_;
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
