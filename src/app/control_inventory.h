// SPDX-License-Identifier: Apache-2.0
#pragma once
// The window's design: its own properties and its fifteen controls in
// creation order, as data.
#include <vector>

#include "platform/window/control_spec.h"

namespace app {

inline constexpr float kDesignInnerWidth = 9075;
inline constexpr float kDesignInnerHeight = 4005;
inline constexpr char kDesignCaption[] = "Torvane";

platform::FontSpec WindowFont();
std::vector<platform::ControlSpec> ControlInventory();

}  // namespace app
