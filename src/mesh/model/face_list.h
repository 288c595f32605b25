#pragma once
// CFaceList: faces of any corner count. The face objects sit by value in the
// element array; their point indices live in one shared index store, one
// record per face in face order. Face i always owns record i: every
// operation that adds, drops or moves faces does the same to the records.
//
// The adjacency graphs (point-to-face, edge-to-face) are built on request
// and rebuilt by UpdateList after the faces changed.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <type_traits>

#include "hostlib/containers/association_map.h"
#include "hostlib/containers/element_array.h"
#include "hostlib/containers/hash_map.h"
#include "hostlib/containers/hash_table.h"
#include "mesh/model/edge.h"
#include "mesh/model/face.h"
#include "vex3d_export.h"

class CFaceGraphHelper;
class CGeomInfo;
class CIntMap;
namespace vex3d {
struct FaceTopology;
}

enum _FACELIST_PROPERTIES : std::uint32_t {
  FACELIST_CHANGED = 0x01,  // graphs are older than the faces
};

class VEX3D_EXPORT CFaceList : public CElementArray {
  DECLARE_DYNAMIC(CFaceList)

 public:
  explicit CFaceList(std::size_t elementSize);
  ~CFaceList() override;
  CFaceList(const CFaceList&) = delete;

  // Faces, records (and later graphs) go; the list is marked changed.
  void RemoveAll() override;
  // Clears FACELIST_CHANGED and answers 1 when it was set, else 0.
  virtual int UpdateList(CGeomInfo* geom);
  virtual void Inherit(const CFaceList& other);
  // Faces (flags, parameter records, material ids between 3D lists) and
  // their records; then Inherit.
  virtual CFaceList& operator=(const CFaceList& other);

  // n faces: existing ones keep their records, added ones get empty records
  // of `capacity`. Marked changed when n differs.
  void SetSize(int n, int capacity = 4, int growBy = -1);
  // Empties the list, then n faces with empty records of the given
  // capacities.
  void SetSize(int n, const int* capacities, int growBy = -1);
  // As many faces as `shape`, face i with as many (zero) indices as face i
  // of `shape`: gives a channel the shape of its mesh.
  void SetSize(const CFaceList& shape, int growBy = -1);
  // Keeps the first faces, drops those beyond n, adds empty faces (room for
  // 4 indices) with `flags` ORed in.
  void SetSizeAndFlags(int n, std::uint32_t flags);
  // The shape of `shape`, the added faces with `flags` ORed in.
  void SetSizeAndFlags(const CFaceList& shape, std::uint32_t flags);
  // Replaces every face at once: face i takes the next sizes[i] of
  // `indices`, with no flag set. The sizes must add up to the indices given.
  void AssignFaces(std::span<const std::uint32_t> sizes, std::span<const int> indices);
  // Appends a copy of the face (assignment rules of the face kind) with a
  // record holding its indices; returns its position.
  int Add(const CFace* face);
  // Face i takes the other face's flags, parameter record and indices.
  void SetAt(int i, const CFace* face);
  // Removes faces and their records.
  void RemoveAt(int i, int count = 1);

  // Fetching binds the face to its record; null beyond the list. Inline:
  // loops over millions of faces fetch them one by one.
  CFace* ElementAt(int i) {
    if (i < 0 || i >= GetSize()) return nullptr;
    return bound(face(i), i);
  }
  const CFace* ElementAt(int i) const { return const_cast<CFaceList*>(this)->ElementAt(i); }
  CFace* operator[](int i) { return ElementAt(i); }
  const CFace* operator[](int i) const { return ElementAt(i); }
  CFace* GetFirst() { return ElementAt(0); }
  CFace* GetNext(const CFace* face) { return ElementAt(static_cast<int>(face->GetIndex()) + 1); }

  // Spare room of the face array goes and the index store is compacted.
  void FreeExtra();
  // Room to append `faces` faces holding `corners` indices together
  // without moving the faces or their records.
  void Reserve(int faces, std::uint64_t corners);

  void SetFlag(_FACELIST_PROPERTIES flag, int on) {
    if (on)
      m_listFlags |= flag;
    else
      m_listFlags &= ~static_cast<std::uint32_t>(flag);
  }
  bool IsFlagSet(_FACELIST_PROPERTIES flag) const { return (m_listFlags & flag) == flag; }
  std::uint32_t GetListFlags() const { return m_listFlags; }

