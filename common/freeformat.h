// Free-format input (FREERD) and output (FREEWR), the fixed-layout fields and
// the text files they work on.
#pragma once

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "common/answer.h"

namespace suite {

// Unit numbers shown in run-time failure lines.
inline constexpr int32_t kUnitStdin = 5;
inline constexpr int32_t kUnitStdout = 6;
inline constexpr int32_t kUnitInternal = 0;  // an answer buffer
inline constexpr int32_t kUnitFile = 10;     // default for opened files

// ---------------------------------------------------------------------------
// Line sources. A free-format read consumes whole lines; a trailing CR of a
// CR LF line is not part of the line.
class LineSource {
 public:
  LineSource(int32_t unit, std::string name) : unit_(unit), name_(std::move(name)) {}
  virtual ~LineSource() = default;
  LineSource(const LineSource&) = delete;
  LineSource& operator=(const LineSource&) = delete;

  // Next line into `line`; false at the end of the input.
  virtual bool next_line(std::string& line) = 0;

  [[nodiscard]] int32_t unit() const { return unit_; }
  [[nodiscard]] const std::string& name() const { return name_; }

 private:
  int32_t unit_;
  std::string name_;
};

// Lines of a stream the caller owns (standard input, a test's istringstream).
class StreamSource : public LineSource {
 public:
  StreamSource(std::istream& in, int32_t unit, std::string name);
  bool next_line(std::string& line) override;

 private:
  std::istream& in_;
};

// An answer buffer read as one line of 80 characters; reading past it is an
// end-of-file condition.
class AnswerSource : public LineSource {
 public:
  explicit AnswerSource(const Answer& text);
  bool next_line(std::string& line) override;

 private:
  std::string text_;
  bool used_ = false;
};

// A text file opened for reading. Opening a file that is missing or cannot be
// read throws RunFailure (kFileNotFound / kCannotOpen). The file is closed
// when the object goes.
class FileSource : public LineSource {
 public:
  explicit FileSource(const Answer& file_name, int32_t unit = kUnitFile);
  explicit FileSource(const std::string& file_name, int32_t unit = kUnitFile);
  bool next_line(std::string& line) override;
  // True when no further line can be read.
  [[nodiscard]] bool at_end();

 private:
  void open();
  std::ifstream in_;
  std::unique_ptr<char[]> buffer_;
};

// ---------------------------------------------------------------------------
// FREERD: one free-format read of a list of items.
//
// Rules: blanks, tabs, line ends and commas separate values; r*v is r copies
// of v, r* is r nulls; a null (",,", a leading comma, r*) leaves its variable
// unchanged; a slash ends the read; the read continues over as many lines as
// it needs and discards the rest of its last line; an empty list discards
// one line; integers take an optional sign and digits only; reals take
// digits with an optional point and an optional E/D exponent.

// One entry of a read list: a variable or an array of variables.
class ReadItem {
 public:
  enum class Kind { kInt, kReal };
  ReadItem(int32_t& v) : kind_(Kind::kInt), ptr_(&v), count_(1) {}  // NOLINT(implicit)
  ReadItem(float& v) : kind_(Kind::kReal), ptr_(&v), count_(1) {}   // NOLINT(implicit)
  ReadItem(std::span<int32_t> v) : kind_(Kind::kInt), ptr_(v.data()), count_(v.size()) {}  // NOLINT
  ReadItem(std::span<float> v) : kind_(Kind::kReal), ptr_(v.data()), count_(v.size()) {}   // NOLINT
  ReadItem(double&) = delete;  // every real of the suite is single precision

  [[nodiscard]] Kind kind() const { return kind_; }
  [[nodiscard]] size_t count() const { return count_; }
  [[nodiscard]] int32_t* ints() const { return static_cast<int32_t*>(ptr_); }
  [[nodiscard]] float* reals() const { return static_cast<float*>(ptr_); }

