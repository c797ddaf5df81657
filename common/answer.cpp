#include "common/answer.h"

#include <algorithm>

namespace suite {

void Answer::assign(std::string_view text) {
  buf_.fill(' ');
  const size_t n = std::min(text.size(), buf_.size());
  std::copy_n(text.data(), n, buf_.data());
}

std::string Answer::trimmed() const {
  std::string_view v = view();
  const size_t end = v.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(v.substr(0, end + 1));
}

std::string Answer::name() const {
  std::string_view v = view();
  const size_t b = v.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  const size_t e = v.find_last_not_of(' ');
  return std::string(v.substr(b, e - b + 1));
}

bool Answer::blank() const {
  return std::all_of(buf_.begin(), buf_.end(), [](char c) { return c == ' '; });
}

}  // namespace suite
