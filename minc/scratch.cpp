#include "minc/scratch.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace minc {

void blank_name(NameBuf& buf) { buf.fill(' '); }

void set_name(NameBuf& buf, const char* name) {
  buf.fill(' ');
  const size_t n = std::min(std::strlen(name), buf.size() - 1);
  std::memcpy(buf.data(), name, n);
  buf[n] = '\0';
}

bool name_blank(const NameBuf& buf) {
  return std::all_of(buf.begin(), buf.end(), [](char c) { return c == ' '; });
}

std::string name_of(const char* buf, int32_t len) {
  if (buf == nullptr || len <= 0) return {};
  const auto n = static_cast<size_t>(len);
  const void* nul = std::memchr(buf, '\0', n);
  if (nul != nullptr) return std::string(buf, static_cast<const char*>(nul));
  size_t end = n;
  while (end > 0 && buf[end - 1] == ' ') --end;
  return std::string(buf, end);
}

bool create_named(WordFile& file, NameBuf& buf, const char* name) {
  set_name(buf, name);
  return file.create(name);
}

void ROWIO(WordFile& igrid, int32_t n, const float* z) { igrid.write_words(z, n); }

void ROWDA(WordFile& imask, int32_t imlen, int32_t n, int32_t* iz, int32_t iop, int32_t irow,
           int32_t& ierr) {
  ierr = 0;
  imask.seek(static_cast<int64_t>(irow) * imlen * 4);
  if (iop == 0) {
    imask.write_word(int32_t{0});
    imask.write_words(iz, n);
  } else {
    int32_t dummy = 0;
    (void)imask.read_words(&dummy, 1);
    (void)imask.read_words(iz, n);
  }
}

void ROWMSK(WordFile& imask, int32_t imlen, int32_t n, int32_t* mask, int32_t irow,
            int32_t& ierr) {
  ierr = 0;
  imask.seek(static_cast<int64_t>(irow) * imlen * 4);
  int32_t dummy = 0;
  const size_t got0 = imask.read_words(&dummy, 1);
  const size_t got = imask.read_words(mask, n);
  // Deliberate: a short read counts as a failed read, so no stale mask is used.
  if (got0 != 1 || got != static_cast<size_t>(std::max(n, 0))) ierr = 1;
}

void WRBLK(WordFile& isubg, int32_t islen, int32_t loc, int32_t n, const float* m) {
  isubg.seek(static_cast<int64_t>(loc - 1) * islen * 4);
  isubg.write_words(m, n);
}

void WRBLK(WordFile& isubg, int32_t islen, int32_t loc, int32_t n, const int32_t* m) {
  isubg.seek(static_cast<int64_t>(loc - 1) * islen * 4);
  isubg.write_words(m, n);
}

void WRBLK2(WordFile& lurand, int32_t irlen, int32_t irec, int32_t next, int32_t ndp,
            int32_t nxyz, const float* xyz) {
  lurand.seek(static_cast<int64_t>(irec - 1) * irlen * 4);
  const int32_t head[2] = {next, ndp};
  lurand.write_words(head, 2);
  lurand.write_words(xyz, nxyz);
}

namespace {

// Write `count` zero words in large chunks.
void write_zeros(WordFile& f, int64_t count) {
  static const std::vector<float> zeros(16384, 0.0f);
  while (count > 0) {
    const auto n = static_cast<int32_t>(std::min<int64_t>(count, 16384));
    f.write_words(zeros.data(), n);
    count -= n;
  }
}

}  // namespace

bool prefill_mask(WordFile& imask, NameBuf& fmask, int32_t mxcq, int32_t mxrq, float xo2,
                  float del, float yo2) {
  if (!create_named(imask, fmask, kMaskName)) return false;
  const int32_t head[3] = {mxcq, mxrq, 1};
  const float geo[4] = {xo2, del, yo2, del};
  imask.write_words(head, 3);
  imask.write_words(geo, 4);
  write_zeros(imask, static_cast<int64_t>(mxrq) * mxcq);
  if (!imask.close() || imask.failed()) return false;
  return imask.open(kMaskName, WordFile::Mode::ReadWrite);
}

bool prefill_subgrids(WordFile& isubg, NameBuf& fsubg, int32_t nsec, int32_t islen, bool flags) {
  if (!create_named(isubg, fsubg, kSubgName)) return false;
  const int64_t records = flags ? 2 * static_cast<int64_t>(nsec) : nsec;
  write_zeros(isubg, records * islen);
  if (!isubg.close() || isubg.failed()) return false;
  return isubg.open(kSubgName, WordFile::Mode::ReadWrite);
}

}  // namespace minc
