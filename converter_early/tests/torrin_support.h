// Test support for torrin: a working directory of its own, small meshes and
// models, and runs of the main routine on string streams.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/mesh.h"
#include "converter_early/torrin.h"

namespace torrin_test {

namespace fs = std::filesystem;

// A fresh temporary directory that is the current directory while it lives
// (scratch and data files land in the current directory).
class WorkDir {
 public:
  WorkDir() : old_(fs::current_path()) {
    char tmpl[] = "/tmp/torrin_work_XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
    fs::current_path(path_);
  }
  ~WorkDir() {
    std::error_code ec;
    fs::current_path(old_, ec);
    // Deliberate: remove only the directory mkdtemp made, after leaving it.
    const std::string made = path_.string();
    if (!ec && made.rfind("/tmp/torrin_work_", 0) == 0 && made.size() > 17) fs::remove_all(path_, ec);
  }
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;

  [[nodiscard]] const fs::path& path() const { return path_; }

  static void write(const std::string& name, const std::string& text) {
    std::ofstream f(name, std::ios::binary);
    f << text;
  }
  [[nodiscard]] static std::string read(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
  }
  // Files of the directory, sorted.
  [[nodiscard]] std::vector<std::string> files() const {
    std::vector<std::string> v;
    for (const auto& e : fs::directory_iterator(path_)) v.push_back(e.path().filename().string());
    std::sort(v.begin(), v.end());
    return v;
  }

 private:
  fs::path old_;
  fs::path path_;
};

// Widths of a mesh along its three axes, with its origin.
struct MeshShape {
  float xor_ = 0.0f, yor = 0.0f, zor = 0.0f;
  std::vector<float> xw, yw, zw;
};

// 40 20 10 10 10 10 10 10 20 40 along x (IXSKIP 3, range 70..100 from 0),
// the same along y from 1000, layers 10 10 10 10 20 40 from 0 (IZSKIP 2,
// range -30..0).
inline MeshShape small_shape() {
  MeshShape s;
  s.xor_ = 0.0f;
  s.yor = 1000.0f;
  s.zor = 0.0f;
  s.xw = {40, 20, 10, 10, 10, 10, 10, 10, 20, 40};
  s.yw = s.xw;
  s.zw = {10, 10, 10, 10, 20, 40};
  return s;
}

inline std::string mesh_text(const MeshShape& s) {
  std::ostringstream t;
  t << s.xw.size() << " " << s.yw.size() << " " << s.zw.size() << "\r\n";
  t << s.xor_ << " " << s.yor << " " << s.zor << "\r\n";
  for (const auto* w : {&s.xw, &s.yw, &s.zw}) {
    for (float v : *w) t << v << " ";
    t << "\r\n";
  }
  return t.str();
}

// The mesh in memory, derived as torrin derives it.
inline suite::Mesh make_mesh(const MeshShape& s) {
  suite::Mesh m;
  m.MX = static_cast<int32_t>(s.xw.size());
  m.MY = static_cast<int32_t>(s.yw.size());
  m.MZ = static_cast<int32_t>(s.zw.size());
  m.XOR = s.xor_;
  m.YOR = s.yor;
  m.ZOR = s.zor;
  m.XMESH = suite::RealArray(m.MX);
  m.YMESH = suite::RealArray(m.MY);
  m.ZMESH = suite::RealArray(m.MZ);
  for (int32_t i = 1; i <= m.MX; ++i) m.XMESH(i) = s.xw[static_cast<size_t>(i - 1)];
  for (int32_t j = 1; j <= m.MY; ++j) m.YMESH(j) = s.yw[static_cast<size_t>(j - 1)];
  for (int32_t k = 1; k <= m.MZ; ++k) m.ZMESH(k) = s.zw[static_cast<size_t>(k - 1)];
  m.XNODE = suite::RealArray(m.MX + 1);
  m.YNODE = suite::RealArray(m.MY + 1);
  m.ZNODE = suite::RealArray(m.MZ + 1);
  m.XMIDPT = suite::RealArray(m.MX);
  m.YMIDPT = suite::RealArray(m.MY);
  m.ZMIDPT = suite::RealArray(m.MZ);
  suite::compute_boundaries(m);
  torrin::derive_mesh(m);
  return m;
}

// A model of the shape's counts from a function of (i, j, k), in file order
// (rows, then columns, then layers fastest).
template <class F>
std::string model_text(const MeshShape& s, F value) {
  std::ostringstream t;
  t.precision(9);
  for (size_t j = 1; j <= s.yw.size(); ++j)
    for (size_t i = 1; i <= s.xw.size(); ++i)
      for (size_t k = 1; k <= s.zw.size(); ++k)
        t << value(static_cast<int32_t>(i), static_cast<int32_t>(j), static_cast<int32_t>(k)) << "\r\n";
  return t.str();
}

template <class F>
suite::Model make_model(const suite::Mesh& m, F value) {
  suite::Model sus;
  sus.allocate(m);
  for (int32_t j = 1; j <= m.MY; ++j)
    for (int32_t i = 1; i <= m.MX; ++i)
      for (int32_t k = 1; k <= m.MZ; ++k) sus(i, j, k) = value(i, j, k);
  return sus;
}

// Little-endian float32 words of a byte string.
inline std::vector<float> floats_of(const std::string& bytes, size_t offset = 0) {
  std::vector<float> v;
  for (size_t p = offset; p + 4 <= bytes.size(); p += 4) {
    uint32_t w = 0;
    for (int b = 3; b >= 0; --b) w = (w << 8) | static_cast<unsigned char>(bytes[p + static_cast<size_t>(b)]);
    v.push_back(std::bit_cast<float>(w));
  }
  return v;
}
inline int32_t int_at(const std::string& bytes, size_t offset) {
  uint32_t w = 0;
  for (int b = 3; b >= 0; --b) w = (w << 8) | static_cast<unsigned char>(bytes[offset + static_cast<size_t>(b)]);
  return static_cast<int32_t>(w);
}
inline double double_at(const std::string& bytes, size_t offset) {
  uint64_t w = 0;
  for (int b = 7; b >= 0; --b) w = (w << 8) | static_cast<unsigned char>(bytes[offset + static_cast<size_t>(b)]);
  return std::bit_cast<double>(w);
}

inline int count_of(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + part.size())) ++n;
  return n;
}
inline int count_lines(const std::string& text) { return count_of(text, "\n"); }

// One run of torrin's main routine.
struct RunResult {
  int status = -1;
  std::string out, err;
  std::vector<torrin::MincCall> calls;  // the MINC calls, in order
  std::vector<std::string> data;        // "grddat.dat" as each call saw it
};

inline RunResult run_torrin(const std::vector<std::string>& args, const std::string& input = "",
                            int32_t status_of_call = 0) {
  std::istringstream in(input);
  std::ostringstream out, err;
  suite::Console con(in, out, err, args, suite::StopStyle::kTorrin);
  RunResult r;
  r.status = torrin::run(con, [&](torrin::MincCall& c) {
    r.calls.push_back(c);
    r.data.push_back(WorkDir::read(torrin::kDataFile));
    return status_of_call;
  });
  r.out = out.str();
  r.err = err.str();
  return r;
}

}  // namespace torrin_test
