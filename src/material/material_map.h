#pragma once
// One texture map of a material: the image file that colours one component,
// an optional image that supplies its alpha, how its texture coordinates are
// found, and the decoded image, loaded the first time the renderer asks.
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "math/matrix4x4.h"
#include "math/point3d.h"
#include "vex3d_export.h"

class Bitmap;
class CArchive;
class CEmbeddedImage;
class CLayerBitmap;

enum MapType : std::uint32_t {
  MAP_TYPE_NONE = 0,
  MAP_DIFFUSE = 1,
  MAP_AMBIENT = 2,
  MAP_SPECULAR = 3,
  MAP_TRANSPARENCY = 4,
};

// 0 and 1 generate no coordinates; the others are built by the object's
// texture-coordinate generation.
enum MapProjection : std::uint32_t {
  PROJECTION_NONE = 0,
  PROJECTION_EXPLICIT = 1,
  PROJECTION_PLANAR = 2,
  PROJECTION_CYLINDRICAL = 3,
  PROJECTION_SPHERICAL = 4,
  PROJECTION_BOX = 5,
};

enum MapAxis : std::uint32_t {
  MAP_AXIS_DEFAULT = 0,
  MAP_AXIS_1 = 1,
  MAP_AXIS_2 = 2,
};

// Bits belong to the format readers and writers; nothing here reads them.
using MAP_PROPERTIES = std::uint32_t;

// The size of image the renderer wants; 0xFFFFFFFF on either side leaves
// the image at its own size.
struct CSize {
  CSize() = default;
  CSize(std::uint32_t width, std::uint32_t height) : cx(width), cy(height) {}
  std::uint32_t cx = 0xFFFFFFFFu;
  std::uint32_t cy = 0xFFFFFFFFu;
};

namespace vex3d {

// Load states of a map.
enum : std::uint32_t {
  kMapNotLoaded = 0,
  kMapLoaded = 1,
  kMapNoColourLayer = 2,
  kMapNotFound = 3,
};

// The folders searched for texture files, in order. The 3D preferences
// install their list here at module start; without a provider no texture
// folder is searched.
using TexturePathsProvider = std::function<std::vector<std::string>()>;
VEX3D_EXPORT void setTexturePathsProvider(TexturePathsProvider provider);
VEX3D_EXPORT std::vector<std::string> texturePaths();

// The search for an image file named in a 3D file, independent of the file
// system: `probe` answers whether a candidate opens for reading, and the
// first candidate it accepts is returned. Candidates are built as text, with
// the separators of their parts; folders are expected to end with a
// separator. Empty when nothing was accepted.
VEX3D_EXPORT std::string searchTextureCandidates(
    const std::string& name, const std::string& sceneFolder,
    const std::vector<std::string>& textureDirs,
    const std::function<bool(const std::string&)>& probe);

// Removes "." and ".." steps, reading both '/' and '\' as separators and
// writing the first separator of `path` ('/' when it has none). False, with
// `out` untouched, for an empty path or ".." above the root of an absolute
// one.
VEX3D_EXPORT bool canonicalizePath(const std::string& path, std::string& out);

// The entry of `folder` whose name equals `fileName` ignoring ASCII case,
// joined to `folder`; empty when there is none or the folder is unreadable.
// The folder with a final separator ('/' added unless it ends with one).
VEX3D_EXPORT std::string withFinalSeparator(const std::string& folder);
VEX3D_EXPORT std::string findFileIgnoringCase(const std::string& folder,
                                              const std::string& fileName);

}  // namespace vex3d

class VEX3D_EXPORT CMaterialMap {
 public:
  CMaterialMap();
  CMaterialMap(const CMaterialMap& other);
  ~CMaterialMap();

  // A new map for `fileName` (the "Unnamed material" text when empty).
  static std::unique_ptr<CMaterialMap> Create(const std::string& fileName, std::uint32_t channelId,
                                              MapType type, MapProjection projection);

  // Copies everything but the bitmap (the embedded image is shared), which
  // is dropped so that it loads again; the load state only carries over when it says the file held
  // no usable image.
  CMaterialMap& operator=(const CMaterialMap& other);
  // Bitmap and load state are not compared; names compare case-sensitively,
  // embedded images by their bytes.
  bool operator==(const CMaterialMap& other) const;

  void SetFlag(MAP_PROPERTIES flag, int on);
  bool IsFlagSet(MAP_PROPERTIES flag) const;
  std::uint32_t GetFlags() const { return m_flags; }

  void GetFileName(std::string& name) const { name = m_fileName; }
  void GetAlphaFileName(std::string& name) const { name = m_alphaFileName; }
  const std::string& GetFileName() const { return m_fileName; }
  const std::string& GetAlphaFileName() const { return m_alphaFileName; }

