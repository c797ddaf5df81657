// Positioned binary file of raw 4-byte little-endian words, as used by the
// grid writers and the engine's scratch files: create or truncate, open,
// seek from the start, read, write (extending the file), close, delete.
// Reads and writes go through small buffers (the bytes on disk are exactly
// those written); every failure is remembered in failed() so that a caller
// can check a whole stage at once.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "files hold little-endian words written as they lie in memory");

namespace gridout {

class WordFile {
 public:
  enum class Mode { Read, ReadWrite };

  WordFile() = default;
  ~WordFile();
  WordFile(const WordFile&) = delete;
  WordFile& operator=(const WordFile&) = delete;
  WordFile(WordFile&& other) noexcept;
  WordFile& operator=(WordFile&& other) noexcept;

  // Create or truncate `name` for reading and writing. Closes a previous file.
  bool create(const std::string& name);
  // Open an existing file. Closes a previous file.
  bool open(const std::string& name, Mode mode);
  // Flush and close; harmless when not open. False when a flush/close failed.
  bool close();

  [[nodiscard]] bool is_open() const { return fd_ >= 0; }
  // True once any create/open/read/write/flush/close failed (cleared by
  // create/open). Reaching the end of the file is not a failure.
  [[nodiscard]] bool failed() const { return failed_; }
  void set_failed() { failed_ = true; }

  // Position from the start of the file, in bytes.
  void seek(int64_t byte_offset) { pos_ = byte_offset; }
  [[nodiscard]] int64_t tell() const { return pos_; }
  // File size in bytes (pending writes included); -1 when not open.
  [[nodiscard]] int64_t size();

  // Read up to n bytes at the current position; returns the count, 0 at end.
  size_t read(void* dst, size_t nbytes);
  // Write n bytes at the current position; false on failure (also remembered).
  bool write(const void* src, size_t nbytes);
  // Push buffered writes to the file.
  bool flush();

  // Word helpers: n words of 4 bytes.
  size_t read_words(float* dst, int32_t n) { return read(dst, words(n)) / 4; }
  size_t read_words(int32_t* dst, int32_t n) { return read(dst, words(n)) / 4; }
  bool write_words(const float* src, int32_t n) { return write(src, words(n)); }
  bool write_words(const int32_t* src, int32_t n) { return write(src, words(n)); }
  bool write_word(int32_t v) { return write(&v, 4); }
  bool write_word(float v) { return write(&v, 4); }

 private:
  static size_t words(int32_t n) { return n > 0 ? static_cast<size_t>(n) * 4u : 0u; }
  void reset_buffers();
  bool write_through(const char* src, size_t n, int64_t off);

  int fd_ = -1;
  bool writable_ = false;
  bool failed_ = false;
  int64_t pos_ = 0;
  // Pending writes: bytes [wstart_, wstart_ + wlen_) not yet in the file.
  std::vector<char> wbuf_;
  int64_t wstart_ = 0;
  size_t wlen_ = 0;
  // Read cache: bytes [rstart_, rstart_ + rlen_) as in the file.
  std::vector<char> rbuf_;
  int64_t rstart_ = 0;
  size_t rlen_ = 0;
};

// Delete a file by name; true when it is gone afterwards.
bool delete_file(const std::string& name);

}  // namespace gridout
