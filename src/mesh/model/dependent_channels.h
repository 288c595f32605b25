#pragma once
// CDependentChannels: the channels of one object, in insertion order. The
// position in the set is a channel's absolute index; its per-type index is
// its rank among the channels of its type.
#include <cstdint>

#include "hostlib/containers/array_id.h"
#include "mesh/model/channel.h"

class C4x4Matrix;
class C3DVectorList;
class CFaceNormalChannel;
class CNormalFaceList;
class CPointNormalChannel;
class CSpecNormalChannel;
class CArchive;
class CUVWChannel;
class CVCChannel;
class CUVWFaceList;
class CUVWPointList;
class CVCFaceList;
class CVCPointList;

class VEX3D_EXPORT CDependentChannels {
 public:
  CDependentChannels() = default;
  ~CDependentChannels();
  CDependentChannels(const CDependentChannels&) = delete;
  // Every channel goes, then a Copy(CHANNEL_COPY_KEEP_ID) of each of the
  // other's is appended.
  CDependentChannels& operator=(const CDependentChannels& other);

  // Takes ownership; returns the absolute index.
  int AddChannel(CChannel* channel);

  int GetSize() const { return m_channels.GetSize(); }
  // Out of range raises the invalid-argument exception.
  CChannel* GetChannelByIndex(int i) const;
  CChannel* GetChannelByIndex(int i, CFaceList*& faces, CPointList*& points) const;
  // 0 when out of range.
  std::uint32_t GetChannelType(int i) const;
  // The typeIndex-th channel whose type is in `typeMask`; null when there
  // are not that many.
  CChannel* GetChannelByIndex(int typeIndex, unsigned int typeMask, int validOnly) const;

  CChannel* GetChannelByID(std::uint32_t id) const;
  // Null when the channel with the id is of another type.
  CChannel* GetChannelByID(std::uint32_t id, _Channel3DType type) const;
  CChannel* GetChannelByID(std::uint32_t id, CFaceList*& faces, CPointList*& points) const;
  // Per-type index of the channel with the id, or 0xFFFFFFFF.
  std::uint32_t GetChannelIndex(std::uint32_t id, int validOnly) const;

  int GetChannelsNumber(unsigned int typeMask, int validOnly) const;
  // Absolute indices of the matching channels; returns how many.
  int GetChannels(unsigned int typeMask, CIntArrayID& out, int validOnly) const;

  CUVWChannel* GetUVWChannelByID(std::uint32_t id, CUVWFaceList** faces = nullptr,
                                 CUVWPointList** points = nullptr) const;
  CUVWChannel* GetUVWChannelByIndex(int typeIndex, int validOnly, CUVWFaceList** faces = nullptr,
                                    CUVWPointList** points = nullptr) const;
  CVCChannel* GetVCChannelByID(std::uint32_t id, CVCFaceList** faces = nullptr,
                               CVCPointList** points = nullptr) const;
  CVCChannel* GetVCChannelByIndex(int typeIndex, int validOnly, CVCFaceList** faces = nullptr,
                                  CVCPointList** points = nullptr) const;

  // The first valid channel of the kind, created and appended (with a new
  // id) when there is none.
  CPointNormalChannel* GetPointNormalChannel();
  CFaceNormalChannel* GetFaceNormalChannel();
  // The first valid specified-normal channel, or null.
  CSpecNormalChannel* GetSpecNormalChannel() const;
  CSpecNormalChannel* GetSpecNormalChannel(CNormalFaceList*& faces, C3DVectorList*& vectors) const;

  // Without CHANNEL_COPY_APPEND the current channels go first. Channels of
  // `from` in `typeMask` are appended, except invalid ones (SKIP_INVALID)
  // and computed and point/face-normal ones (SKIP_COMPUTED). With MOVE the
  // objects themselves are appended and the caller must detach them from
  // `from`; otherwise each is copied with Copy(mode). Returns how many.
  int CopyChannels(const CDependentChannels& from, unsigned int typeMask, unsigned int mode);

  // Deletes the channels of the types whose IsFlagSet(flag) equals `value`
  // (any flag state when `flag` is 0); returns how many.
  int RemoveChannels(unsigned int typeMask, std::uint32_t flag, int value);
  // 1 when the channel was in the set (and is now deleted), else 0.
  int RemoveChannel(CChannel* channel);
  int RemoveChannelByID(std::uint32_t id);
  // Out of range raises the invalid-argument exception.
  void RemoveChannelByIndex(int i);
  // Empties the set without deleting the channels (their owner is elsewhere).
  void DetachAll();
  void RemoveAll();

  // Nothing for a near-identity matrix; otherwise each matching channel's
  // MatrixTransform, the results ORed.
  int MatrixTransform(const C4x4Matrix& m, unsigned int typeMask);
  void Invalidate(unsigned int typeMask);
  // Every channel's Clean; returns how many no longer match the mesh.
  int CleanChannels(CGeomInfo* geom, CIntMap* faceRemap, CIntMap* pointRemap);

  // The channels that cannot be recomputed: count, then each one's class
  // record and data. Loading replaces the whole set; on an archive error
  // the set is left empty.
  void Serialize(CArchive& ar);

 private:
  CArrayID<CChannel*, CChannel*> m_channels;
};
