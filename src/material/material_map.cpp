#include "material/material_map.h"

#include <mutex>
#include <utility>

#include "hostlib/core/archive.h"
#include "hostlib/core/flag_word.h"
#include "hostlib/files/file_class.h"
#include "hostlib/files/file_info.h"
#include "hostlib/files/file_utils.h"
#include "hostlib/images/bitmap.h"
#include "hostlib/images/image_bytes.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/layer_bitmap.h"
#include "hostlib/text/strings.h"
#include "material/embedded_image.h"

namespace {

// Raster, layered and high dynamic range images.
constexpr std::uint32_t kImageKinds = 0x13000;
// C2DIo flags of a texture read: the file is read whole and quietly.
constexpr std::uint32_t kTextureReadFlags = 3;

std::mutex g_providerMutex;
vex3d::TexturePathsProvider g_texturePathsProvider;

}  // namespace

void vex3d::setTexturePathsProvider(TexturePathsProvider provider) {
  const std::lock_guard lock(g_providerMutex);
  g_texturePathsProvider = std::move(provider);
}

std::vector<std::string> vex3d::texturePaths() {
  TexturePathsProvider provider;
  {
    const std::lock_guard lock(g_providerMutex);
    provider = g_texturePathsProvider;
  }
  return provider ? provider() : std::vector<std::string>();
}

CMaterialMap::CMaterialMap() = default;

CMaterialMap::CMaterialMap(const CMaterialMap& other) { *this = other; }

CMaterialMap::~CMaterialMap() = default;

std::unique_ptr<CMaterialMap> CMaterialMap::Create(const std::string& fileName,
                                                   std::uint32_t channelId, MapType type,
                                                   MapProjection projection) {
  auto map = std::make_unique<CMaterialMap>();
  map->m_fileName = fileName.empty() ? LoadStringW(vex3d::kStrUnnamedMaterial) : fileName;
  map->m_channelId = channelId;
  map->m_type = type;
  map->m_projection = projection;
  return map;
}

CMaterialMap& CMaterialMap::operator=(const CMaterialMap& other) {
  if (this == &other) return *this;
  m_fileName = other.m_fileName;
  m_alphaFileName = other.m_alphaFileName;
  m_type = other.m_type;
  m_projection = other.m_projection;
  m_axis = other.m_axis;
  m_matrix = other.m_matrix;
  m_tile = other.m_tile;
  m_flags = other.m_flags;
  m_channelId = other.m_channelId;
  m_embedded = other.m_embedded;
  // A file known to hold no usable image stays known as such; anything else
  // is loaded again on demand.
  m_loadState = other.m_loadState == vex3d::kMapNoColourLayer ? vex3d::kMapNoColourLayer
                                                              : vex3d::kMapNotLoaded;
  DeleteBitmap();
  return *this;
}

bool CMaterialMap::operator==(const CMaterialMap& other) const {
  return m_type == other.m_type && m_axis == other.m_axis && m_projection == other.m_projection &&
         m_channelId == other.m_channelId && m_fileName == other.m_fileName &&
         m_alphaFileName == other.m_alphaFileName && m_flags == other.m_flags &&
         m_tile == other.m_tile && m_matrix == other.m_matrix &&
         (m_embedded == other.m_embedded || (m_embedded != nullptr && other.m_embedded != nullptr &&
                                             *m_embedded == *other.m_embedded));
}

void CMaterialMap::SetFlag(MAP_PROPERTIES flag, int on) { vex3d::setFlagBits(m_flags, flag, on); }

bool CMaterialMap::IsFlagSet(MAP_PROPERTIES flag) const {
  return vex3d::allFlagBitsSet(m_flags, flag);
}

void CMaterialMap::StoreName(std::string& field, const std::string& name,
                             const std::string& sceneFolder) {
  const std::string value = sceneFolder.empty() ? name : fileMakeRelativePath(name, sceneFolder);
  if (field == value) return;
  field = value;
  DeleteBitmap();
  m_loadState = vex3d::kMapNotLoaded;
}

