#pragma once
// Many files through one command: each file runs in a process of its own,
// several at a time, so that one file that crashes, hangs past its limits
// or runs out of memory costs that file only, and the limits a thumbnail
// sets apply to it alone.
#include <string>
#include <vector>

#include "hostlib/core/parallel_parts.h"

namespace vex3d::cli {

struct BatchFile {
  std::string input;
  // The command line of its run, without the program: {"convert", IN, OUT, ...}.
  std::vector<std::string> args;
  // Set when the file cannot be run at all (two inputs writing one output):
  // it fails with this reason without starting.
  std::string refused;
};

struct BatchSettings {
  unsigned jobs = 1;
  bool quiet = false;
  // Each run prints one JSON value on stdout; the batch prints them as one
  // array, in the order of the files.
  bool json = false;
  // The progress bar's title ("convert").
  std::string title;
};

// Runs every file, `jobs` at a time, with one progress bar; the runs'
// output is passed on as each ends, and the failures are listed at the end.
// Answers 0 when every file succeeded, 1 when any failed, 130 when the user
// interrupted the batch.
int runBatch(const std::vector<BatchFile>& files, const BatchSettings& settings);

// The default for `--jobs` is vex3d::availableProcessors().
// The setter of `--jobs`: empty when taken, else what is wrong.
std::string jobsValue(const std::string& text, unsigned& jobs);

// Where the batch writes the output of `input`: its name with `extension`
// in `folder`, or beside the input when `folder` is empty.
std::string batchOutputPath(const std::string& input, const std::string& folder,
                            const std::string& extension);
// Empty when every operand can be a file of a batch, else what is wrong:
// standard input cannot, since every run would share it.
std::string batchOperandsProblem(const std::vector<std::string>& operands);
// Refuses, with the reason, the files whose output another file of the
// batch already writes (two inputs of the same name from two folders).
void refuseSharedOutputs(std::vector<BatchFile>& files, std::size_t outputArg);

}  // namespace vex3d::cli
