#include "cli_text.h"

#include <cstdarg>

#include "hostlib/text/strings.h"

namespace vex3d::cli {

// The formats are the table's, checked against their translations by the
// table generator rather than by the compiler.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"

void printText(std::FILE* out, unsigned id, ...) {
  std::va_list args;
  va_start(args, id);
  const std::string line = formatTextV(LoadStringW(id).c_str(), args);
  va_end(args);
  std::fprintf(out, "%s\n", line.c_str());
}

std::string text(unsigned id, ...) {
  std::va_list args;
  va_start(args, id);
  std::string result = formatTextV(LoadStringW(id).c_str(), args);
  va_end(args);
  return result;
}

#pragma GCC diagnostic pop

std::string listItem(unsigned id, int index) { return ExtractString(id, index); }

}  // namespace vex3d::cli
