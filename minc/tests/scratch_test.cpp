#include "minc/scratch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "minc/tests/cwd_sandbox.h"

namespace minc {
namespace {

using testing_support::CwdSandbox;
using testing_support::read_bytes;
using testing_support::word_at;

// The buffered, positioned file must leave exactly the bytes a plain
// seek-and-write model would: mixed seeks backwards and forwards, holes,
// reads of pending data, transfers larger than the buffer.
TEST(WordFile, MatchesAPlainByteModelUnderRandomAccess) {
  CwdSandbox box;
  WordFile f;
  ASSERT_TRUE(f.create("model.bin"));
  std::vector<unsigned char> model;
  std::mt19937 rng(12345);
  std::vector<unsigned char> chunk;
  for (int step = 0; step < 3000; ++step) {
    const int64_t pos = static_cast<int64_t>(rng() % 300000u);
    const size_t n = (rng() % 8u == 0) ? 70000u + rng() % 70000u : 1u + rng() % 600u;
    f.seek(pos);
    if (rng() % 3u == 0) {
      std::vector<unsigned char> got(n, 0xEE);
      const size_t r = f.read(got.data(), n);
      const size_t expect = pos >= static_cast<int64_t>(model.size())
                                ? 0
                                : std::min(n, model.size() - static_cast<size_t>(pos));
      ASSERT_EQ(r, expect) << "step " << step;
      if (r > 0) {
        ASSERT_EQ(0, std::memcmp(got.data(), model.data() + pos, r)) << "step " << step;
      }
      ASSERT_EQ(f.tell(), pos + static_cast<int64_t>(r));
    } else {
      chunk.resize(n);
      for (auto& c : chunk) c = static_cast<unsigned char>(rng());
      ASSERT_TRUE(f.write(chunk.data(), n));
      if (model.size() < pos + n) model.resize(static_cast<size_t>(pos) + n, 0);
      std::memcpy(model.data() + pos, chunk.data(), n);
    }
  }
  EXPECT_EQ(f.size(), static_cast<int64_t>(model.size()));
  ASSERT_TRUE(f.close());
  EXPECT_FALSE(f.failed());
  EXPECT_EQ(read_bytes("model.bin"), model);
}

TEST(WordFile, FailuresAreRemembered) {
  CwdSandbox box;
  WordFile f;
  EXPECT_FALSE(f.open("missing.bin", WordFile::Mode::Read));
  EXPECT_TRUE(f.failed());

  testing_support::write_floats("ro.bin", {1.0f, 2.0f});
  WordFile ro;
  ASSERT_TRUE(ro.open("ro.bin", WordFile::Mode::Read));
  float v[2] = {};
  EXPECT_EQ(ro.read_words(v, 2), 2u);
  EXPECT_EQ(v[1], 2.0f);
  EXPECT_EQ(ro.read_words(v, 1), 0u);  // end of file is not a failure
  EXPECT_FALSE(ro.failed());
  EXPECT_FALSE(ro.write_word(3.0f));   // opened for reading only
  EXPECT_TRUE(ro.failed());

  // A device that accepts no data: the buffered write fails at the flush.
  WordFile full;
  if (full.open("/dev/full", WordFile::Mode::ReadWrite)) {
    (void)full.write_word(1);
    EXPECT_FALSE(full.close());
    EXPECT_TRUE(full.failed());
  }
}

TEST(NameBuffers, NameNulAndBlanks) {
  NameBuf b;
  set_name(b, "~mincgr.tmp");
  EXPECT_EQ(std::string(b.data(), 11), "~mincgr.tmp");
  EXPECT_EQ(b[11], '\0');
  EXPECT_EQ(b[12], ' ');
  EXPECT_EQ(b[79], ' ');
  EXPECT_EQ(name_of(b), "~mincgr.tmp");
  EXPECT_FALSE(name_blank(b));
  blank_name(b);
  EXPECT_TRUE(name_blank(b));
  EXPECT_EQ(name_of("abc   ", 6), "abc");
}

// ROWDA / ROWMSK records: a dummy word, then the row, at IROW * IMLEN * 4.
TEST(MaskRecords, RowdaWritesAndReadsRecordsByOffset) {
  CwdSandbox box;
  WordFile m;
  NameBuf name;
  ASSERT_TRUE(prefill_mask(m, name, 3, 2, -1.5f, 1.0f, 7.25f));
  EXPECT_EQ(name_of(name), "~mincms.tmp");
  const int32_t imlen = 30;  // max(MXCQ + 1, 30)
  int32_t row[3] = {1, 2, 0};
  int32_t ierr = 9;
  ROWDA(m, imlen, 3, row, 0, 2, ierr);
  EXPECT_EQ(ierr, 0);
  int32_t back[3] = {-1, -1, -1};
  ROWDA(m, imlen, 3, back, 1, 2, ierr);
  EXPECT_EQ(back[0], 1);
  EXPECT_EQ(back[1], 2);
  int32_t mask[3] = {-1, -1, -1};
  ROWMSK(m, imlen, 3, mask, 2, ierr);
  EXPECT_EQ(ierr, 0);
  EXPECT_EQ(mask[1], 2);
  // Far beyond the end of the file the read comes back empty: IERR = 1.
  ROWMSK(m, imlen, 3, mask, 50, ierr);
  EXPECT_EQ(ierr, 1);
  ASSERT_TRUE(m.close());

  const auto b = read_bytes("~mincms.tmp");
  // Pre-fill: 7 header words + MXRQ*MXCQ zeros, then record 2 written at 240.
  ASSERT_EQ(b.size(), static_cast<size_t>(2 * imlen * 4 + 4 * 4));
  EXPECT_EQ(word_at<int32_t>(b, 0), 3);
  EXPECT_EQ(word_at<int32_t>(b, 4), 2);
  EXPECT_EQ(word_at<int32_t>(b, 8), 1);
  EXPECT_EQ(word_at<float>(b, 12), -1.5f);
  EXPECT_EQ(word_at<float>(b, 16), 1.0f);
  EXPECT_EQ(word_at<float>(b, 20), 7.25f);
  EXPECT_EQ(word_at<float>(b, 24), 1.0f);
  for (size_t off = 28; off < 52; off += 4) EXPECT_EQ(word_at<int32_t>(b, off), 0);
  EXPECT_EQ(word_at<int32_t>(b, 240), 0);  // dummy word
  EXPECT_EQ(word_at<int32_t>(b, 244), 1);
  EXPECT_EQ(word_at<int32_t>(b, 248), 2);
  EXPECT_EQ(word_at<int32_t>(b, 252), 0);
}

TEST(MaskRecords, PrefillLengthForALargerMask) {
  CwdSandbox box;
  WordFile m;
  NameBuf name;
  ASSERT_TRUE(prefill_mask(m, name, 40, 5, 0.0f, 1.0f, 0.0f));
  EXPECT_EQ(m.size(), (7 + 40 * 5) * 4);
}

TEST(SubgridRecords, PrefillAndWrblkOffsets) {
  CwdSandbox box;
  struct {
    bool flags;
    int64_t bytes;
  } cases[] = {{false, 3 * 6 * 4}, {true, 6 * 6 * 4}};
  for (const auto& c : cases) {
    WordFile s;
    NameBuf name;
    ASSERT_TRUE(prefill_subgrids(s, name, 3, 6, c.flags));
    EXPECT_EQ(s.size(), c.bytes);
    const float vals[6] = {1, 2, 3, 4, 5, 6};
    WRBLK(s, 6, 2, 6, vals);
    const int32_t flags[2] = {7, 8};
    if (c.flags) WRBLK(s, 6, 4, 2, flags);
    ASSERT_TRUE(s.close());
    const auto b = read_bytes("~mincsb.tmp");
    ASSERT_EQ(static_cast<int64_t>(b.size()), c.bytes);
    EXPECT_EQ(word_at<float>(b, 20), 0.0f);
    EXPECT_EQ(word_at<float>(b, 24), 1.0f);  // record 2 at (2 - 1) * 6 * 4
    EXPECT_EQ(word_at<float>(b, 44), 6.0f);
    EXPECT_EQ(word_at<float>(b, 48), 0.0f);
    if (c.flags) {
      EXPECT_EQ(word_at<int32_t>(b, 72), 7);
    }
  }
}

TEST(RandomRecords, Wrblk2WritesLinkCountAndTriples) {
  CwdSandbox box;
  WordFile r;
  NameBuf name;
  ASSERT_TRUE(create_named(r, name, kRandName));
  const float xyz[6] = {1.5f, 2.5f, 3.5f, -1.0f, -2.0f, -3.0f};
  WRBLK2(r, 8, 3, 0, 1, 6, xyz);
  WRBLK2(r, 8, 1, 3, 2, 6, xyz);
  ASSERT_TRUE(r.close());
  const auto b = read_bytes(kRandName);
  ASSERT_EQ(b.size(), 3u * 8u * 4u);
  EXPECT_EQ(word_at<int32_t>(b, 0), 3);
  EXPECT_EQ(word_at<int32_t>(b, 4), 2);
  EXPECT_EQ(word_at<float>(b, 8), 1.5f);
  EXPECT_EQ(word_at<float>(b, 28), -3.0f);
  EXPECT_EQ(word_at<int32_t>(b, 32), 0);  // record 2 never written: a hole of zeros
  EXPECT_EQ(word_at<int32_t>(b, 64), 0);  // record 3: link 0
  EXPECT_EQ(word_at<int32_t>(b, 68), 1);
  EXPECT_EQ(word_at<float>(b, 72), 1.5f);
}

}  // namespace
}  // namespace minc
