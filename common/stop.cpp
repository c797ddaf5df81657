#include "common/stop.h"

#include <new>
#include <ostream>

#include "common/console.h"

namespace suite {

namespace {
std::string failure_line(const std::string& condition, int32_t unit, const std::string& file) {
  return "run-time error: " + condition + ", unit " + std::to_string(unit) + ", file " + file;
}
}  // namespace

RunFailure::RunFailure(std::string condition, int32_t unit, std::string file)
    : std::runtime_error(failure_line(condition, unit, file)),
      condition_(std::move(condition)),
      unit_(unit),
      file_(std::move(file)) {}

int run_program(Console& con, const std::function<void()>& body) {
  try {
    body();
    con.flush();
    return 0;
  } catch (const ProgramStop& stop) {
    con.flush();
    return stop.status;
  } catch (const RunFailure& failure) {
    con.flush();
    con.err() << failure.what() << "\r\n";
    con.err().flush();
    return kFailureStatus;
  } catch (const std::bad_alloc&) {
    con.flush();
    con.err() << "run-time error: " << kNoMemory << "\r\n";
    con.err().flush();
    return kFailureStatus;
  }
}

}  // namespace suite
