// C3DFaceList::Triangulate against a plain ear clipper written beside it:
// every corner walks the ring for the sharpest ear and every ear test walks
// the whole ring. Large polygons are cut with search structures instead, so
// the two must agree triangle for triangle, in order, on every kind of input
// those structures could get wrong: many reflex corners, equal angles,
// corners on edges, repeated points, flat and overflowing outlines, and
// sizes on both sides of where the structures take over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "mesh/algorithms/triangulate_test_support.h"

using vex3d::test::Point2;
using vex3d::test::PolygonScene;
using vex3d::test::Triangle;
using Polygon = std::vector<Point2>;
using Triangles = std::vector<Triangle>;

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---- The plain clipper ------------------------------------------------

struct Corner {
  float x = 0.0f;
  float y = 0.0f;
  float angle = 0.0f;
  bool convex = false;
  int point = 0;
  int previous = 0;
  int next = 0;
};

void setAngle(std::vector<Corner>& ring, int i) {
  Corner& c = ring[static_cast<std::size_t>(i)];
  const Corner& p = ring[static_cast<std::size_t>(c.previous)];
  const Corner& q = ring[static_cast<std::size_t>(c.next)];
  const double ax = static_cast<double>(p.x) - c.x, ay = static_cast<double>(p.y) - c.y;
  const double bx = static_cast<double>(q.x) - c.x, by = static_cast<double>(q.y) - c.y;
  c.angle = static_cast<float>(std::atan2(ay * bx - ax * by, ax * bx + ay * by));
  c.convex = c.angle >= 0.0f;
}

// The corners in the face's plane: Newell's normal, the first edge, and
// their cross product as the frame, all in double.
void project(const C3DPointList& points, const std::vector<int>& face, std::vector<Corner>& ring) {
  const std::size_t n = face.size();
  const C3DPoint* data = points.GetData();
  double normal[3] = {0.0, 0.0, 0.0};
  for (std::size_t j = 0, i = n - 1; j < n; i = j++) {
    const C3DPoint& a = data[face[i]];
    const C3DPoint& b = data[face[j]];
    normal[0] += (static_cast<double>(a.y) - b.y) * (static_cast<double>(a.z) + b.z);
    normal[1] += (static_cast<double>(a.z) - b.z) * (static_cast<double>(a.x) + b.x);
    normal[2] += (static_cast<double>(a.x) - b.x) * (static_cast<double>(a.y) + b.y);
  }
  const double length =
      std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
  if (length == 0.0) return;
  for (double& c : normal) c /= length;
  const C3DPoint& origin = data[face[0]];
  const C3DPoint& second = data[face[1]];
  double u[3] = {static_cast<double>(second.x) - origin.x, static_cast<double>(second.y) - origin.y,
                 static_cast<double>(second.z) - origin.z};
  const double uLength = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
  if (uLength != 0.0) {
    for (double& c : u) c /= uLength;
  }
  double v[3] = {normal[1] * u[2] - normal[2] * u[1], normal[2] * u[0] - normal[0] * u[2],
                 normal[0] * u[1] - normal[1] * u[0]};
  const double vLength = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (vLength != 0.0) {
    for (double& c : v) c /= vLength;
  }
  for (Corner& corner : ring) {
    const C3DPoint& p = data[corner.point];
    const double d[3] = {static_cast<double>(p.x) - origin.x, static_cast<double>(p.y) - origin.y,
                         static_cast<double>(p.z) - origin.z};
    corner.x = static_cast<float>(d[0] * u[0] + d[1] * u[1] + d[2] * u[2]);
    corner.y = static_cast<float>(d[0] * v[0] + d[1] * v[1] + d[2] * v[2]);
  }
}

int sharpestFrom(const std::vector<Corner>& ring, int from) {
  int best = -1;
  for (int i = ring[static_cast<std::size_t>(from)].next; i != from;
       i = ring[static_cast<std::size_t>(i)].next) {
    const Corner& c = ring[static_cast<std::size_t>(i)];
    if (c.convex && (best < 0 || c.angle < ring[static_cast<std::size_t>(best)].angle)) best = i;
  }
  return best;
}

double cross(const Corner& a, const Corner& b, const Corner& w) {
  return (static_cast<double>(b.x) - a.x) * (static_cast<double>(w.y) - a.y) -
         (static_cast<double>(b.y) - a.y) * (static_cast<double>(w.x) - a.x);
}

