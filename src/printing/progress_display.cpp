#include "printing/progress_display.h"

#include "platform/window/control.h"
#include "platform/window/window_services.h"
#include "printing/progress_text.h"

namespace printing {

void ShowProgress(const ProgressControls& controls, std::int64_t done, std::int64_t total) {
  const ProgressUpdate update = ComputeProgress(done, total);
  controls.text_over_frame.SetCaption(update.text);
  controls.text_over_fill.SetCaption(controls.text_over_frame.Caption());
  // The frame's width is read now, so the bar follows a resized window.
  controls.fill.SetWidth(FillWidth(update, controls.frame.Width()));
  controls.frame.SetProgressValue(ProgressPercent(update.ratio));
}

void SetProgress(const ProgressControls& controls, std::int64_t done, std::int64_t total) {
  ShowProgress(controls, done, total);
  platform::DoEvents();
}

}  // namespace printing
