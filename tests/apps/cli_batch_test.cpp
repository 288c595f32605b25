// Many files through one command: every file runs whatever becomes of the
// others, outputs land where asked, and the failures are listed at the end.
#include <filesystem>
#include <fstream>
#include <string>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;
using cli_run::contains;
using cli_run::readAll;
using cli_run::sample;
using cli_run::vex3d;

std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(CliBatchTest, ConvertsEveryFileAndListsTheFailuresAtTheEnd) {
  const fs::path dir = cli_run::testDir();
  fs::create_directories(dir / "out");
  fs::create_directories(dir / "a");
  fs::create_directories(dir / "b");
  fs::copy_file(sample("cube.obj"), dir / "a" / "same.obj");
  fs::copy_file(sample("textured_cube.v3d"), dir / "b" / "same.v3d");
  std::ofstream(dir / "empty.obj").flush();
  const std::string inputs = sample("cube.obj") + " " + (dir / "empty.obj").string() + " " +
                             sample("textured_cube.v3d") + " /nonexistent/gone.stl " +
                             (dir / "a/same.obj").string() + " " + (dir / "b/same.v3d").string();
  const cli_run::Run run = vex3d("convert -j 3 " + inputs + " --to .PLY --output-dir " +
                                 (dir / "out").string() + " --triangulate");
  EXPECT_EQ(run.status, 1) << run.err;
  for (const char* name : {"cube.ply", "textured_cube.ply", "same.ply"}) {
    EXPECT_EQ(readAll(dir / "out" / name).rfind("ply\n", 0), 0u) << name;
    EXPECT_TRUE(contains(run.out, "wrote " + (dir / "out" / name).string())) << run.out;
  }
  EXPECT_FALSE(fs::exists(dir / "out" / "empty.ply"));
  // The options reach each file's run: the cube's quads became triangles.
  EXPECT_TRUE(contains(readAll(dir / "out" / "cube.ply"), "element face 12")) << run.err;
  // Three failures, each once in the summary after its own message.
  const std::size_t summary = run.err.find("vex3d: 3 of 6 files failed:");
  ASSERT_NE(summary, std::string::npos) << run.err;
  const std::string listed = run.err.substr(summary);
  EXPECT_EQ(countOf(listed, "\n  "), 3u) << listed;
  EXPECT_TRUE(contains(listed, "  /nonexistent/gone.stl: ")) << listed;
  EXPECT_TRUE(contains(listed, "  " + (dir / "empty.obj").string() + ": ")) << listed;
  // Two inputs of one name may not write one output: the second is refused,
  // the first written.
  EXPECT_TRUE(contains(listed, (dir / "b/same.v3d").string() + ": ")) << listed;
  EXPECT_TRUE(contains(listed, "is already the output of " + (dir / "a/same.obj").string()))
      << listed;
  EXPECT_EQ(readAll(dir / "out" / "same.ply"), readAll(dir / "out" / "cube.ply"));
}

TEST(CliBatchTest, WritesBesideEachInputAndAsOneJsonArrayInTheFilesOrder) {
  const fs::path dir = cli_run::testDir();
  fs::copy_file(sample("cube.obj"), dir / "one.obj");
  fs::copy_file(sample("textured_cube.v3d"), dir / "two.v3d");
  const cli_run::Run run = vex3d("convert --to stl --json -j2 " + (dir / "two.v3d").string() +
                                 " /nonexistent/x.obj " + (dir / "one.obj").string());
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_TRUE(fs::exists(dir / "one.stl"));
  EXPECT_TRUE(fs::exists(dir / "two.stl"));
  ASSERT_EQ(run.out.rfind("[\n{\"input\": ", 0), 0u) << run.out;
  const std::size_t two = run.out.find("\"input\": \"" + (dir / "two.v3d").string());
  const std::size_t missing = run.out.find("\"input\": \"/nonexistent/x.obj\"");
  const std::size_t one = run.out.find("\"input\": \"" + (dir / "one.obj").string());
  ASSERT_TRUE(two != std::string::npos && missing != std::string::npos && one != std::string::npos)
      << run.out;
  EXPECT_LT(two, missing);
  EXPECT_LT(missing, one);
  EXPECT_EQ(countOf(run.out, "\"written\": true"), 2u) << run.out;
  EXPECT_EQ(countOf(run.out, "\"written\": false"), 1u) << run.out;
  EXPECT_EQ(run.out.substr(run.out.size() - 4), "}\n]\n") << run.out;
}

