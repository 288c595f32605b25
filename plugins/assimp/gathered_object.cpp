#include "gathered_object.h"

#include <cstdint>
#include <utility>

#include "hostlib/core/archive.h"
#include "mesh/model/channel.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

namespace vex3d::assimp {

GatheredObject::GatheredObject(std::unique_ptr<MeshGather> gather) : m_gather(std::move(gather)) {
  m_gather->FinishAdding();
  m_gather->Shape(*this);
}

// The order of an object's own storing, field for field, with the lists'
// contents coming from the gather.
void GatheredObject::Serialize(CArchive& ar) {
  if (!ar.IsStoring()) {
    C3DObject::Serialize(ar);
    return;
  }
  ar << GetFlags() << GetOwnSmoothAngle() << GetFaceMode();
  ar << std::uint32_t{1};
  ar.WriteClass(GetFaceList()->GetRuntimeClass());
  m_gather->StoreFaces(ar);
  ar << std::uint32_t{1};
  ar.WriteClass(GetPointList()->GetRuntimeClass());
  m_gather->StorePoints(ar);
  float globalVCValue = 0.0f;
  const std::uint32_t globalVC = GetGlobalVCChannel(globalVCValue);
  ar << GetGlobalUVWChannel() << globalVC << globalVCValue;
  const CDependentChannels& channels = *GetChannels();
  std::uint64_t stored = 0;
  for (int i = 0; i < channels.GetSize(); ++i)
    stored += channels.GetChannelByIndex(i)->CanBeRecomputed() ? 0 : 1;
  ar.WriteCount(stored);
  for (int i = 0; i < channels.GetSize(); ++i) {
    const CChannel& channel = *channels.GetChannelByIndex(i);
    if (channel.CanBeRecomputed()) continue;
    ar.WriteClass(channel.GetRuntimeClass());
    ar << static_cast<std::uint32_t>(channel.GetType()) << channel.GetFlags()
       << channel.GetChannelID();
    const bool faces = channel.GetFaceList() != nullptr;
    ar << static_cast<std::uint32_t>(faces ? 1 : 0);
    if (faces) m_gather->StoreChannelFaces(ar, channel);
    const bool points = channel.GetPointList() != nullptr;
    ar << static_cast<std::uint32_t>(points ? 1 : 0);
    if (points) m_gather->StoreChannelPoints(ar, channel);
  }
  GetCustomData().Serialize(ar);
}

}  // namespace vex3d::assimp
