// Random simple polygons through C3DFaceList::Triangulate. A polygon that
// comes out whole (n - 2 triangles) must be tiled exactly; stopping early is
// how the clipping rules end on some input, so it is counted, not failed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <string>

#include "mesh/algorithms/triangulate_test_support.h"

using vex3d::test::centroid;
using vex3d::test::insidePolygon;
using vex3d::test::orient;
using vex3d::test::Point2;
using vex3d::test::signedArea;
using vex3d::test::Triangle;
using vex3d::test::triangleArea;
using vex3d::test::trianglesOf;
using Polygon = std::vector<Point2>;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Around a centre, corners at sorted random angles and random radii.
Polygon starPolygon(std::mt19937& rng) {
  std::uniform_int_distribution<int> size(4, 40);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const int n = size(rng);
  std::vector<double> angles;
  for (int i = 0; i < n; ++i) angles.push_back(unit(rng) * 2 * kPi);
  std::sort(angles.begin(), angles.end());
  Polygon polygon;
  for (int i = 0; i < n; ++i) {
    // Corners too close in angle would make the outline cross itself in
    // float; spread them a little.
    const double angle = angles[static_cast<std::size_t>(i)] * 0.5 + i * kPi / n;
    const double radius = 0.2 + 0.8 * unit(rng);
    polygon.push_back({radius * std::cos(angle), radius * std::sin(angle)});
  }
  return polygon;
}

bool edgesCross(const Point2& a, const Point2& b, const Point2& c, const Point2& d) {
  const double d1 = orient(a, b, c);
  const double d2 = orient(a, b, d);
  const double d3 = orient(c, d, a);
  const double d4 = orient(c, d, b);
  return ((d1 > 0) != (d2 > 0)) && ((d3 > 0) != (d4 > 0)) && d1 != 0 && d2 != 0 && d3 != 0 &&
         d4 != 0;
}

// Random points in random order, untangled by reversing the stretch between
// two crossing edges until none cross: the outline wanders over the square.
Polygon wanderingPolygon(std::mt19937& rng) {
  std::uniform_int_distribution<int> size(4, 24);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const int n = size(rng);
  Polygon polygon;
  for (int i = 0; i < n; ++i) polygon.push_back({unit(rng), unit(rng)});
  for (bool crossed = true; crossed;) {
    crossed = false;
    for (int i = 0; i < n && !crossed; ++i) {
      for (int j = i + 2; j < n && !crossed; ++j) {
        if (i == 0 && j == n - 1) continue;
        const auto at = [&](int k) { return polygon[static_cast<std::size_t>(k % n)]; };
        if (edgesCross(at(i), at(i + 1), at(j), at(j + 1))) {
          std::reverse(polygon.begin() + i + 1, polygon.begin() + j + 1);
          crossed = true;
        }
      }
    }
  }
  if (signedArea(polygon) < 0) std::reverse(polygon.begin(), polygon.end());
  return polygon;
}

