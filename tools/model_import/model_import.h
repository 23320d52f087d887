// Bringing models from common 3D formats (whatever the assimp library reads:
// OBJ, glTF 2.0, FBX, Collada, ...) into the runtime's mesh, ready for the
// .ddd writer. Every mesh of the file is placed by its node and merged into
// one triangle list; vertex or material colours go into the palette;
// animation becomes frames: a node or skeletal animation is sampled at a
// fixed rate, otherwise each morph target is a frame after the rest pose.
// What the format cannot hold is listed, not silently lost.
// Depends on: assimp, gfx3d/mesh.h.
#pragma once

#include <string>
#include <vector>

#include "gfx3d/mesh.h"

namespace orv {

struct ImportOptions {
  double framesPerSecond = 10;  // sampling rate of node and skeletal animation
  int animation = 0;            // which of the file's animations is sampled
  int maxFrames = 1000;         // a longer animation is cut (and reported)
};

struct ImportReport {
  int meshes = 0;
  int triangles = 0;
  int frames = 0;
  double worstNormalDegrees = 0;  // largest angle between a normal and its table entry
  std::vector<std::string> dropped;  // what the file had that the model does not keep
};

// Reads the file into mesh (reset first; frames, streams and palette set,
// not yet prepared). False with a message in error when the file cannot be
// read or holds no triangles.
bool ImportModel(const std::string& path, const ImportOptions& options, MeshObjectX& mesh,
                 ImportReport& report, std::string& error);

}  // namespace orv
