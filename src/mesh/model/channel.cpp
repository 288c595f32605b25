#include "mesh/model/channel.h"

#include <atomic>

#include "hostlib/core/archive.h"
#include "hostlib/core/exceptions.h"
#include "hostlib/text/strings.h"
#include "mesh/model/face_list.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/point_list.h"
#include "mesh/model/texture_channels.h"

IMPLEMENT_DYNAMIC(CChannel, CObject)

namespace {

std::atomic<std::uint32_t> g_nextChannelId{0};

// Display names of the channel types in the string table.
constexpr unsigned kTypeNameIds[][2] = {
    {CHANNEL_UVW, vex3d::kStrTextureCoordinates},
    {CHANNEL_VC, vex3d::kStrVertexColors},
    {CHANNEL_POINT_NORMAL, vex3d::kStrPointNormals},
    {CHANNEL_FACE_NORMAL, vex3d::kStrFaceNormals},
    {CHANNEL_SPEC_NORMAL, vex3d::kStrSpecifiedNormals},
};

// A list of the same class as `model`, or null when there is no model or
// its class cannot be created by name.
template <class TList>
std::unique_ptr<TList> sameClassAs(const TList* model) {
  if (model == nullptr) return nullptr;
  CObject* made = model->GetRuntimeClass()->CreateObject();
  auto* list = dynamic_cast<TList*>(made);
  if (list == nullptr) delete made;
  return std::unique_ptr<TList>(list);
}

}  // namespace

CChannel::CChannel(_Channel3DType type, std::uint32_t id)
    : m_id(id == vex3d::kNoChannelId ? CreateID() : id), m_type(type) {}

CChannel::~CChannel() = default;

std::unique_ptr<CChannel> CChannel::Create(_Channel3DType type) {
  switch (type) {
    case CHANNEL_UVW:
      return std::make_unique<CUVWChannel>();
    case CHANNEL_VC:
      return std::make_unique<CVCChannel>();
    case CHANNEL_POINT_NORMAL:
      return std::make_unique<CPointNormalChannel>();
    case CHANNEL_FACE_NORMAL:
      return std::make_unique<CFaceNormalChannel>();
    case CHANNEL_SPEC_NORMAL:
      return std::make_unique<CSpecNormalChannel>();
    default:
      return nullptr;
  }
}

std::uint32_t CChannel::CreateID() { return g_nextChannelId.fetch_add(1); }

void CChannel::noteLoadedID(std::uint32_t id) {
  std::uint32_t current = g_nextChannelId.load();
  while (current <= id && !g_nextChannelId.compare_exchange_weak(current, id + 1)) {
  }
}

std::string CChannel::GetTypeString(_Channel3DType type) {
  for (const auto& entry : kTypeNameIds) {
    if (entry[0] == type) return LoadStringW(entry[1]);
  }
  return {};
}

void CChannel::SetPointList(_Channel3DType type, CPointList* points, CFaceList* faces,
                            int deleteOld) {
  m_type = type;
  if (points != m_points.get()) {
    if (!deleteOld) (void)m_points.release();
    m_points.reset(points);
  }
  SetFaceList(type, faces, deleteOld);
}

void CChannel::SetFaceList(_Channel3DType type, CFaceList* faces, int deleteOld) {
  m_type = type;
  if (faces == m_faces.get()) return;
  if (!deleteOld) (void)m_faces.release();
  m_faces.reset(faces);
  DeleteGraph();
}

int CChannel::MatrixTransform(const C4x4Matrix&) { return 0; }

int CChannel::CleanRemoveDuplicateIndex() { return 0; }

int CChannel::CanBeRecomputed() const { return 0; }

std::unique_ptr<CChannel> CChannel::InitFrom(unsigned int mode) const {
  CObject* made = GetRuntimeClass()->CreateObject();
  auto* channel = dynamic_cast<CChannel*>(made);
  if (channel == nullptr) {
    delete made;
    return nullptr;
  }
  if (mode & CHANNEL_COPY_KEEP_ID) channel->m_id = m_id;
  return std::unique_ptr<CChannel>(channel);
}

std::unique_ptr<CChannel> CChannel::Copy(unsigned int mode) const {
  std::unique_ptr<CChannel> copy = InitFrom(mode);
  if (copy) copy->CopyFrom(*this, mode);
  return copy;
}

void CChannel::CopyFrom(const CChannel& other, unsigned int mode) {
  m_type = other.m_type;
  m_flags = other.m_flags;
  m_customData = other.m_customData;
  m_id = (mode & CHANNEL_COPY_KEEP_ID) ? other.m_id : CreateID();
  DeleteGraph();
  if (mode & CHANNEL_COPY_NO_LISTS) return;
  if (other.m_faces == nullptr) {
    m_faces.reset();
  } else {
    if (m_faces == nullptr || m_faces->GetRuntimeClass() != other.m_faces->GetRuntimeClass()) {
      m_faces = sameClassAs<CFaceList>(other.m_faces.get());
    }
    if (m_faces) *m_faces = *other.m_faces;
  }
  if (other.m_points == nullptr) {
    m_points.reset();
  } else {
    if (m_points == nullptr || m_points->GetRuntimeClass() != other.m_points->GetRuntimeClass()) {
      m_points = sameClassAs<CPointList>(other.m_points.get());
    }
    if (m_points) *m_points = *other.m_points;
  }
}

void CChannel::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << static_cast<std::uint32_t>(m_type) << m_flags << m_id;
    ar << static_cast<std::uint32_t>(m_faces ? 1 : 0);
    if (m_faces) m_faces->Serialize(ar);
    ar << static_cast<std::uint32_t>(m_points ? 1 : 0);
    if (m_points) m_points->Serialize(ar);
    return;
  }
  std::uint32_t type = 0;
  std::uint32_t flags = 0;
  std::uint32_t id = 0;
  ar >> type >> flags >> id;
  // The class decides the lists, so a type that is not the class's own
  // would hand typed callers lists of the wrong kind.
  if (type != m_type) {
    AfxThrowArchiveException(CArchiveException::badClass, "channel: type does not match its class");
  }
  DeleteGraph();
  std::uint32_t present = 0;
  ar >> present;
  if (present > 1 || (present == 1 && m_faces == nullptr)) {
    AfxThrowArchiveException(CArchiveException::genericException, "channel: bad face list mark");
  }
  if (present)
    m_faces->Serialize(ar);
  else
    m_faces.reset();
  ar >> present;
  if (present > 1 || (present == 1 && m_points == nullptr)) {
    AfxThrowArchiveException(CArchiveException::genericException, "channel: bad point list mark");
  }
  if (present)
    m_points->Serialize(ar);
  else
    m_points.reset();
  if (m_faces) vex3d::emptyFacesOutOfRange(*m_faces, m_points ? m_points->GetSize() : 0);
  m_flags = flags;
  if (m_flags & CHANNEL_DERIVED) m_flags |= CHANNEL_STALE;
  if (id == vex3d::kNoChannelId) {
    id = CreateID();
  } else {
    noteLoadedID(id);
  }
  m_id = id;
}
