#include "converter/secgrd.h"

#include <algorithm>
#include <ostream>
#include <string_view>

#include "converter/section_data.h"
#include "converter/section_geometry.h"
#include "converter/section_run.h"
#include "converter/traverse.h"

namespace kelvane {

SectionOrder section_order(const suite::Answer& mshord) {
  switch (mshord.first()) {
    case 'x':
    case 'X': return SectionOrder::kX;
    case 'y':
    case 'Y': return SectionOrder::kY;
    case 't':
    case 'T': return SectionOrder::kTraverse;
    default: return SectionOrder::kZ;
  }
}

int32_t call_kelvane_minc(const minc::MincArgs& args) { return minc::minc_run<minc::kKelvaneEngine>(args); }

bool section_positions(float xstart, float xend, float xinc, std::vector<float>* out, float& stall) {
  const float limit = xend + xinc / 10.0f;
  float xout = xstart;
  while (xout <= limit) {
    if (out != nullptr) out->push_back(xout);
    const float next = xout + xinc;
    // Deliberate: an increment below the spacing of floats at the position
    // (or one that is not positive) would repeat the position for ever.
    if (!(next > xout)) {
      stall = xout;
      return false;
    }
    xout = next;
  }
  return true;
}

std::string section_grid_name(const suite::Answer& filout, float xout) {
  std::string name(trim_right(filout.view()));
  name += '_';
  name += position_tag(xout);
  name += ".grd";
  return name;
}

SectionGrid section_geometry(SectionOrder order, const suite::Mesh& m, float c, float r) {
  float u_low = 0.0f, u_high = 0.0f, v_low = 0.0f, v_high = 0.0f;
  switch (order) {
    case SectionOrder::kX:
      u_low = m.YNODE(m.IYSKIP + 1);
      u_high = m.YNODE(m.MY - m.IYSKIP + 1);
      v_low = m.ZNODE(m.MZ - m.IZSKIP + 1);
      v_high = m.ZOR;
      break;
    case SectionOrder::kY:
    case SectionOrder::kTraverse:
      u_low = m.XNODE(m.IXSKIP + 1);
      u_high = m.XNODE(m.MX - m.IXSKIP + 1);
      v_low = m.ZNODE(m.MZ - m.IZSKIP + 1);
      v_high = m.ZOR;
      break;
    case SectionOrder::kZ:
      u_low = m.XNODE(m.IXSKIP + 1);
      u_high = m.XNODE(m.MX - m.IXSKIP + 1);
      v_low = m.YNODE(m.IYSKIP + 1);
      v_high = m.YNODE(m.MY - m.IYSKIP + 1);
      break;
  }
  SectionGrid g;
  g.DELC = c;
  g.DELR = r;
  g.XO = grid_floor(u_low, c);
  const float col_end = grid_ceil(u_high, c);
  g.YO = grid_floor(v_low, r);
  const float row_end = grid_ceil(v_high, r);
  g.NCOL = grid_count(g.XO, col_end, c);
  g.NROW = grid_count(g.YO, row_end, r);
  return g;
}

// --- shared by the sections and the traverse --------------------------------

std::string position_text(float v) {
  const std::string f = suite::free_real(v);
  const size_t a = f.find_first_not_of(' ');
  const size_t b = f.find_last_not_of(' ');
  return a == std::string::npos ? f : f.substr(a, b - a + 1);
}

void err_line(suite::Console& con, std::string_view text) {
  con.flush();
  con.err() << text << "\r\n";
  con.err().flush();
}

void note_grid_written(suite::Console& con, SecgrdState& st, const std::string& name,
                       std::string_view what) {
  if (std::find(st.grids.begin(), st.grids.end(), name) != st.grids.end()) {
    err_line(con, " grid file " + name + " of an earlier section replaced by the " +
                      std::string(what));
  }
  st.grids.push_back(name);
}

int32_t grid_with_minc(suite::Console& con, SecgrdState& st, const MincCall& minc_call,
                       const std::string& name, const SectionGrid& g, int32_t iglog,
                       std::string_view what) {
  static const std::string kDatfil = name_buffer(kDataFile);
  const std::string outfil = name_buffer(name);
  float datmin = 0.0f;
  float datmax = 0.0f;
  minc::MincArgs a;
  a.outfil = outfil.data();
  a.outfil_len = static_cast<int32_t>(outfil.size());
  a.xoi = g.XO;
  a.yoi = g.YO;
  a.delxi = g.DELC;
  a.delyi = g.DELR;
  a.nci = g.NCOL;
  a.nri = g.NROW;
  a.radiusi = st.RADIUS;
  a.datfil = kDatfil.data();
  a.datfil_len = static_cast<int32_t>(kDatfil.size());
  a.izchani = kIzchan;
  a.dvali = kZnull;
  a.maxchn = kMaxchn;
  a.iglog = iglog;
  a.nohead = kNohead;
  a.datmin = &datmin;
  a.datmax = &datmax;
  a.grdrot = 0.0f;
  st.IERM = 0;
  st.IERM = minc_call(a);
  if (st.IERM != 0) {
    // Deliberate: a failed section leaves a word on standard error (standard
    // output stays as it is) and the run goes on with the next one.
    err_line(con, " no grid for the " + std::string(what) + ": MINC status " +
                      std::to_string(st.IERM) + ", " + minc::describe(st.IERM));
  } else {
    note_grid_written(con, st, name, what);
  }
  return st.IERM;
}

// --- the driver ---------------------------------------------------------------

namespace {

// Step 10: the cell index of the section, 0 when the position lies outside
// the mesh range of its axis.
int32_t locate_section(SectionOrder order, const suite::Mesh& m, float xout) {
  switch (order) {
    case SectionOrder::kX:
      if (xout < m.XNODE(m.IXSKIP + 1) || xout > m.XNODE(m.MX - m.IXSKIP + 1)) return 0;
      return locate_cell(m.XNODE.span(), xout, m.IXSKIP + 1);
    case SectionOrder::kY:
      if (xout < m.YNODE(m.IYSKIP + 1) || xout > m.YNODE(m.MY - m.IYSKIP + 1)) return 0;
      return locate_cell(m.YNODE.span(), xout, m.IYSKIP + 1);
    default:
      if (xout < m.ZNODE(m.MZ - m.IZSKIP + 1) || xout > m.ZNODE(1)) return 0;
      return locate_layer(m.ZNODE.span(), xout);
  }
}

// Step 11: the data points of the section in cell `n` (column, row or layer).
// The loops end one cell beyond the mesh range on the high side.
int32_t extract_section(SectionOrder order, const suite::Mesh& m, const suite::Model& sus, bool ismag,
                        int32_t n) {
  SectionData data(kDataFile, kDataText);
  const int32_t ihigh = std::min(m.MX - m.IXSKIP + 1, m.MX);
  const int32_t jhigh = std::min(m.MY - m.IYSKIP + 1, m.MY);
  const int32_t khigh = std::min(m.MZ - m.IZSKIP + 1, m.MZ);
  switch (order) {
    case SectionOrder::kX:
      for (int32_t j = m.IYSKIP + 1; j <= jhigh; ++j) {
        for (int32_t k = 1; k <= khigh; ++k) {
          const float v = sus(n, j, k);
          if (is_data(v, ismag)) data.add(m.YMIDPT(j), m.ZMIDPT(k), v);
        }
      }
      break;
    case SectionOrder::kY:
      for (int32_t i = m.IXSKIP + 1; i <= ihigh; ++i) {
        for (int32_t k = 1; k <= khigh; ++k) {
          const float v = sus(i, n, k);
          if (is_data(v, ismag)) data.add(m.XMIDPT(i), m.ZMIDPT(k), v);
        }
      }
      break;
    default:
      for (int32_t i = m.IXSKIP + 1; i <= ihigh; ++i) {
        for (int32_t j = m.IYSKIP + 1; j <= jhigh; ++j) {
          const float v = sus(i, j, n);
          if (is_data(v, ismag)) data.add(m.XMIDPT(i), m.YMIDPT(j), v);
        }
      }
      break;
  }
  data.close();
  return data.count();
}

}  // namespace

void SECGRD(suite::Console& con, const SecgrdInput& in, SecgrdState& st, const MincCall& minc_call) {
  const suite::Mesh& m = in.mesh;
  const SectionOrder order = section_order(in.MSHORD);

  // Set-up.
  con.FREEWR({});
  st.RADIUS = 5.0f * std::max({m.YMESH(m.IYSKIP + 1), m.ZMESH(1), m.XMESH(m.IXSKIP + 1)});
  con.FREEWR({});
  suite::load_model_converter(con, in.SUSF, in.SUS);
  if (in.ISMAG) {
    for (float& v : in.SUS.values()) {
      if (v > 0.0f) v = v * 1.0e6f;
    }
  }
  con.FREEWR({});
  con.FREEWR({" determining data limits"});
  st.data_min = 1.0e32f;
  st.data_max = -1.0e32f;
  for (const float v : in.SUS.values()) {
    if (is_data(v, in.ISMAG)) {
      if (v < st.data_min) st.data_min = v;
      if (v > st.data_max) st.data_max = v;
    }
  }
  con.FREEWR({});
  if (st.data_min > st.data_max) {
    con.FREEWR({kMsgNoData});
    con.STOP();
  }
  con.FREEWR({" data min : ", st.data_min});
  con.FREEWR({" data max : ", st.data_max});

  if (in.ISTYLE == 1) {
    switch (order) {
      case SectionOrder::kX: st.cell_col = m.y_core(); st.cell_row = m.z_core(); break;
      case SectionOrder::kY: st.cell_col = m.x_core(); st.cell_row = m.z_core(); break;
      default: st.cell_col = m.x_core(); st.cell_row = m.y_core(); break;
    }
  } else {
    st.cell_col = in.GCELL;
    st.cell_row = in.GCELL;
  }

  st.XOUT = in.XSTART;
  if (order == SectionOrder::kTraverse) {
    run_traverse(con, in, st, minc_call);
    return;
  }

  float stall = 0.0f;
  if (!section_positions(in.XSTART, in.XEND, in.XINC, nullptr, stall)) {
    con.FREEWR({kMsgSectionStall, stall});
    con.STOP();
  }

  const int32_t iglog = in.ISMAG ? 2 : 1;
  // Deliberate: a gridding style other than 0 and 1 grids by minimum
  // curvature from freshly extracted data.
  const bool nearest = in.ISTYLE == 1;
  std::vector<float> nn_grid;  // the nearest-neighbour grid, reused between sections
  const float limit = in.XEND + in.XINC / 10.0f;
  for (st.XOUT = in.XSTART; st.XOUT <= limit; st.XOUT = st.XOUT + in.XINC) {
    const float xout = st.XOUT;
    const int32_t cell = locate_section(order, m, xout);
    if (cell == 0) continue;
    if (!nearest && extract_section(order, m, in.SUS, in.ISMAG, cell) < kMinPoints) continue;

    const SectionGrid g = section_geometry(order, m, st.cell_col, st.cell_row);
    st.IERM = 0;
    con.FREEWR({" generating grid for ", xout});
    const std::string name = section_grid_name(in.FILOUT, xout);
    const std::string what = "section at " + position_text(xout);
    if (nearest) {
      const NnResult r = NNGRID(name_buffer(name), in.MSHORD, xout, g, m, in.SUS, nn_grid);
      if (r == NnResult::kWritten) {
        note_grid_written(con, st, name, what);
      } else if (r == NnResult::kTooLarge) {
        err_line(con, " no grid for the " + what + ": " + std::to_string(g.NCOL) + " x " +
                          std::to_string(g.NROW) + " nodes is not a usable grid size");
      } else {
        err_line(con, " no grid for the " + what + ": grid file " + name + " could not be written");
      }
    } else {
      (void)grid_with_minc(con, st, minc_call, name, g, iglog, what);
    }
  }
}

}  // namespace kelvane
