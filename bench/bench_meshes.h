#pragma once
// Generated meshes for the benchmarks: a noisy torus, as quads or split
// into triangles, and its serialisation as binary PLY so that a peer
// library can read exactly the same mesh.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

namespace vex3d::bench {

// u x v quads around a torus; with `triangles` each quad is split in two.
inline void makeTorus(C3DObject& object, int u, int v, bool triangles, float noise = 0.002f) {
  const int points = u * v;
  const int faces = triangles ? 2 * u * v : u * v;
  object.Init(points, faces, triangles ? 3 : 4, 0, 0);
  C3DPointList& p = *object.GetPointList();
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> jitter(-noise, noise);
  constexpr float kTwoPi = 6.2831853f;
  for (int i = 0; i < u; ++i) {
    for (int j = 0; j < v; ++j) {
      const float a = kTwoPi * static_cast<float>(i) / static_cast<float>(u);
      const float b = kTwoPi * static_cast<float>(j) / static_cast<float>(v);
      const float r = 1.0f + 0.3f * std::cos(b) + jitter(rng);
      p[i * v + j].Init(r * std::cos(a), r * std::sin(a), 0.3f * std::sin(b) + jitter(rng));
    }
  }
  C3DFaceList& f = *object.GetFaceList();
  int k = 0;
  for (int i = 0; i < u; ++i) {
    for (int j = 0; j < v; ++j) {
      const int a = i * v + j;
      const int b = ((i + 1) % u) * v + j;
      const int c = ((i + 1) % u) * v + (j + 1) % v;
      const int d = i * v + (j + 1) % v;
      if (triangles) {
        f[k++]->SetTriangle(a, b, c);
        f[k++]->SetTriangle(a, c, d);
      } else {
        f[k++]->SetQuadrangle(a, b, c, d);
      }
    }
  }
}

// Binary little-endian PLY of the points and faces.
inline std::string toPly(const C3DPointList& p, const C3DFaceList& f) {
  std::string out =
      "ply\nformat binary_little_endian 1.0\nelement vertex " + std::to_string(p.GetSize()) +
      "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
      std::to_string(f.GetSize()) + "\nproperty list uchar int vertex_indices\nend_header\n";
  auto put = [&out](const void* data, std::size_t size) {
    out.append(static_cast<const char*>(data), size);
  };
  for (int i = 0; i < p.GetSize(); ++i) put(&p[i].x, 3 * sizeof(float));
  for (int i = 0; i < f.GetSize(); ++i) {
    const CFace* face = f.ElementAt(i);
    const auto n = static_cast<std::uint8_t>(face->GetSize());
    put(&n, 1);
    put(face->GetIndices(), n * sizeof(int));
  }
  return out;
}

}  // namespace vex3d::bench
