#include "platform/window/window_services.h"

#include <new>

#include "platform/run_time_error.h"

namespace platform {

void RunHandler(const EventHandler& handler) {
  try {
    handler();
  } catch (const RunTimeError& error) {
    ShowMessage(ErrorMessageText(error));
  } catch (const std::bad_alloc&) {
    ShowMessage(ErrorMessageText(MakeError(kErrOutOfMemory)));
  } catch (const std::exception& error) {
    ShowMessage(ErrorMessageText(MakeError(kErrInternal, error.what())));
  }
}

}  // namespace platform
