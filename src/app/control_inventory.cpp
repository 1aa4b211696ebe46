#include "app/control_inventory.h"

#include <string>

namespace app {

namespace {

using platform::ControlKind;
using platform::ControlSpec;
using platform::FontSpec;
using platform::Rgb;

constexpr char kArial[] = "Arial";
// A proportional Japanese Gothic face, so that Japanese file and printer
// names show; the window layer substitutes an installed face of that kind.
constexpr char kJapaneseFace[] = "ＭＳ Ｐゴシック";
constexpr int kShiftJis = 128;

FontSpec Arial(double points, bool bold = false) { return {kArial, points, bold, 0}; }
FontSpec Japanese(double points) { return {kJapaneseFace, points, false, kShiftJis}; }

const std::string kPercentAtStart = std::string(26, ' ') + "0%";

}  // namespace

FontSpec WindowFont() { return Arial(9.75); }

std::vector<ControlSpec> ControlInventory() {
  constexpr Rgb kBlue{0, 0, 255}, kWhite{255, 255, 255}, kBlack{0, 0, 0};
  std::vector<ControlSpec> c(15);
  // 1: the progress fill.
  c[0] = {.kind = ControlKind::PictureBox, .name = "Pict_Progress", .left = 1845, .top = 3540, .width = 187,
          .height = 255, .back_color = kBlue, .tab_index = 13};
  // 2: the white percentage, inside the fill.
  c[1] = {.kind = ControlKind::Label, .name = "Lb_per", .index = 0, .container = 0, .caption = kPercentAtStart,
          .left = 0, .top = 20, .width = 3255, .height = 255, .fore_color = kWhite, .transparent = true,
          .tab_index = 14};
  c[2] = {.kind = ControlKind::CheckBox, .name = "Chk_FullPath", .caption = "Full Path", .left = 6000, .top = 60,
          .width = 1635, .height = 240, .value = 1, .tab_index = 11};
  c[3] = {.kind = ControlKind::CheckBox, .name = "Chk_add", .caption = "Add files", .left = 4080, .top = 60,
          .width = 1875, .height = 195, .font = Arial(11.25), .value = 0, .drop_target = true, .tab_index = 8};
  c[4] = {.kind = ControlKind::CommandButton, .name = "But_Clear", .caption = "Clear", .left = 5640, .top = 3480,
          .width = 915, .height = 375, .tab_index = 7};
  c[5] = {.kind = ControlKind::CommandButton, .name = "But_End", .caption = "Quit", .left = 120, .top = 3480,
          .width = 1275, .height = 375, .tab_index = 3};
  c[6] = {.kind = ControlKind::ListBox, .name = "List_File", .left = 120, .top = 300, .width = 8775, .height = 1425,
          .font = Japanese(9.75), .drop_target = true, .tab_index = 2};
  c[7] = {.kind = ControlKind::ListBox, .name = "List_printer", .left = 120, .top = 1980, .width = 8775,
          .height = 1425, .font = Japanese(9.75), .drop_target = true, .tab_index = 1};
  c[8] = {.kind = ControlKind::CommandButton, .name = "But_Out", .caption = "Print", .left = 7200, .top = 3480,
          .width = 1695, .height = 375, .font = Arial(12, true), .enabled = false, .drop_target = true,
          .tab_index = 0};
  // 10: the black percentage, on the window inside the frame.
  c[9] = {.kind = ControlKind::Label, .name = "Lb_per", .index = 1, .caption = kPercentAtStart, .left = 1860,
          .top = 3560, .width = 3255, .height = 195, .fore_color = kBlack, .transparent = true, .tab_index = 12};
  c[10] = {.kind = ControlKind::Label, .name = "Label2", .caption = "ORVEX", .left = 7860, .top = 60, .width = 1155,
           .height = 195, .font = Arial(9.75, true), .align = platform::TextAlign::Center, .drop_target = true,
           .tab_index = 10};
  c[11] = {.kind = ControlKind::Label, .name = "Label1", .index = 2, .caption = "(Drag && Drop)", .left = 1860,
           .top = 60, .width = 1995, .height = 255, .font = Arial(11.25), .drop_target = true, .tab_index = 9};
  c[12] = {.kind = ControlKind::Label, .name = "Label1", .index = 1, .caption = "Print File List", .left = 60,
           .top = 60, .width = 2415, .height = 255, .font = Arial(12, true), .transparent = true,
           .drop_target = true, .tab_index = 5};
  c[13] = {.kind = ControlKind::Label, .name = "Label1", .index = 0, .caption = "Printer List", .left = 60,
           .top = 1740, .width = 2595, .height = 255, .font = Arial(12, true), .transparent = true,
           .drop_target = true, .tab_index = 4};
  // 15: the progress frame.
  c[14] = {.kind = ControlKind::Label, .name = "Lb_Bar", .left = 1800, .top = 3480, .width = 3495, .height = 375,
           .font = Japanese(9), .border = true, .drop_target = true, .tab_index = 6};
  return c;
}

}  // namespace app
