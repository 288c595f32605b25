#pragma once
// Small scenes built in code for the round trips.
#include <memory>
#include <string>

#include "material/material.h"
#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"
#include "scene/scene.h"
#include "scene/scene_node.h"

namespace vex3d::test {

// A unit cube of six quads at `offset` along x, faces of material
// `material`.
inline C3DObject* quadCube(float offset, std::uint32_t material = 0) {
  auto* cube = new C3DObject;
  cube->Init(8, 6, 4, 0, 0);
  for (int i = 0; i < 8; ++i) {
    const bool x = i == 1 || i == 2 || i == 5 || i == 6;
    const bool y = i == 2 || i == 3 || i == 6 || i == 7;
    (*cube->GetPointList())[i].Init((x ? 1.0f : 0.0f) + offset, y ? 1.0f : 0.0f,
                                    i >= 4 ? 1.0f : 0.0f);
  }
  const int quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                           {2, 3, 7, 6}, {0, 4, 7, 3}, {1, 2, 6, 5}};
  for (int f = 0; f < 6; ++f) {
    C3DFace* face = cube->GetFaceList()->ElementAt(f);
    face->SetQuadrangle(quads[f][0], quads[f][1], quads[f][2], quads[f][3]);
    face->SetMaterialID(material);
  }
  return cube;
}

// The cube with texture coordinates per corner (each face covering the
// square once) and an opaque colour per point.
inline C3DObject* paintedCube(float offset, std::uint32_t material = 0) {
  C3DObject* cube = quadCube(offset, material);
  auto* uvw = new CUVWChannel;
  CUVWPointList& uv = *uvw->GetUVWPointList();
  uv.Add(CUVWPoint(0, 0, 0));
  uv.Add(CUVWPoint(0.25f, 0, 0));
  uv.Add(CUVWPoint(0.25f, 0.5f, 0));
  uv.Add(CUVWPoint(0, 0.5f, 0));
  uvw->GetUVWFaceList()->SetSize(*cube->GetFaceList());
  for (int f = 0; f < 6; ++f) uvw->GetUVWFaceList()->ElementAt(f)->SetQuadrangle(0, 1, 2, 3);
  cube->AddChannel(uvw);
  auto* colors = new CVCChannel;
  colors->GetVCFaceList()->SetSize(*cube->GetFaceList());
  for (int i = 0; i < 8; ++i) {
    colors->GetVCPointList()->Add(CVCPoint(CRGBColor(static_cast<std::uint8_t>(30 * i), 200,
                                                     static_cast<std::uint8_t>(255 - i), 255)));
  }
  for (int f = 0; f < 6; ++f) {
    const C3DFace& face = *cube->GetFaceList()->ElementAt(f);
    colors->GetVCFaceList()->ElementAt(f)->SetQuadrangle(face[0], face[1], face[2], face[3]);
  }
  cube->AddChannel(colors);
  return cube;
}

inline C3DSceneNode* meshNode(const std::string& name, C3DBaseObject* object) {
  auto* node = new C3DSceneNode;
  node->SetName(name);
  node->SetObject(object);
  return node;
}

}  // namespace vex3d::test