bool blocked(const std::vector<Corner>& ring, int ear) {
  const Corner& e = ring[static_cast<std::size_t>(ear)];
  const Corner& q = ring[static_cast<std::size_t>(e.next)];
  const Corner& p = ring[static_cast<std::size_t>(e.previous)];
  const float minX = std::min({e.x, q.x, p.x}), maxX = std::max({e.x, q.x, p.x});
  const float minY = std::min({e.y, q.y, p.y}), maxY = std::max({e.y, q.y, p.y});
  for (int i = q.next; i != e.previous; i = ring[static_cast<std::size_t>(i)].next) {
    const Corner& w = ring[static_cast<std::size_t>(i)];
    if (w.angle < 0.0f && w.x > minX && w.x < maxX && w.y > minY && w.y < maxY &&
        cross(e, q, w) > 0.0 && cross(q, p, w) > 0.0 && cross(p, e, w) > 0.0) {
      return true;
    }
  }
  return false;
}

Triangles plainCut(const C3DPointList& points, const std::vector<int>& face) {
  const int n = static_cast<int>(face.size());
  if (n < 4) return {{face[0], face[1], face[2]}};
  std::vector<Corner> ring(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    Corner& c = ring[static_cast<std::size_t>(i)];
    c.point = face[static_cast<std::size_t>(i)];
    c.previous = (i + n - 1) % n;
    c.next = (i + 1) % n;
  }
  project(points, face, ring);
  for (int i = 0; i < n; ++i) setAngle(ring, i);

  Triangles out;
  int candidate = sharpestFrom(ring, 0);
  if (candidate < 0) return out;
  for (int count = n; count > 2;) {
    const Corner& c = ring[static_cast<std::size_t>(candidate)];
    if (!c.convex || c.angle > 1.58f) {
      const int sharper = sharpestFrom(ring, candidate);
      if (sharper < 0 || ring[static_cast<std::size_t>(sharper)].angle <= 0.0f) break;
      candidate = sharper;
    }
    const int e = candidate;
    const int q = ring[static_cast<std::size_t>(e)].next;
    const int p = ring[static_cast<std::size_t>(e)].previous;
    if (blocked(ring, e)) {
      ring[static_cast<std::size_t>(e)].convex = false;
    } else {
      const int a = ring[static_cast<std::size_t>(e)].point;
      const int b = ring[static_cast<std::size_t>(q)].point;
      const int d = ring[static_cast<std::size_t>(p)].point;
      if (a != b && b != d && d != a) out.push_back({a, b, d});
      ring[static_cast<std::size_t>(p)].next = q;
      ring[static_cast<std::size_t>(q)].previous = p;
      setAngle(ring, p);
      setAngle(ring, q);
      --count;
    }
    const Corner& nq = ring[static_cast<std::size_t>(q)];
    const Corner& np = ring[static_cast<std::size_t>(p)];
    candidate = nq.convex && nq.angle < np.angle ? q : p;
  }
  return out;
}

// ---- Outlines ---------------------------------------------------------

// Mostly small polygons, some around a few hundred corners, a few of
// thousands.
int pickSize(std::mt19937& rng) {
  const int bucket = std::uniform_int_distribution<int>(0, 99)(rng);
  if (bucket < 70) return std::uniform_int_distribution<int>(3, 48)(rng);
  if (bucket < 96) return std::uniform_int_distribution<int>(49, 600)(rng);
  return std::uniform_int_distribution<int>(601, 3000)(rng);
}

double uniform(std::mt19937& rng, double low, double high) {
  return std::uniform_real_distribution<double>(low, high)(rng);
}

// Corners around a centre at sorted random angles and random radii.
Polygon star(std::mt19937& rng, int n) {
  std::vector<double> angles;
  for (int i = 0; i < n; ++i) angles.push_back(uniform(rng, 0.0, 2 * kPi));
  std::sort(angles.begin(), angles.end());
  Polygon polygon;
  for (double angle : angles) {
    const double radius = uniform(rng, 0.1, 1.0);
    polygon.push_back({radius * std::cos(angle), radius * std::sin(angle)});
  }
  return polygon;
}

// Random points by increasing x, each on the lower or the upper chain.
Polygon monotone(std::mt19937& rng, int n) {
  std::vector<Point2> points;
  for (int i = 0; i < n; ++i) points.push_back({uniform(rng, 0.0, 1.0), uniform(rng, 0.0, 1.0)});
  std::sort(points.begin(), points.end());
  Polygon lower, upper;
  for (const Point2& p : points) (rng() & 1 ? upper : lower).push_back(p);
  std::reverse(upper.begin(), upper.end());
  lower.insert(lower.end(), upper.begin(), upper.end());
  return lower;
}

