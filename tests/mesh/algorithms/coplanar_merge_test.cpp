#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <vector>

#include "hostlib/core/progress.h"
#include "mesh/mesh_builders.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/texture_channels.h"

namespace {

using Corners = std::vector<int>;
using vex3d::test::addFaces;

Corners cornersOf(const CFaceList& list, int i) {
  const CFace* f = list[i];
  return Corners(f->GetIndices(), f->GetIndices() + f->GetSize());
}

std::vector<Corners> allFaces(const CFaceList& list) {
  std::vector<Corners> out;
  for (int i = 0; i < list.GetSize(); ++i) out.push_back(cornersOf(list, i));
  return out;
}

// The same cycle of corners, from any starting corner.
bool sameLoop(const Corners& a, const Corners& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t r = 0; r < a.size(); ++r) {
    Corners turned(a.begin() + static_cast<std::ptrdiff_t>(r), a.end());
    turned.insert(turned.end(), a.begin(), a.begin() + static_cast<std::ptrdiff_t>(r));
    if (turned == b) return true;
  }
  return a.empty();
}

// Signed area along z (Newell), in double.
double areaZ(const C3DPointList& points, const Corners& c) {
  double twice = 0.0;
  for (std::size_t k = 0; k < c.size(); ++k) {
    const C3DPoint& a = points[c[k]];
    const C3DPoint& b = points[c[(k + 1) % c.size()]];
    twice += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
  }
  return twice / 2.0;
}

template <class TList>
void setFaces(TList& list, std::initializer_list<Corners> faces) {
  list.SetSize(static_cast<int>(faces.size()), 4);
  int i = 0;
  for (const Corners& c : faces) {
    auto* f = list.ElementAt(i++);
    f->SetSize(static_cast<std::uint32_t>(c.size()));
    std::copy(c.begin(), c.end(), f->GetIndices());
  }
}

// A face list with its point list, merged into a second list; the
// destination channels start empty with the ids of the sources, as the
// object prepares them.
struct Merge {
  C3DPointList points;
  C3DFaceList faces;
  C3DFaceList merged;
  CDependentChannels sources;
  CDependentChannels targets;
  CGeomInfo geom{&faces, &points};

  Merge() {
    geom.SetFaceList(&faces, &merged);
    geom.SetChannels(&sources, &targets);
  }
  void Point(float x, float y, float z = 0.0f) { points.Add(C3DPoint(x, y, z)); }
  int Run(float angle = 0.01f) { return faces.MergeCoplanarFaces(&geom, angle); }

  CUVWChannel* AddUVW(const std::vector<CUVWPoint>& values,
                      std::initializer_list<Corners> corners) {
    auto* channel = new CUVWChannel;
    sources.AddChannel(channel);
    for (const CUVWPoint& p : values) channel->GetUVWPointList()->Add(p);
    setFaces(*channel->GetUVWFaceList(), corners);
    targets.AddChannel(channel->InitFrom(CHANNEL_COPY_KEEP_ID).release());
    return channel;
  }
  CUVWChannel* MergedUVW() { return dynamic_cast<CUVWChannel*>(targets.GetChannelByIndex(0)); }
};

// The unit square as two triangles over the diagonal 0-2.
void unitSquare(Merge& m, bool clockwise = false) {
  m.Point(0, 0);
  m.Point(1, 0);
  m.Point(1, 1);
  m.Point(0, 1);
  if (clockwise) {
    addFaces(m.faces, {{0, 2, 1}, {0, 3, 2}});
  } else {
    addFaces(m.faces, {{0, 1, 2}, {0, 2, 3}});
  }
}

// Two triangles over the edge 0-1 along y, the second turned by `degrees`
// about that edge.
void hinge(Merge& m, float degrees) {
  const float a = degrees * 3.14159265f / 180.0f;
  m.Point(0, 0);
  m.Point(0, 1);
  m.Point(-1, 0.5f);
  m.Point(std::cos(a), 0.5f, std::sin(a));
  addFaces(m.faces, {{0, 1, 2}, {1, 0, 3}});
}