void CMaterialMap::SetFileName(const std::string& name, const std::string& sceneFolder) {
  StoreName(m_fileName, name, sceneFolder);
}

void CMaterialMap::SetAlphaFileName(const std::string& name, const std::string& sceneFolder) {
  StoreName(m_alphaFileName, name, sceneFolder);
}

void CMaterialMap::GetRotation(C3DVector& v) const {
  float h = 0.0f;
  float p = 0.0f;
  float b = 0.0f;
  m_matrix.GetHPBAngles(h, p, b);
  v.x = h;
  v.y = p;
  v.z = b;
}

void CMaterialMap::DeleteBitmap() { m_bitmap.reset(); }

Bitmap* CMaterialMap::GetBitmap(const std::string& sceneFolder, CSize size) {
  if (m_loadState == vex3d::kMapNotLoaded) {
    // Copies: loading rewrites the name fields with the paths found.
    const std::string name = m_fileName;
    const std::string alphaName = m_alphaFileName;
    std::string ignored;
    if (m_embedded != nullptr)
      LoadEmbeddedImage(ignored);
    else
      LoadBitmapW(name, alphaName, sceneFolder, size);
  }
  return m_bitmap.get();
}

bool CMaterialMap::HasAlpha() const {
  return m_bitmap != nullptr && m_bitmap->GetType() != vex3d::kBitmapRgb;
}

std::unique_ptr<CLayerBitmap> CMaterialMap::ReadBitmap(const std::string& name,
                                                       std::string& foundPath,
                                                       const std::string& sceneFolder, CSize size) {
  if ((fileGetKindOf(name) & kImageKinds) == 0) return nullptr;
  if (!FindBitmap(name, foundPath, sceneFolder)) return nullptr;
  const vex3d::CurrentDirectoryScope scope(sceneFolder.empty() ? std::string(".")
                                                               : CFileInfo::ToPosix(sceneFolder));
  C2DIo io(CFileInfo::ToPosix(foundPath), kTextureReadFlags, nullptr);
  if (io.PrepareReading() != 1) return nullptr;
  if (size.cx != 0xFFFFFFFFu && size.cy != 0xFFFFFFFFu) io.SetNeededBitmapSize(size.cx, size.cy);
  return std::unique_ptr<CLayerBitmap>(io.Read(0));
}

bool CMaterialMap::LoadBitmapW(const std::string& name, const std::string& alphaName,
                               const std::string& sceneFolder, CSize size) {
  DeleteBitmap();
  std::unique_ptr<CLayerBitmap> image = ReadBitmap(name, m_fileName, sceneFolder, size);
  if (image == nullptr) {
    m_loadState = vex3d::kMapNotFound;
    return false;
  }
  m_loadState = vex3d::kMapNoColourLayer;
  std::unique_ptr<CLayerBitmap> alphaImage;
  if (!alphaName.empty()) alphaImage = ReadBitmap(alphaName, m_alphaFileName, sceneFolder, size);

  std::unique_ptr<Bitmap> colour(image->GetRGBABitmap(true));
  if (colour == nullptr) colour.reset(image->DetachLayerByType(vex3d::kBitmapRgb));
  if (colour == nullptr) colour.reset(image->DetachLayerByType(vex3d::kBitmapAnyType));
  if (colour == nullptr) return false;

  std::unique_ptr<Bitmap> alpha;
  if (alphaImage != nullptr) {
    alpha.reset(alphaImage->DetachLayerByType(vex3d::kBitmapAlpha));
    if (alpha == nullptr) alpha.reset(alphaImage->DetachLayerByType(vex3d::kBitmapAnyType));
  }

  if (alpha == nullptr) {
    const int baseClass = colour->GetBaseClass();
    if (baseClass == 1 || baseClass == 2)
      m_bitmap = std::move(colour);
    else
      m_bitmap.reset(colour->ConvertToType(vex3d::kBitmapRgb));
  } else {
    const std::unique_ptr<Bitmap> rgb(colour->ConvertToType(vex3d::kBitmapRgb));
    const std::unique_ptr<Bitmap> grey(alpha->ConvertToType(vex3d::kBitmapGray));
    if (rgb != nullptr && grey != nullptr)
      m_bitmap.reset(rgbaBitmap::CreateRGBABitmap(*rgb, *grey));
  }
  // A conversion that gave nothing (an empty image) leaves the file known as
  // holding no usable colour.
  if (m_bitmap == nullptr) return false;
  m_loadState = vex3d::kMapLoaded;
  return true;
}

