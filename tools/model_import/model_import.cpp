#include "tools/model_import/model_import.h"

#include <assimp/BaseImporter.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <assimp/Importer.hpp>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "tools/model_import/gltf_triangles.h"

namespace orv {
namespace {

uint32_t PackColour(const aiColor4D& c) {
  auto channel = [](float f) { return static_cast<uint32_t>(std::lround(std::clamp(f, 0.0f, 1.0f) * 255)); };
  return channel(c.b) << 16 | channel(c.g) << 8 | channel(c.r);
}

// ---- Node transforms, at rest or at a time of an animation ------------------

template <typename Key>
size_t KeyBefore(const Key* keys, unsigned count, double t) {
  size_t i = 0;
  while (i + 1 < count && keys[i + 1].mTime <= t) ++i;
  return i;
}

double Blend(double t0, double t1, double t) { return t1 > t0 ? std::clamp((t - t0) / (t1 - t0), 0.0, 1.0) : 0.0; }

aiVector3D Interpolate(const aiVectorKey* keys, unsigned count, double t) {
  const size_t i = KeyBefore(keys, count, t);
  if (i + 1 >= count) return keys[i].mValue;
  const float f = static_cast<float>(Blend(keys[i].mTime, keys[i + 1].mTime, t));
  return keys[i].mValue + (keys[i + 1].mValue - keys[i].mValue) * f;
}

aiQuaternion Interpolate(const aiQuatKey* keys, unsigned count, double t) {
  const size_t i = KeyBefore(keys, count, t);
  if (i + 1 >= count) return keys[i].mValue;
  aiQuaternion out;
  aiQuaternion::Interpolate(out, keys[i].mValue, keys[i + 1].mValue,
                            static_cast<float>(Blend(keys[i].mTime, keys[i + 1].mTime, t)));
  return out.Normalize();
}

// Global transform of every node; channels of `animation` (may be null)
// replace the local transforms of the nodes they name.
void NodeTransforms(const aiNode* node, const aiMatrix4x4& parent, const aiAnimation* animation, double t,
                    std::map<const aiNode*, aiMatrix4x4>& out) {
  aiMatrix4x4 local = node->mTransformation;
  if (animation) {
    for (unsigned c = 0; c < animation->mNumChannels; ++c) {
      const aiNodeAnim* ch = animation->mChannels[c];
      if (ch->mNodeName != node->mName) continue;
      aiVector3D scaling(1, 1, 1), position;
      aiQuaternion rotation;
      local.Decompose(scaling, rotation, position);
      if (ch->mNumPositionKeys) position = Interpolate(ch->mPositionKeys, ch->mNumPositionKeys, t);
      if (ch->mNumRotationKeys) rotation = Interpolate(ch->mRotationKeys, ch->mNumRotationKeys, t);
      if (ch->mNumScalingKeys) scaling = Interpolate(ch->mScalingKeys, ch->mNumScalingKeys, t);
      local = aiMatrix4x4(scaling, rotation, position);
      break;
    }
  }
  const aiMatrix4x4 global = parent * local;
  out[node] = global;
  for (unsigned i = 0; i < node->mNumChildren; ++i) NodeTransforms(node->mChildren[i], global, animation, t, out);
}

const aiNode* FindNode(const aiNode* node, const aiString& name) {
  if (node->mName == name) return node;
  for (unsigned i = 0; i < node->mNumChildren; ++i)
    if (const aiNode* found = FindNode(node->mChildren[i], name)) return found;
  return nullptr;
}

// Every (node, mesh) placement in node order.
void Placements(const aiNode* node, std::vector<std::pair<const aiNode*, unsigned>>& out) {
  for (unsigned i = 0; i < node->mNumMeshes; ++i) out.emplace_back(node, node->mMeshes[i]);
  for (unsigned i = 0; i < node->mNumChildren; ++i) Placements(node->mChildren[i], out);
}

aiMatrix3x3 NormalMatrix(const aiMatrix4x4& m) {
  aiMatrix3x3 n(m);
  return n.Inverse().Transpose();
}

// ---- Records -------------------------------------------------------------------

struct Pose {
  const std::vector<aiVector3D>* positions;  // per vertex of the mesh, in mesh space
  const std::vector<aiVector3D>* normals;
};

class Converter {
 public:
  explicit Converter(const aiScene& scene) : scene_(scene) {
    Placements(scene.mRootNode, placements_);
  }