// The outline of a random polyomino grown cell by cell without holes or
// corner-only contacts, straight corners dropped: axis-aligned edges, many
// equal angles and reflex corners exactly on candidate edges.
Polygon latticePolygon(std::mt19937& rng) {
  constexpr int kGrid = 12;
  std::vector<char> cell(kGrid * kGrid, 0);
  const auto at = [&](int x, int y) -> char {
    return x < 0 || y < 0 || x >= kGrid || y >= kGrid
               ? 0
               : cell[static_cast<std::size_t>(y * kGrid + x)];
  };
  const auto acceptable = [&]() {
    for (int y = -1; y < kGrid; ++y) {
      for (int x = -1; x < kGrid; ++x) {
        const char a = at(x, y), b = at(x + 1, y), c = at(x, y + 1), d = at(x + 1, y + 1);
        if ((a && d && !b && !c) || (b && c && !a && !d)) return false;
      }
    }
    // Every empty cell must reach the outside.
    std::vector<char> seen((kGrid + 2) * (kGrid + 2), 0);
    std::vector<std::pair<int, int>> stack{{-1, -1}};
    seen[0] = 1;
    while (!stack.empty()) {
      const auto [x, y] = stack.back();
      stack.pop_back();
      const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
      for (int k = 0; k < 4; ++k) {
        const int nx = x + dx[k], ny = y + dy[k];
        if (nx < -1 || ny < -1 || nx > kGrid || ny > kGrid || at(nx, ny)) continue;
        char& s = seen[static_cast<std::size_t>((ny + 1) * (kGrid + 2) + nx + 1)];
        if (!s) {
          s = 1;
          stack.push_back({nx, ny});
        }
      }
    }
    for (int y = 0; y < kGrid; ++y) {
      for (int x = 0; x < kGrid; ++x) {
        if (!at(x, y) && !seen[static_cast<std::size_t>((y + 1) * (kGrid + 2) + x + 1)])
          return false;
      }
    }
    return true;
  };

  std::uniform_int_distribution<int> target(3, 40);
  std::uniform_int_distribution<int> coordinate(0, kGrid - 1);
  std::uniform_int_distribution<int> direction(0, 3);
  cell[static_cast<std::size_t>(kGrid / 2 * kGrid + kGrid / 2)] = 1;
  const int wanted = target(rng);
  for (int count = 1, tries = 0; count < wanted && tries < 4000; ++tries) {
    const int x = coordinate(rng), y = coordinate(rng);
    if (!at(x, y)) continue;
    const int dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
    const int k = direction(rng);
    const int nx = x + dx[k], ny = y + dy[k];
    if (nx < 0 || ny < 0 || nx >= kGrid || ny >= kGrid || at(nx, ny)) continue;
    cell[static_cast<std::size_t>(ny * kGrid + nx)] = 1;
    if (acceptable()) {
      ++count;
    } else {
      cell[static_cast<std::size_t>(ny * kGrid + nx)] = 0;
    }
  }

  // Counter-clockwise edges of each cell where its neighbour is empty; with
  // no corner-only contact every outline vertex starts exactly one.
  std::map<std::pair<int, int>, std::pair<int, int>> next;
  for (int y = 0; y < kGrid; ++y) {
    for (int x = 0; x < kGrid; ++x) {
      if (!at(x, y)) continue;
      if (!at(x, y - 1)) next[{x, y}] = {x + 1, y};
      if (!at(x + 1, y)) next[{x + 1, y}] = {x + 1, y + 1};
      if (!at(x, y + 1)) next[{x + 1, y + 1}] = {x, y + 1};
      if (!at(x - 1, y)) next[{x, y + 1}] = {x, y};
    }
  }
  std::vector<std::pair<int, int>> loop;
  const auto start = next.begin()->first;
  auto v = start;
  do {
    loop.push_back(v);
    v = next[v];
  } while (v != start);
  Polygon polygon;
  const std::size_t n = loop.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto& p = loop[(i + n - 1) % n];
    const auto& c = loop[i];
    const auto& q = loop[(i + 1) % n];
    const bool straight =
        (c.first - p.first) * (q.second - c.second) == (c.second - p.second) * (q.first - c.first);
    if (!straight) polygon.push_back({static_cast<double>(c.first), static_cast<double>(c.second)});
  }
  // Any corner may be the head.
  std::uniform_int_distribution<std::size_t> head(0, polygon.size() - 1);
  std::rotate(polygon.begin(), polygon.begin() + static_cast<std::ptrdiff_t>(head(rng)),
              polygon.end());
  return polygon;
}

// Whether the triangles tile the polygon: every one turns the polygon's way,
// lies inside it, crosses no outline edge, and the areas add up.
std::string tilingFault(const Polygon& polygon, const std::vector<Triangle>& triangles,
                        int firstPoint) {
  const double area = signedArea(polygon);
  const double sign = area > 0 ? 1.0 : -1.0;
  const double scale = std::abs(area);
  const std::size_t n = polygon.size();
  double sum = 0.0;
  for (const Triangle& t : triangles) {
    const Point2& a = polygon[static_cast<std::size_t>(t[0] - firstPoint)];
    const Point2& b = polygon[static_cast<std::size_t>(t[1] - firstPoint)];
    const Point2& c = polygon[static_cast<std::size_t>(t[2] - firstPoint)];
    const double part = sign * triangleArea(a, b, c);
    if (part < -1e-6 * scale) return "a reversed triangle";
    sum += part;
    if (part <= 1e-6 * scale) continue;
    if (!insidePolygon(polygon, centroid(a, b, c))) return "a triangle outside the outline";
    const Point2* corners[] = {&a, &b, &c};
    for (int e = 0; e < 3; ++e) {
      const Point2& p = *corners[e];
      const Point2& q = *corners[(e + 1) % 3];
      for (std::size_t j = 0, i = n - 1; j < n; i = j++) {
        const double tolerance = 1e-9 * scale;
        const double d1 = orient(p, q, polygon[i]), d2 = orient(p, q, polygon[j]);
        const double d3 = orient(polygon[i], polygon[j], p), d4 = orient(polygon[i], polygon[j], q);
        if (((d1 > tolerance && d2 < -tolerance) || (d1 < -tolerance && d2 > tolerance)) &&
            ((d3 > tolerance && d4 < -tolerance) || (d3 < -tolerance && d4 > tolerance))) {
          return "a triangle edge crossing the outline";
        }
      }
    }
  }
  if (std::abs(sum - scale) > 1e-4 * scale) return "areas that do not add up";
  return {};
}

