#include "hostlib/files/file_info.h"

#include <gtest/gtest.h>

namespace {

struct Split {
  const char* path;
  const char* root;
  const char* folderWithoutRoot;
  const char* fileName;
  const char* title;
  const char* extension;
};

class FileInfoSplit : public testing::TestWithParam<Split> {};

TEST_P(FileInfoSplit, SplitsIntoParts) {
  const Split& x = GetParam();
  const CFileInfo info(x.path);
  EXPECT_EQ(info.GetPath(), x.path);
  EXPECT_EQ(info.GetRoot(), x.root);
  EXPECT_EQ(info.GetFolderWithoutRoot(), x.folderWithoutRoot);
  EXPECT_EQ(info.GetFileName(), x.fileName);
  EXPECT_EQ(info.GetFileTitle(), x.title);
  EXPECT_EQ(info.GetExtension(), x.extension);
  // The parts put back together give the path again.
  EXPECT_EQ(info.GetFolder(), std::string(x.root) + x.folderWithoutRoot);
  EXPECT_EQ(info.GetFolder() + info.GetFileName(), x.path);
  EXPECT_EQ(info.IsRelative(), std::string(x.root).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Windows, FileInfoSplit,
    testing::Values(
        Split{R"(C:\models\tex\wood.jpg)", "C:", R"(\models\tex\)", "wood.jpg", "wood", "jpg"},
        Split{"d:/scenes/car.3DS", "d:", "/scenes/", "car.3DS", "car", "3DS"},
        Split{R"(C:\models/tex\wood.jpg)", "C:", R"(\models/tex\)", "wood.jpg", "wood", "jpg"},
        Split{"C:file.png", "C:", "", "file.png", "file", "png"}, Split{"C:", "C:", "", "", "", ""},
        Split{R"(C:\)", "C:", R"(\)", "", "", ""},
        Split{R"(C:\models\tex\)", "C:", R"(\models\tex\)", "", "", ""},
        Split{R"(\\server\share\maps\a.tga)", R"(\\server\share)", R"(\maps\)", "a.tga", "a",
              "tga"},
        Split{"//server/share/a.tga", "//server/share", "/", "a.tga", "a", "tga"},
        Split{R"(\\server)", R"(\\server)", "", "", "", ""},
        Split{R"(\\?\C:\long\a.png)", R"(\\?\C:)", R"(\long\)", "a.png", "a", "png"},
        Split{R"(\\?\UNC\srv\shr\a.png)", R"(\\?\UNC\srv\shr)", R"(\)", "a.png", "a", "png"},
        Split{R"(\models\a.png)", R"(\)", R"(models\)", "a.png", "a", "png"},
        Split{R"(maps\wood.jpg)", "", R"(maps\)", "wood.jpg", "wood", "jpg"}));

INSTANTIATE_TEST_SUITE_P(
    Posix, FileInfoSplit,
    testing::Values(
        Split{"/home/u/tex/wood.jpg", "/", "home/u/tex/", "wood.jpg", "wood", "jpg"},
        Split{"/", "/", "", "", "", ""}, Split{"///x/a", "/", "//x/", "a", "a", ""},
        Split{"tex/", "", "tex/", "", "", ""}, Split{"wood", "", "", "wood", "wood", ""},
        Split{"", "", "", "", "", ""}, Split{"a/.hidden", "", "a/", ".hidden", ".hidden", ""},
        Split{".config.bak", "", "", ".config.bak", ".config", "bak"},
        Split{"a.tar.gz", "", "", "a.tar.gz", "a.tar", "gz"},
        Split{"name.", "", "", "name.", "name", ""}, Split{"..", "", "", "..", "..", ""},
        Split{"dir.d/file", "", "dir.d/", "file", "file", ""},
        Split{"/tmp/Ünïcode.Bild.PNG", "/", "tmp/", "Ünïcode.Bild.PNG", "Ünïcode.Bild", "PNG"}));

TEST(FileInfo, ExtensionTestIgnoresCaseAndDot) {
  const CFileInfo info("C:\\x\\Wood.JPG");
  EXPECT_TRUE(info.HasExtension("jpg"));
  EXPECT_TRUE(info.HasExtension(".Jpg"));
  EXPECT_FALSE(info.HasExtension("jp"));
  EXPECT_FALSE(info.HasExtension(""));
  EXPECT_TRUE(CFileInfo("noext").HasExtension(""));
  EXPECT_TRUE(CFileInfo(".hidden").HasExtension("."));
}

TEST(FileInfo, PosixFormTurnsBackslashesIntoSlashes) {
  EXPECT_EQ(CFileInfo(R"(maps\sub\wood.jpg)").GetPosixPath(), "maps/sub/wood.jpg");
  EXPECT_EQ(CFileInfo(R"(C:\a/b\c.png)").GetPosixPath(), "C:/a/b/c.png");
  EXPECT_EQ(CFileInfo::ToPosix(R"(\\srv\shr\a)"), "//srv/shr/a");
  EXPECT_EQ(CFileInfo::ToPosix("/already/posix"), "/already/posix");
}

TEST(FileInfo, FolderMovedOntoAnotherDrive) {
  // The texture search moves a name's folder onto the scene's drive.
  const CFileInfo texture(R"(C:\models\tex\wood.jpg)");
  const CFileInfo scene(R"(D:\scenes\)");
  EXPECT_EQ(scene.GetRoot() + texture.GetFolderWithoutRoot() + texture.GetFileName(),
            R"(D:\models\tex\wood.jpg)");
  EXPECT_TRUE(texture.HasFolder());
  EXPECT_FALSE(CFileInfo("wood.jpg").HasFolder());
}

}  // namespace
