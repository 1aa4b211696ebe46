#include "filelist/display_form.h"

namespace filelist {

std::string DisplayForm(std::string_view path, int full_path_value, char separator) {
  if (full_path_value != 0) return std::string(path);
  return platform::FileNamePart(path, separator);
}

}  // namespace filelist