  // Appends the records of one frame: every placed mesh's triangles, posed
  // by the node transforms and, for skinned meshes, by their bones.
  void AppendFrame(const std::map<const aiNode*, aiMatrix4x4>& globals, int morphTarget, MeshFrame& frame) {
    frame.stream.push_back(MarkerVertex(kMarkerTriangles));
    for (const auto& [node, index] : placements_) {
      const aiMesh& mesh = *scene_.mMeshes[index];
      std::vector<aiVector3D> positions(mesh.mVertices, mesh.mVertices + mesh.mNumVertices);
      std::vector<aiVector3D> normals(mesh.mNumVertices, aiVector3D(0, 0, 0));
      if (mesh.mNormals) normals.assign(mesh.mNormals, mesh.mNormals + mesh.mNumVertices);
      if (morphTarget >= 0 && static_cast<unsigned>(morphTarget) < mesh.mNumAnimMeshes) {
        const aiAnimMesh& target = *mesh.mAnimMeshes[morphTarget];
        if (target.mVertices && target.mNumVertices == mesh.mNumVertices)
          positions.assign(target.mVertices, target.mVertices + target.mNumVertices);
        if (target.mNormals && target.mNumVertices == mesh.mNumVertices)
          normals.assign(target.mNormals, target.mNormals + target.mNumVertices);
      }
      if (mesh.mNumBones > 0) {
        Skin(mesh, globals, positions, normals);
      } else {
        const aiMatrix4x4& m = globals.at(node);
        const aiMatrix3x3 n = NormalMatrix(m);
        for (aiVector3D& p : positions) p = m * p;
        for (aiVector3D& v : normals) v = (n * v).NormalizeSafe();
      }
      AppendTriangles(mesh, positions, normals, frame);
    }
  }

 private:
  void Skin(const aiMesh& mesh, const std::map<const aiNode*, aiMatrix4x4>& globals,
            std::vector<aiVector3D>& positions, std::vector<aiVector3D>& normals) {
    std::vector<aiVector3D> p(positions.size(), aiVector3D(0, 0, 0)), n(normals.size(), aiVector3D(0, 0, 0));
    std::vector<float> weight(positions.size(), 0.0f);
    for (unsigned b = 0; b < mesh.mNumBones; ++b) {
      const aiBone& bone = *mesh.mBones[b];
      const aiNode* node = FindNode(scene_.mRootNode, bone.mName);
      if (!node) continue;
      const aiMatrix4x4 m = globals.at(node) * bone.mOffsetMatrix;
      const aiMatrix3x3 nm = NormalMatrix(m);
      for (unsigned w = 0; w < bone.mNumWeights; ++w) {
        const aiVertexWeight& vw = bone.mWeights[w];
        if (vw.mVertexId >= positions.size()) continue;
        p[vw.mVertexId] += (m * positions[vw.mVertexId]) * vw.mWeight;
        n[vw.mVertexId] += (nm * normals[vw.mVertexId]) * vw.mWeight;
        weight[vw.mVertexId] += vw.mWeight;
      }
    }
    for (size_t i = 0; i < positions.size(); ++i) {
      if (weight[i] <= 0) continue;  // not bound to any bone: keeps its rest position
      positions[i] = p[i] / weight[i];
      normals[i] = n[i].NormalizeSafe();
    }
  }

  uint32_t MaterialColour(const aiMesh& mesh) {
    aiColor4D diffuse(1, 1, 1, 1);
    if (mesh.mMaterialIndex < scene_.mNumMaterials) {
      const aiMaterial* material = scene_.mMaterials[mesh.mMaterialIndex];
      // The importer's stand-in for "no material" is grey; a model without
      // colours should come out white, showing its texture unchanged.
      aiString name;
      const bool standIn = material->Get(AI_MATKEY_NAME, name) == aiReturn_SUCCESS &&
                           std::string(name.C_Str()) == AI_DEFAULT_MATERIAL_NAME;
      if (standIn || material->Get(AI_MATKEY_COLOR_DIFFUSE, diffuse) != aiReturn_SUCCESS)
        diffuse = aiColor4D(1, 1, 1, 1);
    }
    return PackColour(diffuse);
  }

