// SPDX-License-Identifier: Apache-2.0
#pragma once
// The lines a list box shows, in order.
#include <string>
#include <vector>

#include "platform/window/window.h"

namespace testsupport {

inline std::vector<std::string> Lines(const platform::ListBox& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.ListCount(); ++i) lines.push_back(list.List(i));
  return lines;
}

}  // namespace testsupport
