// Search-radius blanking on the mask file: RADREM, RADMSK, RADCLP, TEMPLAT.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "minc/blanking.h"
#include "minc/scratch.h"

namespace {

namespace fs = std::filesystem;

// A mask grid in memory, (column, row) from 1 as in the mask file.
struct Mask {
  int32_t nc = 0, nr = 0;
  std::vector<int32_t> v;
  Mask(int32_t c, int32_t r) : nc(c), nr(r), v(static_cast<size_t>(c * r), 0) {}
  int32_t& at(int32_t c, int32_t r) { return v[static_cast<size_t>((r - 1) * nc + (c - 1))]; }
  int32_t at(int32_t c, int32_t r) const { return v[static_cast<size_t>((r - 1) * nc + (c - 1))]; }
  // Nodes of columns c0..c1 and rows r0..r1 set to `value` (data by default).
  Mask& fill(int32_t c0, int32_t c1, int32_t r0, int32_t r1, int32_t value = 1) {
    for (int32_t r = r0; r <= r1; ++r)
      for (int32_t c = c0; c <= c1; ++c) at(c, r) = value;
    return *this;
  }
};

std::string show(const Mask& m) {
  std::string s;
  for (int32_t r = m.nr; r >= 1; --r) {
    for (int32_t c = 1; c <= m.nc; ++c) s += static_cast<char>('0' + m.at(c, r));
    s += '\n';
  }
  return s;
}

// Each test runs in a fresh directory holding its own "~mincms.tmp".
class Blanking : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = fs::current_path();
    char tmpl[] = "/tmp/blanking_XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    fs::current_path(dir_);
  }
  void TearDown() override {
    imask_.close();
    std::error_code ec;
    fs::current_path(old_, ec);
    // Remove only the directory mkdtemp made under /tmp, after leaving it.
    const std::string made = dir_.string();
    if (!ec && made.rfind("/tmp/blanking_", 0) == 0 && made.size() > 14) fs::remove_all(dir_, ec);
  }

  void put(const Mask& m) {
    imlen_ = std::max(m.nc + 1, 30);
    minc::NameBuf name{};
    ASSERT_TRUE(minc::prefill_mask(imask_, name, m.nc, m.nr, 0.0f, 1.0f, 0.0f));
    Mask copy = m;
    int32_t err = 0;
    for (int32_t r = 1; r <= m.nr; ++r) minc::ROWDA(imask_, imlen_, m.nc, &copy.at(1, r), 0, r, err);
  }
  Mask get(int32_t nc, int32_t nr) {
    Mask m(nc, nr);
    int32_t err = 0;
    for (int32_t r = 1; r <= nr; ++r) {
      minc::ROWMSK(imask_, imlen_, nc, &m.at(1, r), r, err);
      EXPECT_EQ(err, 0);
    }
    return m;
  }

  int32_t radrem(int32_t ncol, int32_t iwind) { return window(ncol, iwind, true); }
  int32_t radmsk(int32_t ncol, int32_t iwind, int32_t np = 1) { return window(ncol, iwind, false, np); }
  int32_t window(int32_t ncol, int32_t iwind, bool rem, int32_t np = 1) {
    std::vector<int32_t> mbuff(static_cast<size_t>((iwind + 1) * ncol)), msum(static_cast<size_t>(ncol)),
        mout(static_cast<size_t>(ncol));
    int32_t err = 99;
    if (rem) {
      minc::RADREM(np, imask_, imlen_, ncol, iwind, mbuff.data(), msum.data(), mout.data(), err);
    } else {
      minc::RADMSK(np, imask_, imlen_, ncol, iwind, mbuff.data(), msum.data(), mout.data(), err);
    }
    return err;
  }
  void radclp(int32_t nc, int32_t nr, int32_t iwind) {
    std::vector<int32_t> mout(static_cast<size_t>(nc)), lr(static_cast<size_t>(2 * nr)),
        ud(static_cast<size_t>(2 * nc)), ol(static_cast<size_t>(4 * (nc + nr)));
    minc::RADCLP(imask_, imlen_, nc, nr, iwind, 2 * (nc + nr), mout.data(), lr.data(), ud.data(),
                 ol.data());
  }
  // The three mask stages as MINC runs them.
  Mask blank(const Mask& m, int32_t h) {
    put(m);
    EXPECT_EQ(radrem(m.nc, 2 * h + 1), 0);
    EXPECT_EQ(radmsk(m.nc, 2 * h + 1), 0);
    radclp(m.nc, m.nr, 2 * h + 1);
    return get(m.nc, m.nr);
  }

  fs::path old_, dir_;
  minc::WordFile imask_;
  int32_t imlen_ = 30;
};

