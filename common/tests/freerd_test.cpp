// Free-format input: FREERD over lines and answer buffers, and the
// first-value answer scan of ASKTOK.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/freeformat.h"
#include "common/stop.h"

namespace {

using suite::FREERD;
using suite::ReadItem;
using suite::ReadMode;
using suite::ReadStatus;

constexpr float kUnset = -7.0f;  // value a variable holds before the read

// A read list of scalars described by letters: 'i' a 32-bit integer, 'f' a real.
struct Vars {
  explicit Vars(const std::string& kinds) : kinds_(kinds), ints_(kinds.size(), -7), reals_(kinds.size(), kUnset) {
    for (size_t n = 0; n < kinds.size(); ++n) {
      if (kinds[n] == 'i')
        items_.emplace_back(ints_[n]);
      else
        items_.emplace_back(reals_[n]);
    }
  }
  [[nodiscard]] std::vector<double> values() const {
    std::vector<double> v;
    for (size_t n = 0; n < kinds_.size(); ++n)
      v.push_back(kinds_[n] == 'i' ? static_cast<double>(ints_[n]) : static_cast<double>(reals_[n]));
    return v;
  }
  std::span<const ReadItem> items() const { return items_; }

 private:
  std::string kinds_;
  std::vector<int32_t> ints_;
  std::vector<float> reals_;
  std::vector<ReadItem> items_;
};

// Expected value as the variable holds it: integers exactly, reals as floats.
double as_held(char kind, double v) { return kind == 'i' ? v : static_cast<double>(static_cast<float>(v)); }

struct ReadCase {
  const char* name;
  const char* input;  // lines separated by \n
  const char* kinds;
  std::vector<double> expect;  // -7 = unchanged
  ReadStatus status = ReadStatus::kComplete;
  std::optional<std::string> next_line = std::nullopt;  // the line a following read starts on
};

class FreeReadOk : public testing::TestWithParam<ReadCase> {};

TEST_P(FreeReadOk, ReadsValuesAndLeavesTheRightLineNext) {
  const ReadCase& c = GetParam();
  std::istringstream in(c.input);
  suite::StreamSource src(in, 5, "stdin");
  Vars vars(c.kinds);
  const suite::ReadResult r = FREERD(src, vars.items());
  EXPECT_EQ(r.status, c.status);
  const std::vector<double> got = vars.values();
  ASSERT_EQ(got.size(), c.expect.size());
  for (size_t n = 0; n < got.size(); ++n) EXPECT_EQ(got[n], as_held(c.kinds[n], c.expect[n])) << "value " << n + 1;
  if (c.next_line) {
    std::string line;
    ASSERT_TRUE(src.next_line(line));
    EXPECT_EQ(line, *c.next_line);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FreeReadOk,
    testing::Values(
        ReadCase{"comma", "100,200", "ff", {100, 200}},
        ReadCase{"blank", "100 200", "ff", {100, 200}},
        ReadCase{"blanks_and_tabs", " \t 100 \t\t 200  ", "ff", {100, 200}},
        ReadCase{"comma_with_blanks", "1 ,\t2", "ff", {1, 2}},
        ReadCase{"repeat", "2*150", "ff", {150, 150}},
        ReadCase{"repeat_runs_over_the_list", "3*4 9\nnext", "ff", {4, 4}, ReadStatus::kComplete, "next"},
        ReadCase{"continues_on_next_line", "100\n200\nnext", "ff", {100, 200}, ReadStatus::kComplete, "next"},
        ReadCase{"single_value_waits_for_the_second", "100\n\n\n 200", "ff", {100, 200}},
        ReadCase{"rest_of_last_line_discarded", "1 2 3 text\nnext", "ff", {1, 2}, ReadStatus::kComplete, "next"},
        ReadCase{"leading_comma_is_null", ",5", "ff", {-7, 5}},
        ReadCase{"two_commas_null", "1,,3", "fff", {1, -7, 3}},
        ReadCase{"commas_with_blanks_null", "1, ,3", "fff", {1, -7, 3}},
        ReadCase{"repeat_null", "3* 5", "ffff", {-7, -7, -7, 5}},
        ReadCase{"repeat_null_before_comma", "2*,7", "fff", {-7, -7, 7}},
        ReadCase{"comma_at_line_end_is_a_separator", "1,\n2", "ff", {1, 2}},
        ReadCase{"comma_at_line_start_after_comma_is_null", "1,\n,2", "fff", {1, -7, 2}},
        ReadCase{"slash_ends_read", "1 / 9\nnext", "fff", {1, -7, -7}, ReadStatus::kSlash, "next"},
        ReadCase{"slash_first", "/", "f", {-7}, ReadStatus::kSlash},
        ReadCase{"slash_after_value_without_blank", "4/", "ff", {4, -7}, ReadStatus::kSlash},
        ReadCase{"integer_for_real", "25", "f", {25}},
        ReadCase{"exponent_letters", "1.5E2 1.5e2 1.5D2 1.5d-1 2E+1", "fffff", {150, 150, 150, 0.15, 20}},
        ReadCase{"point_forms", ".5 5. -.25 +3", "ffff", {0.5, 5, -0.25, 3}},
        ReadCase{"signed_integers", "-3 +4 0", "iii", {-3, 4, 0}},
        ReadCase{"integer_limits", "2147483647 -2147483648", "ii", {2147483647.0, -2147483648.0}},
        ReadCase{"mixed_list", "3 4 5\n1.0 2.0 3.0", "iiifff", {3, 4, 5, 1, 2, 3}},
        ReadCase{"crlf_line_end", "1 2\r\n3", "ff", {1, 2}, ReadStatus::kComplete, "3"},
        ReadCase{"tiny_real_underflows", "1e-50", "f", {0}}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(FreeRead, ArrayItemsTakeRepeatCounts) {
  std::istringstream in("12*50.0\n40*25.0 3*10.0\n");
  suite::StreamSource src(in, 5, "stdin");
  std::vector<float> a(12, 0.0f), b(43, 0.0f);
  FREERD(src, {std::span<float>(a)});
  FREERD(src, {std::span<float>(b)});
  for (float v : a) EXPECT_EQ(v, 50.0f);
  for (size_t n = 0; n < 40; ++n) EXPECT_EQ(b[n], 25.0f);
  for (size_t n = 40; n < 43; ++n) EXPECT_EQ(b[n], 10.0f);
}

TEST(FreeRead, EmptyListDiscardsOneLine) {
  std::istringstream in("header 1 2 3\n\nvalue\n");
  suite::StreamSource src(in, 5, "stdin");
  FREERD(src, {});
  FREERD(src, {});  // an empty line is a line too
  std::string line;
  ASSERT_TRUE(src.next_line(line));
  EXPECT_EQ(line, "value");
  EXPECT_THROW(FREERD(src, {}), suite::RunFailure);  // no line left
}

struct FailCase {
  const char* name;
  const char* input;
  const char* kinds;
  const char* condition;       // RunFailure condition of the strict read
  ReadStatus tolerant_status;  // status of the tolerant read
  std::vector<double> tolerant_values;
};

class FreeReadFails : public testing::TestWithParam<FailCase> {};

TEST_P(FreeReadFails, StrictThrowsTolerantKeepsWhatWasRead) {
  const FailCase& c = GetParam();
  {
    std::istringstream in(c.input);
    suite::StreamSource src(in, 10, "values.txt");
    Vars vars(c.kinds);
    try {
      FREERD(src, vars.items());
      ADD_FAILURE() << "no failure";
    } catch (const suite::RunFailure& f) {
      EXPECT_EQ(f.condition(), c.condition);
      EXPECT_EQ(f.file(), "values.txt");
      EXPECT_EQ(f.unit(), 10);
      EXPECT_NE(std::string(f.what()).find("values.txt"), std::string::npos);
    }
  }
  std::istringstream in(c.input);
  suite::StreamSource src(in, 10, "values.txt");
  Vars vars(c.kinds);
  const suite::ReadResult r = FREERD(src, vars.items(), ReadMode::kTolerant);
  EXPECT_EQ(r.status, c.tolerant_status);
  const std::vector<double> got = vars.values();
  for (size_t n = 0; n < got.size(); ++n)
    EXPECT_EQ(got[n], as_held(c.kinds[n], c.tolerant_values[n])) << "value " << n + 1;
}

INSTANTIATE_TEST_SUITE_P(
    Errors, FreeReadFails,
    testing::Values(
        FailCase{"point_in_integer", "1.5", "i", suite::kBadNumber, ReadStatus::kBadValue, {-7}},
        FailCase{"exponent_in_integer", "1 1e3", "ii", suite::kBadNumber, ReadStatus::kBadValue, {1, -7}},
        FailCase{"integer_too_large", "2147483648", "i", suite::kBadNumber, ReadStatus::kBadValue, {-7}},
        FailCase{"text_for_real", "abc", "f", suite::kBadNumber, ReadStatus::kBadValue, {-7}},
        FailCase{"trailing_letter", "1.5x", "f", suite::kBadNumber, ReadStatus::kBadValue, {-7}},
        FailCase{"exponent_without_digits", "1E", "f", suite::kBadNumber, ReadStatus::kBadValue, {-7}},
        FailCase{"sign_only", "+", "f", suite::kBadNumber, ReadStatus::kBadValue, {-7}},
        FailCase{"point_only", ".", "f", suite::kBadNumber, ReadStatus::kBadValue, {-7}},
        FailCase{"real_too_large", "1e39", "f", suite::kBadNumber, ReadStatus::kBadValue, {-7}},
        FailCase{"zero_repeat", "0*5", "f", suite::kBadNumber, ReadStatus::kBadValue, {-7}},
        FailCase{"quoted_for_real", "'5'", "f", suite::kBadNumber, ReadStatus::kBadValue, {-7}},
        FailCase{"bad_value_after_good", "1 2 x 4", "ffff", suite::kBadNumber, ReadStatus::kBadValue, {1, 2, -7, -7}},
        FailCase{"input_ends_early", "1 2", "fff", suite::kEndOfFile, ReadStatus::kEndOfFile, {1, 2, -7}},
        FailCase{"no_input", "", "f", suite::kEndOfFile, ReadStatus::kEndOfFile, {-7}},
        FailCase{"blank_lines_only", "\n  \n\t\n", "f", suite::kEndOfFile, ReadStatus::kEndOfFile, {-7}}),
    [](const testing::TestParamInfo<FailCase>& info) { return std::string(info.param.name); });

TEST(FreeRead, TolerantCountsEntriesTaken) {
  std::istringstream in("1 2 3\n4 bad");
  suite::StreamSource src(in, 10, "f");
  std::vector<float> a(6, 0.0f);
  const suite::ReadResult r = FREERD(src, {std::span<float>(a)}, ReadMode::kTolerant);
  EXPECT_EQ(r.status, ReadStatus::kBadValue);
  EXPECT_EQ(r.taken, 4);
  EXPECT_EQ(a[3], 4.0f);
  EXPECT_EQ(a[4], 0.0f);
}

// An answer buffer is one line of 80 characters; reading past it is the end
// of the file.
TEST(FreeRead, AnswerBufferIsOneLine) {
  struct Row {
    const char* text;
    const char* kinds;
    bool ok;
    std::vector<double> expect;
  };
  const Row rows[] = {
      {"  42", "i", true, {42}},
      {"-250.5", "f", true, {-250.5}},
      {"1 2", "ff", true, {1, 2}},
      {"", "f", false, {}},     // all blank: end of file
      {"1", "ff", false, {}},  // the second value is past the buffer
      {"12x", "f", false, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    suite::AnswerSource src{suite::Answer(row.text)};
    Vars vars(row.kinds);
    if (!row.ok) {
      EXPECT_THROW(FREERD(src, vars.items()), suite::RunFailure);
      continue;
    }
    FREERD(src, vars.items());
    const std::vector<double> got = vars.values();
    for (size_t n = 0; n < got.size(); ++n) EXPECT_EQ(got[n], as_held(row.kinds[n], row.expect[n]));
  }
  // A value in the last columns of the buffer is read; text beyond 80 is cut.
  std::string text(78, ' ');
  text += "123";
  suite::AnswerSource src{suite::Answer(text)};
  int32_t v = 0;
  FREERD(src, {v});
  EXPECT_EQ(v, 12);
}

struct TokenCase {
  const char* name;
  const char* input;
  bool found;
  const char* expect;  // trimmed answer; the answer starts as "old"
  const char* next_line;
};

class FirstValue : public testing::TestWithParam<TokenCase> {};

TEST_P(FirstValue, TakesTheFirstValueAsText) {
  const TokenCase& c = GetParam();
  std::istringstream in(c.input);
  suite::StreamSource src(in, 5, "stdin");
  suite::Answer a("old");
  EXPECT_EQ(suite::read_first_value(src, a), c.found);
  EXPECT_EQ(a.trimmed(), c.expect);
  if (c.next_line != nullptr) {
    std::string line;
    ASSERT_TRUE(src.next_line(line));
    EXPECT_EQ(line, c.next_line);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FirstValue,
    testing::Values(
        TokenCase{"plain", "mesh.txt\n", true, "mesh.txt", nullptr},
        TokenCase{"blank_ends_value", "my file.txt\nnext", true, "my", "next"},
        TokenCase{"apostrophes_keep_blanks", "'my file.txt'", true, "my file.txt", nullptr},
        TokenCase{"quotes_keep_commas_and_slashes", "\"a,b/c d\" rest", true, "a,b/c d", nullptr},
        TokenCase{"doubled_apostrophe", "'it''s'", true, "it's", nullptr},
        TokenCase{"doubled_quote", "\"say \"\"hi\"\"\"", true, "say \"hi\"", nullptr},
        TokenCase{"comma_ends_value", "a,b", true, "a", nullptr},
        TokenCase{"relative_path_keeps_slashes", "../examples/mesh.msh rest", true, "../examples/mesh.msh", nullptr},
        TokenCase{"absolute_path_keeps_slashes", "/data/run 1/model.den", true, "/data/run", nullptr},
        TokenCase{"slash_ending_value_ends_read", "abc/ x", true, "abc", nullptr},
        TokenCase{"lone_slash_after_blanks", "   /", true, "old", nullptr},
        TokenCase{"tab_ends_value", "a\tb", true, "a", nullptr},
        TokenCase{"leading_blanks", "   x  ", true, "x", nullptr},
        TokenCase{"empty_lines_skipped", "\n\n  \n name\nnext", true, "name", "next"},
        TokenCase{"slash_leaves_answer", "/ x\nnext", true, "old", "next"},
        TokenCase{"null_leaves_answer", ", x", true, "old", nullptr},
        TokenCase{"open_quote_runs_to_line_end", "'abc def", true, "abc def", nullptr},
        TokenCase{"crlf", "t\r\nnext", true, "t", "next"},
        TokenCase{"no_value_before_end", "\n\n", false, "old", nullptr}),
    [](const testing::TestParamInfo<TokenCase>& info) { return std::string(info.param.name); });

TEST(FirstValueLength, LongValueIsCutAt80) {
  const std::string name(100, 'n');
  std::istringstream in(name);
  suite::StreamSource src(in, 5, "stdin");
  suite::Answer a;
  ASSERT_TRUE(suite::read_first_value(src, a));
  EXPECT_EQ(a.trimmed(), std::string(80, 'n'));
}

}  // namespace
