#pragma once
// Choosing files to open. The window layer installs the dialog; without
// one nothing is chosen (the command line and scripts never ask).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hostlib/hostlib_export.h"

namespace vex3d {

// Every class of the kinds asked for, in one filter.
inline constexpr std::uint32_t kAllFilesClass = 0x414C4C46;  // 'ALLF'

// Answers the chosen files, complete names; empty when cancelled.
using OpenFilesHook =
    std::function<std::vector<std::string>(std::uint32_t fileClass, std::uint32_t kindMask)>;

// Installs `hook` (an empty one removes it) and returns the previous one.
VEXHOST_EXPORT OpenFilesHook setOpenFilesHook(OpenFilesHook hook);

// Answers the folder chosen, starting from `initialFolder`, with `text`
// saying what it is for; empty when cancelled.
using SelectFolderHook =
    std::function<std::string(const std::string& text, const std::string& initialFolder)>;

// Installs `hook` (an empty one removes it) and returns the previous one.
VEXHOST_EXPORT SelectFolderHook setSelectFolderHook(SelectFolderHook hook);

}  // namespace vex3d

// Files of class `fileClass` (kAllFilesClass: any class of `kindMask`)
// chosen by the user; empty without a dialog or when cancelled.
VEXHOST_EXPORT std::vector<std::string> fileOpenFiles(std::uint32_t fileClass,
                                                      std::uint32_t kindMask);

// A folder chosen by the user; empty without a dialog or when cancelled.
VEXHOST_EXPORT std::string fileSelectFolder(const std::string& text,
                                            const std::string& initialFolder);
