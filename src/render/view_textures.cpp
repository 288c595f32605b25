// Texture objects per material and context, loaded from the material's
// diffuse map and bound while the material's faces are sent.
#include <GL/glew.h>
#include <GL/glu.h>

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "hostlib/files/profile.h"
#include "hostlib/images/bitmap.h"
#include "hostlib/images/bitmap_resize.h"
#include "material/material.h"
#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "render/texture_size.h"
#include "render/view.h"
#include "scene/scene.h"

namespace vex3d {

int nextPowerOfTwo(int value) {
  int p = 1;
  while (p < value && p < (1 << 30)) p <<= 1;
  return p;
}

int textureSide(int side, int maxSize) {
  int s = side > 512 ? 1024 : std::max(4, nextPowerOfTwo(side));
  while (s > maxSize && s > 1) s >>= 1;
  return s;
}

int textureMaxSize(int glMaxSize, bool fastRendering, int lowRes) {
  int m = glMaxSize > 0 ? glMaxSize : 1024;
  if (fastRendering) m = std::min(m, nextPowerOfTwo(std::max(1, lowRes)));
  return m;
}

}  // namespace vex3d

void C3DView::InitMapping() {
  if (!IsTextureEnabled() || !(m_settings.viewMode & VIEW_TEXTURES) || m_texturesLoaded ||
      m_scene == nullptr || GetGLContext() == nullptr) {
    return;
  }
  glHint(GL_PERSPECTIVE_CORRECTION_HINT,
         (m_settings.viewMode & VIEW_PERSPECTIVE_CORRECT) ? GL_NICEST : GL_FASTEST);
  std::unordered_set<std::uint32_t> used;
  CSceneIterator it = m_scene->Begin();
  C3DBaseObject* object = nullptr;
  while (m_scene->GetNextNode(object, it) != nullptr) {
    if (object == nullptr || object->GetFaceList() == nullptr) continue;
    const C3DFaceList* faces = object->GetFaceList();
    // Faces come in runs of one material: only a change is looked up.
    for (int f = 0; f < faces->GetSize(); ++f) {
      const std::uint32_t id = faces->ElementAt(f)->GetMaterialID();
      if (f == 0 || id != faces->ElementAt(f - 1)->GetMaterialID()) used.insert(id);
    }
  }
  for (std::uint32_t id : used) InitMaterialMapping(id, 0);
  m_texturesLoaded = true;
}

int C3DView::InitMaterialMapping(std::uint32_t materialId, int force) {
  if (m_scene == nullptr) return 0;
  const ListKey key{materialId, GetGLContext(), CALLLIST_TEXTURE};
  auto found = m_lists.find(key);
  if (found != m_lists.end()) {
    if (!force) return 1;
    const GLuint old = found->second;
    glDeleteTextures(1, &old);
    m_lists.erase(found);
  }
  C3DMaterial* material = m_scene->GetMaterial(materialId);
  CMaterialMap* map = material != nullptr ? material->GetDiffuseMaps() : nullptr;
  if (map == nullptr) return 0;
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  if (!LoadTexture(map)) {
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &name);
    return 0;
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  m_lists.emplace(key, name);
  return 1;
}

namespace {

// Whether the GL utility library can scale an image of this size: its
// working buffer holds width x height x channels 16-bit samples and is
// sized in a signed 32-bit count. Half of that range is kept as margin.
bool fitsTheScaler(int width, int height, int channels) {
  const std::uint64_t bytes = static_cast<std::uint64_t>(width) *
                              static_cast<std::uint64_t>(height) *
                              static_cast<std::uint64_t>(channels) * 2u;
  return bytes < (std::uint64_t{1} << 30);
}

}  // namespace

