// Texture coordinates computed from a material map's projection, for maps
// that place their image by a shape (plane, cylinder, sphere, box) rather
// than by stored coordinates.
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "material/material.h"
#include "material/material_map.h"
#include "math/matrix4x4.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"
#include "scene/scene.h"

namespace {

constexpr float kTwoPi = 6.283183f;
constexpr float kPi = 3.1415927f;
constexpr float kHalfPi = 1.5707958f;
constexpr std::uint32_t kCoordinatesChanged = UPDATE_MODIFIED | UPDATE_POINT_BOX;

// Angle of (x, y) turned clockwise, in [0, 2 pi).
float angleOf(float y, float x) {
  float a = 0.0f;
  if (x == 0.0f) {
    a = y > 0.0f ? -kHalfPi : (y < 0.0f ? kHalfPi : 0.0f);
  } else {
    a = -std::atan2(y, x);
  }
  if (a < 0.0f) a += kTwoPi;
  if (a >= kTwoPi) a -= kTwoPi;
  return a;
}

float wrap(float x) {
  if (x >= 0.0f && x <= 1.0f) return x;
  const float w = x - std::floor(x);
  return w > 1.0f ? 0.0f : w;
}

// Map space: the map's rotation applied to the offset from its origin.
struct MapFrame {
  C4x4Matrix rotation;
  C3DVector origin;
  explicit MapFrame(const CMaterialMap& map) : rotation(map.GetMatrix()) {
    rotation.GetTranslation(origin);
    rotation.NoTranslation();
  }
  C3DPoint operator()(const C3DPoint& p) const {
    const C4DVector q = rotation.Mult(p.x - origin.x, p.y - origin.y, p.z - origin.z);
    return C3DPoint(q.x, q.y, q.z);
  }
};

CUVWPoint planar(const C3DPoint& mapped, std::uint32_t axis) {
  const float x = mapped.x + 0.5f;
  const float y = mapped.y + 0.5f;
  const float z = mapped.z + 0.5f;
  if (axis == 1) return CUVWPoint(x, -z, 0.0f);
  if (axis == 2) return CUVWPoint(x, -y, 0.0f);
  return CUVWPoint(z, -y, 0.0f);
}

CUVWPoint cylindrical(const C3DPoint& q, std::uint32_t axis, float tu) {
  float a = 0.0f;
  float v = 0.0f;
  if (axis == 1) {
    a = angleOf(-q.x, q.z);
    v = 0.5f - q.y;
  } else if (axis == 2) {
    a = angleOf(-q.x, -q.y);
    v = 0.5f - q.z;
  } else {
    a = angleOf(q.z, -q.y);
    v = 0.5f - q.x;
  }
  float u = 1.0f - a / kTwoPi;
  if (tu != 1.0f) u = wrap(u * tu);
  return CUVWPoint(u, v, 0.0f);
}

CUVWPoint spherical(const C3DPoint& q, std::uint32_t axis, float tu, float tv) {
  float y = 0.0f;
  float h = 0.0f;
  float x = 0.0f;
  if (axis == 1) {
    y = -q.x, h = q.y, x = q.z;
  } else if (axis == 2) {
    y = -q.x, h = q.z, x = -q.y;
  } else {
    y = q.z, h = q.x, x = -q.y;
  }
  const float a = angleOf(y, x);
  const float radius = std::sqrt(y * y + x * x);
  const float b =
      radius == 0.0f ? (h > 0.0f ? kHalfPi : (h < 0.0f ? -kHalfPi : 0.0f)) : std::atan(h / radius);
  float u = 1.0f - a / kTwoPi;
  float v = 0.5f - b / kPi;
  if (tu != 1.0f) u = wrap(u * tu);
  if (tv != 1.0f) v = wrap(v * tv);
  return CUVWPoint(u, v, 0.0f);
}

// The planar axis a face of this normal is seen along.
std::uint32_t boxAxis(const C3DVector& n) {
  const float x = std::fabs(n.x);
  const float y = std::fabs(n.y);
  const float z = std::fabs(n.z);
  if (y > x) return y > z ? 1 : 2;
  return x > z ? 0 : 2;
}

// One texture point per (mesh point, box side) pair in use.
void fillBox(C3DBaseObject& object, const MapFrame& frame, CUVWPointList& uv, CFaceList& faces) {
  const C3DPointList& points = *object.GetPointList();
  const C3DFaceList& meshFaces = *object.GetFaceList();
  CGeomInfo geom(&object);
  std::vector<std::array<int, 3>> made(static_cast<std::size_t>(points.GetSize()), {-1, -1, -1});
  faces.SetSize(meshFaces);
  for (int f = 0; f < meshFaces.GetSize(); ++f) {
    const C3DFace* face = meshFaces.ElementAt(f);
    C3DVector normal;
    face->GetNormal(geom, normal);
    const std::uint32_t axis = boxAxis(normal);
    CFace* target = faces.ElementAt(f);
    target->SetFlags(face->GetFlags() & (FACE_INVALID | FACE_CHANNEL_INVALID), 1);
    for (std::uint32_t k = 0; k < face->GetSize(); ++k) {
      const int p = (*face)[k];
      if (p < 0 || p >= points.GetSize()) {
        (*target)[k] = 0;
        continue;
      }
      int& slot = made[static_cast<std::size_t>(p)][axis];
      if (slot < 0) slot = uv.Add(planar(frame(points.ElementAt(p)), axis));
      (*target)[k] = slot;
    }
  }
  uv.FreeExtra();
}

}  // namespace

