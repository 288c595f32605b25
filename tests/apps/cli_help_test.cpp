// What every subcommand says about itself, and how it says what is wrong.
#include <filesystem>
#include <fstream>
#include <string>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;
using cli_run::contains;
using cli_run::sample;
using cli_run::vex3d;

const char* const kCommands[] = {"info",      "formats", "convert",       "render",
                                 "thumbnail", "view",    "desktop-files", "help"};

TEST(CliHelpTest, EveryCommandHelpsItselfAndRefusesWhatItDoesNotKnow) {
  const fs::path dir = cli_run::testDir();
  for (const std::string command : kCommands) {
    SCOPED_TRACE(command);
    // Run from an empty folder: no command may take --help for a file.
    const std::string in = "cd " + dir.string() + " &&";
    const cli_run::Run help = vex3d(command + " --help", in);
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.err.empty()) << help.err;
    EXPECT_EQ(help.out.rfind("usage: vex3d " + command, 0), 0u) << help.out;
    EXPECT_TRUE(contains(help.out, "\noptions:\n  -h, --help")) << help.out;
    EXPECT_TRUE(contains(help.out, "\nexample:\n  vex3d " + command)) << help.out;
    EXPECT_EQ(vex3d(command + " -h", in).out, help.out);
    EXPECT_EQ(vex3d("help " + command, in).out, help.out);
    EXPECT_TRUE(fs::is_empty(dir)) << "help wrote a file";
    if (command == "view") continue;  // the viewer reads its own options
    const cli_run::Run wrong = vex3d(command + " --frobnicate x y", in);
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(contains(wrong.err, "vex3d " + command + ": unknown option --frobnicate"))
        << wrong.err;
    EXPECT_TRUE(contains(wrong.err, "(vex3d help " + command + " lists the options)"));
  }
  const cli_run::Run all = vex3d("help");
  EXPECT_EQ(all.status, 0);
  for (const std::string command : kCommands) {
    EXPECT_TRUE(contains(all.out, "\n  " + command + " ")) << command;
  }
  EXPECT_EQ(vex3d("--help").out, all.out);
  const cli_run::Run unknown = vex3d("help frobnicate");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_TRUE(contains(unknown.err, "unknown command 'frobnicate'")) << unknown.err;
}

TEST(CliHelpTest, ErrorsSayWhatIsWrong) {
  const fs::path dir = cli_run::testDir();
  const std::string cube = sample("textured_cube.v3d");
  fs::create_directories(dir / "folder.obj");
  const cli_run::Run folder = vex3d("info " + (dir / "folder.obj").string());
  EXPECT_EQ(folder.status, 1);
  EXPECT_TRUE(contains(folder.err, "folder.obj: is a directory")) << folder.err;

  const cli_run::Run readOnly = vex3d("convert " + cube + " " + (dir / "x.off").string());
  EXPECT_EQ(readOnly.status, 1);
  EXPECT_TRUE(contains(readOnly.err,
                       "x.off: Object File Format files can be read but not "
                       "written (formats that can: "))
      << readOnly.err;
  EXPECT_TRUE(contains(readOnly.err, " obj, ")) << readOnly.err;

  std::ofstream(dir / "notes.xyz") << "v 0 0 0\n";
  for (const std::string& args : {"convert " + cube + " " + (dir / "x.xyz").string(),
                                  "info " + (dir / "notes.xyz").string()}) {
    const cli_run::Run unknown = vex3d(args);
    EXPECT_EQ(unknown.status, 1) << args;
    EXPECT_TRUE(contains(unknown.err, ".xyz: unknown extension: see `vex3d formats`"))
        << unknown.err;
  }
  EXPECT_FALSE(fs::exists(dir / "x.xyz"));

  struct Case {
    std::string args;
    const char* message;
  };
  for (const Case& c : {
           Case{"render " + cube + " -o x.png --size 20000x20", "--size 20000x20: too large"},
           Case{"render " + cube + " -o x.png --size 0x20", "--size 0x20: wants WIDTHxHEIGHT"},
           Case{"render " + cube + " -o x.png --turntable 99999", "too large: at most 3600"},
           Case{"render " + cube + " -o x.png --elevation 91", "wants an angle in degrees"},
           Case{"thumbnail " + cube + " x.png 5000", "SIZE 5000: too large: at most 4096"},
           Case{"thumbnail " + cube + " x.png --max-size 1e12", "too large"},
       }) {
    const cli_run::Run run = vex3d(c.args);
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_TRUE(contains(run.err, c.message)) << c.args << ": " << run.err;
  }

  // A file without geometry is described, drawn or refused with a warning.
  std::ofstream(dir / "empty.obj").flush();
  const cli_run::Run render =
      vex3d("render " + (dir / "empty.obj").string() + " -o " + (dir / "e.png").string());
  EXPECT_TRUE(contains(render.err, "warning: no geometry in")) << render.err;
}

}  // namespace
