// Test helper: run in a fresh directory made by mkdtemp under /tmp (the
// engine's scratch files land in the current directory). On destruction it
// changes back and removes exactly the directory it made, nothing else.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace minc_test {

class TempCwd {
 public:
  TempCwd() : old_(std::filesystem::current_path()) {
    char tmpl[] = "/tmp/minc_solve_XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    std::filesystem::current_path(dir_);
  }
  ~TempCwd() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
    // Deliberate: remove only a directory this object made under /tmp.
    if (!ec && dir_.rfind("/tmp/minc_solve_", 0) == 0 && dir_.size() > 16)
      std::filesystem::remove_all(dir_, ec);
  }
  TempCwd(const TempCwd&) = delete;
  TempCwd& operator=(const TempCwd&) = delete;

  // Names of the entries of the directory.
  std::set<std::string> entries() const {
    std::set<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir_))
      out.insert(e.path().filename().string());
    return out;
  }

 private:
  std::filesystem::path old_;
  std::string dir_;
};

inline std::vector<unsigned char> read_bytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string read_text(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Raw little-endian words to a file.
inline void write_floats(const std::string& name, const std::vector<float>& v) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(v.data()), static_cast<std::streamsize>(v.size() * 4));
}

// The word of type T at byte offset off (zero beyond the end).
template <typename T>
T word_at(const std::vector<unsigned char>& b, size_t off) {
  T v{};
  if (off + sizeof v <= b.size()) std::memcpy(&v, b.data() + off, sizeof v);
  return v;
}

}  // namespace minc_test
