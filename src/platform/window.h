#pragma once
// The window layer: one top-level window and its controls, with geometry in
// twips (1440 to the logical inch, 15 to a logical pixel) held as
// single-precision values, the properties and events the program uses, and
// the few global services of the window system (message box, yielding,
// screen size). Built on Qt Widgets; nothing here knows which controls the
// program creates.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace platform {

inline constexpr double kTwipsPerPixel = 15.0;

// The pixel span covered by a twips span: edges are rounded, so adjacent
// controls meet without gaps.
struct PixelSpan {
  int start;
  int length;
};
PixelSpan TwipsToPixels(double start_twips, double length_twips);

enum class ControlKind { PictureBox, Label, CheckBox, CommandButton, ListBox };
enum class WindowState { Normal, Minimized, Maximized };
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

// Paths of the local files carried by a drop, in the drop's order.
using DropHandler = std::function<void(const std::vector<std::string>& paths)>;
using EventHandler = std::function<void()>;

class Form;

struct RememberedTwips {
  float twips;
  int pixels;
};

class Control {
 public:
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind Kind() const { return design_.kind; }
  const std::string& Name() const { return design_.name; }
  int Index() const { return design_.index; }
  int TabIndex() const { return design_.tab_index; }
  bool DropTarget() const { return design_.drop_target; }
  Control* Container() const { return container_; }

  // Geometry in twips, relative to the container's inner area. Values are
  // kept as single precision, exactly as set.
  float Left() const { return left_; }
  float Top() const { return top_; }
  float Width() const { return width_; }
  float Height() const { return height_; }
  void SetLeft(double twips);
  void SetTop(double twips);
  void SetWidth(double twips);
  void SetHeight(double twips);

  bool Enabled() const;
  void SetEnabled(bool enabled);

  // Raised with the dropped files' paths; only for drop targets.
  void OnDrop(DropHandler handler) { drop_handler_ = std::move(handler); }

  // Screen readers: leaves this control, and whatever lies inside it, out of
  // what they see.
  void HideFromScreenReaders();
  // Screen readers see this control as a progress bar called `name`, with
  // the value last given to SetProgressValue (0 to 100).
  void PresentAsProgressBar(const std::string& name);
  void SetProgressValue(int percent);

  QWidget* Widget() const { return widget_; }

 protected:
  Control(const ControlSpec& design, Control* container, QWidget* widget);
  void ApplyGeometry();

  ControlSpec design_;
  Control* container_;
  QWidget* widget_;
  float left_, top_, width_, height_;
  DropHandler drop_handler_;

  friend class Form;
  friend class DropRouter;
};

class Label : public Control {
 public:
  std::string Caption() const;
  void SetCaption(const std::string& caption);
  // Makes this label the heading of `control`: screen readers name the
  // control after the label's text.
  void Heads(Control& control);

 private:
  using Control::Control;
  friend class Form;
};

class CommandButton : public Control {
 public:
  std::string Caption() const;
  void OnClick(EventHandler handler) { click_ = std::move(handler); }
  void Click();  // as the user's click

 private:
  using Control::Control;
  EventHandler click_;
  friend class Form;
};

// Value 0 clear, 1 ticked, 2 greyed. A user's click toggles between clear
// and ticked; setting a different value raises the click event as a user's
// click does.
class CheckBox : public Control {
 public:
  std::string Caption() const;
  int Value() const;
  void SetValue(int value);  // any other value: Invalid property value
  void OnClick(EventHandler handler) { click_ = std::move(handler); }

 private:
  using Control::Control;
  EventHandler click_;
  friend class Form;
};

// An unsorted single-selection list.
class ListBox : public Control {
 public:
  void AddItem(const std::string& text);
  void Clear();
  int ListCount() const;
  std::string List(int index) const;  // "" outside the list
  int ListIndex() const;               // -1: none selected
  void SetListIndex(int index);        // -1 clears; outside: Invalid property value
  int NewIndex() const { return new_index_; }
  void SetSelected(int index, bool selected);  // outside: Invalid property array index
  void OnClick(EventHandler handler) { click_ = std::move(handler); }

 private:
  using Control::Control;
  int new_index_ = -1;
  EventHandler click_;
  friend class Form;
};

class PictureBox : public Control {
 private:
  using Control::Control;
  friend class Form;
};

class Form {
 public:
  // The window's inner area is `inner_width` x `inner_height` twips.
  Form(const std::string& caption, float inner_width, float inner_height, const FontSpec& font);
  ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Creates the next control of the collection. Controls are created once,
  // in collection order; their stacking and tab order follow the rules of
  // the window system (see window.cpp).
  Control& Create(const ControlSpec& design);
  template <class T>
  T& CreateAs(const ControlSpec& design) {
    return static_cast<T&>(Create(design));
  }
  // Applies tab order and stacking once every control exists.
  void FinishCreation();
  // The controls in tab order.
  const std::vector<Control*>& TabOrder() const { return tab_order_; }

  // The controls in collection order.
  const std::vector<Control*>& Controls() const { return order_; }

  std::string Caption() const;
  void SetCaption(const std::string& caption);
  void SetIcon(const std::string& resource_path);

  // Outer geometry in twips.
  float Left() const;
  float Top() const;
  float Width() const;
  float Height() const;
  void SetLeft(double twips);
  void SetTop(double twips);
  void SetWidth(double twips);
  void SetHeight(double twips);
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

  QWidget* Widget() const;

 private:
  class Window;
  Window* window_;  // owned by Qt's parent chain once shown; deleted in ~Form
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

  // Before the window is first shown, a position given for one edge only
  // waits for the window system to place the window (see Show).
  bool shown_ = false;
  void Place();

  friend class Window;
  friend class DropRouter;
};

// The screen's size in twips.
float ScreenWidth();
float ScreenHeight();

// A modal message box: the text, an OK button, no icon, titled "Torvane".
void ShowMessage(const std::string& text);
// Whether a modal box (a message, a file dialog) is open now.
bool ModalOpen();

// Handles every pending window event, then returns.
void DoEvents();

// Runs an event handler; a run-time error (or any other failure) that ends
// it is shown to the user, and the program goes on.
void RunHandler(const EventHandler& handler);

}  // namespace platform