// A flat n x n grid of unit squares, each split into two triangles; the
// squares alternate materials when `checker`.
void grid(Merge& m, int n, bool checker) {
  for (int y = 0; y <= n; ++y) {
    for (int x = 0; x <= n; ++x) m.Point(static_cast<float>(x), static_cast<float>(y));
  }
  m.faces.SetSize(2 * n * n, 3);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const int p = y * (n + 1) + x;
      const int f = 2 * (y * n + x);
      const std::uint32_t material = checker ? static_cast<std::uint32_t>((x + y) % 2) : 0;
      m.faces[f]->SetTriangle(p, p + 1, p + n + 2);
      m.faces[f + 1]->SetTriangle(p, p + n + 2, p + n + 1);
      m.faces[f]->SetMaterialID(material);
      m.faces[f + 1]->SetMaterialID(material);
    }
  }
}

TEST(CoplanarMerge, TwoTrianglesBecomeOneQuadWoundLikeTheFirst) {
  Merge m;
  unitSquare(m);
  m.faces[0]->SetMaterialID(7);
  m.faces[1]->SetMaterialID(7);
  EXPECT_EQ(m.Run(), 1);
  ASSERT_EQ(m.merged.GetSize(), 1);
  EXPECT_TRUE(sameLoop(cornersOf(m.merged, 0), {0, 1, 2, 3})) << "counter-clockwise like face 0";
  EXPECT_EQ(m.merged[0]->GetMaterialID(), 7u);
  EXPECT_EQ(m.faces.GetSize(), 2) << "the source list is left as it was";

  Merge reversed;
  unitSquare(reversed, true);
  EXPECT_EQ(reversed.Run(), 1);
  EXPECT_TRUE(sameLoop(cornersOf(reversed.merged, 0), {0, 3, 2, 1}));
}

TEST(CoplanarMerge, DifferentMaterialsStayApart) {
  Merge m;
  unitSquare(m);
  m.faces[1]->SetMaterialID(3);
  EXPECT_EQ(m.Run(), 2);
  EXPECT_EQ(allFaces(m.merged), (std::vector<Corners>{{0, 1, 2}, {0, 2, 3}}));
  EXPECT_EQ(m.merged[1]->GetMaterialID(), 3u);
}

TEST(CoplanarMerge, AngleToleranceDecides) {
  Merge wide;
  hinge(wide, 5.0f);
  EXPECT_EQ(wide.Run(0.1f), 1) << "cos 0.1 is below cos 5 degrees";
  EXPECT_TRUE(sameLoop(cornersOf(wide.merged, 0), {0, 3, 1, 2}));

  Merge narrow;
  hinge(narrow, 5.0f);
  EXPECT_EQ(narrow.Run(0.05f), 2);
  EXPECT_EQ(allFaces(narrow.merged), (std::vector<Corners>{{0, 1, 2}, {1, 0, 3}}));
}

TEST(CoplanarMerge, RingAroundAHoleIsLeftAlone) {
  Merge m;
  const float outer[4][2] = {{0, 0}, {3, 0}, {3, 3}, {0, 3}};
  const float inner[4][2] = {{1, 1}, {2, 1}, {2, 2}, {1, 2}};
  for (const auto& p : outer) m.Point(p[0], p[1]);
  for (const auto& p : inner) m.Point(p[0], p[1]);
  addFaces(m.faces, {{0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}});
  const std::vector<Corners> before = allFaces(m.faces);
  EXPECT_EQ(m.Run(), 4);
  EXPECT_EQ(allFaces(m.merged), before);
  EXPECT_EQ(m.points.GetSize(), 8);
}

