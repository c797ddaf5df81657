// The 80-character answer buffer that holds every file name, text answer and
// command-line argument: blank padded, cut at 80 characters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace suite {

class Answer {
 public:
  static constexpr int32_t kLength = 80;

  Answer() { buf_.fill(' '); }
  // The text cut to its first 80 characters and blank padded.
  explicit Answer(std::string_view text) { assign(text); }

  void assign(std::string_view text);
  void clear() { buf_.fill(' '); }

  // All 80 characters, padding included.
  [[nodiscard]] std::string_view view() const { return {buf_.data(), buf_.size()}; }
  // The text up to its last non-blank character.
  [[nodiscard]] std::string trimmed() const;
  // Without leading and trailing blanks: the name used to test, open or
  // create a file.
  [[nodiscard]] std::string name() const;
  [[nodiscard]] bool blank() const;
  // Character at 1-based position pos (1..80).
  [[nodiscard]] char at(int32_t pos) const { return buf_[static_cast<size_t>(pos - 1)]; }
  [[nodiscard]] char first() const { return buf_[0]; }
  [[nodiscard]] bool contains(std::string_view part) const { return view().find(part) != std::string_view::npos; }
  // The whole answer, trailing blanks ignored, equals text.
  [[nodiscard]] bool is(std::string_view text) const { return trimmed() == text; }

  char* data() { return buf_.data(); }
  [[nodiscard]] const char* data() const { return buf_.data(); }
  [[nodiscard]] static constexpr int32_t size() { return kLength; }

  friend bool operator==(const Answer& a, const Answer& b) { return a.buf_ == b.buf_; }

 private:
  std::array<char, kLength> buf_{};
};

}  // namespace suite
