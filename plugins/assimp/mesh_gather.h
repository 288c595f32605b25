#pragma once
// The faces of one node's meshes, in the module's terms: points shared
// between faces and one value list per channel, indexed per corner. The
// faces are kept as flat arrays of the meshes' vertices, and each vertex
// knows its value in every channel, so that the object's face lists are
// each written in one go.
#include <assimp/types.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "hostlib/core/rgb_color.h"
#include "value_index.h"

struct aiMesh;
class C3DObject;
class CArchive;
class CChannel;

namespace vex3d::assimp {

// Opaque whatever the file's alpha: the formats mean transparency by it,
// where a vertex colour's alpha is its weight against the material (and
// the library reads glTF's three-component colours with an alpha of 0).
CRGBColor colourOf(const aiColor4D& c);

class MeshGather {
 public:
  // Every mesh of the node, before any is added.
  explicit MeshGather(const std::vector<const aiMesh*>& meshes);
  void AddMesh(const aiMesh& mesh);
  bool Empty() const { return m_sizes.empty(); }
  std::unique_ptr<C3DObject> ToObject() const;

  // ToObject in two steps: Shape gives a new object the lists and channels
  // of the gathered meshes, all empty; Fill fills them.
  void Shape(C3DObject& object) const;
  void Fill(C3DObject& object) const;
  // Adding meshes is over: what only numbering new values needs goes.
  void FinishAdding();
  // Whether every face fits an index record, so that the lists Fill would
  // make can be stored without being made (Store*).
  bool FitsRecords() const;
  // Each list as a shaped object's would store itself once filled, byte
  // for byte, straight from the gathered arrays.
  void StoreFaces(CArchive& ar) const;
  void StorePoints(CArchive& ar) const;
  // The lists of one of the shaped object's channels.
  void StoreChannelFaces(CArchive& ar, const CChannel& channel) const;
  void StoreChannelPoints(CArchive& ar, const CChannel& channel) const;

 private:
  template <class T>
  using Array = std::vector<T>;
  // A vertex's value in each channel; point -1 until a face uses it.
  struct Values {
    int point = -1, uv = 0, colour = 0, normal = 0;
  };
  // Each channel's corners, from the vertices' values.
  template <class Member>
  void channelCorners(Member member, Array<int>& corners) const;
  // A face list's elements (flags, and the material with `materials`) and
  // its index records, each corner being the vertices' `member`.
  template <class Member>
  void storeFaceList(CArchive& ar, Member member, bool materials) const;

  ValueIndex<3> m_points, m_uvs, m_normals;
  ValueIndex<1> m_colours;
  // The node's vertices, mesh after mesh; where the current mesh's begin.
  Array<Values> m_vertices;
  std::size_t m_firstVertex = 0;
  // Corner count of each face, and its corners as vertices.
  Array<std::uint32_t> m_sizes;
  Array<std::uint32_t> m_corners;
  Array<std::uint32_t> m_materials;
  bool m_hasUV = false, m_hasColours = false, m_hasNormals = false;
};

}  // namespace vex3d::assimp
