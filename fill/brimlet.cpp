#include "fill/brimlet.h"

#include <iostream>
#include <string_view>
#include <utility>

#include "common/console.h"
#include "common/freeformat.h"
#include "common/mesh.h"
#include "common/stop.h"

namespace brimlet {

namespace {

using suite::Answer;
using suite::AnswerStyle;
using suite::Console;

// Argument numbers of the command line
// brimlet mesh susin susout xmin xmax ymin ymax zmin zmax val.
constexpr int32_t kArgMesh = 1;
constexpr int32_t kArgSusIn = 2;
constexpr int32_t kArgSusOut = 3;
constexpr int32_t kArgX = 4;  // xmin; xmax follows
constexpr int32_t kArgY = 6;
constexpr int32_t kArgZ = 8;
constexpr int32_t kArgVal = 10;

constexpr std::string_view kPromptMesh = " Enter name of mesh file : ";
constexpr std::string_view kPromptSusIn = " Enter name of susceptability file : ";
constexpr std::string_view kPromptSusOut = " Enter name of output susceptability file : ";
constexpr std::string_view kPromptX = " Enter x limits of volume to fill : ";
constexpr std::string_view kPromptY = " Enter y limits of volume to fill : ";
constexpr std::string_view kPromptZ = " Enter z limits of volume to fill : ";
constexpr std::string_view kPromptVal = " Enter new sus value : ";
constexpr std::string_view kPromptOverwrite = " The specified file already exists, overwrite [n] : ";

constexpr std::string_view kMsgNoName = " No file name supplied";
constexpr std::string_view kMsgNoFile = " The specified file does not exist";

// The limits of one axis and the texts of their checks.
struct AxisDialogue {
  int32_t first_arg;
  std::string_view prompt;
  std::string_view invalid;
  std::string_view min_beyond;
  std::string_view max_beyond;
};

constexpr AxisDialogue kAxisX{kArgX, kPromptX, " x limits are invalid", " minimum x is larger than mesh x limit",
                              " maximum x is smaller than mesh x limit"};
constexpr AxisDialogue kAxisY{kArgY, kPromptY, " y limits are invalid", " minimum y is larger than mesh y limit",
                              " maximum y is smaller than mesh y limit"};
constexpr AxisDialogue kAxisZ{kArgZ, kPromptZ, " z limits are invalid", " minimum z is larger than mesh z limit",
                              " maximum z is smaller than mesh z limit"};

void banner(Console& con) {
  con.FREEWR({" This program reads a Tessel mesh and model file"});
  con.FREEWR({" and fills a region specified by the user"});
  con.FREEWR({" Command line usage is : "});
  con.FREEWR({" brimlet mesh susin susout xmin xmax ymin ymax zmin zmax val"});
  con.FREEWR({});
}

// A file name that must name an existing file.
void ask_input_name(Console& con, int32_t arg, std::string_view prompt, Answer& name) {
  suite::ask_answer(con, arg, prompt, name, AnswerStyle::kWholeLine);
  if (name.blank()) con.STOPMS(kMsgNoName);
  if (!suite::FILEEX(name)) con.STOPMS(kMsgNoFile);
}

// The output name; an existing file named at the console is replaced only
// when the user agrees, otherwise the name is asked again.
void ask_output_name(Console& con, Answer& name) {
  for (;;) {
    suite::ask_answer(con, kArgSusOut, kPromptSusOut, name, AnswerStyle::kWholeLine);
    if (name.blank()) con.STOPMS(kMsgNoName);
    if (con.IARGC() >= kArgSusOut || !suite::FILEEX(name)) return;
    con.PROMPT(kPromptOverwrite);
    if (con.ask_yes_no()) return;
  }
}

// One limit pair from arguments first_arg and first_arg+1 when both are
// present, else from the console. Returns true when it came from arguments.
bool take_pair(Console& con, const AxisDialogue& axis, float& low, float& high) {
  if (con.IARGC() >= axis.first_arg + 1) {
    Answer a;
    con.GETARG(axis.first_arg, a);
    suite::read_number(a, low);
    con.GETARG(axis.first_arg + 1, a);
    suite::read_number(a, high);
    return true;
  }
  con.FREEWR({});
  con.PROMPT(axis.prompt);
  con.FREERD({low, high});
  return false;
}

// A pair refused for lying wholly beyond the mesh: in the dialogue the
// message is written and the pair asked again (returns normally).
// Deliberate: a pair from the command line would be read again unchanged
// for ever, so there the same message ends the run (exit status 0).
void refuse(Console& con, std::string_view message, bool from_arguments) {
  if (from_arguments) con.STOPMS(message);
  con.FREEWR({message});
}

// Takes one pair and checks it against the mesh extent low_edge..high_edge.
// Returns true when it is accepted; a refused pair has been reported.
bool take_limits(Console& con, const AxisDialogue& axis, float low_edge, float high_edge, float& low,
                 float& high) {
  const bool from_arguments = take_pair(con, axis, low, high);
  if (low >= high) con.STOPMS(axis.invalid);
  if (low > high_edge) {
    refuse(con, axis.min_beyond, from_arguments);
    return false;
  }
  if (high < low_edge) {
    refuse(con, axis.max_beyond, from_arguments);
    return false;
  }
  return true;
}

void print_limits(Console& con, std::string_view title, float x1, float x2, float y1, float y2, float z1, float z2) {
  con.FREEWR({});
  con.FREEWR({title});
  con.FREEWR({});
  con.FREEWR({" x mesh range : ", x1, x2});
  con.FREEWR({" y mesh range : ", y1, y2});
  con.FREEWR({" z mesh range : ", z1, z2});
}

void brimlet_body(Console& con) {
  banner(con);

  Answer mesh_name;
  ask_input_name(con, kArgMesh, kPromptMesh, mesh_name);
  suite::Mesh mesh;
  suite::Model model;
  suite::load_mesh_one_pass(con, mesh_name, mesh, model, suite::kAnyMesh);
  const int32_t MX = mesh.MX, MY = mesh.MY, MZ = mesh.MZ;

  print_limits(con, " total mesh limits: ", mesh.XNODE(1), mesh.XNODE(MX + 1), mesh.YNODE(1), mesh.YNODE(MY + 1),
               mesh.ZNODE(MZ + 1), mesh.ZNODE(1));

  Answer susin;
  ask_input_name(con, kArgSusIn, kPromptSusIn, susin);
  Answer susout;
  ask_output_name(con, susout);

  Box box;
  while (!take_limits(con, kAxisX, mesh.XNODE(1), mesh.XNODE(MX + 1), box.xmin, box.xmax)) {
  }
  // A refused z pair asks the y limits again, then the z limits.
  for (;;) {
    while (!take_limits(con, kAxisY, mesh.YNODE(1), mesh.YNODE(MY + 1), box.ymin, box.ymax)) {
    }
    if (take_limits(con, kAxisZ, mesh.ZNODE(MZ + 1), mesh.ZNODE(1), box.zmin, box.zmax)) break;
  }

  float val = 0.0f;
  if (con.IARGC() >= kArgVal) {
    Answer a;
    con.GETARG(kArgVal, a);
    suite::read_number(a, val);
  } else {
    con.FREEWR({});
    con.PROMPT(kPromptVal);
    con.FREERD({val});
  }

  const FillRange r = box_search(mesh, box);
  print_limits(con, " region to be filled: ", mesh.XNODE(r.I1), mesh.XNODE(r.I2 + 1), mesh.YNODE(r.J1),
               mesh.YNODE(r.J2 + 1), mesh.ZNODE(r.K1), mesh.ZNODE(r.K2 + 1));

  suite::load_model_strict(susin, model);
  fill_model(model, r, val);
  write_model(susout, model);
}

}  // namespace

int run(std::istream& in, std::ostream& out, std::ostream& err, std::vector<std::string> args) {
  Console con(in, out, err, std::move(args));
  return suite::run_program(con, [&] { brimlet_body(con); });
}

}  // namespace brimlet

int brimlet_main(int argc, char** argv) {
  return brimlet::run(std::cin, std::cout, std::cerr, suite::Console::arguments(argc, argv));
}