// Teeth of random heights over random notches; on whole numbers when
// `whole`, so that notches line up and corners fall on edges.
Polygon comb(std::mt19937& rng, int n, bool whole) {
  const auto value = [&](double low, double high) {
    return whole ? std::floor(uniform(rng, low, high + 1.0)) : uniform(rng, low, high);
  };
  const int teeth = std::max(1, n / 4);
  Polygon polygon{{0.0, 0.0}, {2.0 * teeth - 1.0, 0.0}};
  for (int i = teeth - 1; i >= 0; --i) {
    const double top = value(4.0, 9.0);
    polygon.push_back({2.0 * i + 1.0, top});
    polygon.push_back({2.0 * i, whole ? top : value(4.0, 9.0)});
    if (i > 0) {
      const double notch = value(1.0, 3.0);
      polygon.push_back({2.0 * i, notch});
      polygon.push_back({2.0 * i - 1.0, whole ? notch : value(1.0, 3.0)});
    }
  }
  return polygon;
}

// A strip wound around a centre: out along one side, back along the other.
Polygon spiral(std::mt19937& rng, int n) {
  const int outer = std::max(2, n / 2);
  const int inner = std::max(2, n - outer);
  const double turns = uniform(rng, 0.5, 1.0 + n / 300.0);
  const double jitter = uniform(rng, 0.0, 0.3);
  Polygon polygon;
  for (int i = 0; i < outer; ++i) {
    const double t = 2 * kPi * turns * i / (outer - 1);
    const double r = 2.0 + 2.0 * t / (2 * kPi) + uniform(rng, 0.0, jitter);
    polygon.push_back({r * std::cos(t), r * std::sin(t)});
  }
  for (int i = inner - 1; i >= 0; --i) {
    const double t = 2 * kPi * turns * i / (inner - 1);
    const double r = 1.0 + 2.0 * t / (2 * kPi) - uniform(rng, 0.0, jitter);
    polygon.push_back({r * std::cos(t), r * std::sin(t)});
  }
  return polygon;
}

// Columns of whole heights standing on the x axis, a corner at each end of
// each column top: right angles everywhere, equal neighbours give straight
// corners.
Polygon histogram(std::mt19937& rng, int n) {
  const int columns = std::max(1, (n - 2) / 2);
  Polygon polygon{{0.0, 0.0}, {static_cast<double>(columns), 0.0}};
  for (int i = columns - 1; i >= 0; --i) {
    const double height = std::uniform_int_distribution<int>(1, 4)(rng);
    polygon.push_back({i + 1.0, height});
    polygon.push_back({static_cast<double>(i), height});
  }
  return polygon;
}

// Random points in random order: the outline crosses itself everywhere.
Polygon tangle(std::mt19937& rng, int n) {
  Polygon polygon;
  for (int i = 0; i < n; ++i) polygon.push_back({uniform(rng, 0.0, 1.0), uniform(rng, 0.0, 1.0)});
  return polygon;
}

// Every edge cut into equal pieces by corners on it; exact on outlines of
// whole numbers, since the pieces are powers of two.
Polygon withStraightRuns(std::mt19937& rng, const Polygon& polygon) {
  Polygon out;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const Point2& a = polygon[i];
    const Point2& b = polygon[(i + 1) % polygon.size()];
    out.push_back(a);
    if (rng() % 3 != 0) continue;
    const int pieces = 1 << std::uniform_int_distribution<int>(1, 3)(rng);
    for (int k = 1; k < pieces; ++k) {
      const double t = static_cast<double>(k) / pieces;
      out.push_back({a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t});
    }
  }
  return out;
}

// ---- Running both -----------------------------------------------------

struct Options {
  bool tilt = false;          // a random rotation and offset into space
  bool straightRuns = false;  // corners added on the edges
  bool repeats = false;       // some corners twice in a row (same point or a copy)
  double squash = 1.0;        // y scaled: near 0, a nearly flat outline
  double scale = 1.0;         // tiny or huge coordinates
};

struct Family {
  const char* name;
  std::function<Polygon(std::mt19937&, int)> make;
  Options options;
};