// The window sums see the mask as it was before the pass: compared with a
// direct count over the original mask, on random masks of several shapes.
struct WindowCase {
  int32_t nc, nr, h;
  double density;
};

TEST_F(Blanking, WindowStagesMatchDirectCountOnOriginalMask) {
  const WindowCase cases[] = {{12, 9, 1, 0.15}, {31, 17, 3, 0.05}, {40, 40, 5, 0.02},
                              {9, 9, 4, 0.3},   {50, 13, 2, 0.5},  {7, 30, 3, 0.1}};
  std::mt19937 rng(7);
  for (const WindowCase& tc : cases) {
    for (const bool rem : {true, false}) {
      Mask m(tc.nc, tc.nr);
      std::bernoulli_distribution pick(tc.density);
      for (int32_t r = tc.h + 1; r <= tc.nr - tc.h; ++r)
        for (int32_t c = tc.h + 1; c <= tc.nc - tc.h; ++c) m.at(c, r) = pick(rng) ? 1 : 0;
      Mask want = m;
      for (int32_t r = tc.h + 1; r <= tc.nr - tc.h; ++r) {
        for (int32_t c = tc.h + 1; c <= tc.nc - tc.h; ++c) {
          int32_t s = 0;
          for (int32_t rr = r - tc.h; rr <= r + tc.h; ++rr)
            for (int32_t cc = c - tc.h; cc <= c + tc.h; ++cc) s += m.at(cc, rr);
          if (rem && s <= 1 && m.at(c, r) != 0) want.at(c, r) = 0;
          if (!rem && s >= 1 && m.at(c, r) == 0) want.at(c, r) = 2;
        }
      }
      put(m);
      EXPECT_EQ(rem ? radrem(tc.nc + 3, 2 * tc.h + 1) : radmsk(tc.nc, 2 * tc.h + 1), 0);
      EXPECT_EQ(show(get(tc.nc, tc.nr)), show(want))
          << (rem ? "RADREM " : "RADMSK ") << tc.nc << "x" << tc.nr << " h=" << tc.h;
    }
  }
}

TEST_F(Blanking, RadmskThresholdAndEvenWindow) {
  // One datum with NP = 2 covers nothing; with NP = 1 exactly its window.
  Mask m(11, 11);
  m.at(6, 6) = 1;
  put(m);
  EXPECT_EQ(radmsk(11, 5, 2), 0);
  EXPECT_EQ(show(get(11, 11)), show(m));
  EXPECT_EQ(radmsk(11, 6, 0), 0);  // even IWIND 6: half width 2, NP <= 0 counts as 1
  Mask want = m;
  want.fill(4, 8, 4, 8, 2);
  want.at(6, 6) = 1;
  EXPECT_EQ(show(get(11, 11)), show(want));
}

TEST_F(Blanking, RadremRejectsNarrowBufferAndEmptyWindow) {
  struct Case {
    int32_t ncol, iwind, ierr;
  };
  const Case cases[] = {{19, 5, -1013}, {20, 1, -1014}, {20, 2, -1014}, {20, 3, 0}};
  for (const Case& c : cases) {
    Mask m(20, 10);
    m.at(10, 5) = 1;
    put(m);
    EXPECT_EQ(radrem(c.ncol, c.iwind), c.ierr) << c.ncol << " " << c.iwind;
    // A refused call leaves the mask as it was.
    if (c.ierr != 0) {
      EXPECT_EQ(get(20, 10).at(10, 5), 1);
    }
  }
}

