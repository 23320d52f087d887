// Game-facing command of path finding: the cheapest 4-connected path over a
// map of cell costs.
//
// The map is a two-dimensional array, cell (x, y) at map.At(x, y); cells of
// 0, negative, NaN or infinite cost are walls. The path comes back as rows
// (x, y) in a count x 2 array, path.At(i, 0) = x and path.At(i, 1) = y, row
// 0 the start and the last row the goal. Weight 0 finds the cheapest path, 1 heads
// greedily for the goal; values outside 0..1 are clamped. An unreachable goal
// empties the path; start or goal outside the map, start equal to goal or a
// map without an open cell return 0 and leave the path as it was.
#pragma once

#include <cstdint>

#include "orvane/rt_array.h"

// ---- Path finding --------------------------------------------------------------
double FindPath(const RtArray<double>& map, RtArray<double>& path, double weight, double startX, double startY, double goalX, double goalY);  // number of path rows; 0 when there is none
double FindPath(const RtArray<double>& map, RtArray<int32_t>& path, double weight, double startX, double startY, double goalX, double goalY);  // the same into an integer path
double FindPath(const RtArray<int32_t>& map, RtArray<double>& path, double weight, double startX, double startY, double goalX, double goalY);  // the same over an integer map
double FindPath(const RtArray<int32_t>& map, RtArray<int32_t>& path, double weight, double startX, double startY, double goalX, double goalY);  // integer map, integer path
