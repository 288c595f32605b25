// `vex3d convert IN OUT [options]`: read with check-out, write through
// export preparation, and show what the conversion changed.
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "batch_run.h"
#include "cli_files.h"
#include "cli_text.h"
#include "commands.h"
#include "format_choice.h"
#include "hostlib/files/file_utils.h"
#include "hostlib/text/strings.h"
#include "io/io.h"
#include "json_text.h"
#include "option_parser.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"
#include "terminal_progress.h"

namespace vex3d::cli {

namespace {

// Options and the export flags they add, in the order the help lists them.
struct ExportOption {
  const char* name;
  std::uint32_t flag;
  unsigned help;
};
constexpr ExportOption kExportOptions[] = {
    {"triangulate", EXPORT_TRIANGULATE, kStrCliTriangulateHelp},
    {"triangulate-polygons", EXPORT_TRIANGULATE_POLYGONS, kStrCliTriangulatePolygonsHelp},
    {"global-coordinates", EXPORT_WORLD_COORDINATES, kStrCliGlobalCoordinatesHelp},
    {"keep-hidden", EXPORT_KEEP_HIDDEN, kStrCliKeepHiddenHelp},
    {"no-uv", EXPORT_REMOVE_UVW, kStrCliNoUvHelp},
    {"no-colors", EXPORT_REMOVE_VC, kStrCliNoColorsHelp},
    {"no-normals", EXPORT_REMOVE_SPEC_NORMALS, kStrCliNoNormalsHelp},
    {"generate-uv", EXPORT_GENERATE_UVW, kStrCliGenerateUvHelp},
    {"disconnect-seams", EXPORT_DISCONNECT_SEAMS, kStrCliDisconnectSeamsHelp},
    {"patches-subdivided", EXPORT_PATCHES_TO_MESHES, kStrCliPatchesSubdividedHelp},
    {"patches-control", EXPORT_PATCHES_TO_SOURCE, kStrCliPatchesControlHelp},
    {"flatten", EXPORT_REMOVE_GROUPS, kStrCliFlattenHelp},
    {"single-object", EXPORT_CONCATENATE, kStrCliSingleObjectHelp},
};

// Index of a log level in the level lists.
int levelIndex(int level) {
  switch (level) {
    case CIoOptions::logChange:
      return 1;
    case CIoOptions::logWarning:
      return 2;
    case CIoOptions::logError:
      return 3;
    default:
      return 0;
  }
}

constexpr const char* kJsonLevels[] = {"info", "change", "warning", "error"};

struct ConvertSettings {
  std::uint32_t flags = 0;
  bool weld = false;
  bool quiet = false;
  bool force = false;
  bool json = false;
  bool verbose = false;
  std::uint32_t up = UP_AXIS_UNKNOWN;
  std::string from;
  std::string to;
  // A batch: every operand is an input written in this format.
  std::string batchTo;
  std::string outputDir;
  unsigned jobs = availableProcessors();
};

// What `--json` prints: the files, the outcome and both logs, one object.
class JsonReport {
 public:
  JsonReport(const std::string& in, const std::string& out) : m_in(in), m_out(out) {}
  void add(const char* stage, const CIoOptions::LogEntry& e) {
    m_log += std::string(m_log.empty() ? "\n" : ",\n") + "    {\"stage\": \"" + stage +
             "\", \"level\": \"" + kJsonLevels[levelIndex(e.level)] +
             "\", \"text\": " + jsonString(e.text) + "}";
  }
  int finish(bool written, const std::string& error) const {
    std::printf("{\"input\": %s, \"output\": %s, \"written\": %s", jsonString(m_in).c_str(),
                jsonString(m_out).c_str(), written ? "true" : "false");
    if (!error.empty()) std::printf(", \"error\": %s", jsonString(error).c_str());
    std::printf(",\n  \"log\": [%s%s]}\n", m_log.c_str(), m_log.empty() ? "" : "\n  ");
    return written ? 0 : 1;
  }