TEST(CoplanarMerge, FanBecomesItsRimAndTheCentreGoes) {
  Merge m;
  m.Point(0, 0);
  for (int i = 0; i < 6; ++i) {
    const float a = static_cast<float>(i) * 3.14159265f / 3.0f;
    m.Point(std::cos(a), std::sin(a));
  }
  addFaces(m.faces, {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}, {0, 5, 6}, {0, 6, 1}});
  EXPECT_EQ(m.Run(), 1);
  ASSERT_EQ(m.points.GetSize(), 6) << "the centre point is no longer used";
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(C3DVector(m.points[i]).Length(), 1.0f, 1e-6f) << i;
  EXPECT_TRUE(sameLoop(cornersOf(m.merged, 0), {0, 1, 2, 3, 4, 5}));
}

TEST(CoplanarMerge, PerPointChannelLosesThePointsTheMeshLoses) {
  Merge m;
  m.Point(0, 0);
  m.Point(1, -1);
  m.Point(1, 1);
  m.Point(-1, 1);
  m.Point(-1, -1);
  addFaces(m.faces, {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 1}});
  // Channel point i stands for mesh point i: no channel faces.
  CUVWChannel* uvw = m.AddUVW({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}}, {});
  uvw->SetFaceList(CHANNEL_UVW, nullptr, 1);
  EXPECT_EQ(m.Run(), 1);
  EXPECT_EQ(m.MergedUVW()->GetFaceList(), nullptr);
  const CUVWPointList& values = *m.MergedUVW()->GetUVWPointList();
  ASSERT_EQ(values.GetSize(), 4) << "the centre's value went with the centre";
  for (int i = 0; i < 4; ++i) EXPECT_EQ(values[i].u, static_cast<float>(i + 1));
}

TEST(CoplanarMerge, OnlyExactlyAlignedBorderPointsAreDropped) {
  // The bottom edge of a 2 x 2 square is split at point 4.
  auto build = [](Merge& m, float bottomY) {
    m.Point(0, 0);
    m.Point(2, 0);
    m.Point(2, 2);
    m.Point(0, 2);
    m.Point(1, bottomY);
    addFaces(m.faces, {{0, 4, 3}, {4, 1, 2}, {4, 2, 3}});
  };
  Merge exact;
  build(exact, 0.0f);
  EXPECT_EQ(exact.Run(), 1);
  EXPECT_TRUE(sameLoop(cornersOf(exact.merged, 0), {0, 1, 2, 3}));
  EXPECT_EQ(exact.points.GetSize(), 4) << "the midpoint is no longer used";

  Merge nearly;
  build(nearly, -0.001f);
  EXPECT_EQ(nearly.Run(), 1);
  EXPECT_TRUE(sameLoop(cornersOf(nearly.merged, 0), {0, 4, 1, 2, 3}));
  EXPECT_EQ(nearly.points.GetSize(), 5);
}

TEST(CoplanarMerge, EdgeOfThreeFacesIsNeverCrossed) {
  Merge m;
  m.Point(0, 0);
  m.Point(1, 0);
  m.Point(0.5f, 1);
  m.Point(0.5f, -1);
  m.Point(0.5f, 2);
  m.Point(1.5f, 1);
  // Faces 0, 1 and 2 share the edge 0-1; face 3 shares 1-2 with face 0 only.
  addFaces(m.faces, {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}, {1, 5, 2}});
  EXPECT_EQ(m.Run(), 3);
  EXPECT_TRUE(sameLoop(cornersOf(m.merged, 0), {0, 1, 5, 2}));
  EXPECT_EQ(cornersOf(m.merged, 1), (Corners{1, 0, 3}));
  EXPECT_EQ(cornersOf(m.merged, 2), (Corners{0, 1, 4}));
}

TEST(CoplanarMerge, ChannelFacesFollowTheMergedPolygon) {
  Merge m;
  unitSquare(m);
  // Corner values run backwards through the channel points.
  m.AddUVW({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {9, 9, 9}}, {{3, 2, 1}, {3, 1, 0}});
  EXPECT_EQ(m.Run(), 1);
  const Corners mesh = cornersOf(m.merged, 0);
  CUVWChannel* uvw = m.MergedUVW();
  ASSERT_NE(uvw, nullptr);
  ASSERT_EQ(uvw->GetFaceList()->GetSize(), 1);
  const Corners channel = cornersOf(*uvw->GetFaceList(), 0);
  ASSERT_EQ(channel.size(), mesh.size());
  for (std::size_t c = 0; c < mesh.size(); ++c) EXPECT_EQ(channel[c], 3 - mesh[c]) << c;
  EXPECT_FALSE(uvw->GetFaceList()->ElementAt(0)->IsOneFlagSet(vex3d::kFaceSkipMask));
  EXPECT_EQ(uvw->GetPointList()->GetSize(), 4) << "the unused channel point went";
}

