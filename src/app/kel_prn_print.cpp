#include "app/kel_prn_print.h"

#include <QtCore/qglobal.h>

#include "app/control_inventory.h"
#include "app/setting_text.h"
#include "platform/run_time_error.h"

// The icon lives in this library's resources, which a static link does not
// register by itself.
static void InitResources() { Q_INIT_RESOURCE(torvane); }

namespace app {

namespace {

// Creates the designed controls on `form`, in creation order, and returns it.
platform::Form& Compose(platform::Form& form) {
  for (const auto& spec : ControlInventory()) form.Create(spec);
  form.FinishCreation();
  return form;
}

template <class T>
T& At(platform::Form& form, std::size_t position) {
  return static_cast<T&>(*form.Controls().at(position));
}

}  // namespace

std::string WindowCaption() {
  return std::string(kAppName) + "   (Ver." + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) +
         "." + std::to_string(kVersionRevision) + ")";
}

bool CoordinateFitsScreen(std::int32_t value, float screen_twips) {
  return value >= 1 && value < static_cast<double>(screen_twips) * 0.8;
}

KelPrnPrint::KelPrnPrint(Services services)
    : services_(services),
      form_(kDesignCaption, kDesignInnerWidth, kDesignInnerHeight, WindowFont()),
      Pict_Progress(At<platform::PictureBox>(Compose(form_), 0)),
      Lb_per{&At<platform::Label>(form_, 1), &At<platform::Label>(form_, 9)},
      Chk_FullPath(At<platform::CheckBox>(form_, 2)),
      Chk_add(At<platform::CheckBox>(form_, 3)),
      But_Clear(At<platform::CommandButton>(form_, 4)),
      But_End(At<platform::CommandButton>(form_, 5)),
      List_File(At<platform::ListBox>(form_, 6)),
      List_printer(At<platform::ListBox>(form_, 7)),
      But_Out(At<platform::CommandButton>(form_, 8)),
      Label2(At<platform::Label>(form_, 10)),
      Label1{&At<platform::Label>(form_, 13), &At<platform::Label>(form_, 12), &At<platform::Label>(form_, 11)},
      Lb_Bar(At<platform::Label>(form_, 14)) {
  InitResources();
  form_.SetIcon(":/torvane/icon.png");
  form_.OnResize([this] { Form_Resize(); });
  form_.OnQueryUnload([this] { Form_QueryUnload(); });
  But_End.OnClick([this] { But_End_Click(); });
}

KelPrnPrint::~KelPrnPrint() = default;

void KelPrnPrint::Form_Load() {
  layout_ = LayoutTables{};
  CaptureWindow(form_, layout_);
  SetProgress(0, 1000);
  CaptureControls(form_, layout_);
  form_.SetCaption(WindowCaption());
  FillPrinterList();

  // From here a step that fails is skipped silently.
  platform::SkipOnError skip;
  skip.On();
  skip([&] { RestoreCoordinate("WinPosL", platform::ScreenWidth(), &platform::Form::SetLeft); });
  skip([&] { RestoreCoordinate("WinPosT", platform::ScreenHeight(), &platform::Form::SetTop); });
  skip([&] { RestoreCheckBox("PathDisp", Chk_FullPath); });
  skip([&] { RestoreCheckBox("AddFile", Chk_add); });
}

void KelPrnPrint::Show() { form_.Show(); }

void KelPrnPrint::RestoreCoordinate(const char* key, float screen, void (platform::Form::*set)(double)) {
  const auto value = TextToInt32(services_.settings.Read(kAppName, kSection, key), UserNumberFormat());
  if (value && CoordinateFitsScreen(*value, screen)) (form_.*set)(*value);
}

void KelPrnPrint::RestoreCheckBox(const char* key, platform::CheckBox& box) {
  const auto value = TextToInt16(services_.settings.Read(kAppName, kSection, key), UserNumberFormat());
  // A value the box does not take (not 0, 1 or 2) fails, leaving its design value.
  if (value) box.SetValue(*value);
}

void KelPrnPrint::FillPrinterList() {
  // The default is the list's own selection index while it is still empty.
  const std::string saved =
      services_.settings.Read(kAppName, kSection, "ListIdx", std::to_string(List_printer.ListIndex()));
  (void)saved;
}

void KelPrnPrint::SetProgress(std::int64_t done, std::int64_t total) {
  (void)total;
  if (done == 0) Pict_Progress.SetWidth(1);
  platform::DoEvents();
}

void KelPrnPrint::Form_QueryUnload() {
  const NumberFormat format = UserNumberFormat();
  auto& store = services_.settings;
  store.Save(kAppName, kSection, "WinPosL", SingleToText(form_.Left(), format));
  store.Save(kAppName, kSection, "WinPosT", SingleToText(form_.Top(), format));
  const int selected = List_printer.ListIndex();
  store.Save(kAppName, kSection, "ListIdx", selected >= 0 ? List_printer.List(selected) : std::string());
  store.Save(kAppName, kSection, "PathDisp", std::to_string(Chk_FullPath.Value()));
  store.Save(kAppName, kSection, "AddFile", std::to_string(Chk_add.Value()));
}

void KelPrnPrint::Form_Resize() { app::Form_Resize(form_, layout_); }

void KelPrnPrint::But_End_Click() { form_.Unload(); }

}  // namespace app
