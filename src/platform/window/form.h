// SPDX-License-Identifier: Apache-2.0
#pragma once
// The one top-level window and the controls it holds, in collection order.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/window/control.h"

namespace platform {

enum class WindowState { Normal, Minimized, Maximized };

// Twips set for an edge of the window, and the pixels they gave.
struct RememberedTwips {
  float twips;
  int pixels;
};
// The twips last set while they still give `pixels`, else `pixels` in twips
// at `twips_per_pixel`: a value set reads back exactly.
float Recall(const std::optional<RememberedTwips>& set, int pixels, double twips_per_pixel = kTwipsPerPixel);

class Form {
 public:
  // The window's inner area is `inner_width` x `inner_height` twips.
  Form(const std::string& caption, float inner_width, float inner_height, const FontSpec& font);
  ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Creates the next control of the collection. Controls are created once,
  // in collection order; their stacking and tab order follow the rules of
  // the window system (see FinishCreation).
  Control& Create(const ControlSpec& design);
  // Applies tab order and stacking once every control exists.
  void FinishCreation();
  // The controls in tab order.
  const std::vector<Control*>& TabOrder() const { return tab_order_; }

  // The controls in collection order.
  const std::vector<Control*>& Controls() const { return order_; }

  // The control called `name`, element `index` of a control array (-1: not
  // an array), as class T. A missing control or one of another kind is a
  // programming error: std::logic_error naming it.
  Control& Find(const std::string& name, int index = -1) const;
  template <class T>
  T& Named(const std::string& name, int index = -1) const {
    return As<T>(Find(name, index));
  }

  std::string Caption() const;
  void SetCaption(const std::string& caption);
  // Gives the window the program's own icon.
  void SetProgramIcon();

  // Outer geometry in twips.
  float Left() const;
  float Top() const;
  float Width() const;
  float Height() const;
  void SetLeft(double twips);
  void SetTop(double twips);
  void SetWidth(double twips);
  void SetHeight(double twips);
  // No drag of the window's frame makes it smaller than this outer size.
  void SetMinimumSize(double outer_width, double outer_height);
  // Inner area in twips.
  float ScaleWidth() const;
  float ScaleHeight() const;

  WindowState State() const;
  void SetState(WindowState state);
  bool Visible() const;

  // Shows the window. A position set before for one edge only moves that
  // edge once the window system has placed the window; the other edge stays
  // where it put it.
  void Show();
  // Closes the window: raises the query-unload event, then the window goes.
  void Unload();

  void OnResize(EventHandler handler) { resize_ = std::move(handler); }
  void OnQueryUnload(EventHandler handler) { query_unload_ = std::move(handler); }
  void OnDrop(DropHandler handler) { drop_ = std::move(handler); }
  // Raised with files given from the keyboard, as a drop would give them:
  // Ctrl+O chooses them in the desktop's file chooser, Ctrl+V pastes files
  // copied in a file manager, or text naming existing files one a line.
  // Not raised when that gives no file.
  void OnFilesFromKeyboard(DropHandler handler) { keyboard_files_ = std::move(handler); }

  // The back end's window, for the back end and its tests.
  class Window;
  Window& Native() const { return *window_; }

 private:
  Window* window_;  // the back end's; deleted in ~Form
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<Control*> order_;
  std::vector<Control*> tab_order_;
  EventHandler resize_;
  EventHandler query_unload_;
  DropHandler drop_;
  DropHandler keyboard_files_;
  // Twips last set for the outer geometry, kept while the pixel value is
  // what they produced, so that a value set reads back exactly.
  std::optional<RememberedTwips> set_left_, set_top_, set_width_, set_height_;

  // Sorts tab_order_ by tab index.
  void SortTabOrder();

  // Before the window is first shown, a position given for one edge only
  // waits for the window system to place the window (see Show).
  bool shown_ = false;
  void Place();

  friend class Window;
};

}  // namespace platform
