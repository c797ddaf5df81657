// kelvane's main routine: banner, the nine inputs from arguments or prompts,
// the mesh and its summary, the checks, then the section driver.
#pragma once

#include <cstdint>

#include "common/answer.h"
#include "common/console.h"
#include "common/mesh.h"

namespace kelvane {

// Everything the main routine owns for the run; handed to SECGRD.
struct KelvaneRun {
  int32_t MARG = 0;
  int32_t ISTAT = 0;
  bool EXI = false;
  suite::Answer MESHF, SUSF, MSHORD, REPLY, FILOUT;
  float XSTART = 0.0f, XEND = 0.0f;
  // Section increment; for x, y and z orders its magnitude after the checks
  // (a negative increment steps like a positive one). For a traverse: the
  // azimuth as given.
  float XINC = 0.0f;
  float GCELL = 0.0f;
  int32_t ISTYLE = 0;  // 0 = minimum curvature, 1 = nearest neighbour
  bool ISMAG = false;
  suite::Mesh mesh;
  suite::Model model;
};

// True when the order selects a traverse by its first character (t or T).
bool is_traverse_order(const suite::Answer& mshord);

// Steps 1 to 14: banner and usage, inputs, mesh load and summary, checks.
// Stops (suite::ProgramStop) on a rejected input; RunFailure on a failed read.
void kelvane_start(suite::Console& con, KelvaneRun& run);

// The whole run on the given console; returns the exit status.
int kelvane_main(suite::Console& con);
// main(): the process console.
int kelvane_main(int argc, char** argv);

}  // namespace kelvane
