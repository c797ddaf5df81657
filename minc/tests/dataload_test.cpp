#include "minc/dataload.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "minc/tests/cwd_sandbox.h"

namespace minc {
namespace {

using testing_support::CwdSandbox;
using testing_support::read_bytes;
using testing_support::word_at;
using testing_support::write_floats;

constexpr float kDval = -99999.0f;

struct Triple {
  float x, y, z;
  bool operator==(const Triple&) const = default;
};

struct Record {
  int32_t number, next, ndp;
  std::vector<float> words;  // the NPB3 value words
};

// Follow the chain of block b (records numbered from 1).
std::vector<Record> chain(const std::vector<unsigned char>& file, int32_t npb3, int32_t b) {
  const size_t rec_bytes = static_cast<size_t>(npb3 + 2) * 4u;
  std::vector<Record> out;
  int32_t r = b;
  for (int guard = 0; r != 0 && guard < 1000; ++guard) {
    const size_t off = static_cast<size_t>(r - 1) * rec_bytes;
    if (off + rec_bytes > file.size()) {
      ADD_FAILURE() << "record " << r << " beyond the end of the file";
      break;
    }
    Record rec{r, word_at<int32_t>(file, off), word_at<int32_t>(file, off + 4), {}};
    for (int32_t i = 0; i < npb3; ++i) rec.words.push_back(word_at<float>(file, off + 8 + 4u * static_cast<size_t>(i)));
    out.push_back(rec);
    r = rec.next;
  }
  return out;
}

std::vector<Triple> chain_points(const std::vector<Record>& recs) {
  std::vector<Triple> pts;
  for (const Record& r : recs)
    for (int32_t i = 0; i < r.ndp; ++i) pts.push_back({r.words[3 * i], r.words[3 * i + 1], r.words[3 * i + 2]});
  return pts;
}

// A context laid out as NSEC x NTIER blocks of NC x NR with overlap 10,
// unrotated, unit cell size.
std::unique_ptr<MincContext> make_context(int32_t nsec, int32_t ntier, int32_t nc, int32_t nr) {
  auto ctx = std::make_unique<MincContext>();
  reset_for_call(*ctx);
  GPARM& g = ctx->gparm;
  g.NSEC = nsec;
  g.NTIER = ntier;
  g.NC = nc;
  g.NR = nr;
  g.LAPOVR = 10;
  g.MXC = (nsec - 1) * (nc - 10) + nc;
  g.MXR = (ntier - 1) * (nr - 10) + nr;
  g.DVAL = kDval;
  g.SCALE = g.SCALEY = 1.0f;
  g.ROTANG = 0.0f;
  g.SROT = 0.0f;
  g.CROT = 1.0f;
  ctx->fmt.IZCHAN = 1;
  return ctx;
}

struct RunResult {
  int32_t ierr = 0;
  int32_t maxrec = 0;
  std::vector<unsigned char> file;
};

RunResult run_seqdat(const EngineVariant& v, MincContext& ctx, const std::vector<float>& data,
                     int32_t npb3, int32_t iglog = 1, int32_t nz = 1) {
  write_floats("data.bin", data);
  WordFile in;
  EXPECT_TRUE(in.open("data.bin", WordFile::Mode::Read));
  WordFile rand;
  NameBuf name;
  EXPECT_TRUE(create_named(rand, name, kRandName));
  RunResult r;
  SEQDAT(v, ctx, in, rand, 1.0f, 0.0f, 0.0f, npb3, ctx.own.ZA, nz, iglog, r.ierr);
  EXPECT_TRUE(rand.close());
  EXPECT_FALSE(rand.failed());
  r.maxrec = ctx.fmt.MAXREC;
  r.file = read_bytes(kRandName);
  return r;
}

class SeqdatTest : public ::testing::TestWithParam<const EngineVariant*> {
 protected:
  CwdSandbox box_;
};

INSTANTIATE_TEST_SUITE_P(Variants, SeqdatTest,
                         ::testing::Values(&kKelvaneEngine, &kTorrinEngine),
                         [](const auto& info) { return std::string(info.param->name); });

// 2 x 2 blocks of 20 x 20 nodes, stride 10, bordered grid 30 x 30 at the
// origin: node column X = x + 1. Section 1 holds X in [1.005, 11.005);
// a point of section 2 is copied into section 1 while X <= 19.9.
TEST_P(SeqdatTest, AssignsBlocksAndOverlapCopiesInOrder) {
  auto ctx = make_context(2, 2, 20, 20);
  struct Pt {
    const char* what;
    float x, y;
    std::vector<int32_t> blocks;  // expected, in storing order
  };
  const std::vector<Pt> pts = {
      {"inside block 1", 2.0f, 2.0f, {1}},
      {"section 2, overlap of section 1", 12.0f, 2.0f, {2, 1}},
      {"section 2 beyond the overlap", 19.5f, 2.0f, {2}},
      {"tier 2 section 2, all overlaps", 12.0f, 12.0f, {4, 2, 1, 3}},
      {"tier 2, overlap of tier 1", 2.0f, 12.0f, {3, 1}},
      {"tier 2 section 2, no overlap", 25.0f, 25.0f, {4}},
      {"just before the section boundary", 10.0f, 2.0f, {1}},
      {"just after the section boundary", 10.01f, 2.0f, {2, 1}},
      {"end of the overlap band", 18.8f, 2.0f, {2, 1}},
      {"just past the overlap band", 19.0f, 2.0f, {2}},
      {"last tier, previous tier overlap", 25.0f, 18.8f, {4, 2}},
  };
  std::vector<float> data;
  for (const Pt& p : pts) data.insert(data.end(), {p.x, p.y, p.x * 100.0f + p.y});
  const int32_t npb3 = 30;  // ten points per record
  const RunResult r = run_seqdat(*GetParam(), *ctx, data, npb3);
  EXPECT_EQ(r.ierr, 0);
  for (int32_t b = 1; b <= 4; ++b) {
    std::vector<Triple> expect;
    for (const Pt& p : pts)
      for (int32_t eb : p.blocks)
        if (eb == b) expect.push_back({p.x + 1.0f, p.y + 1.0f, p.x * 100.0f + p.y});
    EXPECT_EQ(chain_points(chain(r.file, npb3, b)), expect) << "block " << b;
  }
}

TEST_P(SeqdatTest, AcceptsTheBoundsThemselvesAndNothingBeyond) {
  auto ctx = make_context(1, 1, 30, 30);
  ctx->gparm.LAPOVR = 1;
  const float lo = 0.0f + 0.01f * 1.0f;                               // XO + FUDG
  const float hi = static_cast<float>(30 - 1) * 1.0f + 0.0f - 0.01f;  // (MXC - 1) DEL + XO - FUDG
  const float below = std::nextafter(lo, -1.0f);
  const float above = std::nextafter(hi, 100.0f);
  const std::vector<float> data = {
      lo, lo, 1.0f,          // on both lower bounds: accepted
      hi, hi, 2.0f,          // on both upper bounds: accepted
      0.0f, 5.0f, 3.0f,      // on the bordered grid's first column: dropped
      below, 5.0f, 4.0f,     // dropped
      5.0f, above, 5.0f,     // dropped
      above, 5.0f, 6.0f,     // dropped
      5.0f, 5.0f, kDval,     // null: dropped
      NAN, 5.0f, 7.0f,       // not a position: dropped
      5.0f, 5.0f, 8.0f,      // accepted
  };
  const RunResult r = run_seqdat(*GetParam(), *ctx, data, 1350);
  EXPECT_EQ(r.ierr, 0);
  const auto got = chain_points(chain(r.file, 1350, 1));
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].z, 1.0f);
  EXPECT_EQ(got[0].x, lo + 1.0f);
  EXPECT_EQ(got[1].z, 2.0f);
  EXPECT_EQ(got[2].z, 8.0f);
}

