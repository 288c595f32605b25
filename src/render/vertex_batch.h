#pragma once
// Triangles gathered corner by corner, then drawn from arrays in one call.
//
// Sent as one call per value, a mesh of a million triangles spends most of
// its drawing time in the driver's per-call path, and every corner is lit
// on its own although a point is shared by about six triangles. Here the
// corners of one point that carry the same values become one vertex, drawn
// through an index.
//
// The values a corner takes follow the fixed-function rules: a normal,
// texture point or diffuse colour set once holds for the corners after it.
// Drawing leaves the context's current values as sending the corners one by
// one would have left them.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vex3d {

class VertexBatch {
 public:
  // Starts gathering corners of points 0 .. pointCount-1; the context's
  // current normal, texture point and diffuse colour are read as the values
  // corners take until they are set.
  void begin(std::size_t pointCount);
  bool active() const { return m_active; }

  void setNormal(const float normal[3]);
  void setTexCoord(const float uvw[3]);
  // The diffuse colour of the material, for the corners that follow.
  void setColor(const float rgba[4]);
  // A corner on `point` at `position`, with the values set last.
  void add(int point, const float position[3]);

  // Draws the corners gathered since the last draw (whole triangles).
  void draw();
  // Draws what is left and stops gathering.
  void end();

 private:
  struct Vertex {
    float position[3];
    float normal[3];
    float texCoord[3];
    float color[4];
  };
  // The part of a vertex that may differ between corners of one point.
  bool sameValues(const Vertex& a, const Vertex& b) const;
  void restoreCurrentValues();

  bool m_active = false;
  bool m_usesTexCoord = false;
  bool m_usesColor = false;
  Vertex m_current{};
  float m_currentColor[4] = {};
  std::vector<Vertex> m_vertices;
  std::vector<std::uint32_t> m_indices;
  // Per point: the draw in which it last became a vertex, and that vertex
  // (side by side: a large mesh misses the cache once per point).
  struct PointVertex {
    std::uint32_t stamp = 0;
    std::uint32_t vertex = 0;
  };
  std::vector<PointVertex> m_pointVertex;
  std::uint32_t m_generation = 1;
};

}  // namespace vex3d
