#pragma once
// The one window: its controls, start-up and shutdown, and the wiring
// between the subsystems that live below it.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/proportional_layout.h"
#include "platform/settings_store.h"
#include "platform/window.h"

namespace app {

inline constexpr char kAppName[] = "Torvane";
inline constexpr char kSection[] = "InitVal";
inline constexpr std::int16_t kVersionMajor = 1, kVersionMinor = 0, kVersionRevision = 3;

// "Torvane   (Ver.1.0.3)"
std::string WindowCaption();

// Whether a restored window coordinate is used: at least 1 and strictly
// less than 0.8 of the screen's extent in the same direction.
bool CoordinateFitsScreen(std::int32_t value, float screen_twips);

// What the window needs from outside.
struct Services {
  platform::SettingsStore& settings;
};

class KelPrnPrint {
  // Declared first: the control references below bind to the form's controls.
  Services services_;
  platform::Form form_;

 public:
  explicit KelPrnPrint(Services services);
  ~KelPrnPrint();

  // Start-up: runs once, before the window is first shown.
  void Form_Load();
  void Show();

  // Event handlers.
  void Form_QueryUnload();
  void Form_Resize();
  void But_End_Click();

  platform::Form& Form() { return form_; }
  const LayoutTables& Layout() const { return layout_; }

  // The controls, by the names every part of the program uses.
  platform::PictureBox& Pict_Progress;
  std::array<platform::Label*, 2> Lb_per;
  platform::CheckBox& Chk_FullPath;
  platform::CheckBox& Chk_add;
  platform::CommandButton& But_Clear;
  platform::CommandButton& But_End;
  platform::ListBox& List_File;
  platform::ListBox& List_printer;
  platform::CommandButton& But_Out;
  platform::Label& Label2;
  std::array<platform::Label*, 3> Label1;
  platform::Label& Lb_Bar;

 private:
  void SetProgress(std::int64_t done, std::int64_t total);
  void FillPrinterList();
  void RestoreCoordinate(const char* key, float screen, void (platform::Form::*set)(double));
  void RestoreCheckBox(const char* key, platform::CheckBox& box);

  LayoutTables layout_;
};

}  // namespace app
