#pragma once
// The whole window layer: one top-level window and its controls (form.h,
// control.h) and the window system's services (window_services.h). Built on
// Qt Widgets; nothing here knows which controls the program creates. Parts
// that need less include the narrower headers.
#include "platform/control.h"
#include "platform/form.h"
#include "platform/window_services.h"
