// How a program ends early. A stop (STOPMS, or a stop without a message) and a
// run-time failure are exceptions, so every object on the way out is destroyed
// (scratch files deleted, files closed); only run_program() turns them into
// the exit status.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace suite {

class Console;

// Thrown after a stop message (or none) has been written: exit status 0.
struct ProgramStop {
  int32_t status = 0;
};

// A failed read or file operation, or memory that could not be obtained.
// what() is the one diagnostic line (without line end), naming the condition,
// the unit and the file, e.g.
//   "run-time error: end of file during a read, unit 10, file mesh.txt"
class RunFailure : public std::runtime_error {
 public:
  RunFailure(std::string condition, int32_t unit, std::string file);
  [[nodiscard]] const std::string& condition() const { return condition_; }
  [[nodiscard]] int32_t unit() const { return unit_; }
  [[nodiscard]] const std::string& file() const { return file_; }

 private:
  std::string condition_;
  int32_t unit_;
  std::string file_;
};

// Condition texts of RunFailure.
inline constexpr const char* kEndOfFile = "end of file during a read";
inline constexpr const char* kBadNumber = "input conversion error (a value that is not a number of its kind)";
inline constexpr const char* kFileNotFound = "file not found";
inline constexpr const char* kCannotOpen = "file cannot be opened";
inline constexpr const char* kCannotCreate = "file cannot be created";
inline constexpr const char* kWriteFailed = "write error";
inline constexpr const char* kNoMemory = "insufficient memory for the mesh and model arrays";

// Exit status of a run-time failure.
inline constexpr int kFailureStatus = 2;

// Runs a program body: a ProgramStop gives its status (0); a RunFailure (or
// std::bad_alloc) writes its line with CR LF on the console's error stream
// and gives kFailureStatus. Output streams are flushed in every case.
int run_program(Console& con, const std::function<void()>& body);

}  // namespace suite
