#include "mesh/algorithms/capsule.h"

#include <cmath>
#include <memory>
#include <vector>

#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/texture_channels.h"
#include "scene/scene.h"
#include "scene/scene_node.h"

namespace {

// The constants of the original modeller, kept so that capsules come out
// with the same coordinates to the last bit.
constexpr double kHalfPi = 1.5707958;
constexpr double kTwoPi = 6.283183;

// Rings are laid out one after the other, each `segments` points long.
struct Ring {
  int first = 0;
  int at(unsigned t, unsigned segments) const { return first + static_cast<int>(t % segments); }
};

}  // namespace

C3DSceneNode* CreateCapsule(C3DScene* scene, const C3DPoint& centre, float radius, float height,
                            unsigned segments, unsigned capRings, unsigned bodySections,
                            _AXIS_INFO axis, int flag) {
  // A zero height would leave an empty object in the scene: nothing is made.
  if (scene == nullptr || height == 0.0f || segments < 3 || capRings < 1 || bodySections < 1) {
    return nullptr;
  }
  const unsigned s = segments;
  const unsigned c = capRings;
  const unsigned b = bodySections;
  const int pointCount = static_cast<int>((2 * c + b - 1) * s + 2);
  const int faceCount = static_cast<int>((2 * c + b) * s);
  auto object = std::make_unique<C3DObject>();
  object->Init(pointCount, faceCount, 4, flag, faceCount + 2);

  const int a = static_cast<int>(axis) % 3;
  const int u = (a + 1) % 3;
  const int v = (a + 2) % 3;
  const double r = radius;
  const double h = height;
  const double e = h / 2.0 - r;
  const double delta = kHalfPi / c;
  C3DPointList& points = *object->GetPointList();
  std::vector<double> around(pointCount, 0.5);  // texture u of each point
  auto place = [&](int index, double along, double du, double dv) {
    double xyz[3] = {centre.x, centre.y, centre.z};
    xyz[a] += along;
    xyz[u] += du;
    xyz[v] += dv;
    points.ElementAt(index) = C3DPoint(static_cast<float>(xyz[0]), static_cast<float>(xyz[1]),
                                       static_cast<float>(xyz[2]));
  };
  auto ring = [&](int first, double along, double ringRadius) {
    for (unsigned t = 0; t < s; ++t) {
      const double theta = t * (kTwoPi / s);
      place(first + static_cast<int>(t), along, ringRadius * std::cos(theta),
            ringRadius * std::sin(theta));
      around[static_cast<std::size_t>(first) + t] = static_cast<double>(t) / s;
    }
  };

  const int topPole = 0;
  const int bottomPole = static_cast<int>(1 + c * s);
  std::vector<Ring> top(c);
  std::vector<Ring> bottom(c);
  place(topPole, h / 2.0, 0.0, 0.0);
  for (unsigned k = 1; k <= c; ++k) {
    const double phi = kHalfPi - k * delta;
    top[k - 1].first = static_cast<int>(1 + (k - 1) * s);
    ring(top[k - 1].first, e + r * std::sin(phi), r * std::cos(phi));
  }
  place(bottomPole, -h / 2.0, 0.0, 0.0);
  for (unsigned k = 1; k <= c; ++k) {
    const double phi = kHalfPi - k * delta;
    bottom[k - 1].first = static_cast<int>(2 + c * s + (k - 1) * s);
    ring(bottom[k - 1].first, -e - r * std::sin(phi), r * std::cos(phi));
  }
  // From the top rim down to the bottom rim.
  std::vector<Ring> body{top[c - 1]};
  for (unsigned j = 1; j < b; ++j) {
    Ring inner{static_cast<int>(2 + 2 * c * s + (j - 1) * s)};
    ring(inner.first, e - j * (2.0 * e / b), r);
    body.push_back(inner);
  }
  body.push_back(bottom[c - 1]);

  // Every face is wound as the top fan is: the next point of a ring before
  // the current one, then the points further along the capsule.
  C3DFaceList& faces = *object->GetFaceList();
  int f = 0;
  auto fanTop = [&](const Ring& rim, int pole) {
    for (unsigned t = 0; t < s; ++t) {
      faces.ElementAt(f++)->SetTriangle(rim.at(t + 1, s), rim.at(t, s), pole);
    }
  };
  auto band = [&](const Ring& upper, const Ring& lower) {
    for (unsigned t = 0; t < s; ++t) {
      faces.ElementAt(f++)->SetQuadrangle(lower.at(t + 1, s), lower.at(t, s), upper.at(t, s),
                                          upper.at(t + 1, s));
    }
  };
  auto fanBottom = [&](const Ring& rim, int pole) {
    for (unsigned t = 0; t < s; ++t) {
      faces.ElementAt(f++)->SetTriangle(pole, rim.at(t, s), rim.at(t + 1, s));
    }
  };
  fanTop(top[0], topPole);
  for (unsigned k = 1; k < c; ++k) band(top[k - 1], top[k]);
  for (std::size_t j = 0; j + 1 < body.size(); ++j) band(body[j], body[j + 1]);
  for (unsigned k = c - 1; k >= 1; --k) band(bottom[k], bottom[k - 1]);
  fanBottom(bottom[0], bottomPole);

  CUVWFaceList* uvFaces = nullptr;
  CUVWPointList* uvPoints = nullptr;
  CDependentChannels* channels = object->GetChannels();
  if (flag && channels != nullptr &&
      channels->GetUVWChannelByIndex(0, 0, &uvFaces, &uvPoints) != nullptr) {
    // Wrapped around the axis and stretched along it; the channel's extra
    // points stay unused.
    for (int i = 0; i < pointCount && i < uvPoints->GetSize(); ++i) {
      CUVWPoint& t = uvPoints->ElementAt(i);
      const C3DPoint& p = points.ElementAt(i);
      const float coords[3] = {p.x, p.y, p.z};
      const float base[3] = {centre.x, centre.y, centre.z};
      t.u = static_cast<float>(around[static_cast<std::size_t>(i)]);
      t.v = static_cast<float>((coords[a] - base[a]) / h + 0.5);
    }
    for (int i = 0; i < faceCount; ++i) {
      const auto* face = faces.ElementAt(i);
      auto* uvFace = uvFaces->ElementAt(i);
      if (face->GetSize() == 3) {
        uvFace->SetTriangle(face->GetPointIndex(0), face->GetPointIndex(1), face->GetPointIndex(2));
      } else {
        uvFace->SetQuadrangle(face->GetPointIndex(0), face->GetPointIndex(1),
                              face->GetPointIndex(2), face->GetPointIndex(3));
      }
    }
  }

  auto node = std::make_unique<C3DSceneNode>();
  node->SetName("Capsule");
  node->SetObject(object.release());
  C3DSceneNode* added = node.get();
  scene->AddNode(nullptr, node.release());
  return added;
}
