// SPDX-License-Identifier: Apache-2.0
#pragma once
// Acts on the window as its user does, through the window system, for tests
// of the window's logic that hold on whichever back end draws it.
#include "platform/window/window.h"

namespace testsupport {

// Gives the window an inner area of `width` x `height` pixels, as a drag on
// its frame does, and handles the events that follow.
void ResizeInner(platform::Form& form, int width, int height);
// Hides or shows the window as the window system does, without the program.
void SetShown(platform::Form& form, bool shown);
// Closes the window with its close box.
void CloseBox(platform::Form& form);

}  // namespace testsupport
