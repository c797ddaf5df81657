// Helpers for tests: a fresh temporary working directory and small files.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "common/console.h"

namespace common_testing {

// Creates a fresh directory under the system temporary directory, makes it
// the working directory, and at the end of the scope goes back and removes it.
// The helpers live in their own namespace so that no other test helper of the
// same name can be merged with them at link time.
class TempDir {
 public:
  TempDir() : old_(std::filesystem::current_path()) {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::string templ = (base / (std::string(kPrefix) + "XXXXXX")).string();
    if (::mkdtemp(templ.data()) == nullptr) std::abort();
    path_ = templ;
    std::filesystem::current_path(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
    // Only the directory made above: absolute, directly under the temporary
    // directory, with this helper's prefix.
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (!ec && path_.is_absolute() && path_.parent_path() == base &&
        path_.filename().string().starts_with(kPrefix))
      std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }

 private:
  static constexpr const char* kPrefix = "common_testing_";
  std::filesystem::path old_;
  std::filesystem::path path_;
};

inline void write_file(const std::string& name, std::string_view text) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::string read_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A console over string streams.
struct CapturedConsole {
  explicit CapturedConsole(std::vector<std::string> args = {}, std::string input = {},
                           suite::StopStyle style = suite::StopStyle::kStandard)
      : in(std::move(input)), con(in, out, err, std::move(args), style) {}
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  suite::Console con;
};

}  // namespace common_testing
