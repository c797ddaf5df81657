#include "common/freeformat.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <istream>
#include <limits>
#include <ostream>

#include "common/stop.h"

namespace suite {

// ---------------------------------------------------------------------------
// Line sources

StreamSource::StreamSource(std::istream& in, int32_t unit, std::string name)
    : LineSource(unit, std::move(name)), in_(in) {}

bool StreamSource::next_line(std::string& line) {
  if (!std::getline(in_, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

AnswerSource::AnswerSource(const Answer& text) : LineSource(kUnitInternal, "internal"), text_(text.view()) {}

bool AnswerSource::next_line(std::string& line) {
  if (used_) return false;
  used_ = true;
  line = text_;
  return true;
}

namespace {
constexpr size_t kFileBufferSize = size_t{1} << 16;
}  // namespace

FileSource::FileSource(const Answer& file_name, int32_t unit) : LineSource(unit, file_name.name()) { open(); }
FileSource::FileSource(const std::string& file_name, int32_t unit) : LineSource(unit, file_name) { open(); }

void FileSource::open() {
  std::error_code ec;
  const std::filesystem::path path(name());
  if (name().empty() || !std::filesystem::exists(path, ec)) throw RunFailure(kFileNotFound, unit(), name());
  if (std::filesystem::is_directory(path, ec)) throw RunFailure(kCannotOpen, unit(), name());
  buffer_ = std::make_unique<char[]>(kFileBufferSize);
  in_.rdbuf()->pubsetbuf(buffer_.get(), static_cast<std::streamsize>(kFileBufferSize));
  in_.open(path, std::ios::in | std::ios::binary);
  if (!in_.is_open()) throw RunFailure(kCannotOpen, unit(), name());
}

bool FileSource::next_line(std::string& line) {
  if (!std::getline(in_, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool FileSource::at_end() { return in_.peek() == std::char_traits<char>::eof(); }

// ---------------------------------------------------------------------------
// Free-format input

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool ends_value(char c) { return c == ' ' || c == '\t' || c == ',' || c == '/'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// One scanned entry of the input.
struct Token {
  enum class Kind { kValue, kNull, kSlash, kEnd } kind = Kind::kEnd;
  std::string_view text;  // kValue: the value without its repeat count
  int64_t repeat = 1;     // kValue and kNull
  bool bad_repeat = false;
};

// Walks the lines of a source with the separator rules. The line end counts
// as a blank; a comma right at the start of the read, or after another comma,
// is a null value.
class Scanner {
 public:
  explicit Scanner(LineSource& src) : src_(src) {}

  Token next() {
    for (;;) {
      if (!have_line_) {
        if (!src_.next_line(line_)) return Token{};
        have_line_ = true;
        pos_ = 0;
      }
      while (pos_ < line_.size() && is_blank(line_[pos_])) ++pos_;
      if (pos_ >= line_.size()) {
        have_line_ = false;
        continue;
      }
      const char c = line_[pos_];
      if (c == ',') {
        ++pos_;
        if (after_separator_) {
          Token t;
          t.kind = Token::Kind::kNull;
          return t;
        }
        after_separator_ = true;
        continue;
      }
      if (c == '/') {
        Token t;
        t.kind = Token::Kind::kSlash;
        return t;
      }
      const size_t start = pos_;
      while (pos_ < line_.size() && !ends_value(line_[pos_])) ++pos_;
      after_separator_ = false;
      return split_repeat(std::string_view(line_).substr(start, pos_ - start));
    }
  }

  // The first value as text for ASKTOK: quotes allowed.
  bool first_text(Answer& out) {
    for (;;) {
      if (!have_line_) {
        if (!src_.next_line(line_)) return false;
        have_line_ = true;
        pos_ = 0;
      }
      while (pos_ < line_.size() && is_blank(line_[pos_])) ++pos_;
      if (pos_ >= line_.size()) {
        have_line_ = false;
        continue;
      }
      const char c = line_[pos_];
      if (c == ',' || lone_slash(pos_)) return true;  // null or slash: out unchanged
      // An optional repeat count r* in front of the value.
      size_t p = pos_;
      while (p < line_.size() && is_digit(line_[p])) ++p;
      if (p > pos_ && p < line_.size() && line_[p] == '*') {
        const size_t after = p + 1;
        if (after >= line_.size() || ends_value(line_[after])) return true;  // r*: null
        pos_ = after;
      }
      const char q = line_[pos_];
      if (q == '\'' || q == '"') {
        std::string text;
        size_t i = pos_ + 1;
        while (i < line_.size()) {
          if (line_[i] == q) {
            if (i + 1 < line_.size() && line_[i + 1] == q) {
              text.push_back(q);
              i += 2;
              continue;
            }
            break;
          }
          text.push_back(line_[i]);
          ++i;
        }
        // Deliberate: a quote left open ends its value at the end of the line.
        out.assign(text);
        return true;
      }
      const size_t start = pos_;
      while (pos_ < line_.size() && !is_blank(line_[pos_]) && line_[pos_] != ',' && !lone_slash(pos_)) ++pos_;
      out.assign(std::string_view(line_).substr(start, pos_ - start));
      return true;
    }
  }

  // Deliberate: in a text answer a slash belongs to the value, since file
  // names here are paths written with slashes ("../run/mesh.msh"); only a
  // slash standing alone, or ending the value, ends the read as a slash.
  bool lone_slash(size_t i) const {
    return line_[i] == '/' && (i + 1 >= line_.size() || is_blank(line_[i + 1]) || line_[i + 1] == ',');
  }

  // Consumes one line for a read with an empty list.
  bool skip_line() { return src_.next_line(line_); }

 private:
  static Token split_repeat(std::string_view v) {
    Token t;
    t.kind = Token::Kind::kValue;
    t.text = v;
    size_t p = 0;
    while (p < v.size() && is_digit(v[p])) ++p;
    if (p == 0 || p >= v.size() || v[p] != '*') return t;
    int64_t r = 0;
    for (size_t i = 0; i < p; ++i) {
      r = r * 10 + (v[i] - '0');
      if (r > std::numeric_limits<int32_t>::max()) {
        t.bad_repeat = true;
        return t;
      }
    }
    if (r == 0) {
      t.bad_repeat = true;
      return t;
    }
    t.repeat = r;
    t.text = v.substr(p + 1);
    if (t.text.empty()) t.kind = Token::Kind::kNull;
    return t;
  }

  LineSource& src_;
  std::string line_;
  size_t pos_ = 0;
  bool have_line_ = false;
  bool after_separator_ = true;
};

// An optional sign followed by digits, within 32 bits.
bool parse_int(std::string_view s, int32_t& out) {
  size_t p = 0;
  bool neg = false;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) neg = s[p++] == '-';
  if (p >= s.size()) return false;
  int64_t v = 0;
  for (; p < s.size(); ++p) {
    if (!is_digit(s[p])) return false;
    v = v * 10 + (s[p] - '0');
    if (v > int64_t{std::numeric_limits<int32_t>::max()} + 1) return false;
  }
  if (neg) v = -v;
  if (v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min()) return false;
  out = static_cast<int32_t>(v);
  return true;
}

// Optional sign, digits with or without a point, optional E/D exponent.
bool parse_real(std::string_view s, float& out) {
  char buf[96];
  std::string big;
  char* dst = buf;
  if (s.size() + 1 > sizeof(buf)) {
    big.resize(s.size() + 1);
    dst = big.data();
  }
  size_t p = 0;
  size_t n = 0;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
    if (s[p] == '-') dst[n++] = '-';
    ++p;
  }
  size_t digits = 0;
  while (p < s.size() && is_digit(s[p])) {
    dst[n++] = s[p++];
    ++digits;
  }
  if (p < s.size() && s[p] == '.') {
    dst[n++] = s[p++];
    while (p < s.size() && is_digit(s[p])) {
      dst[n++] = s[p++];
      ++digits;
    }
  }
  if (digits == 0) return false;
  if (p < s.size() && (s[p] == 'E' || s[p] == 'e' || s[p] == 'D' || s[p] == 'd')) {
    dst[n++] = 'e';
    ++p;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) dst[n++] = s[p++];
    size_t exp_digits = 0;
    while (p < s.size() && is_digit(s[p])) {
      dst[n++] = s[p++];
      ++exp_digits;
    }
    if (exp_digits == 0) return false;
  }
  if (p != s.size()) return false;
  dst[n] = '\0';
  errno = 0;
  const float v = std::strtof(dst, nullptr);
  if (errno == ERANGE && std::isinf(v)) return false;  // too large for single precision
  out = v;
  return true;
}

}  // namespace

ReadResult FREERD(LineSource& src, std::initializer_list<ReadItem> items, ReadMode mode) {
  return FREERD(src, std::span<const ReadItem>(items.begin(), items.size()), mode);
}

ReadResult FREERD(LineSource& src, std::span<const ReadItem> items, ReadMode mode) {
  ReadResult result;
  Scanner scan(src);
  auto end_of_file = [&]() {
    if (mode == ReadMode::kStrict) throw RunFailure(kEndOfFile, src.unit(), src.name());
    result.status = ReadStatus::kEndOfFile;
    return result;
  };
  auto bad_value = [&]() {
    if (mode == ReadMode::kStrict) throw RunFailure(kBadNumber, src.unit(), src.name());
    result.status = ReadStatus::kBadValue;
    return result;
  };

  size_t total = 0;
  for (const ReadItem& it : items) total += it.count();
  if (total == 0) {
    if (!scan.skip_line()) return end_of_file();
    return result;
  }

  size_t item = 0;
  size_t elem = 0;
  auto advance = [&]() {
    ++result.taken;
    if (++elem >= items[item].count()) {
      elem = 0;
      ++item;
      while (item < items.size() && items[item].count() == 0) ++item;
    }
  };
  while (item < items.size() && items[item].count() == 0) ++item;

  Token tok;
  int64_t left = 0;  // copies of tok still to be handed out
  while (item < items.size()) {
    if (left == 0) {
      tok = scan.next();
      if (tok.kind == Token::Kind::kEnd) return end_of_file();
      if (tok.kind == Token::Kind::kSlash) {
        result.status = ReadStatus::kSlash;
        return result;
      }
      if (tok.bad_repeat) return bad_value();
      left = tok.repeat;
    }
    const ReadItem& it = items[item];
    if (tok.kind == Token::Kind::kValue) {
      if (it.kind() == ReadItem::Kind::kInt) {
        int32_t v = 0;
        if (!parse_int(tok.text, v)) return bad_value();
        it.ints()[elem] = v;
      } else {
        float v = 0.0f;
        if (!parse_real(tok.text, v)) return bad_value();
        it.reals()[elem] = v;
      }
    }
    --left;
    advance();
  }
  return result;
}

bool read_first_value(LineSource& src, Answer& out) {
  Scanner scan(src);
  return scan.first_text(out);
}

// ---------------------------------------------------------------------------
// Decimal digits of a float, rounded to nearest with halves away from zero.

namespace {

// Digits d1..dn and exponent e with |x| = 0.d1d2..dn x 10^e (n = count).
struct Decimal {
  char d[48];
  int n = 0;
  int e = 0;
};

// The exact decimal expansion of x > 0 (every float is exact in double and
// has at most 112 significant decimal digits).
void exact_digits(double x, std::string& digits, int& e) {
  char buf[160];
  const int len = std::snprintf(buf, sizeof(buf), "%.120e", x);
  digits.clear();
  int i = 0;
  for (; i < len && buf[i] != 'e'; ++i)
    if (is_digit(buf[i])) digits.push_back(buf[i]);
  e = std::atoi(buf + i + 1) + 1;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

// Adds one unit in the last place of dec; 99..9 becomes 10..0 with e + 1.
void increment(Decimal& dec) {
  int i = dec.n - 1;
  while (i >= 0 && dec.d[i] == '9') dec.d[i--] = '0';
  if (i >= 0) {
    ++dec.d[i];
  } else {
    dec.d[0] = '1';
    for (int k = 1; k < dec.n; ++k) dec.d[k] = '0';
    ++dec.e;
  }
}

// x > 0 finite, rounded to sig significant digits (1..40).
Decimal round_significant(double x, int sig) {
  Decimal dec;
  dec.n = sig;
  char buf[80];
  // Two digits more than needed; only an exact "50" there needs the full expansion.
  std::snprintf(buf, sizeof(buf), "%.*e", sig + 1, x);
  char m[48];
  int nm = 0;
  int i = 0;
  for (; buf[i] != 'e' && buf[i] != '\0'; ++i)
    if (is_digit(buf[i])) m[nm++] = buf[i];
  int e = std::atoi(buf + i + 1) + 1;
  const int extra = (m[sig] - '0') * 10 + (m[sig + 1] - '0');
  bool up = extra > 50;
  if (extra == 50) {
    std::string digits;
    int ex = 0;
    exact_digits(x, digits, ex);
    // printf may have carried into the leading digits; start again from the exact digits.
    e = ex;
    for (int k = 0; k < sig; ++k) m[k] = k < static_cast<int>(digits.size()) ? digits[static_cast<size_t>(k)] : '0';
    up = static_cast<int>(digits.size()) > sig && digits[static_cast<size_t>(sig)] >= '5';
  }
  for (int k = 0; k < sig; ++k) dec.d[k] = m[k];
  dec.e = e;
  if (up) increment(dec);
  return dec;
}

void right_justify(std::string& line, std::string_view s, int32_t w) {
  if (w < 0) w = 0;
  if (static_cast<int32_t>(s.size()) > w) {
    line.append(static_cast<size_t>(w), '*');
    return;
  }
  line.append(static_cast<size_t>(w) - s.size(), ' ');
  line.append(s);
}

void append_exp2(std::string& s, int exp) {
  s.push_back(exp < 0 ? '-' : '+');
  const int a = exp < 0 ? -exp : exp;
  if (a > 99) {
    s.append(std::to_string(a));
    return;
  }
  s.push_back(static_cast<char>('0' + a / 10));
  s.push_back(static_cast<char>('0' + a % 10));
}

const char* non_finite(float v) {
  if (std::isnan(v)) return "NaN";
  return v < 0.0f ? "-Infinity" : "Infinity";
}

}  // namespace

// ---------------------------------------------------------------------------
// Free-format output

std::string free_int(int32_t v) {
  std::string s;
  right_justify(s, std::to_string(v), kFreeIntWidth);
  return s;
}

std::string free_real(float v) {
  std::string out;
  if (!std::isfinite(v)) {
    right_justify(out, non_finite(v), kFreeRealWidth);
    return out;
  }
  const bool neg = v < 0.0f;
  const double x = std::fabs(static_cast<double>(v));
  std::string s;
  if (neg) s.push_back('-');
  if (x != 0.0) {
    const Decimal d7 = round_significant(x, 7);
    // Fixed-point form for 0.1 <= |v| < 10 000 000 after rounding.
    if (d7.e >= 0 && d7.e <= 7) {
      if (d7.e == 0) s.push_back('0');
      s.append(d7.d, static_cast<size_t>(d7.e));
      s.push_back('.');
      s.append(d7.d + d7.e, static_cast<size_t>(7 - d7.e));
      right_justify(out, s, 11);
      out.append(4, ' ');
      return out;
    }
    // Exponent form of the same 7-digit value, shown with 8 digits.
    s.push_back(d7.d[0]);
    s.push_back('.');
    s.append(d7.d + 1, 6);
    s.push_back('0');
    s.push_back('E');
    append_exp2(s, d7.e - 1);
  } else {
    s = "0.0000000E+00";
  }
  right_justify(out, s, kFreeRealWidth);
  return out;
}

void format_free_line(std::string& out, std::initializer_list<WriteItem> items) {
  format_free_line(out, std::span<const WriteItem>(items.begin(), items.size()));
}

void format_free_line(std::string& out, std::span<const WriteItem> items) {
  size_t line_start = out.size();
  bool has_item = false;
  bool after_number = false;
  std::string piece;
  for (const WriteItem& it : items) {
    bool blank_first = false;
    switch (it.kind()) {
      case WriteItem::Kind::kText:
        piece.assign(it.text());
        blank_first = after_number;
        break;
      case WriteItem::Kind::kInt:
        piece = free_int(it.int_value());
        break;
      case WriteItem::Kind::kReal:
        piece = free_real(it.real_value());
        break;
    }
    if (!has_item) {
      out.push_back(' ');
    } else {
      const size_t used = out.size() - line_start;
      const size_t need = piece.size() + (blank_first ? 1 : 0);
      if (used + need > static_cast<size_t>(kFreeLineLength)) {
        // The item does not fit: it starts a new line.
        out.append("\r\n ");
        line_start = out.size() - 1;
        blank_first = false;
      }
    }
    if (blank_first) out.push_back(' ');
    out.append(piece);
    has_item = true;
    after_number = it.kind() != WriteItem::Kind::kText;
  }
  out.append("\r\n");
}

void FREEWR(std::ostream& out, std::initializer_list<WriteItem> items) {
  FREEWR(out, std::span<const WriteItem>(items.begin(), items.size()));
}

void FREEWR(std::ostream& out, std::span<const WriteItem> items) {
  std::string s;
  format_free_line(s, items);
  out << s;
}

// ---------------------------------------------------------------------------
// Fixed-layout fields

void put_A(std::string& line, std::string_view text) { line.append(text); }

void put_A(std::string& line, std::string_view text, int32_t w) {
  if (w <= 0) return;
  const size_t n = static_cast<size_t>(w);
  if (text.size() >= n) {
    line.append(text.substr(0, n));
  } else {
    line.append(text);
    line.append(n - text.size(), ' ');
  }
}

void put_I(std::string& line, int32_t v, int32_t w) { right_justify(line, std::to_string(v), w); }

void put_F(std::string& line, float v, int32_t w, int32_t d) {
  if (d < 0) d = 0;
  if (!std::isfinite(v)) {
    right_justify(line, non_finite(v), w);
    return;
  }
  const bool neg = std::signbit(v) && v != 0.0f;
  const double x = std::fabs(static_cast<double>(v));
  // Digits kept: those with place value >= 10^-d.
  std::string digits;
  int e = 0;
  if (x != 0.0) exact_digits(x, digits, e);
  std::string kept;  // the rounded value as an integer count of 10^-d
  if (x != 0.0) {
    const int n = e + d;
    if (n > 0) {
      for (int k = 0; k < n; ++k)
        kept.push_back(k < static_cast<int>(digits.size()) ? digits[static_cast<size_t>(k)] : '0');
    }
    const bool up = n >= 0 && n < static_cast<int>(digits.size()) && digits[static_cast<size_t>(n)] >= '5';
    if (up) {
      int i = static_cast<int>(kept.size()) - 1;
      while (i >= 0 && kept[static_cast<size_t>(i)] == '9') kept[static_cast<size_t>(i--)] = '0';
      if (i >= 0)
        ++kept[static_cast<size_t>(i)];
      else
        kept.insert(kept.begin(), '1');
    }
  }
  // Split into integer and fraction digits.
  if (static_cast<int>(kept.size()) < d) kept.insert(kept.begin(), static_cast<size_t>(d) - kept.size(), '0');
  std::string int_part = kept.substr(0, kept.size() - static_cast<size_t>(d));
  const std::string frac = kept.substr(kept.size() - static_cast<size_t>(d));
  while (int_part.size() > 1 && int_part[0] == '0') int_part.erase(0, 1);
  if (int_part == "0") int_part.clear();
  std::string s;
  if (neg) s.push_back('-');
  // A "0" before the point when there is no integer digit and the field has room.
  const int32_t bare = (neg ? 1 : 0) + 1 + d;
  if (int_part.empty() && bare < w) s.push_back('0');
  s.append(int_part);
  s.push_back('.');
  s.append(frac);
  right_justify(line, s, w);
}

void put_E(std::string& line, float v, int32_t w, int32_t d) {
  if (d < 1) d = 1;
  if (!std::isfinite(v)) {
    right_justify(line, non_finite(v), w);
    return;
  }
  const bool neg = v < 0.0f;
  const double x = std::fabs(static_cast<double>(v));
  std::string s;
  if (neg) s.push_back('-');
  s.append("0.");
  int exp = 0;
  if (x != 0.0) {
    const Decimal dec = round_significant(x, d > 40 ? 40 : d);
    s.append(dec.d, static_cast<size_t>(dec.n));
    if (d > 40) s.append(static_cast<size_t>(d - 40), '0');
    exp = dec.e;
  } else {
    s.append(static_cast<size_t>(d), '0');
  }
  s.push_back('E');
  append_exp2(s, exp);
  // The 0 before the point is left out only when the field has no room for it.
  if (static_cast<int32_t>(s.size()) > w) s.erase(neg ? 1 : 0, 1);
  right_justify(line, s, w);
}

void put_1PE(std::string& line, float v, int32_t w, int32_t d) {
  if (d < 0) d = 0;
  if (!std::isfinite(v)) {
    right_justify(line, non_finite(v), w);
    return;
  }
  const bool neg = v < 0.0f;
  const double x = std::fabs(static_cast<double>(v));
  std::string s;
  if (neg) s.push_back('-');
  int exp = 0;
  if (x != 0.0) {
    const int sig = d + 1 > 40 ? 40 : d + 1;
    const Decimal dec = round_significant(x, sig);
    s.push_back(dec.d[0]);
    s.push_back('.');
    s.append(dec.d + 1, static_cast<size_t>(sig - 1));
    if (d + 1 > 40) s.append(static_cast<size_t>(d + 1 - 40), '0');
    exp = dec.e - 1;
  } else {
    s.append("0.");
    s.append(static_cast<size_t>(d), '0');
  }
  s.push_back('E');
  append_exp2(s, exp);
  right_justify(line, s, w);
}

void put_X(std::string& line, int32_t n) { line.append(static_cast<size_t>(n > 0 ? n : 0), ' '); }

std::string field_A(std::string_view text, int32_t w) {
  std::string s;
  put_A(s, text, w);
  return s;
}
std::string field_I(int32_t v, int32_t w) {
  std::string s;
  put_I(s, v, w);
  return s;
}
std::string field_F(float v, int32_t w, int32_t d) {
  std::string s;
  put_F(s, v, w, d);
  return s;
}
std::string field_E(float v, int32_t w, int32_t d) {
  std::string s;
  put_E(s, v, w, d);
  return s;
}
std::string field_1PE(float v, int32_t w, int32_t d) {
  std::string s;
  put_1PE(s, v, w, d);
  return s;
}

void write_line(std::ostream& out, std::string_view text) {
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.write("\r\n", 2);
}

// ---------------------------------------------------------------------------
// Text output files

TextOutput::TextOutput(const Answer& file_name, int32_t unit) : name_(file_name.name()), unit_(unit) { open(); }
TextOutput::TextOutput(const std::string& file_name, int32_t unit) : name_(file_name), unit_(unit) { open(); }

TextOutput::~TextOutput() {
  if (out_.is_open()) out_.close();
}

void TextOutput::open() {
  buffer_ = std::make_unique<char[]>(kFileBufferSize);
  out_.rdbuf()->pubsetbuf(buffer_.get(), static_cast<std::streamsize>(kFileBufferSize));
  if (!name_.empty()) out_.open(std::filesystem::path(name_), std::ios::out | std::ios::binary | std::ios::trunc);
  if (!out_.is_open()) throw RunFailure(kCannotCreate, unit_, name_);
}

void TextOutput::FREEWR(std::initializer_list<WriteItem> items) { suite::FREEWR(out_, items); }

void TextOutput::line(std::string_view text) { write_line(out_, text); }

void TextOutput::close() {
  if (!out_.is_open()) return;
  out_.flush();
  const bool failed = out_.fail();
  out_.close();
  if (failed || out_.fail()) throw RunFailure(kWriteFailed, unit_, name_);
}

}  // namespace suite
