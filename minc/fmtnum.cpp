#include "minc/fmtnum.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace minc {
namespace {

// Decimal text of n, left-justified.
std::string int_text(int64_t n) { return std::to_string(n); }

// Copy `s` into text[0..len), blank padded; returns the trimmed length.
int32_t put_text(const std::string& s, char* text, int32_t len) {
  if (len <= 0) return 0;
  std::memset(text, ' ', static_cast<size_t>(len));
  const size_t n = std::min(s.size(), static_cast<size_t>(len));
  std::memcpy(text, s.data(), n);
  int32_t t = static_cast<int32_t>(n);
  while (t > 0 && text[t - 1] == ' ') --t;
  return t;
}

int64_t pow10i(int32_t d) {
  int64_t p = 1;
  for (int32_t i = 0; i < d; ++i) p *= 10;
  return p;
}

// 10^k in single precision (exact for 0 <= k <= 10).
float pow10f(int32_t k) {
  float p = 1.0f;
  for (int32_t i = 0; i < k && i < 40; ++i) p = p * 10.0f;
  for (int32_t i = 0; i > k && i > -50; --i) p = p / 10.0f;
  return p;
}

}  // namespace

int32_t FMTINT(int32_t n, char* text, int32_t len) { return put_text(int_text(n), text, len); }

int32_t FMTNUM(float x, int32_t w, int32_t d, char* text, int32_t len) {
  std::string out;
  const float ax = std::fabs(x);
  if (!std::isfinite(x)) {
    // Deliberate: no digits exist for infinities and NaN; the field gets asterisks.
    out.assign(static_cast<size_t>(w > 0 ? w : 1), '*');
    return put_text(out, text, len);
  }
  // Deliberate: the scaled number is held in 64 bits, so a decimal count up
  // to 18 cannot overflow it.
  if (d > 18) d = 18;
  if (d <= 0 && ax < 1.0e8f) {
    const int64_t n = std::llround(ax);
    out = int_text(x < 0.0f ? -n : n);
  } else {
    int32_t e = 0;
    int64_t n = 0;
    const int64_t p10 = pow10i(d > 0 ? d : 0);
    const float limit = pow10f(w - d - 3);
    if (ax < limit) {
      n = d > 0 ? std::llround(ax * static_cast<float>(p10)) : std::llround(ax);
    } else {
      float y = ax;
      while (y >= 10.0f) {
        y = y / 10.0f;
        e = e + 1;
      }
      while (y < 1.0f) {
        y = y * 10.0f;
        e = e - 1;
      }
      n = d > 0 ? std::llround(y * static_cast<float>(p10)) : std::llround(y);
    }
    int64_t iv = n;
    int64_t fv = 0;
    std::string fpart;
    if (d > 0) {
      iv = n / p10;
      fv = n - p10 * iv;
      fpart = int_text(fv);
      while (static_cast<int32_t>(fpart.size()) < d) fpart.insert(0, 1, '0');
    }
    const std::string ipart = int_text(iv);
    if (x < 0.0f && !(iv == 0 && fv == 0)) out.push_back('-');
    out.append(ipart);
    if (!fpart.empty()) {
      out.push_back('.');
      out.append(fpart);
    }
    if (e != 0) {
      out.push_back('E');
      if (e >= 0) out.push_back('+');
      out.append(int_text(e));
    }
  }
  if (static_cast<int32_t>(out.size()) < w) out.insert(0, static_cast<size_t>(w) - out.size(), ' ');
  return put_text(out, text, len);
}

int32_t fmt_fixed(float x, int32_t w, int32_t d, char* text) {
  if (w <= 0) return 0;
  if (d < 0) d = 0;
  std::string out;
  if (std::isfinite(x) && d <= 60) {
    // The exact decimal expansion of the single-precision value, then
    // rounding half away from zero at D decimals.
    char buf[256];
    const int n = std::snprintf(buf, sizeof buf, "%.*f", d + 120, static_cast<double>(std::fabs(x)));
    if (n > 0 && n < static_cast<int>(sizeof buf)) {
      std::string digits(buf, static_cast<size_t>(n));
      const size_t dot = digits.find('.');
      const bool up = digits[dot + 1 + static_cast<size_t>(d)] >= '5';
      std::string kept = digits.substr(0, dot) + digits.substr(dot + 1, static_cast<size_t>(d));
      if (up) {
        size_t i = kept.size();
        while (i > 0) {
          --i;
          if (kept[i] == '9') {
            kept[i] = '0';
          } else {
            ++kept[i];
            break;
          }
          if (i == 0) kept.insert(0, 1, '1');
        }
      }
      const size_t int_digits = kept.size() - static_cast<size_t>(d);
      out = kept.substr(0, int_digits);
      if (d > 0) {
        out.push_back('.');
        out.append(kept, int_digits, std::string::npos);
      }
      if (x < 0.0f) out.insert(0, 1, '-');
    }
  }
  if (out.empty() || static_cast<int32_t>(out.size()) > w) out.assign(static_cast<size_t>(w), '*');
  else out.insert(0, static_cast<size_t>(w) - out.size(), ' ');
  std::memcpy(text, out.data(), static_cast<size_t>(w));
  return w;
}

int32_t fmt_int(int32_t n, int32_t w, char* text) {
  if (w <= 0) return 0;
  std::string out = int_text(n);
  if (static_cast<int32_t>(out.size()) > w) out.assign(static_cast<size_t>(w), '*');
  else out.insert(0, static_cast<size_t>(w) - out.size(), ' ');
  std::memcpy(text, out.data(), static_cast<size_t>(w));
  return w;
}

}  // namespace minc
