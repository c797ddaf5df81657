// Test helpers shared by the end-to-end tests: a private temporary directory,
// a scoped change of the working directory, file helpers and a runner that
// starts a program with arguments and standard input and collects its exit
// status, standard output and standard error.
//
// Safety: a TempDir removes only the exact path mkdtemp gave it, only when
// that path lies directly under /tmp and carries the helper's prefix, and
// only after leaving it when it is the current directory.
#ifndef SUITE_TESTS_SUPPORT_PROGRAM_RUN_H
#define SUITE_TESTS_SUPPORT_PROGRAM_RUN_H

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace suite_test {

inline constexpr const char* kTempPrefix = "/tmp/suite_run_";

// A fresh directory made by mkdtemp, removed with its content on destruction.
class TempDir {
 public:
  explicit TempDir(const std::string& tag = "t") {
    std::string pattern = std::string(kTempPrefix) + sanitise(tag) + "_XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr) {
      throw std::runtime_error("mkdtemp failed for " + pattern + ": " + std::strerror(errno));
    }
    path_ = buf.data();
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() { remove_exact(); }

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  static std::string sanitise(const std::string& tag) {
    std::string out;
    for (char c : tag) {
      bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
      out.push_back(ok ? c : '_');
    }
    return out.empty() ? std::string("t") : out.substr(0, 40);
  }

  // Removes path_ only: never a parent, never an empty or foreign path.
  void remove_exact() noexcept {
    if (path_.empty()) return;
    const std::string prefix = kTempPrefix;
    if (path_.rfind(prefix, 0) != 0 || path_.size() <= prefix.size() + 6 ||
        path_.find("/..") != std::string::npos || path_.find('/', 5) != std::string::npos) {
      return;  // not a path this helper made: leave it alone
    }
    std::error_code ec;
    std::filesystem::path cwd = std::filesystem::current_path(ec);
    if (!ec) {
      std::string c = cwd.string();
      if (c == path_ || c.rfind(path_ + "/", 0) == 0) {
        if (::chdir("/tmp") != 0) return;  // cannot leave it: do not remove it
      }
    }
    std::filesystem::remove_all(std::filesystem::path(path_), ec);
    path_.clear();
  }

  std::string path_;
};

// Changes the working directory for the lifetime of the object.
class ScopedChdir {
 public:
  explicit ScopedChdir(const std::string& dir) {
    std::error_code ec;
    old_ = std::filesystem::current_path(ec).string();
    if (ec || ::chdir(dir.c_str()) != 0) {
      throw std::runtime_error("cannot change directory to " + dir);
    }
  }
  ScopedChdir(const ScopedChdir&) = delete;
  ScopedChdir& operator=(const ScopedChdir&) = delete;
  ~ScopedChdir() {
    if (::chdir(old_.c_str()) != 0) {
      (void)::chdir("/tmp");
    }
  }

 private:
  std::string old_;
};

inline void write_file(const std::string& path, const std::string& content) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("cannot create " + path);
  f << content;
  if (!f) throw std::runtime_error("cannot write " + path);
}

inline std::string read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot open " + path);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline bool file_exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

// Splits text at CR LF line ends; a final piece without a line end is kept.
inline std::vector<std::string> crlf_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      lines.push_back(text.substr(pos));
      break;
    }
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

#ifdef SUITE_BINARY_DIR
// Path of a program built into the suite's bin directory.
inline std::string program_path(const std::string& name) {
  return std::string(SUITE_BINARY_DIR) + "/bin/" + name;
}
#endif

struct RunResult {
  bool exited = false;    // ended normally (not by a signal)
  int status = -1;        // exit status when exited
  int signal = 0;         // terminating signal otherwise
  bool timed_out = false; // killed after the time limit
  std::string out;
  std::string err;
};

// Runs `exe` with `args` in directory `cwd` (the caller's when empty), feeding
// `input` on standard input. A child still running after `timeout` is killed.
inline RunResult run_program(const std::string& exe, const std::vector<std::string>& args,
                             const std::string& input, const std::string& cwd = "",
                             std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (::pipe(in_pipe) != 0) throw std::runtime_error("pipe failed");
  if (::pipe(out_pipe) != 0) throw std::runtime_error("pipe failed");
  if (::pipe(err_pipe) != 0) throw std::runtime_error("pipe failed");

  std::vector<std::string> argv_store;
  argv_store.push_back(exe);
  argv_store.insert(argv_store.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_store) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(in_pipe[0], 0);
    ::dup2(out_pipe[1], 1);
    ::dup2(err_pipe[1], 2);
    ::close(in_pipe[0]); ::close(in_pipe[1]);
    ::close(out_pipe[0]); ::close(out_pipe[1]);
    ::close(err_pipe[0]); ::close(err_pipe[1]);
    if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
    ::execv(exe.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);

  // The child may stop reading early; a write to a closed pipe must not kill us.
  struct sigaction ignore {}, old {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &old);

  int fd_in = in_pipe[1];
  ::fcntl(fd_in, F_SETFL, ::fcntl(fd_in, F_GETFL) | O_NONBLOCK);
  size_t written = 0;
  if (input.empty()) { ::close(fd_in); fd_in = -1; }

  RunResult r;
  int fd_out = out_pipe[0], fd_err = err_pipe[0];
  auto deadline = std::chrono::steady_clock::now() + timeout;
  char buf[65536];
  while (fd_out >= 0 || fd_err >= 0) {
    pollfd fds[3];
    int n = 0;
    if (fd_out >= 0) fds[n++] = {fd_out, POLLIN, 0};
    if (fd_err >= 0) fds[n++] = {fd_err, POLLIN, 0};
    if (fd_in >= 0) fds[n++] = {fd_in, POLLOUT, 0};
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      ::kill(pid, SIGKILL);
      r.timed_out = true;
      break;
    }
    int rc = ::poll(fds, n, static_cast<int>(left.count()));
    if (rc < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < n; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == fd_in) {
        ssize_t w = ::write(fd_in, input.data() + written, input.size() - written);
        if (w > 0) written += static_cast<size_t>(w);
        if (w < 0 && errno != EAGAIN && errno != EINTR) written = input.size();
        if (written >= input.size()) { ::close(fd_in); fd_in = -1; }
        continue;
      }
      ssize_t got = ::read(fds[i].fd, buf, sizeof buf);
      if (got > 0) {
        (fds[i].fd == fd_out ? r.out : r.err).append(buf, static_cast<size_t>(got));
      } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
        ::close(fds[i].fd);
        if (fds[i].fd == fd_out) fd_out = -1; else fd_err = -1;
      }
    }
  }
  if (fd_in >= 0) ::close(fd_in);
  if (fd_out >= 0) ::close(fd_out);
  if (fd_err >= 0) ::close(fd_err);

  int wstatus = 0;
  while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {}
  ::sigaction(SIGPIPE, &old, nullptr);
  if (WIFEXITED(wstatus)) {
    r.exited = true;
    r.status = WEXITSTATUS(wstatus);
  } else if (WIFSIGNALED(wstatus)) {
    r.signal = WTERMSIG(wstatus);
  }
  return r;
}

}  // namespace suite_test

#endif  // SUITE_TESTS_SUPPORT_PROGRAM_RUN_H
