// Test helper: run in a fresh temporary directory (scratch files of the
// engine land in the current directory), removed again afterwards.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

class CwdSandbox {
 public:
  CwdSandbox() : old_(std::filesystem::current_path()) {
    char tmpl[] = "/tmp/minc_box_XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) throw std::runtime_error("mkdtemp failed");
    made_ = tmpl;
    dir_ = made_;
    std::filesystem::current_path(dir_);
  }
  ~CwdSandbox() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
    // Remove only the directory mkdtemp made under /tmp, after leaving it.
    if (!ec && made_.rfind("/tmp/minc_box_", 0) == 0 && made_.size() > 14)
      std::filesystem::remove_all(made_, ec);
  }
  CwdSandbox(const CwdSandbox&) = delete;
  CwdSandbox& operator=(const CwdSandbox&) = delete;

  const std::filesystem::path& dir() const { return dir_; }

  // Names of the entries of the directory.
  std::set<std::string> entries() const {
    std::set<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) out.insert(e.path().filename().string());
    return out;
  }

 private:
  std::filesystem::path old_;
  std::string made_;
  std::filesystem::path dir_;
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

template <typename T>
T word_at(const std::vector<unsigned char>& b, size_t off) {
  T v{};
  if (off + sizeof v <= b.size()) std::memcpy(&v, b.data() + off, sizeof v);
  return v;
}

}  // namespace testing_support