  // The name is stored relative to `sceneFolder` when one is given, so that
  // moving the scene with its textures keeps them found. A real change drops
  // the bitmap and returns to "not loaded".
  void SetFileName(const std::string& name, const std::string& sceneFolder = {});
  void SetAlphaFileName(const std::string& name, const std::string& sceneFolder = {});
  void SetFileName(const std::string& name, std::nullptr_t) { SetFileName(name); }
  void SetAlphaFileName(const std::string& name, std::nullptr_t) { SetAlphaFileName(name); }
  // Any scene that tells the folder of its file (GetFilepath); null means
  // no scene.
  template <class Scene>
  requires requires(const Scene& s) {
    { s.GetFilepath() } -> std::convertible_to<std::string>;
  }
  void SetFileName(const std::string& name, const Scene* scene) {
    SetFileName(name, scene != nullptr ? std::string(scene->GetFilepath()) : std::string());
  }
  template <class Scene>
  requires requires(const Scene& s) {
    { s.GetFilepath() } -> std::convertible_to<std::string>;
  }
  void SetAlphaFileName(const std::string& name, const Scene* scene) {
    SetAlphaFileName(name, scene != nullptr ? std::string(scene->GetFilepath()) : std::string());
  }

  void GetMatrix(C4x4Matrix& m) const { m = m_matrix; }
  const C4x4Matrix& GetMatrix() const { return m_matrix; }
  void SetMatrix(const C4x4Matrix& m) { m_matrix = m; }
  void InitMatrix() { m_matrix.Init(); }
  const float* GetMatrixValues() const { return m_matrix; }
  // Scale and rotation multiply the current matrix; translation only sets
  // its translation elements.
  void SetScale(const C3DVector& v) { m_matrix.Scale(v); }
  void GetScale(C3DVector& v) const { m_matrix.GetScale(v); }
  void SetTranslation(const C3DVector& v) { m_matrix.InitTranslation(v); }
  void GetTranslation(C3DVector& v) const { m_matrix.GetTranslation(v); }
  // v holds heading, pitch and bank.
  void SetRotation(const C3DVector& v) { m_matrix.SetHPBAngles(v.x, v.y, v.z); }
  void GetRotation(C3DVector& v) const;

  void SetTile(const C3DVector& v) { m_tile = v; }
  void GetTile(C3DVector& v) const { v = m_tile; }

  void SetChannelID(std::uint32_t id) { m_channelId = id; }
  std::uint32_t GetChannelID() const { return m_channelId; }
  void SetType(MapType type) { m_type = type; }
  MapType GetType() const { return m_type; }
  void SetProjection(MapProjection projection) { m_projection = projection; }
  MapProjection GetProjection() const { return m_projection; }
  void SetAxis(MapAxis axis) { m_axis = axis; }
  MapAxis GetAxis() const { return m_axis; }

  std::uint32_t GetLoadState() const { return m_loadState; }

  // The picture the 3D file carried inside itself, which then stands for
  // the image file: the name stays what the file called it, and nothing is
  // searched on disk. Setting one (or none) drops the bitmap and returns to
  // "not loaded".
  void SetEmbeddedImage(std::shared_ptr<const CEmbeddedImage> image);
  const std::shared_ptr<const CEmbeddedImage>& GetEmbeddedImage() const { return m_embedded; }
  // Decodes the embedded image into the map's bitmap now; false, with
  // `error` set and the state "not found", when there is none or it does
  // not decode.
  bool LoadEmbeddedImage(std::string& error);
  // Forgets an embedded image that turned out unusable: the map keeps its
  // name but no image, and is not searched for on disk.
  void DropEmbeddedImage();

  // Loads the image on first call (only while the state is "not loaded"),
  // from the embedded image when there is one, and returns it; the map
  // keeps ownership.
  Bitmap* GetBitmap(const std::string& sceneFolder, CSize size);
  // Whether the loaded image carries alpha; false without one.
  bool HasAlpha() const;

  // Replaces the bitmap with the image of `name` joined with the alpha of
  // `alphaName` (when not empty); the file name fields take the paths where
  // the files were found. True when a bitmap was made.
  bool LoadBitmapW(const std::string& name, const std::string& alphaName,
                   const std::string& sceneFolder, CSize size);
  // The image `name` as read from the file, found from `sceneFolder`; the
  // path where it was found goes to `foundPath`. Null when the name is not
  // an image file, is not found or does not read. The caller owns the result.
  static std::unique_ptr<CLayerBitmap> ReadBitmap(const std::string& name, std::string& foundPath,
                                                  const std::string& sceneFolder, CSize size);
  // Looks for the file named `name` from `sceneFolder` and the texture
  // folders; `foundPath` is written only on success.
  static bool FindBitmap(const std::string& name, std::string& foundPath,
                         const std::string& sceneFolder);
  static bool FindBitmap(const std::string& name, std::string& foundPath,
                         const std::string& sceneFolder,
                         const std::vector<std::string>& textureDirs);

  void Serialize(CArchive& ar);

 private:
  void DeleteBitmap();
  // The map's bitmap from a decoded image's layers; false when it holds no
  // usable colour.
  bool TakeColourOnly(CLayerBitmap& image);
  void StoreName(std::string& field, const std::string& name, const std::string& sceneFolder);

  std::string m_fileName;
  std::string m_alphaFileName;
  std::uint32_t m_channelId = 0xFFFFFFFFu;
  MapType m_type = MAP_TYPE_NONE;
  MapProjection m_projection = PROJECTION_NONE;
  MapAxis m_axis = MAP_AXIS_DEFAULT;
  std::unique_ptr<Bitmap> m_bitmap;
  std::uint32_t m_flags = 0;
  C4x4Matrix m_matrix;
  C3DVector m_tile{1.0f, 1.0f, 1.0f};
  std::uint32_t m_loadState = vex3d::kMapNotLoaded;
  std::shared_ptr<const CEmbeddedImage> m_embedded;
};