// The whole mask sequence. Mask grids below have h-node margins; the data
// area starts at column and row h + 1.
TEST_F(Blanking, IsolatedDatumIsRemovedAndItsNeighbourhoodBlanked) {
  const int32_t h = 3;
  Mask m(40, 30);
  m.fill(6, 18, 6, 20);  // main data area
  m.at(32, 24) = 1;      // alone in its window
  const Mask out = blank(m, h);
  for (int32_t r = 24 - h; r <= 24 + h; ++r)
    for (int32_t c = 32 - h; c <= 32 + h; ++c) EXPECT_EQ(out.at(c, r), 0) << c << "," << r;
  EXPECT_EQ(out.at(10, 10), 1);

  // Two data nodes within the window of each other both survive.
  m.at(33, 24) = 1;
  const Mask pair = blank(m, h);
  EXPECT_EQ(pair.at(32, 24), 1);
  EXPECT_EQ(pair.at(33, 24), 1);
}

// Between two data bands: a gap of more than h columns is cut off, a gap of
// at most h columns is bridged (RADMSK covered it, the outline spans it).
TEST_F(Blanking, GapBetweenDataColumns) {
  const int32_t h = 4;
  struct Case {
    int32_t gap;  // empty columns between the bands
    bool bridged;
  };
  for (const Case& tc : {Case{5, false}, Case{3, true}, Case{4, false}}) {
    Mask m(50, 30);
    const int32_t c1 = 10, c2 = c1 + 6, c3 = c2 + tc.gap + 1;
    m.fill(c1, c2, 8, 22).fill(c3, c3 + 6, 8, 22);
    const Mask out = blank(m, h);
    for (int32_t c = c2 + 1; c < c3; ++c) {
      for (int32_t r = 8; r <= 22; ++r) {
        EXPECT_EQ(out.at(c, r), tc.bridged ? 2 : 0) << "gap " << tc.gap << " at " << c << "," << r;
      }
    }
    // Beyond the outline the window's halo is clipped away.
    EXPECT_EQ(out.at(c1 - 1, 15), 0);
    EXPECT_EQ(out.at(15, 23), 0);
    EXPECT_EQ(out.at(c1, 8), 1);
  }
}

TEST_F(Blanking, DataInOneColumnLeaveTheMaskAsCovered) {
  const int32_t h = 3;
  Mask m(20, 20);
  m.fill(9, 9, 5, 15);
  put(m);
  ASSERT_EQ(radrem(20, 2 * h + 1), 0);
  ASSERT_EQ(radmsk(20, 2 * h + 1), 0);
  const Mask covered = get(20, 20);
  radclp(20, 20, 2 * h + 1);
  EXPECT_EQ(show(get(20, 20)), show(covered));
  EXPECT_EQ(covered.at(6, 4), 2);
}

// A data row whose first datum lies within E = h div 2 nodes of the inner
// edge of the margin runs its extent to the edge: the covered node between
// the edge and the datum stays. With h = 6, E = 3: the first datum at column
// 8 (second grid column) keeps column 7, at column 9 it does not.
TEST_F(Blanking, DataNearTheEdgeRunCoverageToTheEdge) {
  const int32_t h = 6;
  struct Case {
    int32_t first;  // first data column of rows 11..29
    bool kept;
  };
  for (const Case& tc : {Case{8, true}, Case{9, false}}) {
    Mask m(40, 40);
    m.fill(7, 20, 10, 10).fill(7, 20, 30, 30);  // column 7 spans rows 10..30
    m.fill(tc.first, 20, 11, 29);
    const Mask out = blank(m, h);
    EXPECT_EQ(out.at(7, 20), tc.kept ? 2 : 0) << tc.first;
    EXPECT_EQ(out.at(8, 20), tc.first == 8 ? 1 : 0) << tc.first;
    EXPECT_EQ(out.at(7, 10), 1);
  }
}