  void SetFacesFlags(std::uint32_t mask, int on);
  // Faces whose all-bits test of `flag` equals `value` (as a truth value).
  int GetNumberOfFaces(_FACE_PROPERTIES flag, int value) const;
  // The same with the any-bit test.
  int GetNumberOfFaces(unsigned int mask, int value) const;
  // 0 when the face counts differ. Else face i gets `target` when face i of
  // `other` has all bits of `source`, and loses it otherwise unless `keep`.
  int InheritFlags(const CFaceList& other, _FACE_PROPERTIES source, _FACE_PROPERTIES target,
                   int keep);
  void FlipNormals();
  // Faces whose position is not a key of `keep` get FACE_INVALID.
  void InvalidateFaces(CGeomInfo* geom, const CIntMap* keep);
  // Records each face's position under 'FAOI'.
  void SaveFacesIndex();
  // Every point index that is a key of `map` becomes its value.
  void UpdateIndex(const CIntMap& map);

  // Triangles with a repeated index become invalid; larger faces lose each
  // corner equal to the one or two places after it, and are invalid when
  // fewer than three corners stay. The same faces and corners of the
  // geometry's channels follow when this is the geometry's mesh list.
  void CleanPointsIndex(CGeomInfo* geom);
  // With `fixIndices`, CleanPointsIndex first. Then the faces with
  // FACE_INVALID go;
  // `remap` (optional) gets old -> new position of every kept face. 0 when
  // every face stays, else 1.
  int Clean(CGeomInfo* geom, int fixIndices, CIntMap* remap);
  // Faces (fixing indices), then the geometry's source points with this
  // list, renumbering the faces when points went, then the geometry's
  // channels. Non-zero only when both faces and points were removed.
  int Clean(CGeomInfo* geom);

  // Faces through the element array, then the index store (compacted).
  // Loading checks the store against the faces; on any error the list is
  // left empty and CArchiveException propagates.
  void Serialize(CArchive& ar) override;

  const vex3d::IndexStore& GetIndexStore() const { return m_store; }

  // --- Adjacency (mesh/algorithms). Faces with either skip bit are left
  // out of both graphs. Queries answer nothing while a graph is not built.

  // Bring the list up to date, then build the graph when it is not current.
  void InitPointToFaceGraph(CGeomInfo* geom);
  void InitEdgeToFaceGraph(CGeomInfo* geom);
  // The point graph has one record per point of the geometry's source
  // point list (or up to the highest index used without one).
  void CreatePointToFaceGraph(CGeomInfo* geom);
  void CreateEdgeToFaceGraph(CGeomInfo* geom);
  void DeletePointToFaceGraph();
  void DeleteEdgeToFaceGraph();
  bool IsPointToFaceGraphValid() const;
  bool IsEdgeToFaceGraphValid() const;
  // Null while the edge graph is not built.
  const CAssociationMap<C3DEdge>* GetEdgeGraph() const;
  // Drops the face from both graphs.
  void GraphRemoveFaceReference(int face);
  // The faces of `removed` join those of `kept` (points being welded).
  void GraphMergePointConnectivity(int kept, int removed);

  // Faces using the point / the edge, in face order; null with n = 0.
  const int* GetFacesConnectedToPoint(int point, int& n) const;
  const int* GetFacesConnectedToEdge(const C3DEdge& edge, int& n) const;
  // Set operation `type` (1 union, 2 intersection, 3 A-B, 4 B-A, 5
  // symmetric difference, other: nothing) on the faces of p and q.
  int GetFacesConnectedToPoints(CHashTable<int>& result, int p, int q, int type) const;
  const int* GetFacesConnectedToPoints(CFaceGraphHelper& helper, int p, int q, int type,
                                       int& n) const;
  // Neighbours of a point: type 2 by an edge, 3 every point of its faces,
  // others the points sharing a face but no edge. Never the point itself.
  const int* GetPointsNeighbourg(CFaceGraphHelper& helper, int point, int& n, int type) const;
  int IsPointNeighbourg(CFaceGraphHelper& helper, int p, int q) const;
  // Set operation on the edge neighbours of p and of q.
  int GetPointsConnectedToPoints(CHashTable<int>& result, int p, int q, int type) const;
  const int* GetPointsConnectedToPoints(CFaceGraphHelper& helper, int p, int q, int type,
                                        int& n) const;
  // Every point of the faces of edge p-q, each once; without p and q when
  // `exclude`. Null when p equals q.
  const int* GetPointsConnectedToEdge(CFaceGraphHelper& helper, int p, int q, int& n,
                                      int exclude) const;
  // Faces around a face: type 1 sharing a point, 2 sharing an edge; the
  // face itself included.
  int GetFacesNeighbourg(CHashTable<int>& result, int face, int type) const;
  const int* GetFacesNeighbourg(CFaceGraphHelper& helper, int face, int type, int& n) const;
  // Whether a face using the edge's first point (only `face`, unless -1)
  // has the edge as a side, in either direction.
  int DoesEdgeExists(const C3DEdge& edge, int face) const;
  // No point of the face is used by another face.
  int IsIsolatedFace(int face) const;
  // The border of a region: the edges used by exactly one face of the set,
  // each with that face. Returns how many.
  int GetEdgesOnBorder(CHashMap<C3DEdge, int>& edges, const CHashTable<int>& faces) const;
  // Whether the faces of the set form one piece through shared points.
  int AreFacesConnected(CGeomInfo* geom, const CHashTable<int>& faces);
  // FACE_BORDER on every face owning an edge used by exactly one face.
  void SetBorderFacesStatus(CGeomInfo* geom);

