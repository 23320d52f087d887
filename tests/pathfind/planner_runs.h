// Runs one request through the reference planner and the grid planner and
// returns what each found, so tests and the fuzz target compare whole paths
// and refusals.
#pragma once

#include <cstdint>
#include <vector>

#include "pathfind/grid_planner.h"
#include "pathfind/reference/reference_planner.h"

namespace orvtest {

struct PlannedPath {
  bool accepted = false;  // Init succeeded
  int32_t error = 0;      // Error() after Init
  bool ranOut = false;
  std::vector<int32_t> xs, ys;  // start first
  bool operator==(const PlannedPath&) const = default;
};

// On a planner that may have planned before: Init must replace everything.
inline PlannedPath RunReference(const orv::PlannerRequest& request, orv::AStarPlanner& planner) {
  PlannedPath out;
  out.accepted = planner.Init(request);
  out.error = planner.Error();
  if (!out.accepted) return out;
  planner.Start();
  planner.Search();
  out.ranOut = planner.RanOut();
  for (const orv::Node* n = planner.Result(); n; n = n->parent) {
    out.xs.insert(out.xs.begin(), n->x);
    out.ys.insert(out.ys.begin(), n->y);
  }
  planner.Clear();
  return out;
}

inline PlannedPath RunReference(const orv::PlannerRequest& request) {
  orv::AStarPlanner planner;
  return RunReference(request, planner);
}

inline PlannedPath RunGrid(const orv::PlannerRequest& request, orv::GridPlanner& planner,
                           uint32_t sequenceLimit = UINT32_MAX) {
  PlannedPath out;
  planner.SetSequenceLimit(sequenceLimit);
  out.accepted = planner.Init(request);
  out.error = planner.Error();
  if (!out.accepted) return out;
  planner.Start();
  planner.Search();
  out.ranOut = planner.RanOut();
  out.xs.resize(static_cast<size_t>(planner.PathLength()));
  out.ys.resize(out.xs.size());
  planner.ReadPath(out.xs.data(), out.ys.data());
  return out;
}

inline PlannedPath RunGrid(const orv::PlannerRequest& request, uint32_t sequenceLimit = UINT32_MAX) {
  orv::GridPlanner planner;
  return RunGrid(request, planner, sequenceLimit);
}

}  // namespace orvtest