// With NPB3 = 6 a record holds two points: a block receiving exactly two
// writes a full record linked to a new one, then an empty final record.
TEST_P(SeqdatTest, RecordChainsAndTheFinalRecordOfEveryBlock) {
  auto ctx = make_context(2, 1, 20, 20);
  const std::vector<float> data = {
      25.0f, 5.0f, 1.0f,  // block 2
      2.0f, 5.0f, 2.0f,   // block 1
      26.0f, 5.0f, 3.0f,  // block 2: its buffer is full -> record 2 linked to 3
      3.0f, 5.0f, 4.0f,   // block 1: full -> record 1 linked to 4
      4.0f, 5.0f, 5.0f,   // block 1
  };
  const RunResult r = run_seqdat(*GetParam(), *ctx, data, 6);
  EXPECT_EQ(r.ierr, 0);
  EXPECT_EQ(r.maxrec, 4);
  ASSERT_EQ(r.file.size(), 4u * 8u * 4u);
  const auto c1 = chain(r.file, 6, 1);
  ASSERT_EQ(c1.size(), 2u);
  EXPECT_EQ(c1[0].next, 4);
  EXPECT_EQ(c1[0].ndp, 2);
  EXPECT_EQ(c1[1].number, 4);
  EXPECT_EQ(c1[1].next, 0);
  EXPECT_EQ(c1[1].ndp, 1);
  EXPECT_EQ(c1[1].words[2], 5.0f);
  EXPECT_EQ(c1[1].words[5], 4.0f);  // stale: the previous record's second point
  const auto c2 = chain(r.file, 6, 2);
  ASSERT_EQ(c2.size(), 2u);
  EXPECT_EQ(c2[0].next, 3);
  EXPECT_EQ(c2[1].number, 3);
  EXPECT_EQ(c2[1].ndp, 0);  // exactly NPB3 / 3 points: final record empty
  EXPECT_EQ(c2[1].next, 0);
  EXPECT_EQ(c2[1].words[2], 1.0f);  // stale words written as they lie
  EXPECT_EQ(c2[1].words[5], 3.0f);
}

