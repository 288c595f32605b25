// Builds the bundled sample scenes of data/samples from code, so that they
// can be made again exactly: a textured cube (with its PNG texture), a
// two-level group hierarchy with animated translation and rotation, and a
// quad mesh with vertex colours.
//
//   make_samples OUTPUT_FOLDER
#include <stb_image_write.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "animation/matrix_key.h"
#include "animation/vector_key.h"
#include "material/material.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"
#include "scene/object_kinds.h"
#include "scene/scene.h"
#include "scene/scene_file.h"

namespace {

constexpr float kPi = 3.1415927f;

// A unit cube of six outward quads with texture coordinates covering each
// face once.
C3DObject* texturedCube(std::uint32_t material) {
  auto* cube = new C3DObject;
  cube->Init(8, 6, 4, 1, 4);
  for (int i = 0; i < 8; ++i) {
    const bool x = i == 1 || i == 2 || i == 5 || i == 6;
    const bool y = i == 2 || i == 3 || i == 6 || i == 7;
    (*cube->GetPointList())[i].Init(x ? 1.0f : 0.0f, y ? 1.0f : 0.0f, i >= 4 ? 1.0f : 0.0f);
  }
  const int quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                           {2, 3, 7, 6}, {0, 4, 7, 3}, {1, 2, 6, 5}};
  auto* uvw = static_cast<CUVWChannel*>(cube->GetChannels()->GetChannelByIndex(0));
  CUVWPointList& uv = *uvw->GetUVWPointList();
  uv[0] = CUVWPoint(0, 0, 0);
  uv[1] = CUVWPoint(1, 0, 0);
  uv[2] = CUVWPoint(1, 1, 0);
  uv[3] = CUVWPoint(0, 1, 0);
  for (int f = 0; f < 6; ++f) {
    C3DFace* face = cube->GetFaceList()->ElementAt(f);
    face->SetQuadrangle(quads[f][0], quads[f][1], quads[f][2], quads[f][3]);
    face->SetMaterialID(material);
    uvw->GetUVWFaceList()->ElementAt(f)->SetQuadrangle(0, 1, 2, 3);
  }
  return cube;
}

C3DSceneNode* node(const char* name, C3DBaseObject* object) {
  auto* n = new C3DSceneNode;
  n->SetName(name);
  n->SetObject(object);
  return n;
}

bool save(C3DScene& scene, const std::filesystem::path& path) {
  std::string error;
  if (vex3d::saveSceneFile(scene, path.string(), error)) return true;
  std::fprintf(stderr, "make_samples: %s: %s\n", path.string().c_str(), error.c_str());
  return false;
}

bool texturedCubeScene(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder / "textures");
  unsigned char pixels[64 * 64 * 3];
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const bool dark = ((x / 8) + (y / 8)) % 2 == 0;
      unsigned char* p = pixels + 3 * (y * 64 + x);
      p[0] = dark ? 40 : 230;
      p[1] = dark ? 60 : 200;
      p[2] = dark ? 140 : 90;
    }
  }
  const std::string texture = (folder / "textures" / "checker.png").string();
  if (!stbi_write_png(texture.c_str(), 64, 64, 3, pixels, 64 * 3)) {
    std::fprintf(stderr, "make_samples: cannot write %s\n", texture.c_str());
    return false;
  }
  C3DScene scene;
  C3DMaterial* material = scene.GetMaterials().CreateNewMaterial(1);
  material->SetName("checker");
  C3DObject* cube = texturedCube(1);
  // The map reads the cube's texture coordinates.
  const std::uint32_t uvw = cube->GetChannels()->GetChannelByIndex(0)->GetChannelID();
  material->AddMaterialMap("textures/checker.png", uvw, MAP_DIFFUSE, PROJECTION_EXPLICIT);
  scene.AddNode(nullptr, node("cube", cube));
  return save(scene, folder / "textured_cube.v3d");
}

bool animatedGroupsScene(const std::filesystem::path& folder) {
  C3DScene scene;
  C3DSceneNode* arm = node("arm", new C3DGroup);
  arm->AddKey(0, C3DRotateKey(0.0f, C3DVector(0, 0, 1)));
  arm->AddKey(100, C3DRotateKey(kPi / 2, C3DVector(0, 0, 1)));
  scene.AddNode(nullptr, arm);
  C3DSceneNode* forearm = node("forearm", new C3DGroup);
  forearm->AddKey(0, C3DTranslateKey(C3DVector(2, 0, 0)));
  forearm->AddKey(100, C3DTranslateKey(C3DVector(3, 0, 0)));
  scene.AddNode(arm, forearm);
  scene.AddNode(forearm, node("hand", texturedCube(0)));
  scene.AddNode(arm, node("elbow", texturedCube(0)));
  return save(scene, folder / "animated_groups.v3d");
}

bool coloredQuadsScene(const std::filesystem::path& folder) {
  constexpr int kSide = 4;
  // The grid leans back by 45 degrees about x: its faces turn towards both
  // the front and the top views, so it shows in the default rendering and
  // in thumbnails, not only from above.
  constexpr float kLean = 0.70710678f;
  auto* mesh = new C3DObject;
  mesh->Init((kSide + 1) * (kSide + 1), kSide * kSide, 4, 0, 0);
  auto* colors = new CVCChannel;
  for (int y = 0; y <= kSide; ++y) {
    for (int x = 0; x <= kSide; ++x) {
      (*mesh->GetPointList())[y * (kSide + 1) + x].Init(
          static_cast<float>(x), static_cast<float>(y) * kLean, static_cast<float>(y) * kLean);
      // Opaque: the alpha byte is how much the colour outweighs the material.
      colors->GetVCPointList()->Add(CVCPoint(CRGBColor(
          static_cast<std::uint8_t>(60 * x), static_cast<std::uint8_t>(60 * y), 128, 255)));
    }
  }
  // One colour per point, through faces of the mesh's shape: the renderer
  // colours a face through its colour face.
  colors->GetVCFaceList()->SetSize(kSide * kSide, 4);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const int a = y * (kSide + 1) + x;
      const int f = y * kSide + x;
      mesh->GetFaceList()->ElementAt(f)->SetQuadrangle(a, a + 1, a + kSide + 2, a + kSide + 1);
      colors->GetVCFaceList()->ElementAt(f)->SetQuadrangle(a, a + 1, a + kSide + 2, a + kSide + 1);
    }
  }
  mesh->AddChannel(colors);
  mesh->SetGlobalVCChannel(colors->GetChannelID(), 1.0f);
  C3DScene scene;
  scene.AddNode(nullptr, node("colored quads", mesh));
  return save(scene, folder / "colored_quads.v3d");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_samples OUTPUT_FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder(argv[1]);
  std::filesystem::create_directories(folder);
  const bool ok =
      texturedCubeScene(folder) && animatedGroupsScene(folder) && coloredQuadsScene(folder);
  return ok ? 0 : 1;
}
