// Parameter and tiling lines of the run log "minc.log".
#pragma once

#include <cstdint>

#include "minc/engine_variant.h"
#include "minc/scratch.h"

namespace minc {

// A 30-byte parameter line: label from column 1, the number right-justified
// ending at column 28, CR LF. Builds the bytes into `line` (at least 32
// bytes) and returns the length.
int32_t log_line_real(const EngineVariant& v, const char* label, float value, int32_t width,
                      int32_t decimals, char* line);
int32_t log_line_int(const EngineVariant& v, const char* label, int32_t value, char* line);
// The 31-byte rotation-angle line.
int32_t log_line_rotation(const EngineVariant& v, float grdrot, char* line);
// Kelvane's y cell size line: plain fixed point, 4 decimals, 12 columns.
int32_t log_line_fixed(const char* label, float value, int32_t decimals, char* line);

// Writers: build the line and write it to the open log in one write.
void log_real(WordFile& log, const EngineVariant& v, const char* label, float value,
              int32_t width, int32_t decimals);
void log_int(WordFile& log, const EngineVariant& v, const char* label, int32_t value);

struct MincContext;
// The eleven parameter lines of a call (from the arguments kept in ctx.own).
void log_parameters(WordFile& log, const EngineVariant& v, const MincContext& ctx);

}  // namespace minc