TEST_P(SeqdatTest, UnusedBufferWordsHoldTheNullValue) {
  auto ctx = make_context(1, 1, 30, 30);
  ctx->gparm.LAPOVR = 1;
  const RunResult r = run_seqdat(*GetParam(), *ctx, {5.0f, 6.0f, 7.0f}, 9);
  const auto c = chain(r.file, 9, 1);
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].ndp, 1);
  EXPECT_EQ(c[0].words[3], kDval);
  EXPECT_EQ(c[0].words[8], kDval);
}

TEST_P(SeqdatTest, LogarithmicGridding) {
  auto ctx = make_context(1, 1, 30, 30);
  ctx->gparm.LAPOVR = 1;
  const std::vector<float> data = {
      5.0f, 5.0f, 1.0f,    // ln 1 = 0
      6.0f, 5.0f, 0.0f,    // dropped
      7.0f, 5.0f, -2.0f,   // dropped
      8.0f, 5.0f, 10.0f,   // ln 10
  };
  const RunResult r = run_seqdat(*GetParam(), *ctx, data, 1350, 2);
  const auto got = chain_points(chain(r.file, 1350, 1));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].z, 0.0f);
  EXPECT_EQ(got[1].z, std::log(10.0f));
  // IGLOG 1 keeps the values, non-positive included.
  const RunResult lin = run_seqdat(*GetParam(), *ctx, data, 1350, 1);
  EXPECT_EQ(chain_points(chain(lin.file, 1350, 1)).size(), 4u);
}

TEST_P(SeqdatTest, NoAcceptedPointGivesMinus1002WithAllRecordsWritten) {
  auto ctx = make_context(2, 2, 20, 20);
  const RunResult r = run_seqdat(*GetParam(), *ctx, {100.0f, 100.0f, 1.0f, 5.0f, 5.0f, kDval}, 12);
  EXPECT_EQ(r.ierr, -1002);
  EXPECT_EQ(r.maxrec, 4);
  ASSERT_EQ(r.file.size(), 4u * 14u * 4u);
  for (int32_t b = 1; b <= 4; ++b) {
    const auto c = chain(r.file, 12, b);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].ndp, 0);
    EXPECT_EQ(c[0].next, 0);
  }
}

TEST_P(SeqdatTest, ChannelsAndAPartialLastRecord) {
  auto ctx = make_context(1, 1, 30, 30);
  ctx->gparm.LAPOVR = 1;
  ctx->fmt.IZCHAN = 3;
  // Records of x, y and three values; then a record cut short after two values.
  const std::vector<float> data = {5.0f, 5.0f, 1.0f, 2.0f, 3.0f, 6.0f, 6.0f, 4.0f, 5.0f, 6.0f,
                                   7.0f, 7.0f, 8.0f, 9.0f};
  const RunResult r = run_seqdat(*GetParam(), *ctx, data, 1350, 1, 3);
  const auto got = chain_points(chain(r.file, 1350, 1));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].z, 3.0f);
  EXPECT_EQ(got[1].z, 6.0f);
}

