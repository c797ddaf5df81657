#include "gridout/wordfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace gridout {
namespace {

constexpr size_t kBufBytes = 64 * 1024;

// pread until n bytes or the end of the file; -1 on error.
ssize_t pread_full(int fd, char* dst, size_t n, int64_t off) {
  size_t got = 0;
  while (got < n) {
    const ssize_t r = ::pread(fd, dst + got, n - got, static_cast<off_t>(off + static_cast<int64_t>(got)));
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return static_cast<ssize_t>(got);
}

}  // namespace

WordFile::~WordFile() { (void)close(); }

WordFile::WordFile(WordFile&& other) noexcept { *this = std::move(other); }

WordFile& WordFile::operator=(WordFile&& other) noexcept {
  if (this != &other) {
    (void)close();
    fd_ = std::exchange(other.fd_, -1);
    writable_ = other.writable_;
    failed_ = other.failed_;
    pos_ = other.pos_;
    wbuf_ = std::move(other.wbuf_);
    wstart_ = other.wstart_;
    wlen_ = std::exchange(other.wlen_, 0);
    rbuf_ = std::move(other.rbuf_);
    rstart_ = other.rstart_;
    rlen_ = std::exchange(other.rlen_, 0);
  }
  return *this;
}

void WordFile::reset_buffers() {
  pos_ = 0;
  wstart_ = 0;
  wlen_ = 0;
  rstart_ = 0;
  rlen_ = 0;
}

bool WordFile::create(const std::string& name) {
  (void)close();
  reset_buffers();
  failed_ = false;
  fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  writable_ = true;
  if (fd_ < 0) failed_ = true;
  return fd_ >= 0;
}

bool WordFile::open(const std::string& name, Mode mode) {
  (void)close();
  reset_buffers();
  failed_ = false;
  writable_ = mode == Mode::ReadWrite;
  fd_ = ::open(name.c_str(), (writable_ ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd_ < 0) failed_ = true;
  return fd_ >= 0;
}

bool WordFile::close() {
  if (fd_ < 0) return true;
  bool ok = flush();
  if (::close(fd_) != 0) ok = false;
  fd_ = -1;
  rlen_ = 0;
  if (!ok) failed_ = true;
  return ok;
}

int64_t WordFile::size() {
  if (fd_ < 0) return -1;
  (void)flush();
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool WordFile::write_through(const char* src, size_t n, int64_t off) {
  size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pwrite(fd_, src + done, n - done, static_cast<off_t>(off + static_cast<int64_t>(done)));
    if (r < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
      return false;
    }
    if (r == 0) {
      failed_ = true;
      return false;
    }
    done += static_cast<size_t>(r);
  }
  return true;
}

bool WordFile::flush() {
  if (wlen_ == 0) return true;
  const size_t n = wlen_;
  wlen_ = 0;
  return write_through(wbuf_.data(), n, wstart_);
}

bool WordFile::write(const void* src, size_t nbytes) {
  if (fd_ < 0 || !writable_) {
    failed_ = true;
    return false;
  }
  if (nbytes == 0) return true;
  const char* p = static_cast<const char*>(src);
  const int64_t end = pos_ + static_cast<int64_t>(nbytes);
  // Drop a cached read range that this write overlaps.
  if (rlen_ > 0 && pos_ < rstart_ + static_cast<int64_t>(rlen_) && end > rstart_) rlen_ = 0;
  bool ok = true;
  if (wlen_ > 0 && pos_ == wstart_ + static_cast<int64_t>(wlen_) && wlen_ + nbytes <= kBufBytes) {
    std::memcpy(wbuf_.data() + wlen_, p, nbytes);
    wlen_ += nbytes;
  } else {
    ok = flush();
    if (nbytes >= kBufBytes) {
      ok = write_through(p, nbytes, pos_) && ok;
    } else {
      if (wbuf_.size() < kBufBytes) wbuf_.resize(kBufBytes);
      std::memcpy(wbuf_.data(), p, nbytes);
      wstart_ = pos_;
      wlen_ = nbytes;
    }
  }
  pos_ = end;
  return ok;
}

size_t WordFile::read(void* dst, size_t nbytes) {
  if (fd_ < 0 || nbytes == 0) return 0;
  if (wlen_ > 0 && !flush()) return 0;
  char* out = static_cast<char*>(dst);
  size_t done = 0;
  while (done < nbytes) {
    const int64_t at = pos_;
    if (rlen_ > 0 && at >= rstart_ && at < rstart_ + static_cast<int64_t>(rlen_)) {
      const size_t off = static_cast<size_t>(at - rstart_);
      const size_t take = std::min(rlen_ - off, nbytes - done);
      std::memcpy(out + done, rbuf_.data() + off, take);
      done += take;
      pos_ += static_cast<int64_t>(take);
      continue;
    }
    const size_t want = nbytes - done;
    if (want >= kBufBytes) {
      const ssize_t r = pread_full(fd_, out + done, want, at);
      if (r < 0) failed_ = true;
      if (r <= 0) break;
      done += static_cast<size_t>(r);
      pos_ += r;
      break;
    }
    if (rbuf_.size() < kBufBytes) rbuf_.resize(kBufBytes);
    const ssize_t r = pread_full(fd_, rbuf_.data(), kBufBytes, at);
    if (r <= 0) {
      if (r < 0) failed_ = true;
      rlen_ = 0;
      break;
    }
    rstart_ = at;
    rlen_ = static_cast<size_t>(r);
  }
  return done;
}

bool delete_file(const std::string& name) {
  if (::unlink(name.c_str()) == 0) return true;
  return errno == ENOENT;
}

}  // namespace gridout
