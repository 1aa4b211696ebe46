// SPDX-License-Identifier: Apache-2.0
#pragma once
// A request to end the program from outside (on Linux and macOS SIGTERM,
// SIGHUP and SIGINT) closes the window the way its close box does, on the
// window's own thread. On Windows the session's end (WM_ENDSESSION) does.
#include <functional>

namespace platform {

// From now on each such request first closes a message box that is open,
// then calls `close`. Call once, with the event loop's application made.
void CloseOnSignals(std::function<void()> close);

}  // namespace platform
