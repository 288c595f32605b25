// The exchange worker: reads one file, or writes one scene, with the
// exchange library, and answers on its standard output (worker_protocol.h).
// Before it touches any file it takes on the limits its caller gives and
// gives up write access (barrier.h): whatever a file makes the library do,
// the caller sees an answer or a worker that ended, and nothing on disk
// changes. The caller writes the files of a write itself.
#include <malloc.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "answer.h"
#include "assimp_io.h"
#include "barrier.h"
#include "captured_files.h"
#include "fopen_capture.h"
#include "glb_check.h"
#include "hostlib/core/archive.h"
#include "hostlib/core/progress.h"
#include "hostlib/io/file_io_frame.h"
#include "scene/embedded_images.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"
#include "test_faults.h"
#include "worker_protocol.h"

namespace {

using namespace vex3d::assimp;

struct Arguments {
  bool read = false;
  std::string file;
  std::uint32_t fileClass = 0;
  std::string exportId;
  bool confined = false;
  std::uint64_t memory = 0;
  std::uint32_t seconds = 0;
};

bool number(const char* text, std::uint64_t& value) {
  if (text == nullptr || *text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtoull(text, &end, 10);
  return errno == 0 && *end == '\0';
}

bool parse(int argc, char** argv, Arguments& out) {
  if (argc < 4) return false;
  const std::string command = argv[1];
  out.read = command == kReadCommand;
  if (!out.read && command != kWriteCommand) return false;
  out.file = argv[2];
  std::uint64_t value = 0;
  if (out.read) {
    if (!number(argv[3], value) || value > 0xFFFFFFFFu) return false;
    out.fileClass = static_cast<std::uint32_t>(value);
  } else {
    out.exportId = argv[3];
  }
  for (int i = 4; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == kConfinedOption && out.read) {
      out.confined = true;
    } else if (option == kMemoryOption && i + 1 < argc && number(argv[i + 1], value)) {
      out.memory = value;
      ++i;
    } else if (option == kCpuOption && i + 1 < argc && number(argv[i + 1], value) &&
               value <= 0xFFFFFFFFu) {
      out.seconds = static_cast<std::uint32_t>(value);
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

// The library's progress, as the worker's own progress display, goes to
// the plug-in; stopping is the plug-in's business (it ends the worker).
vex3d::ProgressHandler forwardProgress(Answer& answer) {
  return [&answer](int code, ProcessProgressInfo* info) {
    if (code == vex3d::kProgressSetPosition && info != nullptr) answer.progress(info->position);
    return 0;
  };
}

std::unique_ptr<C3DScene> readFile(const Arguments& args, Answer& answer) {
  // Checked before the library sees the file: it would clear gigabytes for
  // a length past the end.
  const std::string damaged = glbLengthError(args.file);
  if (!damaged.empty()) {
    answer.failure(IO_ERROR_PARSER_EXCEPTION, damaged);
    return nullptr;
  }
  CSceneImportOptions options;
  options.m_confined = args.confined;
  IoFailure failure;
  std::unique_ptr<C3DScene> scene;
  {
    const vex3d::ProgressHandlerScope progress(forwardProgress(answer));
    // The scene only goes out as an archive: its meshes store themselves
    // from the library's arrays, which spares building what the caller
    // builds again.
    scene.reset(
        readWithLibrary(args.file.c_str(), args.fileClass, &options, &failure, SceneUse::archive));
  }
  answer.logs(options);
  if (!scene) {
    answer.failure(failure.code, failure.text);
    return nullptr;
  }
  // The library's scene is freed, and every page it held goes back to the
  // system, before the scene goes out: the plug-in rebuilds the scene
  // meanwhile and is handed those pages, still mapped in by the machine,
  // where pages unused for a while would first have to be found again (on
  // virtual machines, several times the cost of the rebuild itself).
  ::malloc_trim(0);
  answer.scene(options.m_fileUpAxis, *scene);
  return scene;
}

// The prepared scene's archive as it arrives on standard input: loaded as
// it comes, it is never held whole beside the scene it makes.
class InputSource : public CArchiveSource {
 public:
  std::size_t Fill(std::uint8_t* data, std::size_t size) override {
    for (;;) {
      const ssize_t n = ::read(STDIN_FILENO, data, size);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR)
        throw CArchiveException(CArchiveException::genericException, std::strerror(errno));
    }
  }
};

bool writeScene(const Arguments& args, Answer& answer) {
  auto scene = std::make_unique<C3DScene>();
  {
    InputSource input;
    // The scene cannot be larger than the memory the worker may hold.
    CArchive ar(input, args.memory != 0 ? args.memory : UINT64_MAX);
    scene->Serialize(ar);
    std::vector<std::string> warnings;
    loadEmbeddedImages(ar, *scene, vex3d::EmbeddedImageCheck::keep, warnings);
  }
  CapturedFiles files(args.file);
  captureFopenWrites(&files);
  IoFailure failure;
  const int written = writeWithLibrary(args.file.c_str(), std::move(scene), args.exportId.c_str(),
                                       new CapturingIoSystem(files), &failure);
  captureFopenWrites(nullptr);
  if (written == 0) {
    answer.failure(failure.code, failure.text);
    return false;
  }
  for (const auto& [name, bytes] : files.files()) answer.file(name, bytes);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (!parse(argc, argv, args)) {
    std::fprintf(stderr,
                 "usage: %s read FILE FILE_CLASS [--confined] [--memory BYTES] [--cpu SECONDS]\n"
                 "       %s write FILE EXPORT_ID [--memory BYTES] < SCENE_ARCHIVE\n",
                 argv[0], argv[0]);
    return kUsageStatus;
  }
  closeInheritedFiles();
  applyLimits(args.memory, args.seconds);
  std::string why;
  // Without the filter the worker still runs apart, within its limits;
  // the reason goes where the sanitizers' reports go.
  if (!forbidWriting(why))
    std::fprintf(stderr, "vex3d-assimp-worker: no write barrier: %s\n", why.c_str());

  Answer answer(STDOUT_FILENO);
  if (runTestFault(answer)) ::_exit(0);
  // A read scene stays until the end: its large blocks go out by reference.
  std::unique_ptr<C3DScene> kept;
  bool succeeded = false;
  try {
    if (args.read) {
      kept = readFile(args, answer);
      succeeded = kept != nullptr;
    } else {
      succeeded = writeScene(args, answer);
    }
  } catch (const CArchiveException& e) {
    answer.failure(IO_ERROR_PARSER_EXCEPTION, e.what());
  } catch (const std::exception& e) {
    answer.failure(IO_ERROR_PARSER_EXCEPTION, e.what());
  }
  answer.finish();
  // Ending at once frees everything sooner than the destructors would. A
  // failed read may leave the library's own leaks, which are not ours to
  // report; a sanitized build tears down after a success so that the leak
  // checker sees the worker's own code.
  if (!succeeded || !kSanitizedBuild) ::_exit(0);
  return 0;
}
