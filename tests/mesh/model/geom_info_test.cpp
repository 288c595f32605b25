#include "mesh/model/geom_info.h"

#include <gtest/gtest.h>

#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "scene/scene_node.h"

TEST(GeomInfo, CopyModesChainDestinationsIntoSources) {
  C3DPointList srcPoints;
  C3DPointList dstPoints;
  C3DFaceList srcFaces;
  CGeomInfo geom(&srcFaces, &srcPoints);
  geom.SetPointList(&srcPoints, &dstPoints);

  const CGeomInfo all = geom.Copy(COPY_ALL);
  EXPECT_EQ(all.GetDstPointList(), &dstPoints);

  const CGeomInfo sources = geom.Copy(COPY_SOURCES);
  EXPECT_EQ(sources.GetSrcPointList(), &srcPoints);
  EXPECT_EQ(sources.GetDstPointList(), nullptr);

  const CGeomInfo next = geom.Copy(COPY_CHAIN);
  EXPECT_EQ(next.GetSrcPointList(), &dstPoints) << "the destination feeds the next step";
  EXPECT_EQ(next.GetSrcFaceList(), &srcFaces) << "no destination: the source stays";
  EXPECT_EQ(next.GetDstPointList(), nullptr);
  EXPECT_EQ(next.GetDstFaceList(), nullptr);
  EXPECT_EQ(geom.Copy(static_cast<_CopyMode>(7)).GetSrcPointList(), &dstPoints);
}

TEST(GeomInfo, ANodeGivesItsObjectListsAndChannelsAsSources) {
  auto* object = new C3DObject;
  object->Init(3, 1, 3, 1, 3);
  C3DSceneNode node;
  node.SetObject(object);
  const CGeomInfo geom(&node);
  EXPECT_EQ(geom.GetSceneNode(), &node);
  EXPECT_EQ(geom.GetObject(), object);
  EXPECT_EQ(geom.GetSrcPointList(), object->GetPointList());
  EXPECT_EQ(geom.GetSrcFaceList(), object->GetFaceList());
  EXPECT_EQ(geom.GetSrcChannels(), object->GetChannels());
  EXPECT_EQ(geom.GetChannelSize(), 1) << "the texture channel Init made";
  EXPECT_EQ(geom.GetScene(), nullptr);
  EXPECT_EQ(geom.GetDstPointList(), nullptr);
  EXPECT_EQ(geom.GetDstFaceList(), nullptr);
  EXPECT_EQ(geom.GetDstChannels(), nullptr);
  EXPECT_EQ(geom.Copy(COPY_CHAIN).GetSceneNode(), &node) << "the node follows every step";

  // A node without an object names only itself; no node names nothing.
  C3DSceneNode empty;
  const CGeomInfo bare(&empty);
  EXPECT_EQ(bare.GetSceneNode(), &empty);
  EXPECT_EQ(bare.GetObject(), nullptr);
  EXPECT_EQ(bare.GetSrcPointList(), nullptr);
  EXPECT_EQ(bare.GetSrcChannels(), nullptr);
  const CGeomInfo none(static_cast<C3DSceneNode*>(nullptr));
  EXPECT_EQ(none.GetSceneNode(), nullptr);
  EXPECT_EQ(none.GetObject(), nullptr);
  EXPECT_EQ(none.GetSrcFaceList(), nullptr);
}
