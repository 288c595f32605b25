#include "assimp_3ds.h"

#include <assimp/scene.h>

#include <algorithm>
#include <string_view>
#include <vector>

namespace vex3d::assimp {

namespace {

// What 3DS calls a dummy object: a node without geometry whose own name, if
// any, follows in a chunk of its own. Without one it stands for nothing.
constexpr std::string_view kNamelessDummy = "$$$DUMMY";

// Deeper trees than this come from damaged files, not from models.
constexpr int kMaxDepth = 1000;

std::string_view nameOf(const aiNode& node) { return {node.mName.C_Str(), node.mName.length}; }

void setChildren(aiNode& node, const std::vector<aiNode*>& children) {
  delete[] node.mChildren;
  node.mChildren = nullptr;
  node.mNumChildren = static_cast<unsigned>(children.size());
  if (children.empty()) return;
  node.mChildren = new aiNode*[children.size()];
  std::copy(children.begin(), children.end(), node.mChildren);
  for (aiNode* child : children) child->mParent = &node;
}

// "<parent>_<digits>", a leaf holding meshes where its parent is.
bool isMeshNodeOf(const aiNode& parent, const aiNode& child) {
  if (child.mNumChildren != 0 || child.mNumMeshes == 0 || !child.mTransformation.IsIdentity())
    return false;
  const std::string_view own = nameOf(parent);
  const std::string_view name = nameOf(child);
  if (own.empty() || name.size() < own.size() + 2 || name.substr(0, own.size()) != own ||
      name[own.size()] != '_')
    return false;
  const std::string_view index = name.substr(own.size() + 1);
  return std::all_of(index.begin(), index.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void foldMeshNodes(aiNode& node, int depth) {
  if (depth > kMaxDepth) return;
  for (unsigned c = 0; c < node.mNumChildren; ++c) {
    if (node.mChildren[c] != nullptr) foldMeshNodes(*node.mChildren[c], depth + 1);
  }
  // The writer's nodes hold no mesh of their own: theirs went to the
  // children.
  if (node.mNumMeshes != 0) return;
  std::vector<aiNode*> kept;
  std::vector<unsigned> meshes;
  for (unsigned c = 0; c < node.mNumChildren; ++c) {
    aiNode* child = node.mChildren[c];
    if (child == nullptr) continue;
    if (!isMeshNodeOf(node, *child)) {
      kept.push_back(child);
      continue;
    }
    meshes.insert(meshes.end(), child->mMeshes, child->mMeshes + child->mNumMeshes);
    delete child;
  }
  if (meshes.empty()) return;
  setChildren(node, kept);
  node.mNumMeshes = static_cast<unsigned>(meshes.size());
  node.mMeshes = new unsigned[meshes.size()];
  std::copy(meshes.begin(), meshes.end(), node.mMeshes);
}

void spliceNamelessDummies(aiNode& root) {
  std::vector<aiNode*> children;
  bool spliced = false;
  for (unsigned c = 0; c < root.mNumChildren; ++c) {
    aiNode* child = root.mChildren[c];
    if (child == nullptr) continue;
    if (nameOf(*child) != kNamelessDummy || child->mNumMeshes != 0 ||
        !child->mTransformation.IsIdentity()) {
      children.push_back(child);
      continue;
    }
    for (unsigned g = 0; g < child->mNumChildren; ++g) {
      if (child->mChildren[g] != nullptr) children.push_back(child->mChildren[g]);
    }
    // Its children live on under the root.
    child->mNumChildren = 0;
    delete child;
    spliced = true;
  }
  if (spliced) setChildren(root, children);
}

}  // namespace

void mark3dsWrapping(aiScene& scene) {
  if (scene.mRootNode != nullptr) scene.mRootNode->mName.Set(kNamelessDummy.data());
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    if (scene.mMeshes[m] != nullptr) scene.mMeshes[m]->mName.Clear();
  }
}

void undo3dsWrapping(aiScene& scene) {
  if (scene.mRootNode == nullptr) return;
  spliceNamelessDummies(*scene.mRootNode);
  foldMeshNodes(*scene.mRootNode, 0);
}

}  // namespace vex3d::assimp
