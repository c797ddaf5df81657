#include "common/console.h"

#include <filesystem>
#include <istream>
#include <ostream>

namespace suite {

Console::Console(std::istream& in, std::ostream& out, std::ostream& err, std::vector<std::string> args,
                 StopStyle style)
    : in_(in), out_(out), err_(err), args_(std::move(args)), style_(style), stdin_(in, kUnitStdin, "stdin") {}

std::vector<std::string> Console::arguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

int32_t Console::IARGC() const { return static_cast<int32_t>(args_.size()); }

int32_t Console::GETARG(int32_t n, Answer& buf) const {
  if (n < 1 || n > IARGC()) {
    buf.clear();
    return -1;
  }
  const std::string& a = args_[static_cast<size_t>(n - 1)];
  buf.assign(a);
  return static_cast<int32_t>(a.size());
}

void Console::PROMPT(std::string_view text) {
  out_ << text;
  out_.flush();
}

void Console::ASKLIN(Answer& buf) {
  out_.flush();
  std::string line;
  if (!stdin_.next_line(line)) throw RunFailure(kEndOfFile, stdin_.unit(), stdin_.name());
  buf.assign(line);
}

void Console::ASKTOK(Answer& buf) {
  out_.flush();
  if (!read_first_value(stdin_, buf)) throw RunFailure(kEndOfFile, stdin_.unit(), stdin_.name());
}

bool Console::ask_yes_no() {
  Answer a;
  ASKLIN(a);
  return a.first() == 'y' || a.first() == 'Y';
}

ReadResult Console::FREERD(std::initializer_list<ReadItem> items, ReadMode mode) {
  out_.flush();
  return suite::FREERD(stdin_, items, mode);
}

void Console::FREEWR(std::initializer_list<WriteItem> items) { suite::FREEWR(out_, items); }

void Console::line(std::string_view text) { write_line(out_, text); }

void Console::STOPMS(std::string_view message) {
  if (style_ == StopStyle::kTorrin) {
    write_line(out_, message);
    out_.flush();
  } else {
    out_.flush();
    write_line(err_, message);
    err_.flush();
  }
  throw ProgramStop{0};
}

void Console::STOP() {
  if (style_ == StopStyle::kTorrin) write_line(out_, kTorrinStopLine);
  out_.flush();
  throw ProgramStop{0};
}

void Console::flush() {
  out_.flush();
  err_.flush();
}

int32_t ask_answer(Console& con, int32_t k, std::string_view prompt, Answer& buf, AnswerStyle style) {
  buf.clear();
  if (con.IARGC() >= k) return con.GETARG(k, buf);
  con.FREEWR({});
  con.PROMPT(prompt);
  if (style == AnswerStyle::kWholeLine)
    con.ASKLIN(buf);
  else
    con.ASKTOK(buf);
  return 0;
}

void read_number(const Answer& text, float& value) {
  AnswerSource src(text);
  suite::FREERD(src, {value});
}

void read_number(const Answer& text, int32_t& value) {
  AnswerSource src(text);
  suite::FREERD(src, {value});
}

bool FILEEX(const std::string& name) {
  if (name.empty()) return false;
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::path(name), ec);
}

bool FILEEX(const Answer& name) { return FILEEX(name.name()); }

}  // namespace suite
