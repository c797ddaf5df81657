// torrin's main routine: banner, the eight inputs, the checks, the model and
// the section loop calling MINC once per section.
#include "converter_early/torrin.h"

#include <cmath>
#include <string>

#include "common/freeformat.h"
#include "common/stop.h"
#include "minc/status.h"

namespace torrin {

using suite::Answer;
using suite::Console;

namespace {

constexpr const char* kMsgNoFile = " that file does not exist";
constexpr const char* kMsgZeroIncrement = " the increment value must be non-zero";
constexpr const char* kMsgCellSize = " the cell size must be positive";
constexpr const char* kMsgRangeX = " The specified x coordinate limits are not within the mesh";
constexpr const char* kMsgRangeY = " The specified y coordinate limits are not within the mesh";
constexpr const char* kMsgRangeZ = " The specified z coordinate limits are not within the mesh";
// Deliberate: an increment so small that the section position stops
// advancing in single precision would make the section loop run for ever.
constexpr const char* kMsgStalled = " the section position stops advancing at";

// Sections with fewer data points than this get no grid.
constexpr int32_t kMinData = 10;

// One question: argument k when there are at least k arguments, else an
// empty line, the prompt and a first-value answer.
void ask(Console& con, int32_t k, const char* prompt, Answer& target) {
  if (con.IARGC() >= k) {
    con.GETARG(k, target);
    return;
  }
  con.FREEWR({});
  con.PROMPT(prompt);
  target.clear();
  con.ASKTOK(target);
}

// A numeric question: the answer as text in REPLY, then one real read from
// it in free format (not tolerant).
float ask_real(Console& con, int32_t k, const char* prompt, Answer& reply) {
  ask(con, k, prompt, reply);
  float v = 0.0f;
  suite::AnswerSource src(reply);
  suite::FREERD(src, {v});
  return v;
}

// True when the section loop from xstart by xinc ends: the position grows
// at every step until it passes xend + xinc/10. Otherwise `stall` is the
// position that no longer moves.
bool positions_advance(float xstart, float xend, float xinc, float& stall) {
  for (float xout = xstart; xout <= xend + xinc / 10.0f; xout = xout + xinc) {
    if (!(xout + xinc > xout)) {
      stall = xout;
      return false;
    }
  }
  return true;
}

// A position as the console shows it, without the blanks of its field.
std::string text_of(float v) {
  const std::string f = suite::free_real(v);
  const size_t a = f.find_first_not_of(' ');
  return a == std::string::npos ? f : f.substr(a, f.find_last_not_of(' ') - a + 1);
}

}  // namespace

int run(Console& con, const Gridder& gridder) {
  return suite::run_program(con, [&] {
    // 1. Banner and usage.
    con.line(" This program reads a Tessel mesh and model file and");
    con.line(" converts it to a Corvane grid. The output grids");
    con.line(" can be generated along x, y or z coordinates");
    con.FREEWR({});
    con.FREEWR({" Command line usage : "});
    con.FREEWR({"   torrin mesh model order start end increment cell dataout"});
    con.FREEWR({});

    // 2-4. Mesh file, mesh and its summary.
    Answer MESHF, SUSF, MSHORD, REPLY, FILOUT;
    ask(con, 1, " Enter name of the mesh file : ", MESHF);
    if (!suite::FILEEX(MESHF)) con.STOPMS(kMsgNoFile);
    suite::Mesh mesh;
    suite::Model SUS;
    suite::load_mesh_one_pass(con, MESHF, mesh, SUS, suite::kConverterMinimum);
    derive_mesh(mesh);
    torrin::print_mesh_summary(con, mesh);

    // 5-10. Model file, order, positions, increment, cell size, output name.
    ask(con, 2, " Enter name of the inverted model file : ", SUSF);
    if (!suite::FILEEX(SUSF)) con.STOPMS(kMsgNoFile);
    ask(con, 3, " Output mesh ordered by x, y or [z] :", MSHORD);
    if (MSHORD.blank()) MSHORD.assign("z");
    const Order order = section_order(MSHORD);
    float XSTART = ask_real(con, 4, " Enter the start coordinate :", REPLY);
    float XEND = ask_real(con, 5, " Enter the end coordinate :", REPLY);
    float XINC = ask_real(con, 6, " Enter the coordinate increment :", REPLY);
    if (std::fabs(XINC) == 0.0f) {
      con.FREEWR({kMsgZeroIncrement});
      con.STOP();
    }
    const float GCELL = ask_real(con, 7, " Enter the grid cell size :", REPLY);
    if (!(GCELL > 0.0f)) {
      con.FREEWR({kMsgCellSize});
      con.STOP();
    }
    ask(con, 8, " Enter name of the output data file : ", FILOUT);

    // 11-13. Model kind, position order and the range check.
    const bool ISMAG = SUSF.contains("mag") || SUSF.contains("MAG");
    if (XSTART > XEND) {
      const float XTMP = XSTART;
      XSTART = XEND;
      XEND = XTMP;
    }
    {
      const suite::AxisRange r =
          order == Order::kX ? x_range(mesh) : order == Order::kY ? y_range(mesh) : z_range(mesh);
      if (!(XEND >= r.low && XSTART <= r.high)) {
        con.FREEWR({order == Order::kX ? kMsgRangeX : order == Order::kY ? kMsgRangeY : kMsgRangeZ});
        con.STOP();
      }
    }
    // Deliberate: a negative increment walks the (ordered) positions upward
    // by its magnitude instead of looping for ever.
    XINC = suite::section_increment(XINC);
    float stall = 0.0f;
    if (!positions_advance(XSTART, XEND, XINC, stall)) {
      con.FREEWR({kMsgStalled, stall});
      con.STOP();
    }

    // 14-15. The model, susceptibilities scaled.
    suite::load_model_strict(SUSF, SUS);
    if (ISMAG)
      for (float& v : SUS.values())
        if (v > 0.0f) v = v * 1.0e6f;

    // 16. Fixed MINC arguments.
    MincCall call;
    call.datfil = std::string(kDataFile) + '\0';
    call.datfil.resize(static_cast<size_t>(Answer::kLength), ' ');
    call.NOHEAD = 0;
    call.MAXCHN = 1;
    call.IZCHAN = 1;
    call.ZNULL = -99999.0f;
    call.DATMIN = call.DATMAX = call.GRDROT = 0.0f;
    call.IGLOG = 0;

    // 17-23. The sections.
    for (float XOUT = XSTART; XOUT <= XEND + XINC / 10.0f; XOUT = XOUT + XINC) {
      const int32_t cell = locate_section(mesh, order, XOUT);
      if (cell == 0) continue;
      const int32_t NDAT = extract_section(mesh, SUS, order, cell, kDataFile);
      if (NDAT < kMinData) continue;
      const SectionGrid g = section_grid(mesh, order, GCELL);
      call.IERM = 0;
      con.FREEWR({" generating grid for ", XOUT});
      call.outfil = grid_name(FILOUT, XOUT);
      call.YMIN = g.YMIN;
      call.ZMIN = g.ZMIN;
      call.GCELL = GCELL;
      call.NCOL = g.NCOL;
      call.NROW = g.NROW;
      call.RADIUS = g.RADIUS;
      con.flush();
      const int32_t status = gridder(call);
      // Deliberate: a failed section is named on standard error; the loop
      // goes on and standard output is unchanged.
      if (status != 0) {
        con.err() << " no grid for the section at " << text_of(XOUT) << ": MINC status " << status << ", "
                  << minc::describe(status) << "\r\n";
        con.err().flush();
      }
    }
  });
}

}  // namespace torrin
