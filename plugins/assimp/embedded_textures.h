#pragma once
// The pictures the library found inside a file, as the module's embedded
// images, and back.
#include <memory>
#include <string>
#include <vector>

struct aiScene;
struct aiTexture;
class CEmbeddedImage;
class C3DScene;

namespace vex3d::assimp {

// The image file's bytes of an embedded texture: as stored when the file
// kept a compressed image, encoded as PNG when the library gives raw
// texels. Null, with `error` set, for a texture that holds nothing usable;
// the bytes are not decoded here (the worker's caller checks them).
std::shared_ptr<const CEmbeddedImage> embeddedImageOf(const aiTexture& texture, std::string& error);

// The library's textures for every distinct embedded image of `scene`, in
// the order `referenceOf` numbers them, so that a map holding an image is
// written as the reference "*index".
class EmbeddedTextures {
 public:
  explicit EmbeddedTextures(const C3DScene& scene);
  ~EmbeddedTextures();
  EmbeddedTextures(const EmbeddedTextures&) = delete;
  EmbeddedTextures& operator=(const EmbeddedTextures&) = delete;

  // "*index" for an image of the scene, empty for another.
  std::string referenceOf(const CEmbeddedImage* image) const;
  // Hands the textures over to `out` (which then owns them).
  void moveInto(aiScene& out);

 private:
  std::vector<const CEmbeddedImage*> m_images;
  std::vector<std::string> m_names;
  std::vector<aiTexture*> m_textures;
};

}  // namespace vex3d::assimp