TEST(CoplanarMerge, TextureSeamStopsTheMerge) {
  // Each face has its own channel points; the diagonal ends 0 and 2 carry
  // the same coordinates in both faces unless `seam`.
  auto build = [](Merge& m, bool seam) {
    unitSquare(m);
    const float shift = seam ? 0.5f : 0.0f;
    m.AddUVW({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {shift, 0, 0}, {1, 1, 0}, {0, 1, 0}},
             {{0, 1, 2}, {3, 4, 5}});
  };
  Merge same;
  build(same, false);
  EXPECT_EQ(same.Run(), 1);

  Merge seam;
  build(seam, true);
  EXPECT_EQ(seam.Run(), 2);
  EXPECT_EQ(allFaces(*seam.MergedUVW()->GetFaceList()),
            (std::vector<Corners>{{0, 1, 2}, {3, 4, 5}}));
  EXPECT_EQ(seam.MergedUVW()->GetPointList()->GetSize(), 6);
}

TEST(CoplanarMerge, ChannelFaceWithoutDataMakesTheMergedOneInvalid) {
  Merge m;
  unitSquare(m);
  CUVWChannel* uvw = m.AddUVW({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
  // Both sides without data is no seam, but gives no corners either.
  uvw->GetFaceList()->ElementAt(0)->SetInvalidFlag(1);
  uvw->GetFaceList()->ElementAt(1)->SetInvalidFlag(1);
  EXPECT_EQ(m.Run(), 1);
  EXPECT_TRUE(m.MergedUVW()->GetFaceList()->ElementAt(0)->IsFlagSet(FACE_CHANNEL_INVALID));
}

TEST(CoplanarMerge, TriangulatedGridBecomesOnePolygonOfItsArea) {
  Merge m;
  grid(m, 10, false);
  EXPECT_EQ(m.Run(), 1);
  const Corners outline = cornersOf(m.merged, 0);
  EXPECT_EQ(outline.size(), 4u) << "border points between the corners are aligned";
  EXPECT_DOUBLE_EQ(areaZ(m.points, outline), 100.0);
  EXPECT_EQ(m.points.GetSize(), 4);
}

TEST(CoplanarMerge, NonConvexRegionKeepsItsOutline) {
  // An L of three unit squares, triangulated.
  Merge m;
  const float xy[8][2] = {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {1, 1}, {0, 1}, {1, 2}, {0, 2}};
  for (const auto& p : xy) m.Point(p[0], p[1]);
  addFaces(m.faces, {{0, 1, 4}, {0, 4, 5}, {1, 2, 3}, {1, 3, 4}, {5, 4, 6}, {5, 6, 7}});
  EXPECT_EQ(m.Run(), 1);
  const Corners outline = cornersOf(m.merged, 0);
  EXPECT_EQ(outline.size(), 6u);
  EXPECT_DOUBLE_EQ(areaZ(m.points, outline), 3.0);
}

TEST(CoplanarMerge, CheckerboardGridMergesBackIntoSquares) {
  Merge m;
  grid(m, 4, true);
  EXPECT_EQ(m.Run(), 16);
  for (int i = 0; i < 16; ++i) {
    const Corners square = cornersOf(m.merged, i);
    EXPECT_EQ(square.size(), 4u);
    EXPECT_DOUBLE_EQ(areaZ(m.points, square), 1.0) << i;
  }
}

TEST(CoplanarMerge, InvalidFacesAreDropped) {
  Merge m;
  unitSquare(m);
  m.Point(5, 5);
  m.Point(6, 5);
  m.Point(5, 6);
  addFaces(m.faces, {{4, 5, 6}});
  m.faces[0]->SetInvalidFlag(1);
  EXPECT_EQ(m.Run(), 2);
  EXPECT_EQ(allFaces(m.merged), (std::vector<Corners>{{0, 1, 2}, {3, 4, 5}}))
      << "point 1 went with the dropped face";
}

TEST(CoplanarMerge, PointsOutOfRangeRefuseTheMerge) {
  Merge m;
  unitSquare(m);
  m.faces[1]->SetTriangle(0, 2, 99);
  EXPECT_EQ(m.Run(3.14159f), 2) << "a zero normal joins at half a turn, but no loop forms";
  EXPECT_EQ(allFaces(m.merged), (std::vector<Corners>{{0, 1, 2}, {0, 2, 99}}));
}

TEST(CoplanarMerge, ReportsProgressAndStopsWhenCancelled) {
  {
    vex3d::ProgressRecorder recorder;
    const vex3d::ProgressHandlerScope scope(recorder.handler());
    Merge m;
    unitSquare(m);
    EXPECT_EQ(m.Run(), 1);
    EXPECT_EQ(recorder.codes(), (std::vector<int>{15, 2, 18, 2, 18, 32}));
    const auto events = recorder.events();
    EXPECT_EQ(events[0].info.title, "Merging...");
    EXPECT_EQ(events[0].info.text, "Merging coplanar  faces");
    EXPECT_EQ(events[0].info.maximum, 100);
    EXPECT_EQ(events[3].info.position, 50);
  }
  vex3d::ProgressRecorder recorder(1);
  const vex3d::ProgressHandlerScope scope(recorder.handler());
  Merge m;
  unitSquare(m);
  EXPECT_EQ(m.Run(), -1);
  EXPECT_EQ(recorder.codes(), (std::vector<int>{15, 2, 18, 32}));
  EXPECT_EQ(m.points.GetSize(), 4);
}

// --- The object wrapper.

// The unit square of two triangles with a texture and a colour channel.
std::unique_ptr<C3DObject> squareObject() {
  auto object = std::make_unique<C3DObject>();
  object->Init(4, 2, 3, 1, 4);
  C3DPointList& p = *object->GetPointList();
  p[0].Init(0, 0, 0);
  p[1].Init(1, 0, 0);
  p[2].Init(1, 1, 0);
  p[3].Init(0, 1, 0);
  C3DFaceList& f = *object->GetFaceList();
  f[0]->SetTriangle(0, 1, 2);
  f[1]->SetTriangle(0, 2, 3);
  CChannel* uvw = object->GetChannels()->GetChannelByIndex(0);
  uvw->GetFaceList()->ElementAt(0)->SetTriangle(0, 1, 2);
  uvw->GetFaceList()->ElementAt(1)->SetTriangle(0, 2, 3);
  auto colours = std::make_unique<CVCChannel>();
  colours->GetPointList()->SetSize(4);
  colours->GetFaceList()->SetSize(f);
  colours->GetFaceList()->ElementAt(0)->SetTriangle(0, 1, 2);
  colours->GetFaceList()->ElementAt(1)->SetTriangle(0, 2, 3);
  object->AddChannel(colours.release());
  return object;
}

TEST(CoplanarMergeObject, OnlyChannelsOfTheMaskSurvive) {
  std::unique_ptr<C3DObject> object = squareObject();
  const std::uint32_t uvwId = object->GetChannels()->GetChannelByIndex(0)->GetChannelID();
  EXPECT_EQ(object->MergeCoplanarFaces(0.01f, CHANNEL_UVW), 1);
  ASSERT_EQ(object->GetFaceNbr(), 1);
  EXPECT_TRUE(sameLoop(cornersOf(*object->GetFaceList(), 0), {0, 1, 2, 3}));
  EXPECT_TRUE(object->IsInvalidate(UPDATE_MODIFIED | UPDATE_UVW));
  CDependentChannels& channels = *object->GetChannels();
  ASSERT_EQ(channels.GetSize(), 1);
  EXPECT_EQ(channels.GetChannelByIndex(0)->GetChannelID(), uvwId);
  EXPECT_EQ(allFaces(*channels.GetChannelByIndex(0)->GetFaceList()),
            allFaces(*object->GetFaceList()));
  EXPECT_EQ(channels.GetChannelByIndex(0)->GetPointList()->GetSize(), 4);

  std::unique_ptr<C3DObject> bare = squareObject();
  EXPECT_EQ(bare->MergeCoplanarFaces(0.01f, 0), 1);
  EXPECT_EQ(bare->GetChannels()->GetSize(), 0);
}

TEST(CoplanarMergeObject, NothingToMergeChangesNothing) {
  std::unique_ptr<C3DObject> object = squareObject();
  object->GetFaceList()->ElementAt(1)->SetMaterialID(2);
  object->GetPointList()->Add(C3DPoint(9, 9, 9));  // used by no face
  EXPECT_EQ(object->MergeCoplanarFaces(0.01f, CHANNEL_UVW), 0);
  EXPECT_EQ(object->GetFaceNbr(), 2);
  EXPECT_EQ(object->GetPointNbr(), 5);
  EXPECT_EQ(object->GetChannels()->GetChannelsNumber(CHANNEL_UVW | CHANNEL_VC, 0), 2);

  C3DObject empty;
  EXPECT_EQ(empty.MergeCoplanarFaces(0.01f, CHANNEL_UVW), 0);
}

TEST(CoplanarMergeObject, CancelledMergeLeavesTheObjectAlone) {
  std::unique_ptr<C3DObject> object = squareObject();
  vex3d::ProgressRecorder recorder(1);
  const vex3d::ProgressHandlerScope scope(recorder.handler());
  EXPECT_EQ(object->MergeCoplanarFaces(0.01f, vex3d::kAllChannelTypes), 0);
  EXPECT_EQ(allFaces(*object->GetFaceList()), (std::vector<Corners>{{0, 1, 2}, {0, 2, 3}}));
  EXPECT_EQ(object->GetChannels()->GetChannelsNumber(CHANNEL_UVW | CHANNEL_VC, 0), 2);
  EXPECT_EQ(object->GetPointNbr(), 4);
}

TEST(CoplanarMergeObject, CleanChannelsDropsWhatNoLongerFits) {
  std::unique_ptr<C3DObject> object = squareObject();
  CDependentChannels& channels = *object->GetChannels();
  object->CleanChannels(CHANNEL_VC, 0);
  ASSERT_EQ(channels.GetSize(), 1);
  EXPECT_EQ(channels.GetChannelType(0), CHANNEL_UVW);

  object->CleanChannels(CHANNEL_UVW, 1);
  EXPECT_EQ(channels.GetSize(), 1) << "invert keeps the types of the mask";
  object->CleanChannels(CHANNEL_VC, 1);
  EXPECT_EQ(channels.GetSize(), 0);

  std::unique_ptr<C3DObject> other = squareObject();
  CDependentChannels& set = *other->GetChannels();
  set.GetChannelByIndex(0)->GetFaceList()->SetFacesFlags(FACE_INVALID | FACE_CHANNEL_INVALID, 1);
  set.GetChannelByIndex(1)->GetFaceList()->SetSize(1);
  other->CleanChannels(vex3d::kAllChannelTypes, 1);
  EXPECT_EQ(set.GetSize(), 0) << "no data in one, a face count that differs in the other";

  std::unique_ptr<C3DObject> third = squareObject();
  third->GetChannels()->GetChannelByIndex(1)->SetFlag(CHANNEL_INVALID, 1);
  third->GetChannels()->GetChannelByIndex(0)->SetPointList(CHANNEL_UVW, nullptr, nullptr, 1);
  third->CleanChannels(vex3d::kAllChannelTypes, 1);
  EXPECT_EQ(third->GetChannels()->GetSize(), 0) << "invalid, and without a point list";
}

}  // namespace
