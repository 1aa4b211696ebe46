// SPDX-License-Identifier: Apache-2.0
#pragma once
// What the window is made of: its own properties as it starts and its
// fifteen controls in creation order, as data.
#include <vector>

#include "platform/window/control_spec.h"

namespace app {

// The inner area at load, in twips: the layout scales the controls by the
// inner size against it.
inline constexpr float kInnerWidth = 9075;
inline constexpr float kInnerHeight = 4005;
// Until Form_Load adds the version.
inline constexpr char kStartCaption[] = "Torvane";

platform::FontSpec WindowFont();
std::vector<platform::ControlSpec> ControlInventory();

}  // namespace app