// A notch in the top of the data area narrower than h is bridged; a wider
// one stays blank.
TEST_F(Blanking, NotchNarrowerThanWindowIsBridged) {
  const int32_t h = 5;
  struct Case {
    int32_t width;
    bool bridged;
  };
  for (const Case& tc : {Case{3, true}, Case{9, false}}) {
    Mask m(50, 40);
    m.fill(8, 40, 8, 30);
    const int32_t n0 = 20, n1 = n0 + tc.width - 1;
    m.fill(n0, n1, 27, 30, 0);  // notch 4 rows deep
    const Mask out = blank(m, h);
    const int32_t mid = (n0 + n1) / 2;
    EXPECT_EQ(out.at(mid, 29), tc.bridged ? 2 : 0) << tc.width;
    EXPECT_EQ(out.at(mid, 26), 1);
    EXPECT_EQ(out.at(mid, 31), 0);
  }
}

// The clip stage written out step by step on an in-memory mask, with
// 1-based tables: extents, the four smoothed outline sides, the widening
// chords (reals truncated toward zero) and the clip.
Mask radclp_model(Mask m, int32_t h) {
  const int32_t nc = m.nc, nr = m.nr, e = std::max(h / 2, 1);
  std::vector<int32_t> lr1(nr + 1, nc + 1), lr2(nr + 1, 0), ud1(nc + 1, nr + 1), ud2(nc + 1, 0);
  for (int32_t j = h; j <= nr - h + 1; ++j) {
    for (int32_t i = h; i <= nc - h + 1; ++i) {
      if (m.at(i, j) != 1) continue;
      if (i < lr1[j]) lr1[j] = i - h < e ? 1 : i;
      if (i > lr2[j]) lr2[j] = nc - h - i + 1 < e ? nc : i;
      if (j < ud1[i]) ud1[i] = j - h < e ? 1 : j;
      if (j > ud2[i]) ud2[i] = nr - h - j + 1 < e ? nr : j;
    }
  }
  // Outline points 1..n; side s (1 bottom, 2 right, 3 top, 4 left) holds
  // points first[s]..last[s].
  std::vector<int32_t> c(1, 0), r(1, 0);
  int32_t first[5] = {}, last[5] = {};
  auto along = [&](int s, int32_t a, int32_t b) {  // from point a to the later point b
    switch (s) {
      case 1: return c[b] - c[a];
      case 2: return r[b] - r[a];
      case 3: return c[a] - c[b];
      default: return r[a] - r[b];
    }
  };
  auto append = [&](int s, int32_t ci, int32_t ri) {
    c.push_back(ci);
    r.push_back(ri);
    const auto n = static_cast<int32_t>(c.size()) - 1;
    last[s] = n;
    if (n - first[s] + 1 < 3) return;
    for (int32_t k = 2; n - k >= first[s] && along(s, n - k, n) <= h; ++k) {
      const int32_t a = n - k;
      const float dx = static_cast<float>(c[n] - c[a]);
      const float dy = static_cast<float>(r[n] - r[a]);
      if (std::sqrt(dx * dx + dy * dy) > static_cast<float>(h)) continue;
      for (int32_t l = a + 1; l < n; ++l) {
        const auto rc = static_cast<int32_t>(static_cast<float>(r[a]) + static_cast<float>(c[l] - c[a]) * dy / dx);
        const auto cr = static_cast<int32_t>(static_cast<float>(c[a]) + static_cast<float>(r[l] - r[a]) * dx / dy);
        if (s == 1) r[l] = std::min(r[l], rc);
        if (s == 3) r[l] = std::max(r[l], rc);
        if (s == 2) c[l] = std::max(c[l], cr);
        if (s == 4) c[l] = std::min(c[l], cr);
      }
    }
  };
  auto begin = [&](int s) {
    first[s] = static_cast<int32_t>(c.size());
    last[s] = first[s] - 1;
  };
  begin(1);
  for (int32_t i = 1; i <= nc; ++i)
    if (ud2[i] >= ud1[i]) append(1, i, ud1[i]);
  if (last[1] == first[1]) return m;  // one point: the mask stays as it is
  begin(2);
  for (int32_t j = 1; j <= nr; ++j)
    if (lr2[j] >= lr1[j]) append(2, lr2[j], j);
  begin(3);
  for (int32_t i = nc; i >= 1; --i)
    if (ud2[i] >= ud1[i]) append(3, i, ud2[i]);
  begin(4);
  for (int32_t j = nr; j >= 1; --j)
    if (lr2[j] >= lr1[j]) append(4, lr1[j], j);

  for (int s = 1; s <= 4; ++s) {
    const bool by_column = s == 1 || s == 3;
    const bool lower = s == 1 || s == 4;  // min-combined, chord ends raised to h
    std::vector<int32_t>& ext = s == 1 ? ud1 : s == 2 ? lr2 : s == 3 ? ud2 : lr1;
    const int32_t gap = s == 1 ? nr + 1 : s == 4 ? nc + 1 : 0;
    const float cap = static_cast<float>(s == 2 ? nc - h + 1 : nr - h + 1);
    auto pos = [&](int32_t k) { return by_column ? c[k] : r[k]; };
    auto val = [&](int32_t k) { return by_column ? r[k] : c[k]; };
    auto put = [&](int32_t at, int32_t v) { ext[at] = lower ? std::min(ext[at], v) : std::max(ext[at], v); };
    for (int32_t k = first[s]; k < last[s]; ++k) {
      put(pos(k), val(k));
      if (along(s, k, k + 1) > h) {
        const int32_t lo = std::min(pos(k), pos(k + 1)), hi = std::max(pos(k), pos(k + 1));
        for (int32_t at = lo + 1; at < hi; ++at) ext[at] = gap;
        continue;
      }
      for (int32_t p = k + 1; p <= last[s] && along(s, k, p) <= h; ++p) {
        const auto dm = static_cast<float>(along(s, k, p));
        const float off = std::trunc(std::sqrt(std::max(static_cast<float>(h * h) - dm * dm, 0.0f)));
        const auto vk = static_cast<float>(val(k)), vp = static_cast<float>(val(p));
        const float ek = lower ? std::max({static_cast<float>(h), vp - off, vk}) : std::min({cap, vp + off, vk});
        const float ep = lower ? std::max({static_cast<float>(h), vk - off, vp}) : std::min({cap, vk + off, vp});
        const int32_t step = pos(p) > pos(k) ? 1 : -1;
        for (int32_t at = pos(k);; at += step) {
          put(at, static_cast<int32_t>(ek + static_cast<float>(at - pos(k)) * (ep - ek) /
                                                static_cast<float>(pos(p) - pos(k))));
          if (at == pos(p)) break;
        }
      }
    }
    if (last[s] >= first[s]) ext[pos(last[s])] = val(last[s]);
  }

  for (int32_t j = h; j <= nr - h + 1; ++j)
    for (int32_t i = h; i <= nc - h + 1; ++i)
      if (!(ud1[i] <= j && j <= ud2[i] && lr1[j] <= i && i <= lr2[j])) m.at(i, j) = 0;
  return m;
}

