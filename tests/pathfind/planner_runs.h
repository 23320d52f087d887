// Runs one request through the reference planner and the fast planner and
// returns what each found, so tests and the fuzz target compare whole paths.
#pragma once

#include <cstdint>
#include <vector>

#include "pathfind/grid_planner.h"
#include "pathfind/planner.h"

namespace orvtest {

struct PlannedPath {
  bool accepted = false;  // Init succeeded
  bool ranOut = false;
  std::vector<int32_t> xs, ys;  // start first
  bool operator==(const PlannedPath&) const = default;
};

inline PlannedPath RunReference(const orv::PlannerRequest& request) {
  PlannedPath out;
  orv::AStarPlanner planner;
  out.accepted = planner.Init(request);
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

inline PlannedPath RunFast(const orv::PlannerRequest& request, uint32_t sequenceLimit = UINT32_MAX) {
  PlannedPath out;
  orv::GridPlanner planner;
  planner.SetSequenceLimit(sequenceLimit);
  out.accepted = planner.Init(request);
  if (!out.accepted) return out;
  planner.Start();
  planner.Search();
  out.ranOut = planner.RanOut();
  out.xs.resize(static_cast<size_t>(planner.PathLength()));
  out.ys.resize(out.xs.size());
  planner.ReadPath(out.xs.data(), out.ys.data());
  return out;
}

}  // namespace orvtest
