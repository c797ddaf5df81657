#include "converter/section_data.h"

#include "common/stop.h"

namespace kelvane {

namespace {
constexpr int32_t kUnitData = 11;
constexpr int32_t kUnitText = 12;
}  // namespace

SectionData::SectionData(const std::string& dat_name, const std::string& xyz_name)
    : dat_name_(dat_name), xyz_(xyz_name, kUnitText) {
  if (!dat_.create(dat_name_)) {
    throw suite::RunFailure(suite::kCannotCreate, kUnitData, dat_name_);
  }
}

void SectionData::add(float u, float v, float value, std::initializer_list<suite::WriteItem> text) {
  const float rec[3] = {u, v, value};
  dat_.write_words(rec, 3);
  xyz_.FREEWR(text);
  ndat_ = ndat_ + 1;
}

void SectionData::close() {
  const bool ok = dat_.close() && !dat_.failed();
  xyz_.close();
  if (!ok) throw suite::RunFailure(suite::kWriteFailed, kUnitData, dat_name_);
}

}  // namespace kelvane
