// SPDX-License-Identifier: Apache-2.0
#pragma once
// The whole window layer: one top-level window and its controls (form.h,
// control.h) and the window system's services (window_services.h), with a
// back end per window system: Qt Widgets (qt/) or Win32 (win32/). Nothing
// here knows which controls the program creates. Parts that need less
// include the narrower headers.
#include "platform/window/control.h"
#include "platform/window/form.h"
#include "platform/window/window_services.h"
