// SPDX-License-Identifier: Apache-2.0
#pragma once
// Resizing scales every control from the geometry it had at load by the
// ratio of the window's inner size now to its inner size at load, and keeps
// the window from being made smaller than a fixed minimum.
#include <array>
#include <cstdint>

namespace platform {
class Form;
}

namespace app {

// Outer width and height at or below which the window is set back to it.
inline constexpr double kMinimumOuterTwips = 4597.5;

struct LayoutTables {
  // Inner width and height at load.
  std::array<std::int32_t, 2> FormScale{};
  // Per control, in collection order: Width, Height, Left, Top at load.
  std::array<std::array<std::int32_t, 4>, 101> CtlGeom{};
};

// Inner size now / inner size at load, plus 0.01: at the load size every
// control ends one percent larger and further out.
double LayoutRatio(double scale_now, std::int32_t scale_at_load);

void CaptureWindow(const platform::Form& form, LayoutTables& tables);
void CaptureControls(const platform::Form& form, LayoutTables& tables);
void Form_Resize(platform::Form& form, const LayoutTables& tables);

}  // namespace app