std::uint32_t C3DBaseObject::CreateUVWChannel(CMaterialMap* map) {
  if (map == nullptr || (m_kind & (OBJECT_POLYGONAL | OBJECT_PATCH)) == 0 || !m_points ||
      !m_faces) {
    return 0;
  }
  if (CChannel* existing = m_channels->GetChannelByID(map->GetChannelID(), CHANNEL_UVW)) {
    return existing->GetChannelID();
  }
  const MapProjection projection = map->GetProjection();
  if (projection < PROJECTION_PLANAR || projection > PROJECTION_BOX) return 0;

  // The map names the channel every object using it is drawn with; taking
  // that id (when this object has no channel of it) keeps the objects that
  // share the material in step, where a fresh id would leave the others
  // pointing at a channel they do not hold.
  const std::uint32_t named = map->GetChannelID();
  auto channel = std::make_unique<CUVWChannel>(
      m_channels->GetChannelByID(named) == nullptr ? named : vex3d::kNoChannelId);
  channel->SetFlag(CHANNEL_COMPUTED, 1);
  CUVWPointList& uv = *channel->GetUVWPointList();
  CFaceList& faces = *channel->GetFaceList();
  const MapFrame frame(*map);
  const std::uint32_t axis = map->GetAxis();
  C3DVector tile;
  map->GetTile(tile);
  if (projection == PROJECTION_BOX) {
    fillBox(*this, frame, uv, faces);
  } else {
    const int n = m_points->GetSize();
    uv.SetSize(n);
    for (int p = 0; p < n; ++p) {
      const C3DPoint q = frame(m_points->ElementAt(p));
      CUVWPoint& t = uv.ElementAt(p);
      if (projection == PROJECTION_PLANAR) {
        t = planar(q, axis);
      } else if (projection == PROJECTION_CYLINDRICAL) {
        t = cylindrical(q, axis, tile.x);
      } else {
        t = spherical(q, axis, tile.x, tile.y);
      }
    }
    faces = *m_faces;
  }
  const std::uint32_t id = channel->GetChannelID();
  m_channels->AddChannel(channel.release());
  map->SetChannelID(id);
  m_update |= kCoordinatesChanged;
  return id;
}

int C3DBaseObject::GenerateUVW(C3DScene* scene, int keep) {
  if (scene == nullptr) return 0;
  const CHashTable<unsigned int>* used = GetMaterialsHash();
  if (used == nullptr) return 0;
  // The hash may be rebuilt by what follows: walk a copy of its ids.
  std::vector<unsigned int> ids(used->begin(), used->end());
  int kept = 0;
  for (unsigned int id : ids) {
    C3DMaterial* material = scene->GetMaterial(id);
    CMaterialMap* map = material != nullptr ? material->GetDiffuseMaps() : nullptr;
    if (map == nullptr || map->GetProjection() <= PROJECTION_EXPLICIT) continue;
    // Channel ids count from 0, so the map's own id tells whether a
    // channel was made, not the returned value.
    CreateUVWChannel(map);
    CChannel* channel = m_channels->GetChannelByID(map->GetChannelID(), CHANNEL_UVW);
    if (channel == nullptr) continue;
    if (keep) {
      channel->SetFlag(CHANNEL_COMPUTED, 0);
      map->SetProjection(PROJECTION_EXPLICIT);
      kept = 1;
    }
    m_update |= kCoordinatesChanged;
  }
  return kept;
}

void C3DBaseObject::Update(C3DScene* scene, unsigned int /*what*/) {
  // Whatever sets the bit has dropped the computed channels too, so the
  // coordinates are made afresh from the maps as they are now.
  if (scene == nullptr || !IsInvalidate(UPDATE_UVW)) return;
  GenerateUVW(scene, 0);
  m_update &= ~static_cast<std::uint32_t>(UPDATE_UVW);
}
