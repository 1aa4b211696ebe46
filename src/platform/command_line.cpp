#include "platform/command_line.h"

namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Where the unquoted program path ends.
std::size_t UnquotedPathEnd(std::string_view line, const NamesProgram& names_program) {
  std::size_t first_blank = std::string_view::npos;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size() && !IsBlank(line[i])) continue;
    if (first_blank == std::string_view::npos) first_blank = i;
    if (!names_program) break;
    if (i > 0 && !IsBlank(line[i - 1]) && names_program(line.substr(0, i))) return i;
  }
  return first_blank;
}

}  // namespace

std::string WithoutProgramPath(std::string_view line, const NamesProgram& names_program) {
  std::size_t i = 0;
  if (!line.empty() && line[0] == '"') {
    const auto close = line.find('"', 1);
    i = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    i = UnquotedPathEnd(line, names_program);
  }
  while (i < line.size() && IsBlank(line[i])) ++i;
  return std::string(line.substr(i));
}

}  // namespace platform
