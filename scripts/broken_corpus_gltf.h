#pragma once
// Damaged glTF, in its JSON and binary containers.
#include <limits>
#include <string>
#include <vector>

#include "broken_corpus_writer.h"

namespace vex3d::corpus {

inline std::string base64(const Bytes& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t v = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (i + 1 < bytes.size())
      v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kDigits[v & 63] : '=';
  }
  return out;
}

// One triangle's positions (36 bytes) and 16-bit indices (6 bytes, padded
// to 8).
inline Bytes triangleBuffer(float far = 1.0f, std::uint16_t lastIndex = 2) {
  Bytes b;
  const float positions[9] = {0, 0, 0, far, 0, 0, 0, far, 0};
  for (float f : positions) putF32(b, f);
  putU16(b, 0);
  putU16(b, 1);
  putU16(b, lastIndex);
  putU16(b, 0);
  return b;
}

// The JSON of a two-node scene; BUFFER_URI is where the buffer's uri goes
// (nothing in a GLB).
inline std::string gltfJson(const std::string& bufferUri, const std::string& nodes = {}) {
  return "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],"
         "\"nodes\":" +
         (nodes.empty() ? std::string("[{\"name\":\"tri\",\"mesh\":0,\"children\":[1]},"
                                      "{\"name\":\"child\",\"translation\":[1,0,0]}]")
                        : nodes) +
         ",\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0},\"indices\":1}]}],"
         "\"buffers\":[{\"byteLength\":44" +
         bufferUri +
         "}],"
         "\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,\"byteLength\":36},"
         "{\"buffer\":0,\"byteOffset\":36,\"byteLength\":6}],"
         "\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":3,\"type\":\"VEC3\","
         "\"min\":[0,0,0],\"max\":[1,1,0]},"
         "{\"bufferView\":1,\"componentType\":5123,\"count\":3,\"type\":\"SCALAR\"}]}\n";
}

inline std::string dataUri(const Bytes& buffer) {
  return ",\"uri\":\"data:application/octet-stream;base64," + base64(buffer) + "\"";
}

// A chain of `depth` nodes, each the only child of the one before.
inline std::string nodeChain(int depth) {
  std::string nodes = "[";
  for (int i = 0; i < depth; ++i) {
    nodes += "{\"name\":\"n" + std::to_string(i) + "\"";
    if (i == 0) nodes += ",\"mesh\":0";
    if (i + 1 < depth) nodes += ",\"children\":[" + std::to_string(i + 1) + "]";
    nodes += i + 1 < depth ? "}," : "}]";
  }
  return nodes;
}

inline Bytes glbFile(const std::string& json, const Bytes& bin, std::uint32_t version = 2,
                     std::uint32_t jsonLength = 0, std::uint32_t binLength = 0,
                     std::uint32_t totalLength = 0) {
  std::string paddedJson = json;
  while (paddedJson.size() % 4 != 0) paddedJson += ' ';
  Bytes body;
  putU32(body, jsonLength != 0 ? jsonLength : static_cast<std::uint32_t>(paddedJson.size()));
  body += "JSON" + paddedJson;
  putU32(body, binLength != 0 ? binLength : static_cast<std::uint32_t>(bin.size()));
  body += Bytes("BIN\0", 4) + bin;
  Bytes b = "glTF";
  putU32(b, version);
  putU32(b, totalLength != 0 ? totalLength : static_cast<std::uint32_t>(12 + body.size()));
  return b + body;
}

