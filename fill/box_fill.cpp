#include <string>

#include "common/freeformat.h"
#include "fill/brimlet.h"

namespace brimlet {

namespace {

// First i in 1..n with node(i+1) - margin >= low; n+1 when none.
int32_t first_reaching_past(const suite::RealArray& node, int32_t n, float low) {
  for (int32_t i = 1; i <= n; ++i) {
    if (static_cast<double>(node(i + 1)) - kEdgeMargin >= static_cast<double>(low)) return i;
  }
  return n + 1;
}

// Last i in n..1 with node(i) + margin <= high; 0 when none.
int32_t last_starting_before(const suite::RealArray& node, int32_t n, float high) {
  for (int32_t i = n; i >= 1; --i) {
    if (static_cast<double>(node(i)) + kEdgeMargin <= static_cast<double>(high)) return i;
  }
  return 0;
}

}  // namespace

FillRange box_search(const suite::Mesh& m, const Box& box) {
  FillRange r;
  r.I1 = first_reaching_past(m.XNODE, m.MX, box.xmin);
  r.I2 = last_starting_before(m.XNODE, m.MX, box.xmax);
  r.J1 = first_reaching_past(m.YNODE, m.MY, box.ymin);
  r.J2 = last_starting_before(m.YNODE, m.MY, box.ymax);

  // z falls with k: the bottom of layer k must lie at least the margin below
  // the top of the box, and its top at least the margin above the bottom.
  r.K1 = m.MZ + 1;
  for (int32_t k = 1; k <= m.MZ; ++k) {
    if (static_cast<double>(m.ZNODE(k + 1)) + kEdgeMargin <= static_cast<double>(box.zmax)) {
      r.K1 = k;
      break;
    }
  }
  r.K2 = 0;
  for (int32_t k = m.MZ; k >= 1; --k) {
    if (static_cast<double>(m.ZNODE(k)) - kEdgeMargin >= static_cast<double>(box.zmin)) {
      r.K2 = k;
      break;
    }
  }
  return r;
}

void fill_model(suite::Model& model, const FillRange& r, float val) {
  for (float& v : model.values()) {
    if (v >= 0.0f) v = 0.0f;
  }
  for (int32_t j = r.J1; j <= r.J2; ++j) {
    for (int32_t i = r.I1; i <= r.I2; ++i) {
      for (int32_t k = r.K1; k <= r.K2; ++k) {
        float& v = model(i, j, k);
        if (v >= 0.0f) v = val;
      }
    }
  }
}

void write_model(const suite::Answer& file, const suite::Model& model) {
  suite::TextOutput out(file);
  std::string line;
  line.reserve(16);
  for (float v : model.values()) {
    line.clear();
    suite::put_E(line, v, 14, 6);
    line.append("\r\n");
    out.stream().write(line.data(), static_cast<std::streamsize>(line.size()));
  }
  out.close();
}

}  // namespace brimlet
