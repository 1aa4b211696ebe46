// SPDX-License-Identifier: Apache-2.0
#include <iconv.h>

#include <cstdlib>

#include "support/host.h"

namespace testsupport {

bool OnWindows() { return false; }

void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
  value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
}

bool SystemTakesAsUtf8(const std::string& text) {
  if (text.empty()) return true;
  iconv_t converter = iconv_open("UTF-32LE", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in = text;
  std::string out(4 * text.size() + 4, '\0');
  char* in_ptr = in.data();
  char* out_ptr = out.data();
  std::size_t in_left = in.size();
  std::size_t out_left = out.size();
  const std::size_t result = iconv(converter, &in_ptr, &in_left, &out_ptr, &out_left);
  iconv_close(converter);
  return result != static_cast<std::size_t>(-1) && in_left == 0;
}

}  // namespace testsupport
