// The section data files of one section: "grddat.dat" (raw float32 u, v,
// value per point, little-endian, no markers) and its text copy
// "grddat.xyz" (one free-format line per point).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "common/freeformat.h"
#include "gridout/wordfile.h"

namespace kelvane {

class SectionData {
 public:
  // Creates or replaces both files; RunFailure when one cannot be created.
  SectionData(const std::string& dat_name, const std::string& xyz_name);
  SectionData(const SectionData&) = delete;
  SectionData& operator=(const SectionData&) = delete;

  // One point: u, v, value into the raw file; `text` (the values of the
  // text line) into the text copy.
  void add(float u, float v, float value, std::initializer_list<suite::WriteItem> text);
  void add(float u, float v, float value) { add(u, v, value, {u, v, value}); }

  [[nodiscard]] int32_t count() const { return ndat_; }
  // Flushes and closes both; RunFailure on a write error.
  void close();

 private:
  std::string dat_name_;
  gridout::WordFile dat_;
  suite::TextOutput xyz_;
  int32_t ndat_ = 0;
};

}  // namespace kelvane
