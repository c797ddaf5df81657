#include "drillhole/augerine.h"

#include <algorithm>
#include <array>
#include <iostream>
#include <span>
#include <string_view>
#include <utility>

#include "common/console.h"
#include "common/freeformat.h"
#include "common/mesh.h"
#include "common/stop.h"

namespace augerine {

namespace {

using suite::Answer;
using suite::AnswerStyle;
using suite::Console;

// Units named in run-time failure lines.
constexpr int32_t kUnitXyz = suite::kUnitFile + 2;
constexpr int32_t kUnitOut = suite::kUnitFile + 3;

// An input file: argument number, prompt, and the stop message when missing.
struct FileQuestion {
  int32_t arg;
  std::string_view prompt;
  std::string_view missing;
};

constexpr FileQuestion kMeshQuestion{1, " Enter name of the mesh file : ", " that file does not exist"};
constexpr FileQuestion kSusQuestion{2, " Enter name of the sus data file : ", " the model file does not exist"};
constexpr FileQuestion kXyzQuestion{3, " Enter name of the xyz data file : ", " the xyz file does not exist"};

// A column number: argument number, prompt, and its two refusals.
struct ColumnQuestion {
  int32_t arg;
  std::string_view prompt;
  std::string_view not_positive;
  std::string_view too_large;
};

constexpr ColumnQuestion kXlocQuestion{5, " Enter location of x coordinate : ",
                                       " Location of x coordinate must be positive",
                                       " Location of x coordinate cannot be larger than 77"};
constexpr ColumnQuestion kYlocQuestion{6, " Enter location of y coordinate : ",
                                       " Location of y coordinate must be positive",
                                       " Location of y coordinate cannot be larger than 77"};
constexpr ColumnQuestion kZlocQuestion{7, " Enter location of z coordinate : ",
                                       " Location of z coordinate must be positive",
                                       " Location of z coordinate cannot be larger than 77"};
static_assert(kMaxColumns == 77, "the refusal texts name the column capacity");

constexpr int32_t kArgNhead = 4;
constexpr std::string_view kPromptNhead = " Enter number of header lines : ";
constexpr std::string_view kMsgNheadNegative = " Number of header lines cannot be negative";
constexpr int32_t kArgOut = 8;
constexpr std::string_view kPromptOut = " Enter name of the output data file : ";

void banner(Console& con) {
  con.line(" This program reads a Tessel mesh and model file");
  con.line(" and a drill-hole location file and writes out");
  con.line(" the model values at the specified locations");
  con.FREEWR({});
  con.FREEWR({" Command line usage : "});
  con.FREEWR({"   augerine mesh sus xyz nhead xloc yloc zloc out"});
  con.FREEWR({});
}

void ask_input_file(Console& con, const FileQuestion& q, Answer& name) {
  suite::ask_answer(con, q.arg, q.prompt, name, AnswerStyle::kFirstValue);
  if (!suite::FILEEX(name)) con.STOPMS(q.missing);
}

int32_t ask_integer(Console& con, int32_t arg, std::string_view prompt) {
  Answer text;
  suite::ask_answer(con, arg, prompt, text, AnswerStyle::kFirstValue);
  int32_t value = 0;
  suite::read_number(text, value);
  return value;
}

// Deliberate: a column beyond the line buffer is refused here, before any
// position line is read into it.
int32_t ask_column(Console& con, const ColumnQuestion& q) {
  const int32_t column = ask_integer(con, q.arg, q.prompt);
  if (column <= 0) con.STOPMS(q.not_positive);
  if (column > kMaxColumns) con.STOPMS(q.too_large);
  return column;
}

void sample(Console& con, const suite::Mesh& mesh, const suite::Model& model, const Answer& xyz_name,
            const Answer& out_name, int32_t nhead, int32_t xloc, int32_t yloc, int32_t zloc) {
  suite::FileSource xyz(xyz_name, kUnitXyz);
  suite::TextOutput out(out_name, kUnitOut);
  out.FREEWR({"x,y,z,sus"});
  for (int32_t h = 0; h < nhead; ++h) suite::FREERD(xyz, {});

  const int32_t n = std::max({xloc, yloc, zloc});
  std::array<float, kMaxColumns> values{};
  const std::span<float> line_values(values.data(), static_cast<size_t>(n));
  int32_t count = 0;
  while (!xyz.at_end()) {
    // Tolerant: the end of the file or a value that is not a real ends the
    // sampling quietly.
    const suite::ReadResult r = suite::FREERD(xyz, {line_values}, suite::ReadMode::kTolerant);
    if (r.status == suite::ReadStatus::kEndOfFile || r.status == suite::ReadStatus::kBadValue) break;
    const float x = values[static_cast<size_t>(xloc - 1)];
    const float y = values[static_cast<size_t>(yloc - 1)];
    const float z = values[static_cast<size_t>(zloc - 1)];
    ++count;

    float value = kOutsideValue;
    switch (outside_test(mesh, x, y, z)) {
      case Outside::kX:
        con.FREEWR({" x value outside mesh : ", count, x});
        break;
      case Outside::kY:
        con.FREEWR({" y value outside mesh : ", count, y});
        break;
      case Outside::kZ:
        con.FREEWR({" z value outside mesh : ", count, z});
        break;
      case Outside::kInside: {
        const Cell c = find_cell(mesh, x, y, z);
        value = model(c.i, c.j, c.k) * kValueScale;
        break;
      }
    }
    out.FREEWR({x, y, z, value});
    if (count % kProgressEvery == 0) con.FREEWR({" processed : ", count});
  }
  out.close();
}

void augerine_body(Console& con) {
  banner(con);

  Answer mesh_name;
  ask_input_file(con, kMeshQuestion, mesh_name);
  suite::Mesh mesh;
  suite::Model model;
  suite::load_mesh_one_pass(con, mesh_name, mesh, model, suite::kAnyMesh);
  augerine::print_mesh_summary(con, mesh);

  Answer sus_name, xyz_name, out_name;
  ask_input_file(con, kSusQuestion, sus_name);
  ask_input_file(con, kXyzQuestion, xyz_name);
  const int32_t nhead = ask_integer(con, kArgNhead, kPromptNhead);
  if (nhead < 0) con.STOPMS(kMsgNheadNegative);
  const int32_t xloc = ask_column(con, kXlocQuestion);
  const int32_t yloc = ask_column(con, kYlocQuestion);
  const int32_t zloc = ask_column(con, kZlocQuestion);
  suite::ask_answer(con, kArgOut, kPromptOut, out_name, AnswerStyle::kFirstValue);

  suite::load_model_strict(sus_name, model);
  sample(con, mesh, model, xyz_name, out_name, nhead, xloc, yloc, zloc);
}

}  // namespace

int run(std::istream& in, std::ostream& out, std::ostream& err, std::vector<std::string> args) {
  Console con(in, out, err, std::move(args));
  return suite::run_program(con, [&] { augerine_body(con); });
}

}  // namespace augerine

int augerine_main(int argc, char** argv) {
  return augerine::run(std::cin, std::cout, std::cerr, suite::Console::arguments(argc, argv));
}
