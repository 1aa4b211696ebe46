#include "platform/path_name.h"

namespace platform {

std::string FileNamePart(std::string_view path, char separator) {
  // Separators are ASCII, so a byte search is exact on UTF-8 text.
  const auto cut = path.rfind(separator);
  if (cut == std::string_view::npos) return std::string(path);
  return std::string(path.substr(cut + 1));
}

}  // namespace platform