int C3DView::LoadTexture(CMaterialMap* map) {
  if (map == nullptr || m_scene == nullptr) return 0;
  GLint glMax = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &glMax);
  const int maxSize = vex3d::textureMaxSize(glMax, (m_settings.viewMode & VIEW_FAST_RENDERING) != 0,
                                            GetProfileInt("Render", "lowres", 512));
  const Bitmap* image = map->GetBitmap(m_scene->GetFilepath(), CSize());
  if (image == nullptr || image->IsEmpty()) return 0;
  const int type = image->GetType();
  if (type != vex3d::kBitmapRgb && type != vex3d::kBitmapRgba) return 0;
  const int w = vex3d::textureSide(image->GetWidth(), maxSize);
  const int h = vex3d::textureSide(image->GetHeight(), maxSize);
  const bool rgba = type == vex3d::kBitmapRgba;
  const GLenum format = rgba ? GL_RGBA : GL_RGB;
  // Texture rows start at t = 0, the bottom of the image.
  std::unique_ptr<Bitmap> flipped = image->Clone();
  flipped->FlipVertical();
  std::vector<std::uint8_t> scaled(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) *
                                   (rgba ? 4u : 3u));
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  const int channels = rgba ? 4 : 3;
  if (!fitsTheScaler(flipped->GetWidth(), flipped->GetHeight(), channels)) {
    // The GL utility library sizes its working copy in a 32-bit count of
    // 16-bit samples, which a very large image (16384 x 16384 RGBA) runs
    // past. Ours takes any size the image reader lets through.
    if (!vex3d::resizePixels(flipped->GetBits(), flipped->GetWidth(), flipped->GetHeight(),
                             flipped->GetStride(), scaled.data(), w, h,
                             static_cast<std::size_t>(w) * static_cast<std::size_t>(channels),
                             channels, vex3d::kResizeArea)) {
      return 0;
    }
  } else if (gluScaleImage(format, flipped->GetWidth(), flipped->GetHeight(), GL_UNSIGNED_BYTE,
                           flipped->GetBits(), w, h, GL_UNSIGNED_BYTE, scaled.data()) != 0) {
    return 0;
  }
  const bool keepAlpha = rgba && GetProfileInt("Render", "alphacut", 0) != 0;
  if (keepAlpha) {
    glTexImage2D(GL_TEXTURE_2D, 0, 4, w, h, 0, format, GL_UNSIGNED_BYTE, scaled.data());
  } else {
    glTexImage2D(GL_TEXTURE_2D, 0, 3, w, h, 0, format, GL_UNSIGNED_BYTE, scaled.data());
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  const GLint filter = (m_settings.viewMode & VIEW_SMOOTH_TEXTURES) ? GL_LINEAR : GL_NEAREST;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  return 1;
}

void C3DView::InitTexture() {
  if (!IsTextureEnabled()) return;
  endBatch();
  C3DMaterial* material = m_element.material;
  InitMaterial(material, 0);
  const GLuint name = m_element.uvFace != nullptr && material != nullptr
                          ? GetTextureName(material->GetMaterialID())
                          : 0;
  if (name != 0) {
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, name);
    m_currentTexture = 1;
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
  } else {
    if (material != nullptr) {
      float diffuse[4];
      material->FloatGetDiffuseColor(diffuse);
      glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    }
    glDisable(GL_TEXTURE_2D);
    m_currentTexture = 0;
  }
  beginBatch();
}

void C3DView::DestroyMapping() {
  if (GetGLContext() != nullptr) {
    glDisable(GL_TEXTURE_2D);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    DeleteGLLists(CALLLIST_TEXTURE, nullptr);
  }
  m_currentTexture = 0;
  m_texturesLoaded = false;
}

bool C3DView::TextureExist() const {
  for (const auto& entry : m_lists) {
    if (entry.first.type == CALLLIST_TEXTURE && entry.first.context == GetGLContext()) return true;
  }
  return false;
}

unsigned int C3DView::GetTextureName(std::uint32_t materialId) const {
  auto found = m_lists.find(ListKey{materialId, GetGLContext(), CALLLIST_TEXTURE});
  return found != m_lists.end() ? found->second : 0;
}
