// Game-facing command of path finding: the cheapest 4-connected path over a
// map of cell costs.
//
// The map is a two-dimensional array, cell (x, y) at map(x, y); cells of 0,
// negative, NaN or infinite cost are walls. The path comes back as rows
// (x, y) in a count x 2 array, path(i, 0) = x and path(i, 1) = y, row 0 the
// start and the last row the goal.
#pragma once

#include <cstdint>

#include "orvane/rt_array.h"

// ---- Path finding --------------------------------------------------------------
double FindPath(const RtArray<double>& map, RtArray<double>& path, double weight, double startX, double startY, double goalX, double goalY);  // rows of the path; 0 when none (the path is emptied) or when start/goal are invalid, equal or the map has no open cell (the path is kept)
double FindPath(const RtArray<double>& map, RtArray<int32_t>& path, double weight, double startX, double startY, double goalX, double goalY);  // the same, integer path
double FindPath(const RtArray<int32_t>& map, RtArray<double>& path, double weight, double startX, double startY, double goalX, double goalY);  // the same, integer map
double FindPath(const RtArray<int32_t>& map, RtArray<int32_t>& path, double weight, double startX, double startY, double goalX, double goalY);  // the same, integer map and path
