#include "render/vertex_batch.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstring>

namespace vex3d {

void VertexBatch::begin(std::size_t pointCount) {
  m_active = true;
  m_usesTexCoord = false;
  m_usesColor = false;
  m_vertices.clear();
  m_indices.clear();
  if (m_pointVertex.size() < pointCount) {
    m_pointVertex.assign(pointCount, PointVertex{});
    m_generation = 1;
  }
  glGetFloatv(GL_CURRENT_NORMAL, m_current.normal);
  float texCoord[4];
  glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord);
  std::memcpy(m_current.texCoord, texCoord, sizeof m_current.texCoord);
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, m_current.color);
  glGetFloatv(GL_CURRENT_COLOR, m_currentColor);
}

void VertexBatch::setNormal(const float normal[3]) {
  std::memcpy(m_current.normal, normal, sizeof m_current.normal);
}

void VertexBatch::setTexCoord(const float uvw[3]) {
  std::memcpy(m_current.texCoord, uvw, sizeof m_current.texCoord);
  m_usesTexCoord = true;
}

void VertexBatch::setColor(const float rgba[4]) {
  std::memcpy(m_current.color, rgba, sizeof m_current.color);
  m_usesColor = true;
}

bool VertexBatch::sameValues(const Vertex& a, const Vertex& b) const {
  // Values never set in this batch are the same for all its vertices.
  return std::memcmp(a.normal, b.normal, sizeof a.normal) == 0 &&
         (!m_usesTexCoord || std::memcmp(a.texCoord, b.texCoord, sizeof a.texCoord) == 0) &&
         (!m_usesColor || std::memcmp(a.color, b.color, sizeof a.color) == 0);
}

void VertexBatch::add(int point, const float position[3]) {
  const auto p = static_cast<std::size_t>(point);
  PointVertex* known = p < m_pointVertex.size() ? &m_pointVertex[p] : nullptr;
  if (known != nullptr && known->stamp == m_generation &&
      sameValues(m_vertices[known->vertex], m_current)) {
    m_indices.push_back(known->vertex);
    return;
  }
  const auto index = static_cast<std::uint32_t>(m_vertices.size());
  Vertex& v = m_vertices.emplace_back(m_current);
  std::memcpy(v.position, position, sizeof v.position);
  m_indices.push_back(index);
  // A point met again with other values keeps its newest vertex: the
  // corners of one point that agree tend to come together.
  if (known != nullptr) *known = PointVertex{m_generation, index};
}

void VertexBatch::draw() {
  const std::size_t whole = m_indices.size() - m_indices.size() % 3;
  if (whole > 0) {
    const Vertex* v = m_vertices.data();
    constexpr auto stride = static_cast<GLsizei>(sizeof(Vertex));
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, v->position);
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, stride, v->normal);
    if (m_usesTexCoord) {
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(3, GL_FLOAT, stride, v->texCoord);
    }
    if (m_usesColor) {
      glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
      glEnable(GL_COLOR_MATERIAL);
      glEnableClientState(GL_COLOR_ARRAY);
      glColorPointer(4, GL_FLOAT, stride, v->color);
    }
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(whole), GL_UNSIGNED_INT, m_indices.data());
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    if (m_usesTexCoord) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (m_usesColor) {
      glDisableClientState(GL_COLOR_ARRAY);
      glDisable(GL_COLOR_MATERIAL);
    }
    restoreCurrentValues();
  }
  m_vertices.clear();
  m_indices.clear();
  // Vertices are numbered afresh in each draw.
  if (++m_generation == 0) {
    std::fill(m_pointVertex.begin(), m_pointVertex.end(), PointVertex{});
    m_generation = 1;
  }
}

void VertexBatch::end() {
  if (!m_active) return;
  draw();
  m_active = false;
}

void VertexBatch::restoreCurrentValues() {
  // Drawing from arrays leaves the current values undefined; the next
  // corners sent one by one, and the next batch, count on them.
  glNormal3fv(m_current.normal);
  if (m_usesTexCoord) glTexCoord3fv(m_current.texCoord);
  if (m_usesColor) {
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m_current.color);
    glColor4fv(m_currentColor);
  }
}

}  // namespace vex3d