TEST(CliBatchTest, RefusesWhatCannotMakeABatchBeforeReadingAnything) {
  const fs::path dir = cli_run::testDir();
  const std::string cube = sample("cube.obj");
  const cli_run::Run noTo = vex3d("convert " + cube + " --output-dir " + dir.string());
  EXPECT_EQ(noTo.status, 2);
  EXPECT_TRUE(contains(noTo.err, "--output-dir wants --to FORMAT")) << noTo.err;
  const cli_run::Run badFormat = vex3d("convert " + cube + " --to xyz");
  EXPECT_EQ(badFormat.status, 2);
  EXPECT_TRUE(contains(badFormat.err, "--to")) << badFormat.err;
  const cli_run::Run noFolder =
      vex3d("convert " + cube + " --to ply --output-dir " + (dir / "absent").string());
  EXPECT_EQ(noFolder.status, 1);
  EXPECT_TRUE(contains(noFolder.err, "absent is not a folder")) << noFolder.err;
  EXPECT_FALSE(fs::exists(dir / "absent"));
  for (const char* jobs : {"-j 0", "--jobs=x", "-j"}) {
    EXPECT_EQ(vex3d("convert " + cube + " --to ply " + jobs).status, 2) << jobs;
  }
  // Every run would share standard input.
  const cli_run::Run piped = vex3d("convert - " + cube + " --to ply --from obj < " + cube);
  EXPECT_EQ(piped.status, 2);
  EXPECT_TRUE(contains(piped.err, "standard input cannot be one of the files of a batch"))
      << piped.err;
  EXPECT_EQ(vex3d("thumbnail - --output-dir " + dir.string() + " < " + cube).status, 2);
  // Without a batch option the command still wants exactly IN and OUT.
  EXPECT_EQ(vex3d("convert " + cube).status, 2);
  EXPECT_TRUE(contains(vex3d("convert a b c").err, "unexpected argument c"));
}

TEST(CliBatchTest, ThumbnailsEveryFileIntoTheFolder) {
  const fs::path dir = cli_run::testDir();
  fs::create_directories(dir / "thumbs");
  std::ofstream(dir / "nothing.obj") << "# no geometry\n";
  const cli_run::Run run =
      vex3d("thumbnail -s 24 --jobs 2 " + sample("textured_cube.v3d") + " " +
            (dir / "nothing.obj").string() + " " + sample("colored_quads.v3d") + " --output-dir " +
            (dir / "thumbs").string());
  EXPECT_EQ(run.status, 1) << run.err;
  for (const char* name : {"textured_cube.png", "colored_quads.png"}) {
    const std::string png = readAll(dir / "thumbs" / name);
    ASSERT_GT(png.size(), 24u) << name;
    // The size option reached each run: a 24 x 24 image.
    EXPECT_EQ(static_cast<unsigned char>(png[19]), 24u) << name;
    EXPECT_EQ(static_cast<unsigned char>(png[23]), 24u) << name;
  }
  EXPECT_FALSE(fs::exists(dir / "thumbs" / "nothing.png"));
  EXPECT_TRUE(contains(run.err, "1 of 3 files failed:")) << run.err;
  // The freedesktop form is unchanged, and one file alone is no batch.
  EXPECT_EQ(vex3d("thumbnail " + sample("cube.obj")).status, 2);
  EXPECT_EQ(
      vex3d("thumbnail " + sample("cube.obj") + " " + (dir / "one.png").string() + " 16").status,
      0);
  EXPECT_EQ(vex3d("thumbnail " + sample("cube.obj") + " --output-dir " + (dir / "absent").string())
                .status,
            1);
}

}  // namespace

namespace {

// An OBJ grid of `side` x `side` quads: large enough for a debug build to
// take a while over.
void writeGrid(const fs::path& path, int side) {
  std::ofstream out(path);
  for (int y = 0; y <= side; ++y) {
    for (int x = 0; x <= side; ++x) out << "v " << x << ' ' << y << " 0\n";
  }
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const int a = y * (side + 1) + x + 1;
      out << "f " << a << ' ' << a + 1 << ' ' << a + side + 2 << ' ' << a + side + 1 << '\n';
    }
  }
}

TEST(CliBatchTest, AnInterruptStopsTheBatchAndLeavesNoPartialFile) {
  const fs::path dir = cli_run::testDir();
  fs::create_directories(dir / "out");
  std::string inputs;
  writeGrid(dir / "grid0.obj", 700);
  for (int i = 1; i < 4; ++i) {
    const std::string name = "grid" + std::to_string(i) + ".obj";
    fs::copy_file(dir / "grid0.obj", dir / name);
    inputs += " " + (dir / name).string();
  }
  inputs = (dir / "grid0.obj").string() + inputs;
  // An interrupt that reaches the batch alone, as from `kill -INT`: the
  // file under way stops too. A background job ignores interrupts until the
  // batch installs its own handler, so it is sent until the batch ends.
  const std::string command =
      "cd " + dir.string() + " && (" + VEX3D_CLI + " convert -j 1 " + inputs +
      " --to v3d --output-dir out 2>err.txt & pid=$!; " +
      "sleep 0.3; while kill -INT $pid 2>/dev/null; do sleep 0.2; done; wait $pid; "
      "echo $? > status.txt)";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string status = readAll(dir / "status.txt");
  const std::string err = readAll(dir / "err.txt");
  EXPECT_EQ(status, "130\n") << err;
  EXPECT_TRUE(contains(err, "files were not started")) << err;
  for (const auto& entry : fs::directory_iterator(dir / "out")) {
    EXPECT_EQ(entry.path().extension(), ".v3d") << entry.path();
  }
  EXPECT_LT(std::distance(fs::directory_iterator(dir / "out"), fs::directory_iterator()), 4);
}

}  // namespace
