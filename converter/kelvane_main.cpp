#include "converter/kelvane_main.h"

#include <iostream>
#include <utility>

#include "common/freeformat.h"
#include "converter/secgrd.h"

namespace kelvane {

using suite::Answer;
using suite::Console;

namespace {

constexpr const char* kBanner[] = {
    " This program reads a Tessel mesh and model file and",
    " converts it to a Corvane grid. The output grids",
    " can be generated along x, y or z coordinates",
};
constexpr const char* kUsageTitle = " Command line usage : ";
constexpr const char* kUsage = "  torrin mesh model order start end increment cell dataout nn";

constexpr const char* kMsgNoFile = " that file does not exist";
constexpr const char* kMsgCell = " the cell size must be positive";
constexpr const char* kMsgStyle = " the gridding style flag must be 0 or 1";
constexpr const char* kMsgNoNearest = " nearest neighbour is not available for traverse sections";
constexpr const char* kMsgRangeX = " The specified x coordinate limits are not within the mesh";
constexpr const char* kMsgRangeY = " The specified y coordinate limits are not within the mesh";
constexpr const char* kMsgTraverseX = " The specified traverse x coordinate is not within the mesh";
constexpr const char* kMsgTraverseY = " The specified traverse y coordinate is not within the mesh";
constexpr const char* kMsgRangeZ = " The specified z coordinate limits are not within the mesh";
constexpr const char* kMsgIncrement = " the increment value must be non-zero";

// The nine inputs: argument number, prompt, and the traverse wording where
// the order is exactly t or T.
struct Question {
  int32_t arg;
  const char* prompt;
  const char* traverse_prompt;
};

constexpr Question kMeshQ{1, " Enter name of the mesh file : ", nullptr};
constexpr Question kModelQ{2, " Enter name of the inverted model file : ", nullptr};
constexpr Question kOrderQ{3, " Output mesh ordered by t, x, y or [z] :", nullptr};
constexpr Question kStartQ{4, " Enter the start coordinate :", " Enter the x coordinate of the traverse :"};
constexpr Question kEndQ{5, " Enter the end coordinate :", " Enter the y coordinate of the traverse :"};
constexpr Question kIncQ{6, " Enter the coordinate increment :", " Enter the azimuth of the traverse :"};
constexpr Question kCellQ{7, " Enter the grid cell size :", nullptr};
constexpr Question kOutQ{8, " Enter name of the output data file : ", nullptr};
constexpr Question kStyleQ{9, " Enter the gridding style flag (0=minc, 1=nearest neighbour) : ", nullptr};

// The order is exactly "t" or "T" (trailing blanks ignored): traverse wording,
// no exchange of start and end.
bool is_exact_traverse(const Answer& mshord) { return mshord.is("t") || mshord.is("T"); }

// Argument k when there are at least k arguments, else an empty line, the
// prompt and a first-value answer.
void ask_text(Console& con, KelvaneRun& run, const Question& q, Answer& target, bool traverse_words = false) {
  const char* prompt = traverse_words && q.traverse_prompt != nullptr ? q.traverse_prompt : q.prompt;
  const int32_t status = suite::ask_answer(con, q.arg, prompt, target, suite::AnswerStyle::kFirstValue);
  if (run.MARG >= q.arg) run.ISTAT = status;
}

// A number: the answer or argument as text into REPLY, then one free-format
// read from it.
template <typename T>
void ask_number(Console& con, KelvaneRun& run, const Question& q, T& value, bool traverse_words = false) {
  ask_text(con, run, q, run.REPLY, traverse_words);
  suite::read_number(run.REPLY, value);
}

// The positions against the mesh range; the first character of the order
// selects the check.
void check_range(Console& con, const KelvaneRun& run) {
  const suite::Mesh& m = run.mesh;
  const char c = run.MSHORD.first();
  if (c == 'x' || c == 'X') {
    const suite::AxisRange r = m.x_range();
    if (!(run.XEND >= r.low && run.XSTART <= r.high)) {
      con.FREEWR({kMsgRangeX});
      con.STOP();
    }
  } else if (c == 'y' || c == 'Y') {
    const suite::AxisRange r = m.y_range();
    if (!(run.XEND >= r.low && run.XSTART <= r.high)) {
      con.FREEWR({kMsgRangeY});
      con.STOP();
    }
  } else if (c == 't' || c == 'T') {
    const suite::AxisRange rx = m.x_range();
    if (!(rx.low <= run.XSTART && run.XSTART <= rx.high)) {
      con.FREEWR({kMsgTraverseX});
      con.STOP();
    }
    const suite::AxisRange ry = m.y_range();
    if (!(ry.low <= run.XEND && run.XEND <= ry.high)) {
      con.FREEWR({kMsgTraverseY});
      con.STOP();
    }
  } else {
    const suite::AxisRange rz = m.z_range();
    if (!(run.XSTART <= rz.high && run.XEND >= rz.low)) {
      con.FREEWR({kMsgRangeZ});
      con.STOP();
    }
  }
}

}  // namespace

bool is_traverse_order(const Answer& mshord) { return mshord.first() == 't' || mshord.first() == 'T'; }

void kelvane_start(Console& con, KelvaneRun& run) {
  // 1. Banner and usage.
  for (const char* text : kBanner) con.line(text);
  con.FREEWR({});
  con.FREEWR({kUsageTitle});
  con.FREEWR({kUsage});
  con.FREEWR({});

  // 2. Argument count.
  run.MARG = con.IARGC();

  // 3. Mesh file.
  ask_text(con, run, kMeshQ, run.MESHF);
  run.EXI = suite::FILEEX(run.MESHF);
  if (!run.EXI) con.STOPMS(kMsgNoFile);

  // 4. Mesh and its summary; the model array is allocated with it.
  suite::load_mesh_converter(con, run.MESHF, run.mesh, run.model);
  suite::print_mesh_summary(con, run.mesh);

  // 5. Model file.
  ask_text(con, run, kModelQ, run.SUSF);
  run.EXI = suite::FILEEX(run.SUSF);
  if (!run.EXI) con.STOPMS(kMsgNoFile);

  // 6. Order.
  ask_text(con, run, kOrderQ, run.MSHORD);
  if (run.MSHORD.blank()) run.MSHORD.assign("z");

  // 7. Start, end, increment.
  const bool traverse_words = is_exact_traverse(run.MSHORD);
  ask_number(con, run, kStartQ, run.XSTART, traverse_words);
  ask_number(con, run, kEndQ, run.XEND, traverse_words);
  ask_number(con, run, kIncQ, run.XINC, traverse_words);

  // 8. Cell size.
  ask_number(con, run, kCellQ, run.GCELL);
  if (!(run.GCELL > 0.0f)) {
    con.FREEWR({kMsgCell});
    con.STOP();
  }

  // 9. Output data file.
  ask_text(con, run, kOutQ, run.FILOUT);

  // 10. Gridding style.
  ask_number(con, run, kStyleQ, run.ISTYLE);
  // Deliberate: any other flag would make the driver re-grid a stale data
  // file; it is refused like the other rejected inputs.
  if (run.ISTYLE != 0 && run.ISTYLE != 1) {
    con.FREEWR({kMsgStyle});
    con.STOP();
  }
  if (run.ISTYLE == 1 && is_traverse_order(run.MSHORD)) {
    con.FREEWR({kMsgNoNearest});
    run.ISTYLE = 0;
  }

  // 11. Susceptibility model by name (case sensitive, whole buffer).
  if (run.SUSF.contains("mag") || run.SUSF.contains("MAG"))
    run.ISMAG = true;
  else
    run.ISMAG = run.SUSF.contains("sus") || run.SUSF.contains("SUS");

  // 12. Start before end, except for a traverse point.
  if (!traverse_words && run.XSTART > run.XEND) std::swap(run.XSTART, run.XEND);

  // 13. Positions against the mesh range.
  check_range(con, run);

  // 14. Increment.
  if (!is_traverse_order(run.MSHORD)) {
    if (run.XINC == 0.0f) {
      con.FREEWR({kMsgIncrement});
      con.STOP();
    }
    run.XINC = suite::section_increment(run.XINC);
  }
}

int kelvane_main(Console& con) {
  return suite::run_program(con, [&] {
    KelvaneRun run;
    kelvane_start(con, run);
    // 15. The section driver.
    const SecgrdInput in{run.SUSF, run.FILOUT, run.MSHORD, run.ISMAG, run.ISTYLE, run.mesh,
                         run.model, run.GCELL, run.XINC, run.XSTART, run.XEND};
    SecgrdState state;
    SECGRD(con, in, state);
  });
}

int kelvane_main(int argc, char** argv) {
  Console con(std::cin, std::cout, std::cerr, Console::arguments(argc, argv));
  return kelvane_main(con);
}

}  // namespace kelvane
