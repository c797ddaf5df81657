// Number formatting of the run log.
#pragma once

#include <cstdint>

namespace minc {

// FMTNUM: X right-justified in W columns with D decimals (or in E form when
// it does not fit). Writes into text[0..len) (blank padded) and returns the
// length of the text without trailing blanks.
int32_t FMTNUM(float x, int32_t w, int32_t d, char* text, int32_t len);

// FMTINT: the decimal text of n, left-justified ("-" when negative). Returns
// the trimmed length.
int32_t FMTINT(int32_t n, char* text, int32_t len);

// Plain fixed-point text of x with D decimals right-justified in W columns,
// rounded half away from zero from the exact value; asterisks when it does
// not fit. Writes exactly W characters and returns W.
int32_t fmt_fixed(float x, int32_t w, int32_t d, char* text);

// Plain integer text right-justified in W columns (asterisks when too long).
int32_t fmt_int(int32_t n, int32_t w, char* text);

}  // namespace minc
