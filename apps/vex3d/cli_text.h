#pragma once
// The command's words, always from the string table: one language per run.
#include <cstdio>
#include <string>

namespace vex3d::cli {

// The text of string `id` with printf arguments, as one line on `out`.
void printText(std::FILE* out, unsigned id, ...);
// The same, into a string.
std::string text(unsigned id, ...);
// Item `index` of the '|'-separated list `id`.
std::string listItem(unsigned id, int index);

}  // namespace vex3d::cli
