#pragma once
// A glTF 2.0 file written by hand, so that reading tests control exactly
// which attributes a primitive has: triangles (or another primitive mode),
// positions and, when given, vertex colours (COLOR_0), all in one node.
#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vex3d::test {

struct GltfPrimitive {
  std::vector<std::array<float, 3>> positions;
  std::vector<std::array<float, 4>> colours;  // empty: no COLOR_0
  bool opaqueColours = false;                 // COLOR_0 as VEC3, the alpha left out
  std::vector<std::uint32_t> indices;
  int mode = 4;  // 0 points, 1 lines, 2 line loop, 3 line strip, 4 triangles
};

// Writes `path` (.gltf) and its buffer beside it (same stem, .bin).
inline bool writeGltf(const std::filesystem::path& path,
                      const std::vector<GltfPrimitive>& primitives) {
  std::string bin;
  std::string views;
  std::string accessors;
  std::string meshes;
  int count = 0;
  auto append = [&](const void* data, std::size_t size, const std::string& accessor) {
    views += std::string(count ? "," : "") +
             "{\"buffer\":0,\"byteOffset\":" + std::to_string(bin.size()) +
             ",\"byteLength\":" + std::to_string(size) + "}";
    accessors += std::string(count ? "," : "") + "{\"bufferView\":" + std::to_string(count) + "," +
                 accessor + "}";
    bin.append(static_cast<const char*>(data), size);
    return count++;
  };
  for (const GltfPrimitive& p : primitives) {
    std::array<float, 3> low = p.positions.front();
    std::array<float, 3> high = low;
    for (const auto& v : p.positions) {
      for (int i = 0; i < 3; ++i) {
        low[i] = std::min(low[i], v[i]);
        high[i] = std::max(high[i], v[i]);
      }
    }
    auto triple = [](const std::array<float, 3>& v) {
      return "[" + std::to_string(v[0]) + "," + std::to_string(v[1]) + "," + std::to_string(v[2]) +
             "]";
    };
    const std::string n = std::to_string(p.positions.size());
    const int position =
        append(p.positions.data(), p.positions.size() * sizeof(p.positions[0]),
               "\"componentType\":5126,\"count\":" + n +
                   ",\"type\":\"VEC3\",\"min\":" + triple(low) + ",\"max\":" + triple(high));
    std::string attributes = "\"POSITION\":" + std::to_string(position);
    if (!p.colours.empty()) {
      std::vector<float> values;
      for (const auto& c : p.colours)
        values.insert(values.end(), c.begin(), c.end() - (p.opaqueColours ? 1 : 0));
      const int colour = append(values.data(), values.size() * sizeof(float),
                                "\"componentType\":5126,\"count\":" + n + ",\"type\":\"" +
                                    (p.opaqueColours ? "VEC3" : "VEC4") + "\"");
      attributes += ",\"COLOR_0\":" + std::to_string(colour);
    }
    const int indices =
        append(p.indices.data(), p.indices.size() * sizeof(std::uint32_t),
               "\"componentType\":5125,\"count\":" + std::to_string(p.indices.size()) +
                   ",\"type\":\"SCALAR\"");
    meshes += std::string(meshes.empty() ? "" : ",") + "{\"attributes\":{" + attributes +
              "},\"indices\":" + std::to_string(indices) + ",\"mode\":" + std::to_string(p.mode) +
              "}";
  }
  std::filesystem::path buffer = path;
  buffer.replace_extension(".bin");
  const std::string json =
      "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],"
      "\"nodes\":[{\"name\":\"coloured\",\"mesh\":0}],\"meshes\":[{\"primitives\":[" +
      meshes + "]}],\"accessors\":[" + accessors + "],\"bufferViews\":[" + views +
      "],\"buffers\":[{\"uri\":\"" + buffer.filename().string() +
      "\",\"byteLength\":" + std::to_string(bin.size()) + "}]}";
  std::ofstream(buffer, std::ios::binary) << bin;
  std::ofstream(path, std::ios::binary) << json;
  return std::filesystem::file_size(path) == json.size() &&
         std::filesystem::file_size(buffer) == bin.size();
}

}  // namespace vex3d::test