void CMaterialMap::SetEmbeddedImage(std::shared_ptr<const CEmbeddedImage> image) {
  m_embedded = std::move(image);
  DeleteBitmap();
  m_loadState = vex3d::kMapNotLoaded;
}

void CMaterialMap::DropEmbeddedImage() {
  m_embedded.reset();
  DeleteBitmap();
  m_loadState = vex3d::kMapNotFound;
}

bool CMaterialMap::TakeColourOnly(CLayerBitmap& image) {
  std::unique_ptr<Bitmap> colour(image.GetRGBABitmap(true));
  if (colour == nullptr) colour.reset(image.DetachLayerByType(vex3d::kBitmapRgb));
  if (colour == nullptr) colour.reset(image.DetachLayerByType(vex3d::kBitmapAnyType));
  if (colour == nullptr) return false;
  const int baseClass = colour->GetBaseClass();
  if (baseClass == 1 || baseClass == 2)
    m_bitmap = std::move(colour);
  else
    m_bitmap.reset(colour->ConvertToType(vex3d::kBitmapRgb));
  return m_bitmap != nullptr;
}

bool CMaterialMap::LoadEmbeddedImage(std::string& error) {
  DeleteBitmap();
  m_loadState = vex3d::kMapNotFound;
  if (m_embedded == nullptr) {
    error = "no embedded image";
    return false;
  }
  std::unique_ptr<CLayerBitmap> image = vex3d::decodeImageBytes(m_embedded->GetBytes(), error);
  if (image == nullptr) return false;
  m_loadState = vex3d::kMapNoColourLayer;
  if (!TakeColourOnly(*image)) {
    error = "the image holds no colour";
    return false;
  }
  m_loadState = vex3d::kMapLoaded;
  return true;
}

bool CMaterialMap::FindBitmap(const std::string& name, std::string& foundPath,
                              const std::string& sceneFolder) {
  return FindBitmap(name, foundPath, sceneFolder, vex3d::texturePaths());
}

void CMaterialMap::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_fileName << static_cast<std::uint32_t>(m_type)
       << static_cast<std::uint32_t>(m_projection) << static_cast<std::uint32_t>(m_axis);
    m_matrix.Serialize(ar);
    m_tile.Serialize(ar);
    ar << m_loadState << m_channelId;
    return;
  }
  std::string fileName;
  std::uint32_t type = 0;
  std::uint32_t projection = 0;
  std::uint32_t axis = 0;
  ar >> fileName >> type >> projection >> axis;
  C4x4Matrix matrix;
  matrix.Serialize(ar);
  C3DVector tile;
  tile.Serialize(ar);
  std::uint32_t loadState = 0;
  std::uint32_t channelId = 0;
  ar >> loadState >> channelId;
  // Fields change only once the whole record was read.
  DeleteBitmap();
  m_fileName = std::move(fileName);
  m_type = static_cast<MapType>(type);
  m_projection = static_cast<MapProjection>(projection);
  m_axis = static_cast<MapAxis>(axis);
  m_matrix = matrix;
  m_tile = tile;
  m_loadState = loadState;
  m_channelId = channelId;
}
