#include "minc/runlog.h"

#include <algorithm>
#include <cstring>

#include "minc/context.h"
#include "minc/fmtnum.h"

namespace minc {
namespace {

constexpr int32_t kFieldEnd = 28;   // last column of the number field
constexpr int32_t kLineLen = 30;    // parameter line with CR LF
constexpr int32_t kRotLineLen = 31; // rotation-angle line with CR LF

// Blank the line and put the label from column 1.
void start_line(const char* label, char* line, int32_t len) {
  std::memset(line, ' ', static_cast<size_t>(len));
  const size_t n = std::min(std::strlen(label), static_cast<size_t>(len));
  std::memcpy(line, label, n);
}

// Put `n` characters of `text` so that the last one is at column `end`.
void put_right(const char* text, int32_t n, int32_t end, char* line) {
  int32_t first = end - n + 1;
  if (first < 1) {
    text += 1 - first;
    n -= 1 - first;
    first = 1;
  }
  std::memcpy(line + first - 1, text, static_cast<size_t>(n));
}

// FMTNUM right-justified in `width` columns ending at column `end`.
void put_fmtnum(float value, int32_t width, int32_t decimals, int32_t end, char* line) {
  char text[48];
  const int32_t t = FMTNUM(value, width, decimals, text, static_cast<int32_t>(sizeof text));
  put_right(text, std::max(t, width), end, line);
}

void end_line(char* line, int32_t cr_col) {
  line[cr_col - 1] = '\r';
  line[cr_col] = '\n';
}

}  // namespace

int32_t log_line_real(const EngineVariant& v, const char* label, float value, int32_t width,
                      int32_t decimals, char* line) {
  start_line(label, line, kLineLen);
  if (v.fixed_point_log) {
    char text[12];
    fmt_fixed(value, 12, decimals, text);
    put_right(text, 12, kFieldEnd, line);
  } else {
    put_fmtnum(value, width, decimals, kFieldEnd, line);
  }
  end_line(line, kFieldEnd + 1);
  return kLineLen;
}

int32_t log_line_int(const EngineVariant& v, const char* label, int32_t value, char* line) {
  start_line(label, line, kLineLen);
  if (v.fixed_point_log) {
    char text[12];
    fmt_int(value, 12, text);
    put_right(text, 12, kFieldEnd, line);
  } else {
    put_fmtnum(static_cast<float>(value), 12, 0, kFieldEnd, line);
  }
  end_line(line, kFieldEnd + 1);
  return kLineLen;
}

int32_t log_line_rotation(const EngineVariant& v, float grdrot, char* line) {
  start_line(" rotation angle ", line, kRotLineLen);
  if (v.fixed_point_log) {
    // The earlier build puts the number one column further right (18-29).
    char text[12];
    fmt_fixed(grdrot, 12, 3, text);
    put_right(text, 12, kFieldEnd + 1, line);
  } else {
    put_fmtnum(grdrot, 12, 3, kFieldEnd, line);  // column 29 stays blank
  }
  end_line(line, kFieldEnd + 2);
  return kRotLineLen;
}

int32_t log_line_fixed(const char* label, float value, int32_t decimals, char* line) {
  start_line(label, line, kLineLen);
  char text[12];
  fmt_fixed(value, 12, decimals, text);
  put_right(text, 12, kFieldEnd, line);
  end_line(line, kFieldEnd + 1);
  return kLineLen;
}

void log_real(WordFile& log, const EngineVariant& v, const char* label, float value,
              int32_t width, int32_t decimals) {
  char line[32];
  const int32_t n = log_line_real(v, label, value, width, decimals, line);
  log.write(line, static_cast<size_t>(n));
}

void log_int(WordFile& log, const EngineVariant& v, const char* label, int32_t value) {
  char line[32];
  const int32_t n = log_line_int(v, label, value, line);
  log.write(line, static_cast<size_t>(n));
}

void log_parameters(WordFile& log, const EngineVariant& v, const MincContext& ctx) {
  const MINCOWN& a = ctx.own;
  char line[32];
  log_real(log, v, " x origin ", a.XOI, 12, 2);
  log_real(log, v, " y origin ", a.YOI, 14, 2);
  if (v.one_cell_size) {
    log_real(log, v, " cell size ", a.DELXI, 12, 4);
  } else {
    log_real(log, v, " x cell size ", a.DELXI, 12, 4);
    log.write(line, static_cast<size_t>(log_line_fixed(" y cell size ", a.DELYI, 4, line)));
  }
  log_int(log, v, " num columns  ", a.NCI);
  log_int(log, v, " num rows ", a.NRI);
  log_int(log, v, " z channel ", a.IZCHANI);
  log_int(log, v, " max chan ", a.MAXCHN);
  log_real(log, v, " search radius ", a.RADIUSI, 12, 3);
  log.write(line, static_cast<size_t>(log_line_rotation(v, a.GRDROT, line)));
  log_real(log, v, " null data ", a.DVALI, 12, 3);
}

}  // namespace minc
