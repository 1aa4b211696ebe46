// SPDX-License-Identifier: Apache-2.0
#pragma once
// What a control of the window is at creation, as plain data: its kind,
// name, geometry in twips, font, colours and initial state.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

enum class ControlKind { PictureBox, Label, CheckBox, CommandButton, ListBox };
enum class TextAlign { Left, Center };

struct Rgb {
  std::uint8_t r, g, b;
};

struct FontSpec {
  std::string face;
  double points = 9.75;
  bool bold = false;
  int charset = 0;  // 0 Western, 128 Shift-JIS
};

// Everything a control is at creation.
struct ControlSpec {
  ControlKind kind = ControlKind::Label;
  std::string name{};
  int index = -1;  // element of a control array, or -1
  int container = -1;  // position (0-based) of the containing control, or -1 for the window
  std::string caption{};  // labels: '&&' stands for one '&'
  float left = 0, top = 0, width = 0, height = 0;
  std::optional<FontSpec> font{};  // the window's font when empty
  std::optional<Rgb> fore_color{};
  std::optional<Rgb> back_color{};
  bool transparent = false;  // labels: draw only the text
  bool border = false;       // labels: single-line border
  TextAlign align = TextAlign::Left;
  bool enabled = true;
  int value = 0;  // check boxes
  bool drop_target = false;
  int tab_index = 0;
};

}  // namespace platform
