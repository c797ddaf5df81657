// MINC calls that end early, the run log they leave, the name rules and the
// clean-up of the scratch files, for both engine builds.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "minc/minc.h"
#include "minc/tests/cwd_sandbox.h"

namespace minc {
namespace {

using testing_support::CwdSandbox;
using testing_support::read_bytes;
using testing_support::read_text;
using testing_support::write_floats;

constexpr float kDval = -99999.0f;

// An 80-byte blank-padded name buffer, with or without the NUL.
std::vector<char> name_buf(const std::string& name, bool nul) {
  std::vector<char> b(80, ' ');
  std::memcpy(b.data(), name.data(), name.size());
  if (nul) b[name.size()] = '\0';
  return b;
}

struct Call {
  std::vector<char> out = name_buf("out.grd", true);
  std::vector<char> dat = name_buf("data.bin", true);
  MincArgs a;
  Call() {
    a.xoi = 1000.0f;
    a.yoi = 2000.0f;
    a.delxi = a.delyi = 1.0f;
    a.nci = 30;
    a.nri = 20;
    a.radiusi = 0.0f;
    a.izchani = 1;
    a.dvali = kDval;
    a.maxchn = 1;
    a.iglog = 1;
    a.nohead = 1;
    a.grdrot = 0.0f;
  }
  int32_t run(const EngineVariant& v) {
    a.outfil = out.data();
    a.outfil_len = static_cast<int32_t>(out.size());
    a.datfil = dat.data();
    a.datfil_len = static_cast<int32_t>(dat.size());
    return &v == &kTorrinEngine ? minc_run<kTorrinEngine>(a) : minc_run<kKelvaneEngine>(a);
  }
};

bool no_scratch_left(const CwdSandbox& box) {
  for (const std::string& e : box.entries())
    if (e.rfind("~minc", 0) == 0) {
      ADD_FAILURE() << "left behind: " << e;
      return false;
    }
  return true;
}

// A parameter line: label from column 1, number ending at column 28, CR LF.
std::string line(const std::string& label, const std::string& number) {
  std::string l = label;
  l.resize(28 - number.size(), ' ');
  return l + number + "\r\n";
}

class MincEarlyEnd : public ::testing::TestWithParam<const EngineVariant*> {
 protected:
  const EngineVariant& v() const { return *GetParam(); }
  CwdSandbox box_;
};

INSTANTIATE_TEST_SUITE_P(Variants, MincEarlyEnd, ::testing::Values(&kKelvaneEngine, &kTorrinEngine),
                         [](const auto& info) { return std::string(info.param->name); });

struct EndCase {
  const char* name;
  int32_t ierr;
  void (*setup)(Call&);
};

TEST_P(MincEarlyEnd, EveryReachableEarlyEndLeavesNoScratchFile) {
  const std::vector<EndCase> cases = {
      {"missing_data_file", -1100, [](Call&) { std::filesystem::remove("data.bin"); }},
      {"empty_data_file", -1002, [](Call&) { write_floats("data.bin", {}); }},
      {"all_points_outside", -1002, [](Call&) { write_floats("data.bin", {0, 0, 1, 5000, 5000, 2}); }},
      {"all_points_null", -1002, [](Call&) { write_floats("data.bin", {1010, 2010, kDval}); }},
      {"blank_data_name", -1000, [](Call& c) { c.dat = name_buf("", false); }},
      {"nul_first_data_name", -1000, [](Call& c) { c.dat = name_buf("", true); }},
      {"one_character_data_name", -1000, [](Call& c) { c.dat = name_buf("d", false); }},
      {"no_layout", -1001, [](Call& c) { c.a.nci = 100000; c.a.nri = 10; }},
      {"no_columns", -1001, [](Call& c) { c.a.nci = 0; }},
      {"too_many_channels", -1101, [](Call& c) { c.a.maxchn = 257; }},
      {"channel_zero", -1101, [](Call& c) { c.a.izchani = 0; }},
      {"channel_beyond_record", -1101, [](Call& c) { c.a.izchani = 2; }},
      {"rotated_no_extent", -1000, [](Call& c) { c.a.grdrot = 30.0f; write_floats("data.bin", {1010, 2010, 5}); }},
      {"rotated_missing_file", -1100, [](Call& c) { c.a.grdrot = 30.0f; std::filesystem::remove("data.bin"); }},
      {"data_records_unwritable", -1100, [](Call&) { (void)::symlink("/dev/full", "~mincir.tmp"); }},
      {"radius_missing_file", -1100, [](Call& c) { c.a.radiusi = 3.0f; std::filesystem::remove("data.bin"); }},
  };
  for (const EndCase& c : cases) {
    SCOPED_TRACE(c.name);
    write_floats("data.bin", {1010.0f, 2010.0f, 5.0f});
    Call call;
    c.setup(call);
    EXPECT_EQ(call.run(v()), c.ierr);
    EXPECT_TRUE(no_scratch_left(box_));
    EXPECT_FALSE(std::filesystem::exists("out.grd"));
    EXPECT_TRUE(std::filesystem::exists("minc.log"));
    std::error_code ec;
    std::filesystem::remove("~mincir.tmp", ec);
  }
}

TEST_P(MincEarlyEnd, LogHoldsTheLinesWrittenUpToTheEnd) {
  // 150 x 40 with a radius of 3 cells: two blocks, a mask grid; the data
  // file is missing, so the call ends when it would open it.
  Call call;
  call.a.nci = 150;
  call.a.nri = 40;
  call.a.radiusi = 3.0f;
  EXPECT_EQ(call.run(v()), -1100);
  std::string expect = line(" x origin ", "1000.00") + line(" y origin ", "2000.00");
  if (!v().one_cell_size) {
    expect += line(" x cell size ", "1.0000") + line(" y cell size ", "1.0000");
  } else {
    expect += line(" cell size ", "1.0000");
  }
  expect += line(" num columns  ", "150") + line(" num rows ", "40") + line(" z channel ", "1") +
            line(" max chan ", "1") + line(" search radius ", "3.000");
  // The rotation number ends in column 28 (kelvane) or 29 (torrin).
  expect += v().one_cell_size ? " rotation angle         0.000\r\n" : " rotation angle        0.000 \r\n";
  expect += line(" null data ", "-99999.000") + line(" half window ", "3") +
            line(" total columns ", "156") + line(" total rows ", "46") +
            line(" number tiers ", "1") + line(" sections/tier ", "2") +
            line(" columns/block ", "82") + line(" rows/block ", "44");
  EXPECT_EQ(read_text("minc.log"), expect);
  EXPECT_TRUE(no_scratch_left(box_));
}

TEST_P(MincEarlyEnd, BlockLimit) {
  // Layouts found by the tiling: kelvane 2935 x 8647 -> 900 blocks,
  // 2839 x 8980 -> 901; torrin 910 x 8869 -> 600, 1000 x 8111 -> 608.
  const bool kel = !v().one_cell_size;
  write_floats("data.bin", {});
  Call ok;
  ok.a.nci = kel ? 2935 : 910;
  ok.a.nri = kel ? 8647 : 8869;
  EXPECT_EQ(ok.run(v()), -1002);  // accepted: the call goes on to the data
  EXPECT_NE(read_text("minc.log").find(line(" sections/tier ", kel ? "18" : "8")), std::string::npos);
  Call over;
  over.a.nci = kel ? 2839 : 1000;
  over.a.nri = kel ? 8980 : 8111;
  EXPECT_EQ(over.run(v()), -2);
  EXPECT_NE(read_text("minc.log").find(line(" rows/block ", kel ? "180" : "117")), std::string::npos);
  EXPECT_TRUE(no_scratch_left(box_));
}

TEST_P(MincEarlyEnd, UnwritableLogEndsTheCallBeforeAnythingElse) {
  std::filesystem::create_directory("minc.log");
  write_floats("data.bin", {1010.0f, 2010.0f, 5.0f});
  Call call;
  EXPECT_EQ(call.run(v()), -1100);
  EXPECT_EQ(box_.entries(), (std::set<std::string>{"data.bin", "minc.log"}));
}

TEST(MincLog, RadiusUsedOnlyWhenThisCallReducedTheWindow) {
  CwdSandbox box;
  Call call;
  call.a.nci = 1000;
  call.a.nri = 10;  // no layout fits: the call ends after the window lines
  call.a.radiusi = 200.0f;
  EXPECT_EQ(call.run(kKelvaneEngine), -1001);
  const std::string first = read_text("minc.log");
  EXPECT_EQ(first.substr(first.size() - 4 * 30),
            line(" half window ", "104") + line(" radius used ", "104.000") +
                line(" total columns ", "1208") + line(" total rows ", "218"));
  call.a.radiusi = 50.0f;
  EXPECT_EQ(call.run(kKelvaneEngine), -1001);
  const std::string second = read_text("minc.log");
  EXPECT_EQ(second.find(" radius used "), std::string::npos);
  EXPECT_EQ(second.substr(second.size() - 3 * 30),
            line(" half window ", "50") + line(" total columns ", "1100") + line(" total rows ", "110"));
  EXPECT_TRUE(no_scratch_left(box));
}

TEST(MincLog, ValuesOfTheCurrentCallAndTheWideYOrigin) {
  CwdSandbox box;
  Call call;
  call.a.maxchn = 3;
  call.a.izchani = 2;
  call.a.grdrot = -1.5f;
  call.a.yoi = -123456789.0f;
  call.a.delyi = 0.5f;
  EXPECT_EQ(call.run(kKelvaneEngine), -1100);  // no data file
  const std::string log = read_text("minc.log");
  EXPECT_EQ(log.substr(30, 30), line(" y origin ", "-123456788.48"));
  EXPECT_EQ(log.substr(90, 30), line(" y cell size ", "0.5000"));
  EXPECT_EQ(log.substr(180, 60), line(" z channel ", "2") + line(" max chan ", "3"));
  EXPECT_EQ(log.substr(270, 31), " rotation angle       -1.500 \r\n");
}

TEST(MincNames, OutputAndDataNameRules) {
  struct Case {
    const char* name;
    std::string buf;
    bool kel_data_ok;
    std::string kel_out;
    bool tor_data_ok;
    std::string tor_out;
  };
  const Case cases[] = {
      {"nul_terminated", std::string("abc\0  ", 6), true, "abc", true, "abc"},
      {"blank_padded", "abc   ", true, "abc", false, "outfile.grd"},
      {"all_blank", "      ", false, "outfile.grd", false, "outfile.grd"},
      {"one_character", "a     ", false, "outfile.grd", false, "outfile.grd"},
      {"nul_first", std::string("\0     ", 6), false, "outfile.grd", false, "outfile.grd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string name;
    const int32_t len = static_cast<int32_t>(c.buf.size());
    EXPECT_EQ(data_name(c.buf.data(), len, false, name), c.kel_data_ok);
    EXPECT_EQ(data_name(c.buf.data(), len, true, name), c.tor_data_ok);
    std::array<char, kOutNameLen> out{};
    output_name(c.buf.data(), len, false, out);
    EXPECT_EQ(std::string(out.data()), c.kel_out);
    EXPECT_EQ(out[c.kel_out.size() + 1], ' ');
    EXPECT_EQ(out[255], ' ');
    output_name(c.buf.data(), len, true, out);
    EXPECT_EQ(std::string(out.data()), c.tor_out);
  }
}

TEST(MincRotation, NormalisedModulo90IntoPlusMinus45) {
  struct {
    float in, out;
  } cases[] = {{1.9f, 0.0f},   {91.9f, 0.0f},  {-178.5f, 0.0f}, {2.0f, 2.0f},   {135.0f, 45.0f},
               {-60.0f, 30.0f}, {45.0f, 45.0f}, {46.0f, -44.0f}, {400.0f, 40.0f}, {-2.0f, -2.0f},
               {0.0f, 0.0f},   {270.0f, 0.0f}};
  for (const auto& c : cases) EXPECT_EQ(normalise_rotation(c.in), c.out) << c.in;
}

TEST(MincRotation, RotatedGridNeedsANulTerminatedDataName) {
  CwdSandbox box;
  write_floats("data.bin", {1010.0f, 2010.0f, 5.0f, 1020.0f, 2015.0f, 6.0f});
  Call call;
  call.a.grdrot = 30.0f;
  call.dat = name_buf("data.bin", false);
  EXPECT_EQ(call.run(kKelvaneEngine), -1000);
  EXPECT_TRUE(no_scratch_left(box));
}

// A successful call leaves the grid and the log only, also when it follows
// a failed call (no failure is carried over).
TEST(MincRun, SuccessLeavesTheGridAndTheLogOnly) {
  CwdSandbox box;
  std::vector<float> d;
  for (int j = 0; j < 20; j += 3)
    for (int i = 0; i < 30; i += 4)
      d.insert(d.end(), {1000.0f + static_cast<float>(i) + 0.3f, 2000.0f + static_cast<float>(j) + 0.2f,
                         static_cast<float>(i + 2 * j)});
  write_floats("data.bin", d);
  for (const EngineVariant* v : {&kKelvaneEngine, &kTorrinEngine}) {
    SCOPED_TRACE(v->name);
    Call call;
    call.a.nohead = v->one_cell_size ? 0 : 1;
    float mn = 0.0f, mx = 0.0f;
    call.a.datmin = &mn;
    call.a.datmax = &mx;
    ASSERT_EQ(call.run(*v), 0);
    EXPECT_EQ(box.entries(), (std::set<std::string>{"data.bin", "minc.log", "out.grd"}));
    const auto first = read_bytes("out.grd");
    EXPECT_EQ(first.size(), 512u + 30u * 20u * 4u);
    EXPECT_LT(mn, mx);
    std::filesystem::remove("data.bin");
    EXPECT_EQ(call.run(*v), -1100);
    write_floats("data.bin", d);
    ASSERT_EQ(call.run(*v), 0);
    EXPECT_EQ(read_bytes("out.grd").size(), first.size());
  }
}

TEST(MincRun, UnwritableGridFileIsAFailure) {
  CwdSandbox box;
  write_floats("data.bin", {1010.0f, 2010.0f, 5.0f, 1020.0f, 2015.0f, 6.0f});
  ASSERT_EQ(::symlink("/dev/full", "out.grd"), 0);
  Call call;
  EXPECT_EQ(call.run(kKelvaneEngine), -1100);
  EXPECT_TRUE(no_scratch_left(box));
}

}  // namespace
}  // namespace minc
