// Helpers the section loop and the traverse share: the MINC call of one
// section with its fixed arguments, and the notes on standard error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/console.h"
#include "converter/nngrid.h"
#include "converter/secgrd.h"

namespace kelvane {

// A real as free-format output shows it, without the surrounding blanks.
[[nodiscard]] std::string position_text(float v);

// One line on standard error (after flushing standard output).
void err_line(suite::Console& con, std::string_view text);

// Records a grid file written for `what` ("section at 12.50000"); when an
// earlier section of the run wrote the same file, says so on standard error.
void note_grid_written(suite::Console& con, SecgrdState& st, const std::string& name,
                       std::string_view what);

// MINC for the section: the grid name `name` (a name buffer is built from
// it), the geometry g, RADIUS from st, "grddat.dat", IZCHAN = 1,
// ZNULL = -99999.0, MAXCHN = 1, iglog, NOHEAD = 1, DATMIN = DATMAX =
// GRDROT = 0.0. Sets st.IERM; a failure writes one line on standard error.
int32_t grid_with_minc(suite::Console& con, SecgrdState& st, const MincCall& minc_call,
                       const std::string& name, const SectionGrid& g, int32_t iglog,
                       std::string_view what);

}  // namespace kelvane
