// Runs SECGRD on the example mesh in a fresh directory with a stand-in for
// MINC that records its arguments and the section data file it was given.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/stop.h"
#include "converter/secgrd.h"
#include "converter/tests/section_fixture.h"

namespace section_test {

struct MincCallRecord {
  minc::MincArgs args;
  std::string outfil;         // the whole name buffer
  std::string datfil;         // the whole data name buffer
  std::vector<float> data;    // "grddat.dat" at the time of the call
};

struct DriverRun {
  ScratchDir dir{"secgrd"};
  InDir cwd{dir.path()};
  TestConsole tc;
  suite::Mesh mesh = example_mesh();
  suite::Model sus = example_model(mesh);
  suite::Answer SUSF{"model.den"}, FILOUT{"sect"}, MSHORD{"x"};
  bool ISMAG = false;
  int32_t ISTYLE = 0;
  float GCELL = 20.0f;
  kelvane::SecgrdState st;
  std::vector<MincCallRecord> calls;
  int32_t minc_status = 0;
  bool stopped = false;

  // Writes the model file from `sus` (cells of a fresh model are preset
  // by the load, so the file gives every value) and runs the driver.
  void run(float xstart, float xend, float xinc) {
    dir.write(SUSF.name(), model_text(sus));
    suite::Model loaded;
    loaded.allocate(mesh);
    const kelvane::SecgrdInput in{SUSF, FILOUT, MSHORD, ISMAG, ISTYLE, mesh, loaded, GCELL, xinc, xstart, xend};
    const kelvane::MincCall fake = [this](const minc::MincArgs& a) {
      MincCallRecord r;
      r.args = a;
      r.outfil.assign(a.outfil, static_cast<size_t>(a.outfil_len));
      r.datfil.assign(a.datfil, static_cast<size_t>(a.datfil_len));
      r.data = read_floats(dir.read("grddat.dat"));
      r.args.outfil = nullptr;
      r.args.datfil = nullptr;
      r.args.datmin = nullptr;
      r.args.datmax = nullptr;
      calls.push_back(r);
      return minc_status;
    };
    try {
      kelvane::SECGRD(tc.con, in, st, fake);
    } catch (const suite::ProgramStop&) {
      stopped = true;
    }
    tc.con.flush();
  }

  [[nodiscard]] std::string out() const { return tc.out.str(); }
  [[nodiscard]] std::string err() const { return tc.err.str(); }
};

// One free-format line, as the driver writes it.
inline std::string free_line(std::initializer_list<suite::WriteItem> items) {
  std::string s;
  suite::format_free_line(s, items);
  return s;
}

}  // namespace section_test