// RADCLP against the model on random masks: scattered data, and blobs with
// ragged edges and notches, over covered surroundings.
TEST_F(Blanking, ClipMatchesStepByStepModelOnRandomMasks) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 60; ++round) {
    const int32_t h = 1 + static_cast<int32_t>(rng() % 7);
    const int32_t nc = 2 * h + 2 + static_cast<int32_t>(rng() % 45);
    const int32_t nr = 2 * h + 2 + static_cast<int32_t>(rng() % 45);
    Mask m(nc, nr);
    if (round % 2 == 0) {
      std::bernoulli_distribution pick(0.01 + 0.2 * static_cast<double>(rng() % 100) / 100.0);
      for (int32_t r = h + 1; r <= nr - h; ++r)
        for (int32_t c = h + 1; c <= nc - h; ++c) m.at(c, r) = pick(rng) ? 1 : 2 * (rng() % 2);
    } else {
      // A ragged blob: per row a random span, drifting.
      int32_t lo = h + 1 + static_cast<int32_t>(rng() % 5), hi = nc - h - static_cast<int32_t>(rng() % 5);
      for (int32_t r = h + 1 + static_cast<int32_t>(rng() % 4); r <= nr - h - static_cast<int32_t>(rng() % 3); ++r) {
        lo = std::clamp(lo + static_cast<int32_t>(rng() % 5) - 2, h + 1, nc - h);
        hi = std::clamp(hi + static_cast<int32_t>(rng() % 5) - 2, lo, nc - h);
        for (int32_t c = h + 1; c <= nc - h; ++c) m.at(c, r) = (c >= lo && c <= hi && rng() % 9 != 0) ? 1 : 2;
      }
    }
    put(m);
    radclp(nc, nr, 2 * h + 1);
    EXPECT_EQ(show(get(nc, nr)), show(radclp_model(m, h))) << "round " << round << " h=" << h;
  }
}

