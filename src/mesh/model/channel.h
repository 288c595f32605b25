#pragma once
// CChannel: an attribute layer over a mesh (texture coordinates, vertex
// colours, normals). It owns a point list of values and, for per-corner
// data, a face list shaped like the mesh's: corner k of channel face i
// carries the value of corner k of mesh face i, so one mesh point can have
// different values in different faces. Without a face list, channel point i
// belongs to mesh point i.
#include <cstdint>
#include <memory>
#include <string>

#include "hostlib/containers/simple_collection.h"
#include "hostlib/core/custom_data.h"
#include "hostlib/core/flag_word.h"
#include "hostlib/core/object.h"
#include "vex3d_export.h"

class C4x4Matrix;
class CFaceList;
class CGeomInfo;
class CIntMap;
class CPointList;

// One bit per type; sets of types travel as masks.
enum _Channel3DType : std::uint32_t {
  CHANNEL_UVW = 0x01,
  CHANNEL_VC = 0x02,
  CHANNEL_POINT_NORMAL = 0x04,
  CHANNEL_FACE_NORMAL = 0x08,
  CHANNEL_SPEC_NORMAL = 0x10,
};

namespace vex3d {
constexpr std::uint32_t kAllChannelTypes = 0xFFFF;
constexpr std::uint32_t kNoChannelId = 0xFFFFFFFF;
}  // namespace vex3d

enum _CHANNEL_PROPERTIES : std::uint32_t {
  CHANNEL_INVALID = 0x01,        // out of step with the mesh; valid-only queries skip it
  CHANNEL_DERIVED = 0x02,        // values derived from the geometry
  CHANNEL_STALE = 0x04,          // values must be recomputed before use
  CHANNEL_COMPUTED = 0x08,       // dropped whenever the geometry changes
  CHANNEL_MASKED_POINTS = 0x10,  // corners on points with flag 0x10 stay out of the graph
};

// Copy modes of CChannel::Copy / CDependentChannels::CopyChannels.
enum _ChannelCopyMode : unsigned int {
  CHANNEL_COPY_KEEP_ID = 0x01,
  CHANNEL_COPY_SKIP_INVALID = 0x02,
  CHANNEL_COPY_APPEND = 0x04,
  CHANNEL_COPY_NO_LISTS = 0x08,
  CHANNEL_COPY_SKIP_COMPUTED = 0x10,
  CHANNEL_COPY_MOVE = 0x20,
};

// One entry of the mesh-point -> channel-corner graph. A point's record is
// a header (-1, corner count) followed by (channel point, face) entries.
struct _ChannelConnectionInfo {
  std::int32_t point;
  std::int32_t face;
};

class VEX3D_EXPORT CChannel : public CObject {
  DECLARE_DYNAMIC(CChannel)

 public:
  ~CChannel() override;
  CChannel(const CChannel&) = delete;
  CChannel& operator=(const CChannel&) = delete;

  // A new empty channel of the type, or null for a value that names none.
  static std::unique_ptr<CChannel> Create(_Channel3DType type);
  // The process-wide id counter: returns it, then counts on.
  static std::uint32_t CreateID();

  std::uint32_t GetChannelID() const { return m_id; }
  void SetChannelID(std::uint32_t id) { m_id = id; }
  _Channel3DType GetType() const { return m_type; }
  // The type's display name; empty for a value that names none.
  static std::string GetTypeString(_Channel3DType type);
  std::string GetTypeString() const { return GetTypeString(m_type); }

  std::uint32_t GetFlags() const { return m_flags; }
  void SetFlag(_CHANNEL_PROPERTIES flag, int on) { vex3d::setFlagBits(m_flags, flag, on); }
  void SetFlags(std::uint32_t mask, int on) { vex3d::setFlagBits(m_flags, mask, on); }
  bool IsFlagSet(std::uint32_t mask) const { return vex3d::allFlagBitsSet(m_flags, mask); }
  bool IsOneFlagSet(std::uint32_t mask) const { return vex3d::anyFlagBitSet(m_flags, mask); }

  CCustomData& GetCustomData() { return m_customData; }
  const CCustomData& GetCustomData() const { return m_customData; }
  CPointList* GetPointList() const { return m_points.get(); }
  CFaceList* GetFaceList() const { return m_faces.get(); }

  // Replace a list, taking it over. The previous one is deleted when
  // `deleteOld` and it is another list; otherwise the caller keeps it.
  void SetPointList(_Channel3DType type, CPointList* points, CFaceList* faces, int deleteOld);
  void SetFaceList(_Channel3DType type, CFaceList* faces, int deleteOld);

  // Hooks for the derived channels (normals recompute rather than clean).
  // Returns non-zero when values changed.
  virtual int MatrixTransform(const C4x4Matrix& m);
  // Non-zero asks face cleaning to drop repeated corners of this channel's
  // faces too.
  virtual int CleanRemoveDuplicateIndex();
  // Follows a mesh clean: faces absent from `faceRemap` go, then the
  // channel's unused points. 0 when the channel no longer matches the mesh
  // (then marked CHANNEL_INVALID), else 1.
  virtual int Clean(CGeomInfo* geom, CIntMap* faceRemap, CIntMap* pointRemap);
  // Non-zero for channels that are rebuilt rather than stored.
  virtual int CanBeRecomputed() const;
  // A new channel of the same class with copies of the lists.
  virtual std::unique_ptr<CChannel> Copy(unsigned int mode) const;
  // A new empty channel of the same class; CHANNEL_COPY_KEEP_ID keeps the id.
  virtual std::unique_ptr<CChannel> InitFrom(unsigned int mode) const;

  // Connection graph of mesh points to channel corners.
  void InitGraph(CGeomInfo* geom);
  void CreateGraph(CGeomInfo* geom);
  void DeleteGraph();
  bool IsGraphBuilt() const { return m_graphBuilt != 0; }
  // The n (channel point, face) entries of a mesh point; null with n = 0
  // when the point has none. The second form also gives the header count:
  // the corners of valid faces using the point, masked ones included.
  const _ChannelConnectionInfo* GetChannelPointsConnectedToPoint(int meshPoint, int& n) const;
  const _ChannelConnectionInfo* GetChannelPointsConnectedToPoint(int meshPoint, int& n,
                                                                 int& cornerCount) const;
  // Channel point at a corner of a channel face; -1 without one.
  int GetChannelPointIndex(int face, int corner) const;

  // type, flags, id (u32 each); face list present (u32) and the list;
  // point list present (u32) and the list. Lists are read into the ones
  // the constructor made: no class records.
  void Serialize(CArchive& ar) override;

 protected:
  // `id` kNoChannelId takes a new id. The concrete class makes the lists.
  explicit CChannel(_Channel3DType type, std::uint32_t id = vex3d::kNoChannelId);

  // Type, flags, custom data; the id (the other's with KEEP_ID, else a new
  // one); unless NO_LISTS, both lists are assigned from the other's.
  void CopyFrom(const CChannel& other, unsigned int mode);

 private:
  // Lifts the id counter past an id that came from a file.
  static void noteLoadedID(std::uint32_t id);

  std::uint32_t m_id;
  _Channel3DType m_type;
  std::uint32_t m_flags = 0;
  std::unique_ptr<CPointList> m_points;
  std::unique_ptr<CFaceList> m_faces;
  CCustomData m_customData;
  int m_graphBuilt = 0;
  CSimpleCollection<_ChannelConnectionInfo, std::uint32_t> m_graph;
};
