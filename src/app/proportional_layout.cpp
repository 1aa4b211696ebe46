#include "app/proportional_layout.h"

#include "app/setting_text.h"
#include "platform/run_time_error.h"
#include "platform/window/form.h"

namespace app {

namespace {

std::int32_t Capture(float twips) {
  const auto value = RoundToInt32(twips);
  if (!value) throw platform::MakeError(platform::kErrOverflow);
  return *value;
}

}  // namespace

double LayoutRatio(double scale_now, std::int32_t scale_at_load) {
  if (scale_at_load == 0) throw platform::MakeError(platform::kErrDivisionByZero);
  return scale_now / scale_at_load + 0.01;
}

void CaptureWindow(const platform::Form& form, LayoutTables& tables) {
  tables.FormScale[0] = Capture(form.ScaleWidth());
  tables.FormScale[1] = Capture(form.ScaleHeight());
}

void CaptureControls(const platform::Form& form, LayoutTables& tables) {
  std::size_t k = 0;
  for (const platform::Control* control : form.Controls()) {
    if (k >= tables.CtlGeom.size()) throw platform::MakeError(platform::kErrSubscriptOutOfRange);
    tables.CtlGeom[k] = {Capture(control->Width()), Capture(control->Height()), Capture(control->Left()),
                         Capture(control->Top())};
    ++k;
  }
}

void Form_Resize(platform::Form& form, const LayoutTables& tables) {
  if (form.State() == platform::WindowState::Minimized) return;
  if (!form.Visible()) return;
  // A maximized window's size is the window system's: resizing it would
  // end the maximized state the user just asked for.
  if (form.State() != platform::WindowState::Maximized) {
    if (form.Width() <= kMinimumOuterTwips) form.SetWidth(kMinimumOuterTwips);
    if (form.Height() <= kMinimumOuterTwips) form.SetHeight(kMinimumOuterTwips);
  }

  const double horizontal = LayoutRatio(form.ScaleWidth(), tables.FormScale[0]);
  const double vertical = LayoutRatio(form.ScaleHeight(), tables.FormScale[1]);
  std::size_t k = 0;
  for (platform::Control* control : form.Controls()) {
    const auto& geom = tables.CtlGeom[k++];
    const double w = geom[0] * horizontal;
    if (w >= 1) control->SetWidth(w);
    const double h = geom[1] * vertical;
    if (h >= 1) control->SetHeight(h);
    control->SetLeft(geom[2] * horizontal);
    control->SetTop(geom[3] * vertical);
  }
}

}  // namespace app