  void AppendTriangles(const aiMesh& mesh, const std::vector<aiVector3D>& positions,
                       const std::vector<aiVector3D>& normals, MeshFrame& frame) {
    const uint32_t materialColour = MaterialColour(mesh);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      if (face.mNumIndices != 3) continue;  // points and lines, counted by the caller
      for (unsigned k = 0; k < 3; ++k) {
        const unsigned i = face.mIndices[k];
        MeshVertex r;
        r.SetPosition({positions[i].x, positions[i].y, positions[i].z});
        r.SetNormal({normals[i].x, normals[i].y, normals[i].z});
        if (mesh.mTextureCoords[0]) {
          r.u = mesh.mTextureCoords[0][i].x;
          r.v = -mesh.mTextureCoords[0][i].y;  // stored sign-inverted, like built models
        }
        r.SetColour(mesh.mColors[0] ? PackColour(mesh.mColors[0][i]) : materialColour);
        frame.stream.push_back(r);
      }
    }
  }

  const aiScene& scene_;
  std::vector<std::pair<const aiNode*, unsigned>> placements_;
};

// What the file holds that the model will not: listed for the report.
void ListDropped(const aiScene& scene, const ImportOptions& options, bool sampled, ImportReport& report) {
  unsigned lineFaces = 0, extraUvSets = 0, extraColourSets = 0, translucent = 0, morphMeshes = 0;
  std::set<std::string> textures;
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    const aiMesh& mesh = *scene.mMeshes[m];
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) lineFaces += mesh.mFaces[f].mNumIndices != 3;
    for (unsigned s = 1; s < AI_MAX_NUMBER_OF_TEXTURECOORDS; ++s) extraUvSets += mesh.mTextureCoords[s] != nullptr;
    for (unsigned s = 1; s < AI_MAX_NUMBER_OF_COLOR_SETS; ++s) extraColourSets += mesh.mColors[s] != nullptr;
    if (mesh.mColors[0])
      for (unsigned i = 0; i < mesh.mNumVertices; ++i) translucent += mesh.mColors[0][i].a < 1.0f;
    morphMeshes += mesh.mNumAnimMeshes > 0;
  }
  for (unsigned m = 0; m < scene.mNumMaterials; ++m)
    for (aiTextureType type : {aiTextureType_DIFFUSE, aiTextureType_BASE_COLOR, aiTextureType_NORMALS,
                               aiTextureType_SPECULAR, aiTextureType_EMISSIVE}) {
      aiString path;
      for (unsigned t = 0; scene.mMaterials[m]->GetTexture(type, t, &path) == aiReturn_SUCCESS; ++t)
        textures.insert(path.C_Str());
    }
  auto add = [&](std::string line) { report.dropped.push_back(std::move(line)); };
  if (lineFaces) add(std::to_string(lineFaces) + " point and line primitives (only triangles are kept)");
  if (extraUvSets) add(std::to_string(extraUvSets) + " texture coordinate sets beyond the first");
  if (extraColourSets) add(std::to_string(extraColourSets) + " vertex colour sets beyond the first");
  if (translucent) add("the alpha of " + std::to_string(translucent) + " vertex colours (colours are opaque)");
  for (const std::string& t : textures)
    add("texture \"" + t + "\" (the model keeps its uvs; load the picture as the model's texture)");
  if (scene.mNumAnimations > 1)
    add(std::to_string(scene.mNumAnimations - 1) + " animations besides number " + std::to_string(options.animation));
  if (sampled && morphMeshes) add("morph targets (the node animation was sampled instead)");
  if (scene.mNumCameras) add(std::to_string(scene.mNumCameras) + " cameras");
  if (scene.mNumLights) add(std::to_string(scene.mNumLights) + " lights");
}

// The file's extension in lower case, without the dot; "" when it has none.
std::string Extension(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return "";
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

// When no reader takes a file (a damaged one fails the readers' first
// look), the reader its extension names says what is wrong with it.
std::string ExtensionReaderError(Assimp::Importer& importer, const std::string& path, const std::string& error) {
  Assimp::BaseImporter* reader = importer.GetImporter(Extension(path).c_str());
  if (!reader || Extension(path).empty()) return error;
  reader->SetupProperties(&importer);
  if (aiScene* scene = reader->ReadFile(&importer, path, importer.GetIOHandler())) {
    delete scene;
    return error;
  }
  return reader->GetErrorText().empty() ? error : reader->GetErrorText();
}

// glTF readers leave out triangles whose indices point past the vertices,
// saying only that they did: the document's own count tells how many.
void ListLeftOutTriangles(const std::string& path, const aiScene& scene, ImportReport& report) {
  const std::string extension = Extension(path);
  if (extension != "gltf" && extension != "glb") return;
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const int64_t described = GltfTriangleCount(bytes);
  int64_t read = 0;
  for (unsigned m = 0; m < scene.mNumMeshes; ++m)
    for (unsigned f = 0; f < scene.mMeshes[m]->mNumFaces; ++f) read += scene.mMeshes[m]->mFaces[f].mNumIndices == 3;
  if (described > read)
    report.dropped.push_back(std::to_string(described - read) + " triangles with vertex indices out of range");
}

}  // namespace

