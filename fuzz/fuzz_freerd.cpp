// Free-format reads of arbitrary text: every read list shape, strict and
// tolerant, answer buffers and first-value answers. No input may crash.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "common/freeformat.h"
#include "common/stop.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the shape of the lists; the rest is the text.
  const uint8_t shape = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const suite::ReadMode mode = (shape & 1) ? suite::ReadMode::kTolerant : suite::ReadMode::kStrict;

  std::istringstream in(text);
  suite::StreamSource src(in, 10, "fuzz");
  int32_t a = 0, b = 0;
  float x = 0.0f, y = 0.0f;
  std::vector<float> reals(static_cast<size_t>(shape >> 2));
  std::vector<int32_t> ints(static_cast<size_t>((shape >> 4) & 7));
  for (int pass = 0; pass < 4; ++pass) {
    try {
      switch ((shape >> 1) & 1 ? pass : 3 - pass) {
        case 0: suite::FREERD(src, {a, x, std::span<float>(reals), b}, mode); break;
        case 1: suite::FREERD(src, {std::span<int32_t>(ints), y}, mode); break;
        case 2: suite::FREERD(src, {}, mode); break;
        default: {
          suite::Answer ans;
          suite::read_first_value(src, ans);
          suite::AnswerSource inner(ans);
          suite::FREERD(inner, {x, a}, mode);
        }
      }
    } catch (const suite::RunFailure&) {
    }
  }
  // The values read must format without fault.
  std::string line;
  for (float v : reals) {
    line += suite::free_real(v);
    suite::put_E(line, v, 14, 6);
    suite::put_1PE(line, v, 12, 4);
    suite::put_F(line, v, 10, 1);
  }
  suite::put_F(line, x, 12, shape & 15);
  suite::put_I(line, a, 6);
  std::ostringstream out;
  suite::FREEWR(out, {line, x, a, y, b, line});
  return 0;
}
