#include "hostlib/files/file_class.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "hostlib/core/fourcc.h"
#include "hostlib/io/file_parser.h"

namespace {

using vex3d::FileClassInfo;
using vex3d::fourcc;

class NullFactory : public vex3d::ParserFactory {
 public:
  std::unique_ptr<CFileParser> CreateParser(std::uint32_t, CFileIo&) override { return nullptr; }
  std::string GetModulePath() const override { return "/in/process"; }
};

FileClassInfo makeClass(const char* code, std::vector<std::string> extensions,
                        std::uint32_t kind = vex3d::kFileKind3D) {
  FileClassInfo c;
  c.fileClass = fourcc(code);
  c.kind = kind;
  c.extensions = std::move(extensions);
  c.description = std::string("Test ") + code;
  c.canRead = true;
  return c;
}

std::vector<std::uint32_t> codesOf(const std::vector<FileClassInfo>& classes) {
  std::vector<std::uint32_t> codes;
  for (const auto& c : classes) codes.push_back(c.fileClass);
  return codes;
}

TEST(FileClass, KindOfImageAnd3DNamesIgnoresCaseAndFolders) {
  EXPECT_EQ(fileGetKindOf("/tmp/a.b/photo.PNG"), vex3d::kFileKindRasterImage);
  EXPECT_EQ(fileGetKindOf("x.JpEg"), vex3d::kFileKindRasterImage);
  EXPECT_EQ(fileGetKindOf("x.psd"), vex3d::kFileKindLayeredImage);
  EXPECT_EQ(fileGetKindOf("x.hdr"), vex3d::kFileKindHdrImage);
  for (const char* name : {"a.png", "a.jpg", "a.bmp", "a.tga", "a.gif", "a.psd", "a.hdr", "a.ppm"})
    EXPECT_NE(fileGetKindOf(name) & vex3d::kFileKindImages, 0u) << name;
  EXPECT_EQ(fileGetKindOf("scene.MB"), vex3d::kFileKind3D);
  EXPECT_EQ(fileGetKindOf("scene.max"), vex3d::kFileKind3D);
  EXPECT_EQ(fileGetClassOf("scene.Max"), fourcc("3MAX"));
}

TEST(FileClass, NamesWithoutAKnownExtensionHaveNoKind) {
  for (const char* name : {"", "png", "README", "folder.png/file", ".png", "/home/u/.png", "file.",
                           "file.unknownext", "file.png.bak"})
    EXPECT_EQ(fileGetKindOf(name), 0u) << '"' << name << '"';
  EXPECT_EQ(fileGetClassOf("folder.png/file"), 0u);
  // The last dot counts, not the first.
  EXPECT_EQ(fileGetClassOf("archive.bak.png"), fourcc("PNG "));
}

TEST(FileClass, QueriesByClass) {
  EXPECT_EQ(fileGetKindOf(fourcc("PNG ")), vex3d::kFileKindRasterImage);
  EXPECT_EQ(fileGetKindOf(fourcc("MAYA")), vex3d::kFileKind3D);
  EXPECT_EQ(fileGetKindOf(fourcc("NONE")), 0u);
  EXPECT_EQ(fileGetMainExtension(fourcc("JPEG")), "jpg");
  EXPECT_EQ(fileGetMainExtension(fourcc("NONE")), "");

  EXPECT_FALSE(fileGetExtensionInfo(fourcc("NONE")));
  EXPECT_TRUE(fileGetExtensionInfo(fourcc("GIF ")));
  FileClassInfo info;
  ASSERT_TRUE(fileGetExtensionInfo(fourcc("JPEG"), &info));
  EXPECT_EQ(info.extensions, (std::vector<std::string>{"jpg", "jpeg", "jpe"}));
  EXPECT_EQ(info.GetFilter(), "JPEG image (*.jpg *.jpeg *.jpe)");
  EXPECT_TRUE(info.canRead);
  EXPECT_TRUE(info.canWrite);
  EXPECT_FALSE(info.served);
  ASSERT_TRUE(fileGetExtensionInfo(fourcc("GIF "), &info));
  EXPECT_FALSE(info.canWrite);
}

TEST(FileClass, EnumerationFiltersByKind) {
  const auto images = fileGetClasses(vex3d::kFileKindImages);
  EXPECT_EQ(images.size(), 8u);
  for (const auto& c : images) EXPECT_NE(c.kind & vex3d::kFileKindImages, 0u);
  const auto codes3d = codesOf(fileGetClasses(vex3d::kFileKind3D));
  EXPECT_NE(std::find(codes3d.begin(), codes3d.end(), fourcc("MAYA")), codes3d.end());
  EXPECT_EQ(std::find(codes3d.begin(), codes3d.end(), fourcc("PNG ")), codes3d.end());
}

TEST(FileClass, RegisteredClassesComeAndGoWithTheirFactory) {
  auto factory = std::make_shared<NullFactory>();
  const auto before = fileGetClasses();
  ASSERT_TRUE(vex3d::registerFileClasses(
      {makeClass("TSA1", {"TsA", "tsa1"}), makeClass("TSA2", {"tsa2"})}, factory));
  EXPECT_EQ(fileGetClassOf("x.TSA"), fourcc("TSA1"));
  EXPECT_EQ(fileGetMainExtension(fourcc("TSA1")), "tsa");  // stored in lower case
  EXPECT_EQ(vex3d::findParserFactory(fourcc("TSA2")), factory);
  FileClassInfo info;
  ASSERT_TRUE(fileGetExtensionInfo(fourcc("TSA2"), &info));
  EXPECT_TRUE(info.served);
  EXPECT_EQ(info.modulePath, "/in/process");
  // Appended after what was there, in the order given.
  const auto after = codesOf(fileGetClasses());
  ASSERT_EQ(after.size(), before.size() + 2);
  EXPECT_EQ(after[after.size() - 2], fourcc("TSA1"));
  EXPECT_EQ(after.back(), fourcc("TSA2"));

  EXPECT_EQ(vex3d::unregisterFileClasses(factory.get()), 2);
  EXPECT_EQ(fileGetClassOf("x.tsa"), 0u);
  EXPECT_FALSE(fileGetExtensionInfo(fourcc("TSA1")));
  EXPECT_EQ(vex3d::findParserFactory(fourcc("TSA2")), nullptr);
  EXPECT_EQ(factory.use_count(), 1);
  EXPECT_EQ(vex3d::unregisterFileClasses(factory.get()), 0);
}

TEST(FileClass, ConflictsAndBadRecordsRegisterNothing) {
  auto factory = std::make_shared<NullFactory>();
  const std::size_t count = fileGetClasses().size();
  struct Case {
    std::vector<FileClassInfo> classes;
    const char* why;
  };
  FileClassInfo noAbility = makeClass("TSB9", {"tsb9"});
  noAbility.canRead = false;
  FileClassInfo noDescription = makeClass("TSB9", {"tsb9"});
  noDescription.description.clear();
  const std::vector<Case> cases = {
      {{makeClass("TSB1", {"tsb1"}), makeClass("PNG ", {"png3"})}, "already registered"},
      {{makeClass("TSB1", {"tsb1"}), makeClass("TSB2", {"JPG"})},
       "already belongs to class 'JPEG'"},
      {{makeClass("TSB1", {"tsb1"}), makeClass("TSB1", {"tsb2"})}, "declared twice"},
      {{makeClass("TSB1", {"tsb1"}), makeClass("TSB2", {"TSB1"})}, "declared twice"},
      {{makeClass("TSB1", {"tsb1"}, 0)}, "no kind"},
      {{makeClass("TSB1", {})}, "no extension"},
      {{makeClass("TSB1", {".tsb"})}, "bad extension"},
      {{makeClass("TSB1", {"t b"})}, "bad extension"},
      {{makeClass("TS\x01", {"tsb1"})}, "printable"},
      {{noAbility}, "neither read nor written"},
      {{noDescription}, "no description"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(vex3d::registerFileClasses(c.classes, factory, &error)) << c.why;
    EXPECT_NE(error.find(c.why), std::string::npos) << error;
    EXPECT_EQ(fileGetClasses().size(), count) << c.why;
    EXPECT_EQ(fileGetClassOf("x.tsb1"), 0u);
  }
  EXPECT_EQ(fileGetClassOf("x.jpg"), fourcc("JPEG"));
}

TEST(FileClass, AFactoryMayClaimAKnownUnservedClassAndGiveItBack) {
  auto factory = std::make_shared<NullFactory>();
  FileClassInfo maya = makeClass("MAYA", {"mb", "ma", "mbx"});
  ASSERT_TRUE(vex3d::registerFileClasses({maya}, factory));
  EXPECT_EQ(vex3d::findParserFactory(fourcc("MAYA")), factory);
  EXPECT_EQ(fileGetClassOf("x.mbx"), fourcc("MAYA"));
  // Once served it cannot be claimed again, nor by another kind.
  auto other = std::make_shared<NullFactory>();
  std::string error;
  EXPECT_FALSE(vex3d::registerFileClasses({makeClass("MAYA", {"mb"})}, other, &error));
  EXPECT_FALSE(vex3d::registerFileClasses({makeClass("3MAX", {"max"}, vex3d::kFileKindRasterImage)},
                                          other, &error));
  EXPECT_FALSE(vex3d::registerFileClasses({makeClass("3MAX", {"max"})}, nullptr, &error));

  EXPECT_EQ(vex3d::unregisterFileClasses(factory.get()), 1);
  FileClassInfo info;
  ASSERT_TRUE(fileGetExtensionInfo(fourcc("MAYA"), &info));
  EXPECT_EQ(info.extensions, (std::vector<std::string>{"mb", "ma"}));
  EXPECT_FALSE(info.served);
  EXPECT_EQ(vex3d::findParserFactory(fourcc("MAYA")), nullptr);
  EXPECT_EQ(fileGetClassOf("x.mbx"), 0u);
}

}  // namespace