 protected:
  virtual CFace* faceAt(void* element) const = 0;
  CFace* face(int i) const { return faceAt(const_cast<void*>(CElementArray::ElementAt(i))); }
  template <class TFace>
  TFace* bound(TFace* f, int i) {
    f->Bind(&m_store, static_cast<std::uint32_t>(i));
    return f;
  }

 private:
  // The face array and the store must move together.
  using CElementArray::Copy;
  using CElementArray::InsertAt;

  void resize(int n, int capacity, int growBy);

  vex3d::FaceTopology& topology() const;
  // Graphs of faces that changed shape could name faces that are gone.
  void dropGraphs();
  int connectionSet(CHashTable<int>& result, const int* a, int na, const int* b, int nb,
                    int type) const;
  void edgeNeighbours(CHashTable<int>& out, int point) const;

  vex3d::IndexStore m_store;
  std::uint32_t m_listFlags = 0;
  mutable std::unique_ptr<vex3d::FaceTopology> m_topology;
};

namespace vex3d {

// Faces naming a point outside [0, pointCount) are emptied and marked
// invalid: what comes from a file must never send an algorithm out of
// bounds, and the rest of the list is still worth keeping. Returns how many.
VEX3D_EXPORT int emptyFacesOutOfRange(CFaceList& faces, int pointCount);

template <class TFace>
class FaceListOf : public CFaceList {
 public:
  using Face = TFace;

  FaceListOf() : CFaceList(sizeof(TFace)) {}
  ~FaceListOf() override { CElementArray::SetSize(0); }
  using CFaceList::operator=;

  // The face's own type is known here: no virtual call to find it.
  TFace* ElementAt(int i) {
    if (i < 0 || i >= GetSize()) return nullptr;
    return bound(static_cast<TFace*>(CElementArray::ElementAt(i)), i);
  }
  const TFace* ElementAt(int i) const { return const_cast<FaceListOf*>(this)->ElementAt(i); }
  TFace* operator[](int i) { return ElementAt(i); }
  const TFace* operator[](int i) const { return ElementAt(i); }
  TFace* GetFirst() { return ElementAt(0); }
  TFace* GetNext(const CFace* f) { return ElementAt(static_cast<int>(f->GetIndex()) + 1); }

  void ConstructElement(void* element) override { ::new (element) TFace(); }
  void DestructElement(void* element) override { static_cast<TFace*>(element)->~TFace(); }
  void ConstructElements(void* first, int count) override {
    if constexpr (std::is_nothrow_default_constructible_v<TFace>) {
      auto* element = static_cast<TFace*>(first);
      for (int i = 0; i < count; ++i) ::new (element + i) TFace();
    } else {
      CElementArray::ConstructElements(first, count);
    }
  }
  void DestructElements(void* first, int count) override {
    // Qualified: the class is known, no virtual call per element.
    auto* element = static_cast<TFace*>(first);
    for (int i = 0; i < count; ++i) element[i].TFace::~TFace();
  }
  void CopyElement(void* destination, const void* source) override {
    if (destination != source) {
      *static_cast<TFace*>(destination) = *static_cast<const TFace*>(source);
    }
  }
  void SerializeElement(CArchive& ar, void* element) override {
    static_cast<TFace*>(element)->Serialize(ar);
  }

 protected:
  CFace* faceAt(void* element) const override { return static_cast<TFace*>(element); }
};

}  // namespace vex3d