// The section of a column follows the single-precision formulas; the round
// number (k - 1) CL + 1.005 is the boundary up to rounding.
TEST(SeqdatBoundaries, SectionAndCopyFollowSinglePrecisionFormulas) {
  CwdSandbox box;
  for (int32_t nc : {20, 82, 157, 209}) {
    auto ctx = make_context(3, 1, nc, 30);
    const int32_t stride = nc - 10;
    const float cl = static_cast<float>(stride);
    const float dux = 1.0f / cl;
    const float xlmt = 1.0f - dux * (0.01f * 0.5f + 1.0f);
    const float fx = (10.0f - 0.1f) * dux;
    std::vector<float> cols;
    for (float off : {-0.001f, 0.0f, 0.001f}) cols.push_back(cl + 1.005f + off);        // section 1 | 2
    for (float off : {-0.001f, 0.0f, 0.001f}) cols.push_back(cl + 10.0f - 0.1f + off);  // copy band end
    cols.push_back(cl + 10.0f);
    std::vector<float> data;
    for (float col : cols) data.insert(data.end(), {col - 1.0f, 5.0f, col});
    const RunResult r = run_seqdat(kKelvaneEngine, *ctx, data, 300);
    const auto b1 = chain_points(chain(r.file, 300, 1));
    const auto b2 = chain_points(chain(r.file, 300, 2));
    auto holds = [](const std::vector<Triple>& pts, float z) {
      for (const Triple& t : pts)
        if (t.z == z) return true;
      return false;
    };
    for (float col : cols) {
      const float x = (col - 1.0f) * 1.0f + 1.0f;  // node column as SEQDAT computes it
      const float bx = dux * x;
      const int32_t ibx = static_cast<int32_t>(xlmt + bx);
      const bool copy = ibx == 2 && bx - 1.0f <= fx;
      EXPECT_EQ(holds(b2, col), ibx == 2) << "NC " << nc << " column " << col;
      EXPECT_EQ(holds(b1, col), ibx == 1 || copy) << "NC " << nc << " column " << col;
      // Away from the rounding neighbourhood the round numbers hold.
      const float boundary = cl + 1.005f;
      if (std::fabs(col - boundary) >= 0.001f) {
        EXPECT_EQ(ibx == 2, col > boundary) << col;
      }
    }
    EXPECT_FALSE(holds(b1, cl + 10.0f)) << "column (k-1) CL + LAPOVR is not copied";
    EXPECT_TRUE(holds(b1, cl + 10.0f - 0.1f - 0.001f));
  }
}

// RNGDAT: extent of the usable data in the rotated frame, in cell units.
TEST(Rngdat, ExtentInRotatedCellUnitsForBothBuilds) {
  CwdSandbox box;
  for (const EngineVariant* v : {&kKelvaneEngine, &kTorrinEngine}) {
    auto ctx = make_context(1, 1, 30, 30);
    GPARM& g = ctx->gparm;
    g.ROTANG = 45.0f;
    g.SROT = 1.0f;
    g.CROT = 0.0f;
    g.XORIG = 10.0f;
    g.YORIG = 20.0f;
    g.SCALE = g.SCALEY = 2.0f;
    write_floats("d.bin", {12.0f, 21.0f, 1.0f, 14.0f, 25.0f, 2.0f, 100.0f, 100.0f, kDval,
                           -100.0f, 100.0f, -1.0f});
    WordFile in;
    ASSERT_TRUE(in.open("d.bin", WordFile::Mode::Read));
    float xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    RNGDAT(*v, *ctx, in, ctx->own.ZA, 1, 2, xmin, xmax, ymin, ymax);
    EXPECT_EQ(xmin, -2.5f) << v->name;
    EXPECT_EQ(xmax, -0.5f);
    EXPECT_EQ(ymin, 1.0f);
    EXPECT_EQ(ymax, 2.0f);
    // No usable point: the extent stays at +-1.0E32.
    write_floats("d.bin", {12.0f, 21.0f, kDval});
    ASSERT_TRUE(in.open("d.bin", WordFile::Mode::Read));
    RNGDAT(*v, *ctx, in, ctx->own.ZA, 1, 1, xmin, xmax, ymin, ymax);
    EXPECT_EQ(xmin, 1.0e32f);
    EXPECT_EQ(xmax, -1.0e32f);
    EXPECT_EQ(ymin, 1.0e32f);
    EXPECT_EQ(ymax, -1.0e32f);
  }
}

}  // namespace
}  // namespace minc
