// The console: arguments, prompts, answers, stops and run-time failures, in
// both stop styles.
#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <string>

#include "common/console.h"
#include "common/tests/test_support.h"

namespace {

using suite::Answer;
using suite::StopStyle;
using common_testing::CapturedConsole;

TEST(AnswerBuffer, PaddedAndCutAt80) {
  const Answer a("abc");
  EXPECT_EQ(a.view().size(), 80u);
  EXPECT_EQ(a.view(), "abc" + std::string(77, ' '));
  EXPECT_EQ(Answer(std::string(100, 'x')).view(), std::string(80, 'x'));
  EXPECT_EQ(Answer("  name.txt  ").name(), "name.txt");
  EXPECT_EQ(Answer("  name.txt  ").trimmed(), "  name.txt");
  EXPECT_TRUE(Answer().blank());
  EXPECT_TRUE(Answer("t  ").is("t"));
  EXPECT_FALSE(Answer("tx").is("t"));
}

TEST(Arguments, CountAndFetch) {
  CapturedConsole cc({"mesh.msh", std::string(90, 'a'), ""});
  EXPECT_EQ(cc.con.IARGC(), 3);
  Answer a("old");
  EXPECT_EQ(cc.con.GETARG(1, a), 8);
  EXPECT_EQ(a.trimmed(), "mesh.msh");
  EXPECT_EQ(cc.con.GETARG(2, a), 90);
  EXPECT_EQ(a.view(), std::string(80, 'a'));
  cc.con.GETARG(3, a);
  EXPECT_TRUE(a.blank());
  EXPECT_EQ(cc.con.GETARG(4, a), -1);
  EXPECT_TRUE(a.blank());
}

TEST(Prompt, NoLineEnd) {
  CapturedConsole cc({}, "answer\n");
  cc.con.FREEWR({});
  cc.con.PROMPT(" Enter name of the mesh file : ");
  Answer a;
  cc.con.ASKTOK(a);
  EXPECT_EQ(cc.out.str(), "\r\n Enter name of the mesh file : ");
  EXPECT_EQ(a.trimmed(), "answer");
}

TEST(WholeLine, KeepsBlanksAndGivesBlankForEmpty) {
  CapturedConsole cc({}, "  my file.txt , x\n\nlast");
  Answer a("old");
  cc.con.ASKLIN(a);
  EXPECT_EQ(a.trimmed(), "  my file.txt , x");
  cc.con.ASKLIN(a);
  EXPECT_TRUE(a.blank());
  cc.con.ASKLIN(a);
  EXPECT_EQ(a.trimmed(), "last");
  EXPECT_THROW(cc.con.ASKLIN(a), suite::RunFailure);
}

TEST(FirstValue, EmptyLinesKeepWaitingAndEndOfInputFails) {
  CapturedConsole cc({}, "\n\n  'a b'  c\n\n");
  Answer a;
  cc.con.ASKTOK(a);
  EXPECT_EQ(a.trimmed(), "a b");
  try {
    cc.con.ASKTOK(a);
    ADD_FAILURE() << "no failure";
  } catch (const suite::RunFailure& f) {
    EXPECT_EQ(f.condition(), suite::kEndOfFile);
    EXPECT_EQ(f.file(), "stdin");
  }
}

TEST(YesNo, OnlyTheFirstCharacterCounts) {
  struct Row {
    const char* line;
    bool yes;
  };
  const Row rows[] = {{"y", true}, {"Y", true}, {"yes please", true}, {"Yellow", true},
                      {" y", false}, {"", false}, {"n", false}, {"x y", false}};
  for (const Row& r : rows) {
    CapturedConsole cc({}, std::string(r.line) + "\n");
    EXPECT_EQ(cc.con.ask_yes_no(), r.yes) << '"' << r.line << '"';
  }
}

TEST(Numbers, TwoRealsFromTheConsole) {
  const char* answers[] = {"100,200\n", "100 200\n", "100\n200\n", "2*150\n"};
  const float first[] = {100.0f, 100.0f, 100.0f, 150.0f};
  const float second[] = {200.0f, 200.0f, 200.0f, 150.0f};
  for (size_t n = 0; n < 4; ++n) {
    CapturedConsole cc({}, answers[n]);
    float a = 0.0f, b = 0.0f;
    cc.con.FREERD({a, b});
    EXPECT_EQ(a, first[n]) << answers[n];
    EXPECT_EQ(b, second[n]) << answers[n];
  }
}

TEST(Question, ArgumentOrPrompt) {
  CapturedConsole cc({"arg one"}, "\n  typed  value\n second third\n");
  Answer a;
  EXPECT_EQ(suite::ask_answer(cc.con, 1, " first : ", a, suite::AnswerStyle::kFirstValue), 7);
  EXPECT_EQ(a.trimmed(), "arg one");
  suite::ask_answer(cc.con, 2, " second : ", a, suite::AnswerStyle::kWholeLine);
  EXPECT_TRUE(a.blank());
  suite::ask_answer(cc.con, 2, " third : ", a, suite::AnswerStyle::kWholeLine);
  EXPECT_EQ(a.trimmed(), "  typed  value");
  suite::ask_answer(cc.con, 3, " fourth : ", a, suite::AnswerStyle::kFirstValue);
  EXPECT_EQ(a.trimmed(), "second");
  EXPECT_EQ(cc.out.str(), "\r\n second : \r\n third : \r\n fourth : ");
}

TEST(Question, NumberFromAnswer) {
  float v = 0.0f;
  int32_t n = 0;
  suite::read_number(Answer(" -12.5e1 "), v);
  suite::read_number(Answer("7"), n);
  EXPECT_EQ(v, -125.0f);
  EXPECT_EQ(n, 7);
  EXPECT_THROW(suite::read_number(Answer("7.0"), n), suite::RunFailure);
  EXPECT_THROW(suite::read_number(Answer(""), v), suite::RunFailure);
}

struct StopCase {
  const char* name;
  StopStyle style;
  bool with_message;
  const char* out;
  const char* err;
};

class Stop : public testing::TestWithParam<StopCase> {};

TEST_P(Stop, WritesByStyleAndEndsWithStatusZero) {
  const StopCase& c = GetParam();
  CapturedConsole cc({}, "", c.style);
  bool after = false;
  const int status = suite::run_program(cc.con, [&] {
    cc.con.FREEWR({" before"});
    if (c.with_message)
      cc.con.STOPMS(" that file does not exist");
    else
      cc.con.STOP();
    after = true;
  });
  EXPECT_EQ(status, 0);
  EXPECT_FALSE(after);
  EXPECT_EQ(cc.out.str(), c.out);
  EXPECT_EQ(cc.err.str(), c.err);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, Stop,
    testing::Values(StopCase{"message_to_error_stream", StopStyle::kStandard, true, "  before\r\n",
                             " that file does not exist\r\n"},
                    StopCase{"silent_stop", StopStyle::kStandard, false, "  before\r\n", ""},
                    StopCase{"torrin_message_to_output", StopStyle::kTorrin, true,
                             "  before\r\n that file does not exist\r\n", ""},
                    StopCase{"torrin_stop_line", StopStyle::kTorrin, false,
                             "  before\r\nStop - Program terminated.\r\n", ""}),
    [](const testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

TEST(RunTimeFailure, OneLineOnTheErrorStreamAndNonZeroStatus) {
  for (StopStyle style : {StopStyle::kStandard, StopStyle::kTorrin}) {
    CapturedConsole cc({}, "", style);
    const int status = suite::run_program(cc.con, [&] {
      cc.con.FREEWR({" partial"});
      float v = 0.0f;
      cc.con.FREERD({v});  // standard input is empty
    });
    EXPECT_NE(status, 0);
    EXPECT_EQ(cc.out.str(), "  partial\r\n");
    EXPECT_EQ(cc.err.str(), "run-time error: end of file during a read, unit 5, file stdin\r\n");
  }
}

TEST(RunTimeFailure, MemoryFailureIsReported) {
  CapturedConsole cc;
  const int status = suite::run_program(cc.con, [] { throw std::bad_alloc(); });
  EXPECT_EQ(status, suite::kFailureStatus);
  EXPECT_NE(cc.err.str().find("insufficient memory"), std::string::npos);
}

TEST(FileExists, IgnoresSurroundingBlanks) {
  common_testing::TempDir dir;
  common_testing::write_file("here.txt", "x");
  EXPECT_TRUE(suite::FILEEX(Answer("  here.txt   ")));
  EXPECT_FALSE(suite::FILEEX(Answer("gone.txt")));
  EXPECT_FALSE(suite::FILEEX(Answer()));
}

TEST(TextFiles, CreatedOrReplacedWithCrLfLines) {
  common_testing::TempDir dir;
  common_testing::write_file("out.txt", "old content that is longer\n");
  {
    suite::TextOutput out(Answer("out.txt"));
    out.FREEWR({"x,y,z,sus"});
    out.line("Station");
    out.close();
  }
  EXPECT_EQ(common_testing::read_file("out.txt"), " x,y,z,sus\r\nStation\r\n");
  EXPECT_THROW(suite::TextOutput(Answer("no_such_dir/out.txt")), suite::RunFailure);
  EXPECT_THROW(suite::FileSource(Answer("no_such_file.txt")), suite::RunFailure);
  std::filesystem::create_directory("adir");
  EXPECT_THROW(suite::FileSource(Answer("adir")), suite::RunFailure);
}

}  // namespace
