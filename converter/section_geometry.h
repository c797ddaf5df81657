// Geometry shared by the section driver, the traverse and the
// nearest-neighbour gridder: cell searches over mesh boundaries, the grid
// extent rounded to the cell size, grid file names and the name buffers
// handed to the engine and the grid writer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kelvane {

// Cell of coordinate p among ascending boundaries B(1..n+1) (`b` holds them
// from index 0): the smallest 1-based m >= s with p <= B(m+1); a point on a
// boundary takes the lower index. Deliberate: the search is bounded at the
// last cell; 0 when p lies beyond the last boundary.
[[nodiscard]] int32_t locate_cell(std::span<const float> b, float p, int32_t s);

// Layer containing elevation v among the downward boundaries ZNODE(1..n+1):
// the smallest k >= 1 with v >= ZNODE(k+1); a point on a boundary takes the
// upper layer, a point above the top takes layer 1. Deliberate: 0 when v lies
// below the bottom of the mesh.
[[nodiscard]] int32_t locate_layer(std::span<const float> znode, float v);

// floor(a, s): trunc(a/s)*s, less s when that exceeds a.
[[nodiscard]] float grid_floor(float a, float s);
// ceil(a, s): trunc(a/s)*s, plus s when that falls short of a.
[[nodiscard]] float grid_ceil(float a, float s);
// Nodes from `origin` to `end` at spacing s: trunc((end - origin)/s + 1),
// plus 1 when the last node still falls short of `end`. Deliberate: counts
// beyond the 32-bit range saturate instead of overflowing.
[[nodiscard]] int32_t grid_count(float origin, float end, float s);

// Decimal text of a section position truncated toward zero ("0" for -0.5).
[[nodiscard]] std::string position_tag(float xout);

// A name buffer as the engine and the grid writer take it: the name, one
// NUL, blank padded to 80 bytes. Deliberate: a name of 80 characters or more
// widens the buffer instead of losing its end and the NUL.
[[nodiscard]] std::string name_buffer(std::string_view name);

// Text without its trailing blanks (and without anything from a NUL on).
[[nodiscard]] std::string_view trim_right(std::string_view text);

}  // namespace kelvane