inline void gltfFiles(Corpus& c) {
  const Bytes buffer = triangleBuffer();
  const std::string uri = dataUri(buffer);
  const Bytes seed = gltfJson(uri);
  c.file("gltf-seed.gltf", seed);
  c.file("gltf-empty.gltf", "");
  c.spreadCuts("gltf", ".gltf", seed);
  c.flips("gltf", ".gltf", seed, 2);
  c.file("gltf-random-bytes.gltf", c.noise(2048));
  c.file("gltf-json-array.gltf", "[]");
  c.file("gltf-json-null.gltf", "null");
  c.file("gltf-json-unclosed-string.gltf", "{\"asset\":{\"version\":\"2.0");
  auto variant = [&](const std::string& what, const std::string& from, const std::string& to) {
    c.file("gltf-" + what + ".gltf", replaced(seed, from, to));
  };
  variant("accessor-count-2pow31", "\"count\":3,\"type\":\"VEC3\"",
          "\"count\":2147483648,\"type\":\"VEC3\"");
  variant("accessor-count-2pow32-plus-3", "\"count\":3,\"type\":\"VEC3\"",
          "\"count\":4294967299,\"type\":\"VEC3\"");
  variant("index-count-2pow31", "\"count\":3,\"type\":\"SCALAR\"",
          "\"count\":2147483648,\"type\":\"SCALAR\"");
  variant("accessor-count-negative", "\"count\":3,\"type\":\"VEC3\"",
          "\"count\":-3,\"type\":\"VEC3\"");
  variant("view-length-2pow31", "\"byteLength\":36", "\"byteLength\":2147483648");
  variant("view-offset-2pow31", "\"byteOffset\":36", "\"byteOffset\":2147483648");
  variant("view-offset-past-buffer", "\"byteOffset\":36", "\"byteOffset\":40");
  variant("buffer-length-2pow31", "\"byteLength\":44", "\"byteLength\":2147483648");
  variant("buffer-length-short", "\"byteLength\":44", "\"byteLength\":8");
  variant("view-buffer-index-99", "{\"buffer\":0,\"byteOffset\":36",
          "{\"buffer\":99,\"byteOffset\":36");
  variant("accessor-view-index-99", "{\"bufferView\":1,", "{\"bufferView\":99,");
  variant("attribute-accessor-99", "\"POSITION\":0", "\"POSITION\":99");
  variant("mesh-index-99", "\"mesh\":0", "\"mesh\":99");
  variant("child-index-99", "\"children\":[1]", "\"children\":[99]");
  variant("child-cycle", "\"children\":[1]", "\"children\":[0]");
  variant("scene-node-99", "\"nodes\":[0]", "\"nodes\":[99]");
  variant("scene-index-99", "\"scene\":0", "\"scene\":99");
  variant("component-type-bad", "\"componentType\":5126", "\"componentType\":9999");
  variant("accessor-type-bad", "\"type\":\"VEC3\"", "\"type\":\"MAT9\"");
  variant("min-max-strings", "\"min\":[0,0,0]", "\"min\":[\"nan\",\"inf\",{}]");
  variant("version-1", "\"version\":\"2.0\"", "\"version\":\"1.0\"");
  variant("buffer-uri-missing-file", uri, ",\"uri\":\"gltf-no-such-buffer.bin\"");
  variant("buffer-uri-directory", uri, ",\"uri\":\"gltf-directory.bin\"");
  c.directory("gltf-directory.bin");
  variant("buffer-uri-bad-base64", uri, ",\"uri\":\"data:application/octet-stream;base64,!!!*\"");
  variant("buffer-uri-absent", uri, "");
  c.file("gltf-index-past-end.gltf", gltfJson(dataUri(triangleBuffer(1.0f, 60000))));
  c.file("gltf-nan-positions.gltf",
         gltfJson(dataUri(triangleBuffer(std::numeric_limits<float>::quiet_NaN()))));
  c.file("gltf-missing-texture.gltf",
         replaced(replaced(seed, "\"indices\":1}", "\"indices\":1,\"material\":0}"), "\"buffers\":",
                  "\"materials\":[{\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}}],"
                  "\"textures\":[{\"source\":0}],\"images\":[{\"uri\":\"no-such-texture.png\"}],"
                  "\"buffers\":"));
  c.file("gltf-nodes-nested-3000.gltf", gltfJson(uri, nodeChain(3000)));
  c.file("gltf-json-nested-arrays-5000.gltf",
         replaced(seed, "\"scene\":0,", "\"extras\":" + Bytes(5000, '[') + Bytes(5000, ']') + ","));
  c.file("gltf-utf16le-bom.gltf", utf16(seed, false));
  c.file("gltf-utf16be-bom.gltf", utf16(seed, true));

  const std::string glbJson = gltfJson("");
  const Bytes glb = glbFile(glbJson, buffer);
  c.file("glb-seed.glb", glb);
  c.file("glb-empty.glb", "");
  c.cuts("glb", ".glb", glb,
         {4, 11, 12, 19, 20, 40, glb.size() - 45, glb.size() - 20, glb.size() - 1});
  c.flips("glb", ".glb", glb, 2);
  c.file("glb-magic-then-random.glb", "glTF" + c.noise(1024));
  c.file("glb-version-1.glb", glbFile(glbJson, buffer, 1));
  c.file("glb-version-99.glb", glbFile(glbJson, buffer, 99));
  c.file("glb-total-length-2pow31.glb", glbFile(glbJson, buffer, 2, 0, 0, k2Pow31));
  c.file("glb-total-length-small.glb", glbFile(glbJson, buffer, 2, 0, 0, 13));
  c.file("glb-json-length-2pow31.glb", glbFile(glbJson, buffer, 2, k2Pow31));
  c.file("glb-json-length-ffffffff.glb", glbFile(glbJson, buffer, 2, 0xFFFFFFFFu));
  c.file("glb-json-length-odd.glb", glbFile(glbJson, buffer, 2, 7));
  c.file("glb-bin-length-2pow31.glb", glbFile(glbJson, buffer, 2, 0, k2Pow31));
  c.file("glb-bin-length-short.glb", glbFile(glbJson, buffer, 2, 0, 8));
  c.file("glb-json-not-json.glb", glbFile(Bytes(64, '\x01'), buffer));
  c.file("glb-accessor-count-2pow31.glb",
         glbFile(replaced(glbJson, "\"count\":3,\"type\":\"VEC3\"",
                          "\"count\":2147483648,\"type\":\"VEC3\""),
                 buffer));
}

}  // namespace vex3d::corpus
