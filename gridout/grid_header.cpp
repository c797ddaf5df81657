#include "gridout/grid_header.h"

#include <cstring>

namespace gridout {
namespace {

constexpr float kHeaderNull = -1.0e32f;  // bit pattern 0xF49DC5AE

template <typename T>
void put(GridHeader& h, size_t off, T v) {
  std::memcpy(h.data() + off, &v, sizeof v);
}

void put_blanks(GridHeader& h, size_t off, size_t n) { std::memset(h.data() + off, ' ', n); }

}  // namespace

GridHeader grid_header(int32_t nc, int32_t nr, int32_t row_order, float xo, float yo, float delx,
                       float dely, float vmin, float vmax) {
  GridHeader h{};
  put(h, kOffValueSize, int32_t{4});
  put(h, kOffTwo, int32_t{2});
  put(h, kOffNc, nc);
  put(h, kOffNr, nr);
  put(h, kOffRowOrder, row_order);
  put(h, kOffDelx, static_cast<double>(delx));
  put(h, kOffDely, static_cast<double>(dely));
  put(h, kOffXo, static_cast<double>(xo));
  put(h, kOffYo, static_cast<double>(yo));
  put(h, kOffZero1, 0.0);
  put(h, kOffZero2, 0.0);
  put(h, kOffOne, 1.0);
  put_blanks(h, kOffText1, 48);
  put_blanks(h, kOffText2, 16);
  for (size_t i = 0; i < 5; ++i) put(h, kOffInts + 4 * i, int32_t{0});
  put(h, kOffMin, vmin);
  put(h, kOffMax, vmax);
  put(h, kOffNull1, kHeaderNull);
  put(h, kOffNull2, kHeaderNull);
  put(h, kOffNullD, static_cast<double>(kHeaderNull));
  put(h, kOffLast, int32_t{0});
  put_blanks(h, kOffText3, 324);
  return h;
}

}  // namespace gridout