struct FamilyResult {
  int polygons = 0;
  int whole = 0;
  int earlyStops = 0;
  int faults = 0;
  std::string firstFault;
};

// All polygons of a family in one list (material id = polygon number), cut
// in one call; each embedded by a random rotation when `tilt`, and half of
// them wound clockwise.
FamilyResult runFamily(const std::function<Polygon(std::mt19937&)>& make, unsigned seed, int count,
                       bool tilt) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  vex3d::test::PolygonScene scene;
  std::vector<Polygon> polygons;
  std::vector<int> firstPoints;
  for (int i = 0; i < count; ++i) {
    Polygon polygon = make(rng);
    if (tilt && (rng() & 1)) std::reverse(polygon.begin(), polygon.end());
    // A random rotation from a random unit quaternion, and an offset.
    double q[4] = {unit(rng), unit(rng), unit(rng), unit(rng)};
    const double len = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    for (double& c : q) c /= len;
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    const double ex[3] = {1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y)};
    const double ey[3] = {2 * (x * y - w * z), 1 - 2 * (x * x + z * z), 2 * (y * z + w * x)};
    const double offset[3] = {unit(rng) * 10, unit(rng) * 10, unit(rng) * 10};
    firstPoints.push_back(scene.points.GetSize());
    std::vector<int> indices;
    for (const Point2& p : polygon) {
      float c[3];
      for (int k = 0; k < 3; ++k) {
        c[k] = tilt ? static_cast<float>(offset[k] + p[0] * ex[k] + p[1] * ey[k])
                    : static_cast<float>(k == 0 ? p[0] : (k == 1 ? p[1] : 0.0));
      }
      indices.push_back(scene.points.Add(C3DPoint(c[0], c[1], c[2])));
    }
    const int face = scene.addFace(indices);
    scene.faces[face]->SetMaterialID(static_cast<std::uint32_t>(i));
    polygons.push_back(std::move(polygon));
  }
  scene.faces.Triangulate(&scene.geom, static_cast<_FACE_PROPERTIES>(0), 1);

  std::vector<std::vector<Triangle>> byPolygon(polygons.size());
  for (int i = 0; i < scene.out.GetSize(); ++i) {
    const C3DFace* f = scene.out[i];
    byPolygon[f->GetMaterialID()].push_back({(*f)[0], (*f)[1], (*f)[2]});
  }
  FamilyResult result;
  for (std::size_t i = 0; i < polygons.size(); ++i) {
    ++result.polygons;
    const std::size_t n = polygons[i].size();
    if (byPolygon[i].size() + 2 < n) {
      ++result.earlyStops;
      continue;
    }
    ++result.whole;
    const std::string fault = tilingFault(polygons[i], byPolygon[i], firstPoints[i]);
    if (!fault.empty()) {
      if (result.faults++ == 0) result.firstFault = "polygon " + std::to_string(i) + ": " + fault;
    }
  }
  return result;
}

void report(const char* family, const FamilyResult& r) {
  const double rate = 100.0 * r.earlyStops / r.polygons;
  std::printf("%s: %d polygons, %d whole, %d stopped early (%.2f%%), %d whole but not tiling\n",
              family, r.polygons, r.whole, r.earlyStops, rate, r.faults);
  testing::Test::RecordProperty(std::string(family) + "EarlyStopPercent", std::to_string(rate));
}

}  // namespace

TEST(TriangulateProperty, StarShapedPolygonsAreTiled) {
  const FamilyResult r = runFamily(starPolygon, 1234u, 1500, true);
  report("star", r);
  EXPECT_EQ(r.faults, 0) << r.firstFault;
  EXPECT_GT(r.whole, 0);
}

TEST(TriangulateProperty, WanderingPolygonsAreTiled) {
  const FamilyResult r = runFamily(wanderingPolygon, 98765u, 1500, true);
  report("wandering", r);
  EXPECT_EQ(r.faults, 0) << r.firstFault;
  EXPECT_GT(r.whole, 0);
}

TEST(TriangulateProperty, LatticePolygonsAreTiledWhenWhole) {
  const FamilyResult r = runFamily(latticePolygon, 4242u, 1000, false);
  report("lattice", r);
  EXPECT_EQ(r.faults, 0) << r.firstFault;
}

TEST(TriangulateProperty, TilingCheckRejectsAWrongCut) {
  const Polygon l = {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
  EXPECT_EQ(tilingFault(l, {{1, 2, 0}, {0, 2, 3}, {0, 3, 5}, {5, 3, 4}}, 0), "");
  EXPECT_NE(tilingFault(l, {{0, 1, 2}, {0, 2, 4}, {0, 4, 5}, {2, 3, 4}}, 0), "");
  EXPECT_NE(tilingFault(l, {{1, 2, 0}, {0, 2, 3}, {0, 3, 5}}, 0), "") << "a piece missing";
}