bool ImportModel(const std::string& path, const ImportOptions& options, MeshObjectX& mesh, ImportReport& report,
                 std::string& error) {
  mesh.Reset();
  report = ImportReport{};
  Assimp::Importer importer;
  // Uvs with v measured from the top of the picture, as games give them;
  // missing normals are made smooth.
  const aiScene* scene = importer.ReadFile(path, aiProcess_Triangulate | aiProcess_GenSmoothNormals |
                                                     aiProcess_FlipUVs | aiProcess_ValidateDataStructure);
  if (!scene || !scene->mRootNode) {
    error = importer.GetErrorString();
    if (error.rfind("No suitable reader found", 0) == 0) error = ExtensionReaderError(importer, path, error);
    if (error.empty()) error = "not a model file the importer knows";
    return false;
  }
  report.meshes = static_cast<int>(scene->mNumMeshes);

  const aiAnimation* animation = nullptr;
  if (options.animation >= 0 && static_cast<unsigned>(options.animation) < scene->mNumAnimations &&
      scene->mAnimations[options.animation]->mNumChannels > 0)
    animation = scene->mAnimations[options.animation];
  unsigned morphTargets = 0;
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) morphTargets = std::max(morphTargets, scene->mMeshes[m]->mNumAnimMeshes);
  ListDropped(*scene, options, animation != nullptr, report);
  ListLeftOutTriangles(path, *scene, report);

  Converter converter(*scene);
  std::map<const aiNode*, aiMatrix4x4> globals;
  if (animation) {
    const double ticksPerSecond = animation->mTicksPerSecond > 0 ? animation->mTicksPerSecond : 25.0;
    const double seconds = animation->mDuration / ticksPerSecond;
    const double fps = options.framesPerSecond > 0 ? options.framesPerSecond : 10;
    int count = static_cast<int>(std::floor(seconds * fps + 1e-6)) + 1;
    if (count > options.maxFrames) {
      report.dropped.push_back("frames after " + std::to_string(options.maxFrames) + " of the animation");
      count = options.maxFrames;
    }
    for (int f = 0; f < count; ++f) {
      globals.clear();
      NodeTransforms(scene->mRootNode, aiMatrix4x4(), animation, f / fps * ticksPerSecond, globals);
      mesh.frames.emplace_back();
      converter.AppendFrame(globals, -1, mesh.frames.back());
    }
  } else {
    NodeTransforms(scene->mRootNode, aiMatrix4x4(), nullptr, 0, globals);
    for (int target = -1; target < static_cast<int>(morphTargets); ++target) {
      mesh.frames.emplace_back();
      converter.AppendFrame(globals, target, mesh.frames.back());
    }
  }
  report.frames = mesh.FrameCount();
  report.triangles = static_cast<int>(mesh.frames[0].stream.size() - 1) / 3;
  if (report.triangles == 0) {
    mesh.Reset();
    error = "the file holds no triangles";
    return false;
  }

  // Normals are stored as the nearest entry of the table; say how far off.
  double worst = 1;
  for (const MeshFrame& frame : mesh.frames)
    for (const MeshVertex& v : frame.stream) {
      if (IsMarker(v.colour)) continue;
      const Vec3 n = v.Normal();
      const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
      if (length == 0) continue;
      const Vec3 t = NormalFromIndex(NearestNormalIndex(n));
      worst = std::min(worst, (n.x * t.x + n.y * t.y + n.z * t.z) / length);
    }
  report.worstNormalDegrees = std::acos(std::clamp(worst, -1.0, 1.0)) * 180 / 3.14159265358979;

  std::set<uint32_t> colours;
  for (const MeshFrame& frame : mesh.frames)
    for (const MeshVertex& v : frame.stream)
      if (!IsMarker(v.colour)) colours.insert(v.colour);
  if (colours.size() > 255)
    report.dropped.push_back(std::to_string(colours.size() - 255) +
                             " colours (a model has at most 255: the rest take the nearest one)");
  mesh.BuildPalette();
  return true;
}

}  // namespace orv