 private:
  std::string m_in;
  std::string m_out;
  std::string m_log;
};

OptionParser makeParser(ConvertSettings& s) {
  OptionParser parser("convert", LoadStringW(kStrCliConvertOperands), 1, OptionParser::kMany);
  for (const ExportOption& option : kExportOptions) {
    std::uint32_t& flags = s.flags;
    parser.flag(option.name, 0, LoadStringW(option.help),
                [&flags, &option] { flags |= option.flag; });
  }
  auto keep = [](std::string& target) {
    return [&target](const std::string& v) {
      target = v;
      return std::string();
    };
  };
  parser.flag("weld", 0, LoadStringW(kStrCliWeldHelp), s.weld)
      .value("up", 0, LoadStringW(kStrCliValueAxis), LoadStringW(kStrCliUpHelp),
             [&s](const std::string& v) { return upAxisValue(v, s.up); })
      .value("format", 'f', LoadStringW(kStrCliValueFormat), LoadStringW(kStrCliFormatOutHelp),
             keep(s.to))
      .value("from", 0, LoadStringW(kStrCliValueFormat), LoadStringW(kStrCliFormatInHelp),
             keep(s.from))
      .value("to", 0, LoadStringW(kStrCliValueFormat), LoadStringW(kStrCliToHelp), keep(s.batchTo))
      .value("output-dir", 0, LoadStringW(kStrCliValueFolder), LoadStringW(kStrCliOutputDirHelp),
             keep(s.outputDir))
      .value("jobs", 'j', LoadStringW(kStrCliValueCount), LoadStringW(kStrCliJobsHelp),
             [&s](const std::string& v) { return jobsValue(v, s.jobs); })
      .flag("force", 0, LoadStringW(kStrCliForceHelp), s.force)
      .flag("json", 0, LoadStringW(kStrCliJsonConvertHelp), s.json)
      .flag("verbose", 'v', LoadStringW(kStrCliVerboseHelp), s.verbose)
      .flag("quiet", 'q', LoadStringW(kStrCliQuietHelp), s.quiet);
  return parser;
}

// Every operand converted to `--to` in a run of its own.
int convertBatch(const OptionParser& parser, const ConvertSettings& s) {
  std::string why;
  std::string extension = s.batchTo;
  // "--to .PLY" is what a user may type; the files get the usual spelling.
  if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (classForWriting("batch." + extension, {}, why) == 0) {
    return OptionParser::exitStatus(
        parser.fail(text(kStrCliBadValue, "--to", s.batchTo.c_str(), why.c_str())));
  }
  const std::string problem = batchOperandsProblem(parser.operands());
  if (!problem.empty()) return OptionParser::exitStatus(parser.fail(problem));
  std::error_code error;
  if (!s.outputDir.empty() && !std::filesystem::is_directory(s.outputDir, error)) {
    printText(stderr, kStrCliError, text(kStrCliNotAFolder, s.outputDir.c_str()).c_str());
    return 1;
  }
  const std::vector<std::string> options = parser.givenOptions({"to", "output-dir", "jobs"});
  std::vector<BatchFile> files;
  for (const std::string& input : parser.operands()) {
    BatchFile file{input, {"convert", input, batchOutputPath(input, s.outputDir, extension)}, {}};
    file.args.insert(file.args.end(), options.begin(), options.end());
    files.push_back(std::move(file));
  }
  refuseSharedOutputs(files, 2);
  return runBatch(files, {s.jobs, s.quiet, s.json, LoadStringW(kStrCliBatchConverting)});
}

}  // namespace

int runConvert(const std::vector<std::string>& args) {
  ConvertSettings s;
  OptionParser parser = makeParser(s);
  const OptionParser::Result parsed = parser.parse(args);
  if (parsed != OptionParser::Result::ok) return OptionParser::exitStatus(parsed);
  if (!s.batchTo.empty()) return convertBatch(parser, s);
  if (!s.outputDir.empty()) {
    return OptionParser::exitStatus(parser.fail(LoadStringW(kStrCliOutputDirWantsTo)));
  }
  if (parser.operands().size() < 2) {
    return OptionParser::exitStatus(
        parser.fail(text(kStrCliTooFewOperands, parser.operandText().c_str())));
  }
  if (parser.operands().size() > 2) {
    return OptionParser::exitStatus(
        parser.fail(text(kStrCliUnexpectedArgument, parser.operands()[2].c_str())));
  }
  const std::string& in = parser.operands()[0];
  const std::string& out = parser.operands()[1];
  if (s.json && out == "-") {
    return OptionParser::exitStatus(parser.fail(LoadStringW(kStrCliStandardOutputTaken)));
  }
  // The report of --json is the output: nothing else goes to stdout.
  const bool report = !s.quiet && !s.json;
  JsonReport json(in, out);
  auto fail = [&](const std::string& file, const std::string& why, int status) {
    printText(stderr, kStrCliFileError, file.c_str(), why.c_str());
    if (s.json) json.finish(false, why);
    return status;
  };

  // The output replaces its file only once written, so writing over the
  // input is safe; it is still rarely meant, and what the conversion drops
  // would be gone from the only copy.
  std::error_code same;
  if (!s.force && in != "-" && out != "-" && std::filesystem::equivalent(in, out, same)) {
    printText(stderr, kStrCliError, text(kStrCliSameFile, out.c_str()).c_str());
    return 2;
  }
  // Reading a large file only to find the output cannot be written would
  // waste the user's time.
  std::string why;
  const std::uint32_t outClass = classForWriting(out, s.to, why);
  if (outClass == 0) return fail(out, why, 1);
  StandardFile standardOutput;
  std::string target = out;
  if (out == "-") {
    target = standardOutput.forOutput(outClass, why);
    if (target.empty()) return fail(out, why, 1);
  } else if (!fileCanBeWritten(out, why)) {
    printText(stderr, kStrCliError, why.c_str());
    if (s.json) json.finish(false, why);
    return 1;
  }

  TerminalProgress progress(!s.quiet);
  CSceneImportOptions importOptions;
  if (s.weld) importOptions.m_flags |= IMPORT_WELD_POINTS;
  importOptions.m_upAxis = s.up;
  std::string error;
  std::unique_ptr<C3DScene> scene =
      readInput(in, s.from, s.verbose, &importOptions, error, report ? stderr : nullptr);
  const SceneKeptToExit keep(scene);
  for (const CIoOptions::LogEntry& e : importOptions.GetLog()) json.add("read", e);
  if (!scene) return fail(in, error, 1);
  // The writers would refuse the empty scene too, but in terms of the output
  // file; the input is what holds nothing.
  if (scene->GetPointNbr() == 0) {
    return fail(in, text(kStrCliNoGeometry, in.c_str()), 1);
  }
  C3DIo io(CFileNameSpec(target, outClass), IO_FLAG_SILENT);
  if (!io.PrepareSaving()) return fail(out, io.GetIoErrorText(), 1);
  // A conversion depends on its command line alone, not on what the viewer
  // remembered for the format: the IO then adds the format's own defaults.
  io.GetParameters().RemoveAll();
  CSceneExportOptions exportOptions;
  // The scene read here is this command's own and goes once written:
  // preparing it in place saves a full copy of it.
  exportOptions.m_flags = s.flags | EXPORT_IN_PLACE;
  const auto start = std::chrono::steady_clock::now();
  const int saved = io.Save(0, scene.get(), &exportOptions);
  for (const CIoOptions::LogEntry& e : exportOptions.GetLog()) {
    json.add("write", e);
    if (report) {
      printText(stderr, kStrCliLogLine, listItem(kStrCliLogLevels, levelIndex(e.level)).c_str(),
                e.text.c_str());
    }
  }
  if (!saved) return fail(out, io.GetIoErrorText(), 1);
  // Prepared in place, the scene is what was written. Preparing drops what
  // the format has no place for, points that no face uses among them: a
  // point cloud written as an empty file is no conversion.
  if (scene->GetPointNbr() == 0) {
    std::remove(target.c_str());
    printText(stderr, kStrCliError, text(kStrCliNothingLeft, out.c_str(), in.c_str()).c_str());
    if (s.json) json.finish(false, text(kStrCliNothingLeft, out.c_str(), in.c_str()));
    return 1;
  }
  if (out == "-" && !standardOutput.sendToOutput(why)) return fail(out, why, 1);
  if (s.verbose) {
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    printText(stderr, kStrCliWroteIn, out.c_str(), took.count());
  }
  if (s.json) return json.finish(true, {});
  if (report && out != "-") printText(stdout, kStrCliWrote, out.c_str());
  return 0;
}

}  // namespace vex3d::cli
