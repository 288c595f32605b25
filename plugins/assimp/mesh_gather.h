#pragma once
// The faces of one node's meshes, in the module's terms: points shared
// between faces and one value list per channel, indexed per corner. Corners
// are kept in flat arrays, face after face, and turn into a polygonal
// object in one go.
#include <assimp/types.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "hostlib/core/rgb_color.h"
#include "value_index.h"

struct aiMesh;
class C3DObject;

namespace vex3d::assimp {

// Opaque whatever the file's alpha: the formats mean transparency by it,
// where a vertex colour's alpha is its weight against the material (and
// the library reads glTF's three-component colours with an alpha of 0).
CRGBColor colourOf(const aiColor4D& c);

class MeshGather {
 public:
  // Room for the faces and vertices of these meshes before any is added.
  void Reserve(const std::vector<const aiMesh*>& meshes);
  void AddMesh(const aiMesh& mesh);
  bool Empty() const { return m_sizes.empty(); }
  std::unique_ptr<C3DObject> ToObject() const;

 private:
  ValueIndex<3> m_points, m_uvs, m_normals;
  ValueIndex<1> m_colours;
  // Corner count of each face, then its corners in each channel.
  std::vector<std::uint32_t> m_sizes;
  std::vector<int> m_pointCorners, m_uvCorners, m_colourCorners, m_normalCorners;
  std::vector<std::uint32_t> m_materials;
  bool m_hasUV = false, m_hasColours = false, m_hasNormals = false;
};

}  // namespace vex3d::assimp
