#include "mesh/model/texture_channels.h"

IMPLEMENT_SERIAL(CUVWChannel, CChannel, 1)
IMPLEMENT_SERIAL(CVCChannel, CChannel, 1)

CUVWChannel::CUVWChannel(std::uint32_t id) : CChannel(CHANNEL_UVW, id) {
  SetPointList(CHANNEL_UVW, new CUVWPointList, new CUVWFaceList, 1);
}

CUVWPointList* CUVWChannel::GetUVWPointList() const {
  return dynamic_cast<CUVWPointList*>(GetPointList());
}

CUVWFaceList* CUVWChannel::GetUVWFaceList() const {
  return dynamic_cast<CUVWFaceList*>(GetFaceList());
}

CVCChannel::CVCChannel(std::uint32_t id) : CChannel(CHANNEL_VC, id) {
  SetPointList(CHANNEL_VC, new CVCPointList, new CVCFaceList, 1);
}

CVCPointList* CVCChannel::GetVCPointList() const {
  return dynamic_cast<CVCPointList*>(GetPointList());
}

CVCFaceList* CVCChannel::GetVCFaceList() const { return dynamic_cast<CVCFaceList*>(GetFaceList()); }
