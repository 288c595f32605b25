// What the command says of textures a file carries inside itself.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "plugins/glb_file.h"

namespace {

namespace fs = std::filesystem;

std::string run(const std::string& args) {
  const std::string command = std::string(VEX3D_CLI) + " " + args + " 2>&1";
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  std::array<char, 4096> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
  ::pclose(pipe);
  return out;
}

TEST(EmbeddedTextureCliTest, InfoListsTheImageAndConvertSaysWhereItWent) {
  const fs::path dir = fs::path(VEX3D_TEST_BINARY_DIR) / "cli-test" / "embedded-texture";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path glb = dir / "box.glb";
  ASSERT_TRUE(vex3d::test::writeTexturedGlb(
      glb, vex3d::test::twoColourPng(4, 2, {0, 255, 0}, {0, 0, 255})));
  const std::string info = run("info " + glb.string());
  EXPECT_NE(info.find("(embedded, 4 x 2 pixels)"), std::string::npos) << info;
  EXPECT_EQ(info.find("missing"), std::string::npos) << info;
  const std::string json = run("info --json " + glb.string());
  EXPECT_NE(json.find("\"embedded\": {\"width\": 4, \"height\": 2}"), std::string::npos) << json;

  const std::string convert = run("convert " + glb.string() + " " + (dir / "box.obj").string());
  EXPECT_NE(convert.find("texture written: " + (dir / "box_texture0.png").string()),
            std::string::npos)
      << convert;
  EXPECT_TRUE(fs::exists(dir / "box_texture0.png"));
}

}  // namespace
