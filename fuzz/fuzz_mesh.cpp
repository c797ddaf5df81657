// Mesh and model loading from arbitrary files, both ways, with the console
// stops and run-time failures caught as main would catch them.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "common/console.h"
#include "common/mesh.h"

namespace {

// Files of this process in the temporary directory.
const std::string& file_prefix() {
  static const std::string p = "/tmp/fuzz_mesh_" + std::to_string(::getpid()) + "_";
  return p;
}

void put(const std::string& name, const std::string& text) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string all(reinterpret_cast<const char*>(data), size);
  // Mesh text, a NUL, model text.
  const size_t cut = all.find('\0');
  const std::string mesh_text = all.substr(0, cut);
  const std::string model_text = cut == std::string::npos ? std::string() : all.substr(cut + 1);

  // Keep the arrays small so each run is quick: skip meshes of many cells.
  {
    std::istringstream in(mesh_text);
    suite::StreamSource src(in, 10, "m");
    int32_t mx = 0, my = 0, mz = 0;
    suite::FREERD(src, {mx, my, mz}, suite::ReadMode::kTolerant);
    if (int64_t{mx} * my * mz > 20000) return 0;
    if (int64_t{mx} + my + mz > 20000) return 0;
  }

  const std::string mesh_name = file_prefix() + "mesh.msh";
  const std::string model_name = file_prefix() + "model.den";
  put(mesh_name, mesh_text);
  put(model_name, model_text);

  for (int way = 0; way < 2; ++way) {
    std::istringstream in;
    std::ostringstream out, err;
    suite::Console con(in, out, err, {});
    suite::Mesh mesh;
    suite::Model model;
    suite::run_program(con, [&] {
      if (way == 0) {
        suite::load_mesh_converter(con, suite::Answer(mesh_name), mesh, model);
        suite::print_mesh_summary(con, mesh);
        suite::load_model_converter(con, suite::Answer(model_name), model);
      } else {
        suite::load_mesh_one_pass(con, suite::Answer(mesh_name), mesh, model, suite::kConverterMinimum);
        suite::compute_skip_counts(mesh);
        suite::compute_accumulated_centres(mesh);
        suite::print_mesh_summary(con, mesh);
        suite::load_model_strict(suite::Answer(model_name), model);
      }
      // Every cell and every boundary the converter reads must be in reach.
      volatile float sink = 0.0f;
      for (int32_t j = 1; j <= mesh.MY; ++j)
        for (int32_t i = 1; i <= mesh.MX; ++i)
          for (int32_t k = 1; k <= mesh.MZ; ++k) sink = sink + model(i, j, k);
      sink = sink + mesh.x_range().low + mesh.x_range().high + mesh.y_range().low + mesh.y_range().high +
             mesh.z_range().low + mesh.z_range().high + mesh.x_core() + mesh.y_core() + mesh.z_core();
      sink = sink + mesh.XMIDPT(mesh.MX - mesh.IXSKIP + 1) + mesh.YMIDPT(mesh.MY - mesh.IYSKIP + 1) +
             mesh.ZMIDPT(mesh.MZ - mesh.IZSKIP + 1);
    });
  }
  return 0;
}
