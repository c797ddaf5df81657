// The console of a program: its command-line arguments, standard input,
// output and error as streams (tests pass string streams), and the dialogue
// operations IARGC, GETARG, PROMPT, ASKLIN, ASKTOK, FREERD, FREEWR, STOPMS.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "common/answer.h"
#include "common/freeformat.h"
#include "common/stop.h"

namespace suite {

// kelvane, brimlet, augerine: stop messages go to standard error, a stop
// without a message writes nothing. torrin: stop messages go to standard
// output, and a stop without a message writes kTorrinStopLine there.
enum class StopStyle { kStandard, kTorrin };

inline constexpr const char* kTorrinStopLine = "Stop - Program terminated.";

class Console {
 public:
  // args: the command-line arguments without the program name.
  Console(std::istream& in, std::ostream& out, std::ostream& err, std::vector<std::string> args,
          StopStyle style = StopStyle::kStandard);
  // From main's argc/argv (argv[0] is left out).
  static std::vector<std::string> arguments(int argc, char** argv);

  // Argument count, not counting the program name.
  [[nodiscard]] int32_t IARGC() const;
  // Copies argument n (1-based) into buf, cut to 80 and blank padded.
  // Returns the argument's length, or -1 (buf all blank) when there is none.
  int32_t GETARG(int32_t n, Answer& buf) const;

  // Writes the text exactly, without a line end, and flushes.
  void PROMPT(std::string_view text);
  // Whole-line answer: one line of standard input (an empty line gives an
  // all-blank buffer). End of input is a run-time failure.
  void ASKLIN(Answer& buf);
  // First-value answer (see read_first_value). End of input before a value
  // is a run-time failure. buf is left unchanged by a slash or a null.
  void ASKTOK(Answer& buf);
  // Yes/no answer read as a whole line: true when it begins with y or Y.
  bool ask_yes_no();

  // Free-format read from standard input.
  ReadResult FREERD(std::initializer_list<ReadItem> items, ReadMode mode = ReadMode::kStrict);
  LineSource& input() { return stdin_; }

  // One free-format line on standard output.
  void FREEWR(std::initializer_list<WriteItem> items);
  // A line of fixed-layout text on standard output: text + CR LF.
  void line(std::string_view text);

  // Writes the message as one line (stream by StopStyle) and ends the
  // program with exit status 0 (throws ProgramStop).
  [[noreturn]] void STOPMS(std::string_view message);
  // Stop without a message (torrin writes kTorrinStopLine).
  [[noreturn]] void STOP();

  [[nodiscard]] StopStyle style() const { return style_; }
  std::ostream& out() { return out_; }
  std::ostream& err() { return err_; }
  std::istream& in() { return in_; }
  void flush();

 private:
  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  std::vector<std::string> args_;
  StopStyle style_;
  StreamSource stdin_;
};

enum class AnswerStyle { kWholeLine, kFirstValue };

// One question: argument k when the argument count is at least k (no
// prompt); otherwise an empty free-format line, the prompt, and an answer of
// the given style. buf is cleared first. Returns GETARG's status, or 0.
int32_t ask_answer(Console& con, int32_t k, std::string_view prompt, Answer& buf, AnswerStyle style);

// One number read from an answer buffer with a strict free-format read (a
// value that is not a number, or an all-blank buffer, is a RunFailure).
void read_number(const Answer& text, float& value);
void read_number(const Answer& text, int32_t& value);

// True when the named file (leading and trailing blanks ignored) exists.
bool FILEEX(const Answer& name);
bool FILEEX(const std::string& name);

}  // namespace suite