// Polygons of one family in one list, so that the triangulator's scratch
// room passes from polygon to polygon, small ones after large ones; the
// first polygon that comes out otherwise than from the plain clipper is
// reported.
void expectSameAsPlain(const Family& family, unsigned seed, int count) {
  SCOPED_TRACE(family.name);
  std::mt19937 rng(seed);
  PolygonScene scene;
  std::vector<std::vector<int>> faces;
  for (int f = 0; f < count; ++f) {
    Polygon polygon = family.make(rng, pickSize(rng));
    if (family.options.straightRuns) polygon = withStraightRuns(rng, polygon);
    if (rng() & 1) std::reverse(polygon.begin(), polygon.end());
    std::rotate(polygon.begin(),
                polygon.begin() + static_cast<std::ptrdiff_t>(rng() % polygon.size()),
                polygon.end());
    double q[4], offset[3];
    for (double& c : q) c = uniform(rng, -1.0, 1.0);
    for (double& c : offset) c = uniform(rng, -10.0, 10.0);
    const double len = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    for (double& c : q) c /= len;
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    const double ex[3] = {1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y)};
    const double ey[3] = {2 * (x * y - w * z), 1 - 2 * (x * x + z * z), 2 * (y * z + w * x)};

    std::vector<int> face;
    for (const Point2& p : polygon) {
      const double px = p[0] * family.options.scale;
      const double py = p[1] * family.options.squash * family.options.scale;
      float c[3];
      for (int k = 0; k < 3; ++k) {
        c[k] = family.options.tilt
                   ? static_cast<float>(offset[k] * family.options.scale + px * ex[k] + py * ey[k])
                   : static_cast<float>(k == 0 ? px : (k == 1 ? py : 0.0));
      }
      const int point = scene.points.Add(C3DPoint(c[0], c[1], c[2]));
      face.push_back(point);
      if (family.options.repeats && rng() % 8 == 0) {
        face.push_back(rng() & 1 ? point : scene.points.Add(C3DPoint(c[0], c[1], c[2])));
      }
    }
    if (face.size() > 65535) face.resize(65535);
    // Sized once: growing a face index by index costs a copy per index.
    C3DSingleFace single;
    single.SetSize(static_cast<std::uint32_t>(face.size()));
    for (std::size_t k = 0; k < face.size(); ++k) single[static_cast<std::uint32_t>(k)] = face[k];
    scene.faces.Add(&single);
    faces.push_back(std::move(face));
  }
  scene.faces.Triangulate(&scene.geom, static_cast<_FACE_PROPERTIES>(0), 1);

  Triangles all;
  std::size_t at = 0;
  for (std::size_t f = 0; f < faces.size(); ++f) {
    const Triangles expected = plainCut(scene.points, faces[f]);
    Triangles got;
    for (std::size_t k = 0;
         k < expected.size() && at < static_cast<std::size_t>(scene.out.GetSize()); ++k, ++at) {
      const CFace& t = *scene.out[static_cast<int>(at)];
      got.push_back({t[0], t[1], t[2]});
    }
    if (got != expected) {
      std::size_t first = 0;
      while (first < got.size() && got[first] == expected[first]) ++first;
      ADD_FAILURE() << "polygon " << f << " of " << faces[f].size()
                    << " corners: " << expected.size() << " triangles expected, the first "
                    << (first < expected.size() ? "difference at triangle " + std::to_string(first)
                                                : "missing ones after " + std::to_string(first));
      return;
    }
  }
  EXPECT_EQ(static_cast<std::size_t>(scene.out.GetSize()), at) << "triangles beyond the expected";
}

}  // namespace

TEST(TriangulateLikePlainClipper, SimplePolygonsWithManyReflexCorners) {
  expectSameAsPlain({"star", star, {.tilt = true}}, 11u, 240);
  expectSameAsPlain({"monotone", monotone, {.tilt = true}}, 12u, 240);
  expectSameAsPlain({"comb", [](std::mt19937& r, int n) { return comb(r, n, false); }}, 13u, 160);
  expectSameAsPlain({"spiral", spiral, {.tilt = true}}, 14u, 160);
}

TEST(TriangulateLikePlainClipper, EqualAnglesStraightRunsAndCornersOnEdges) {
  const auto wholeComb = [](std::mt19937& r, int n) { return comb(r, n, true); };
  expectSameAsPlain({"whole comb", wholeComb}, 21u, 200);
  expectSameAsPlain({"histogram", histogram}, 22u, 200);
  expectSameAsPlain({"comb with runs", wholeComb, {.straightRuns = true}}, 23u, 160);
  expectSameAsPlain({"histogram with runs", histogram, {.straightRuns = true}}, 24u, 160);
}

TEST(TriangulateLikePlainClipper, RepeatedCorners) {
  expectSameAsPlain({"star", star, {.tilt = true, .repeats = true}}, 31u, 200);
  expectSameAsPlain({"histogram", histogram, {.straightRuns = true, .repeats = true}}, 32u, 160);
}

TEST(TriangulateLikePlainClipper, DegenerateAndCrossingOutlines) {
  expectSameAsPlain({"tangle", tangle, {.tilt = true}}, 41u, 200);
  expectSameAsPlain({"nearly flat star", star, {.tilt = true, .squash = 1e-7}}, 42u, 160);
  expectSameAsPlain(
      {"flat comb", [](std::mt19937& r, int n) { return comb(r, n, true); }, {.squash = 0.0}}, 43u,
      80);
  expectSameAsPlain({"one point",
                     [](std::mt19937&, int n) {
                       return Polygon(n, {0.5, 0.5});
                     }},
                    44u, 40);
  expectSameAsPlain({"tiny monotone", monotone, {.tilt = true, .scale = 1e-40}}, 45u, 80);
  // Projected corners overflow to infinity.
  expectSameAsPlain({"huge spiral", spiral, {.tilt = true, .scale = 6e36}}, 46u, 80);
}