 private:
  Kind kind_;
  void* ptr_;
  size_t count_;
};

enum class ReadMode {
  kStrict,    // end of input or a bad value is a run-time failure (RunFailure)
  kTolerant,  // the read ends quietly; variables not read keep their values
};

enum class ReadStatus {
  kComplete,   // every list entry was given a value or a null
  kSlash,      // a slash ended the read early
  kEndOfFile,  // tolerant read only: the input ended first
  kBadValue,   // tolerant read only: a value could not be read
};

struct ReadResult {
  ReadStatus status = ReadStatus::kComplete;
  int64_t taken = 0;  // list entries (array elements counted one by one) given a value or a null
};

ReadResult FREERD(LineSource& src, std::initializer_list<ReadItem> items, ReadMode mode = ReadMode::kStrict);
ReadResult FREERD(LineSource& src, std::span<const ReadItem> items, ReadMode mode = ReadMode::kStrict);

// First-value text scan shared by ASKTOK: takes the first value of the lines
// of src as text (quotes with doubled quote characters, separators, empty
// lines skipped, slash or null leaves `out` unchanged, rest of line
// discarded). A slash inside a value is part of it (paths); only a slash
// standing alone or ending the value acts as a slash. Returns false at the end of the input before any value, slash
// or null was found.
bool read_first_value(LineSource& src, Answer& out);

// ---------------------------------------------------------------------------
// FREEWR: one free-format output line (leading blank; integers in 12
// characters; reals in 15, fixed or exponent form; a blank before text that
// follows a number; at most 80 characters per line, CR LF line ends).

class WriteItem {
 public:
  enum class Kind { kText, kInt, kReal };
  WriteItem(std::string_view text) : kind_(Kind::kText), text_(text) {}  // NOLINT(implicit)
  WriteItem(const char* text) : kind_(Kind::kText), text_(text) {}       // NOLINT(implicit)
  WriteItem(const std::string& text) : kind_(Kind::kText), text_(text) {}  // NOLINT(implicit)
  WriteItem(const Answer& text) : kind_(Kind::kText), text_(text.view()) {}  // NOLINT(implicit)
  WriteItem(int32_t v) : kind_(Kind::kInt), int_(v) {}  // NOLINT(implicit)
  WriteItem(float v) : kind_(Kind::kReal), real_(v) {}  // NOLINT(implicit)
  WriteItem(double) = delete;  // write single-precision values only
  WriteItem(int64_t) = delete;
  WriteItem(bool) = delete;

  [[nodiscard]] Kind kind() const { return kind_; }
  [[nodiscard]] std::string_view text() const { return text_; }
  [[nodiscard]] int32_t int_value() const { return int_; }
  [[nodiscard]] float real_value() const { return real_; }

 private:
  Kind kind_;
  std::string_view text_;
  int32_t int_ = 0;
  float real_ = 0.0f;
};

inline constexpr int32_t kFreeLineLength = 80;
inline constexpr int32_t kFreeIntWidth = 12;
inline constexpr int32_t kFreeRealWidth = 15;

// Appends the free-format line(s) of the items, CR LF included, to `out`.
void format_free_line(std::string& out, std::initializer_list<WriteItem> items);
void format_free_line(std::string& out, std::span<const WriteItem> items);
// Writes them to a stream.
void FREEWR(std::ostream& out, std::initializer_list<WriteItem> items);
void FREEWR(std::ostream& out, std::span<const WriteItem> items);

// The 15-character free-format field of a real / 12-character of an integer.
std::string free_real(float v);
std::string free_int(int32_t v);

// ---------------------------------------------------------------------------
// Fixed-layout fields. Each appends exactly its width (asterisks when the
// value does not fit). Rounding is to nearest, halves away from zero, on the
// exact value of the float.

void put_A(std::string& line, std::string_view text);          // unsized text, as passed
void put_A(std::string& line, std::string_view text, int32_t w);  // cut or blank padded to w
void put_I(std::string& line, int32_t v, int32_t w);           // Iw
void put_F(std::string& line, float v, int32_t w, int32_t d);  // Fw.d
void put_E(std::string& line, float v, int32_t w, int32_t d);  // Ew.d   (0.ddddE+xx)
void put_1PE(std::string& line, float v, int32_t w, int32_t d);  // 1PEw.d (d.ddddE+xx)
void put_X(std::string& line, int32_t n);                      // nX

// The same, returning the field.
std::string field_A(std::string_view text, int32_t w);
std::string field_I(int32_t v, int32_t w);
std::string field_F(float v, int32_t w, int32_t d);
std::string field_E(float v, int32_t w, int32_t d);
std::string field_1PE(float v, int32_t w, int32_t d);

// Writes text and CR LF: a line made of fixed-layout fields.
void write_line(std::ostream& out, std::string_view text);

// ---------------------------------------------------------------------------
// A text file created, or replaced when it exists. Failure to create it, or
// a write error found at close(), throws RunFailure naming the file.
class TextOutput {
 public:
  explicit TextOutput(const Answer& file_name, int32_t unit = kUnitFile);
  explicit TextOutput(const std::string& file_name, int32_t unit = kUnitFile);
  ~TextOutput();  // closes without throwing
  TextOutput(const TextOutput&) = delete;
  TextOutput& operator=(const TextOutput&) = delete;

  std::ostream& stream() { return out_; }
  void FREEWR(std::initializer_list<WriteItem> items);
  void line(std::string_view text);  // text + CR LF
  // Flushes and closes; throws RunFailure on a write error.
  void close();
  [[nodiscard]] const std::string& name() const { return name_; }

 private:
  void open();
  std::string name_;
  int32_t unit_;
  std::ofstream out_;
  std::unique_ptr<char[]> buffer_;
};

}  // namespace suite
