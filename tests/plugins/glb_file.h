#pragma once
// A binary glTF written by hand, holding its texture in its own buffer: a
// square facing +z (y up), two units wide, its one material's base colour
// taken from `image` (the bytes of an image file, PNG in the tests) over
// the whole square.
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hostlib/images/bitmap.h"
#include "hostlib/images/image_bytes.h"

namespace vex3d::test {

// A PNG of `width` x `height` pixels whose left half is `left` and right
// half `right` (RGB).
inline std::vector<std::uint8_t> twoColourPng(int width, int height,
                                              std::array<std::uint8_t, 3> left,
                                              std::array<std::uint8_t, 3> right) {
  rgbBitmap image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto& c = x < width / 2 ? left : right;
      std::memcpy(image.GetBits() + std::size_t(y) * image.GetStride() + 3 * std::size_t(x),
                  c.data(), 3);
    }
  }
  std::vector<std::uint8_t> png;
  std::string error;
  vex3d::encodePngBytes(image, png, error);
  return png;
}

// With `materials` above 1, the square is drawn that many times over, each
// time in a material of its own, every one of them taking the same image.
inline bool writeTexturedGlb(const std::filesystem::path& path,
                             const std::vector<std::uint8_t>& image, int materials = 1) {
  const float positions[] = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};
  // glTF's texture origin is the image's top left corner.
  const float uvs[] = {0, 1, 1, 1, 1, 0, 0, 0};
  const std::uint16_t indices[] = {0, 1, 2, 0, 2, 3, 0, 0};  // padded to 4 bytes
  std::string bin;
  bin.append(reinterpret_cast<const char*>(positions), sizeof positions);
  bin.append(reinterpret_cast<const char*>(uvs), sizeof uvs);
  bin.append(reinterpret_cast<const char*>(indices), sizeof indices);
  const std::size_t imageAt = bin.size();
  bin.append(reinterpret_cast<const char*>(image.data()), image.size());
  while (bin.size() % 4 != 0) bin.push_back('\0');
  std::string primitives;
  std::string materialList;
  for (int m = 0; m < materials; ++m) {
    const std::string n = std::to_string(m);
    primitives += std::string(m ? "," : "") +
                  R"({"attributes":{"POSITION":0,"TEXCOORD_0":1},"indices":2,"material":)" + n +
                  "}";
    materialList += std::string(m ? "," : "") + R"({"name":"painted)" + (m ? n : "") +
                    R"(","pbrMetallicRoughness":{"baseColorTexture":{"index":0},)" +
                    R"("metallicFactor":0}})";
  }
  const std::string json =
      R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],)"
      R"("nodes":[{"mesh":0,"name":"square"}],)"
      R"("meshes":[{"primitives":[)" +
      primitives + "]}]," + R"("materials":[)" + materialList +
      "],"
      R"("textures":[{"source":0}],"images":[{"bufferView":3,"mimeType":"image/png"}],)"
      R"("accessors":[{"bufferView":0,"componentType":5126,"count":4,"type":"VEC3",)"
      R"("min":[-1,-1,0],"max":[1,1,0]},)"
      R"({"bufferView":1,"componentType":5126,"count":4,"type":"VEC2"},)"
      R"({"bufferView":2,"componentType":5123,"count":6,"type":"SCALAR"}],)"
      R"("bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":48},)"
      R"({"buffer":0,"byteOffset":48,"byteLength":32},)"
      R"({"buffer":0,"byteOffset":80,"byteLength":12},)"
      R"({"buffer":0,"byteOffset":)" +
      std::to_string(imageAt) + R"(,"byteLength":)" + std::to_string(image.size()) +
      R"(}],"buffers":[{"byteLength":)" + std::to_string(bin.size()) + "}]}";
  std::string jsonChunk = json;
  while (jsonChunk.size() % 4 != 0) jsonChunk.push_back(' ');
  auto u32 = [](std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
  };
  std::string file = "glTF";
  u32(file, 2);
  u32(file, static_cast<std::uint32_t>(12 + 8 + jsonChunk.size() + 8 + bin.size()));
  u32(file, static_cast<std::uint32_t>(jsonChunk.size()));
  file += "JSON" + jsonChunk;
  u32(file, static_cast<std::uint32_t>(bin.size()));
  file += std::string("BIN\0", 4) + bin;
  std::ofstream out(path, std::ios::binary);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out);
}

}  // namespace vex3d::test
