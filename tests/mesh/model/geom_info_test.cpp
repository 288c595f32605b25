#include "mesh/model/geom_info.h"

#include <gtest/gtest.h>

#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

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
