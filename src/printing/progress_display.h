// SPDX-License-Identifier: Apache-2.0
#pragma once
// The progress display on the window: both percentage labels and the blue
// fill inside the frame.
#include <cstdint>

namespace platform {
class Label;
class PictureBox;
}  // namespace platform

namespace printing {

struct ProgressControls {
  platform::Label& text_over_frame;  // Lb_per element 1, black
  platform::Label& text_over_fill;   // Lb_per element 0, white, inside the fill
  platform::Label& frame;            // Lb_Bar, also the bar screen readers see
  platform::PictureBox& fill;        // Pict_Progress
};

// Shows `done` of `total` (done = 0 resets the display).
void ShowProgress(const ProgressControls& controls, std::int64_t done, std::int64_t total);

// ShowProgress, then yields to the event loop.
void SetProgress(const ProgressControls& controls, std::int64_t done, std::int64_t total);

}  // namespace printing
