#include "platform/window/close_signals.h"

namespace platform {

// The session's end and a task manager's close reach the window as a close.
void CloseOnSignals(std::function<void()>) {}

}  // namespace platform