// On random data the clip only ever removes coverage: every node covered
// after RADCLP was covered after RADMSK with the same value, and the margins
// stay empty.
TEST_F(Blanking, ClipOnlyRemovesCoverageOnRandomData) {
  std::mt19937 rng(11);
  for (int round = 0; round < 30; ++round) {
    const int32_t h = 1 + static_cast<int32_t>(rng() % 6);
    const int32_t nc = 2 * h + 1 + static_cast<int32_t>(rng() % 40);
    const int32_t nr = 2 * h + 1 + static_cast<int32_t>(rng() % 40);
    std::bernoulli_distribution pick(0.02 + 0.3 * static_cast<double>(rng() % 100) / 100.0);
    Mask m(nc, nr);
    for (int32_t r = h + 1; r <= nr - h; ++r)
      for (int32_t c = h + 1; c <= nc - h; ++c) m.at(c, r) = pick(rng) ? 1 : 0;
    put(m);
    ASSERT_EQ(radrem(nc, 2 * h + 1), 0);
    ASSERT_EQ(radmsk(nc, 2 * h + 1), 0);
    const Mask covered = get(nc, nr);
    radclp(nc, nr, 2 * h + 1);
    const Mask out = get(nc, nr);
    for (int32_t r = 1; r <= nr; ++r) {
      for (int32_t c = 1; c <= nc; ++c) {
        const bool margin = r <= h || r > nr - h || c <= h || c > nc - h;
        if (margin) {
          EXPECT_EQ(out.at(c, r), 0) << round << ": " << c << "," << r;
        }
        if (out.at(c, r) != 0) {
          EXPECT_EQ(out.at(c, r), covered.at(c, r)) << round << ": " << c << "," << r;
        }
      }
    }
  }
}

TEST_F(Blanking, NoDataNodeLeftClearsEveryNode) {
  Mask m(20, 20);
  m.fill(5, 15, 5, 15, 2);  // covered nodes, but no data node among them
  put(m);
  radclp(20, 20, 7);
  const Mask out = get(20, 20);
  EXPECT_EQ(std::count(out.v.begin(), out.v.end(), 0), 400);
}

// TEMPLAT nulls the grid nodes whose mask value is the flag; a grid that
// does not fit in the mask writes nothing.
TEST_F(Blanking, TemplatAppliesTheMask) {
  Mask m(7, 6);  // margins of 2 around a 3 x 2 grid
  m.at(3, 3) = 1;
  m.at(4, 3) = 2;
  m.at(5, 4) = 2;
  put(m);
  minc::WordFile grid, out;
  ASSERT_TRUE(grid.create("grid.tmp"));
  const float rows[6] = {1, 2, 3, 4, 5, 6};
  grid.write_words(rows, 6);
  grid.seek(0);
  ASSERT_TRUE(out.create("out.tmp"));
  std::vector<int32_t> mrow(7);
  std::vector<float> z(3);
  minc::TEMPLAT(3, 3, 0, -99.0f, imask_, imlen_, mrow.data(), 7, 6, grid, z.data(), 3, 2, out);
  out.seek(0);
  float got[6] = {};
  ASSERT_EQ(out.read_words(got, 6), 6u);
  const float want[6] = {1, 2, -99, -99, -99, 6};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(got[k], want[k]) << k;

  minc::WordFile none;
  ASSERT_TRUE(none.create("none.tmp"));
  grid.seek(0);
  minc::TEMPLAT(3, 6, 0, -99.0f, imask_, imlen_, mrow.data(), 7, 6, grid, z.data(), 3, 2, none);
  EXPECT_EQ(none.size(), 0);
}

}  // namespace
