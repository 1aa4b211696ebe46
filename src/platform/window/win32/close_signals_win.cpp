#include "platform/window/close_signals.h"

#include <utility>

#include "platform/window/win32/win32_window.h"

namespace platform {
namespace {

std::function<void()>& SessionEndClose() {
  static std::function<void()> close;
  return close;
}

}  // namespace

// A task manager's close reaches the window as a close box's does; the
// session's end comes as WM_ENDSESSION, which the form hands on here.
void CloseOnSignals(std::function<void()> close) { SessionEndClose() = std::move(close); }

void CloseForSessionEnd() {
  if (SessionEndClose()) SessionEndClose()();
}

}  // namespace platform
