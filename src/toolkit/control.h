#pragma once
// Controls: windowless ones (TGraphicControl, painted by their parent inside its WM_PAINT)
// and windowed ones (TWinControl: a native window, our own class or a standard control).

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "toolkit/component.h"
#include "toolkit/dpi.h"
#include "toolkit/graphics.h"
#include "toolkit/handles.h"
#include "toolkit/mouse_event.h"

class TWinControl;

enum class TAlign { alNone, alClient };

// The mouse pointer over a control: crDefault leaves it to the parent (or the window class).
enum class TCursor { crDefault, crArrow, crHandPoint };

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
  virtual RECT ClientRect() const { return RECT{0, 0, width_, height_}; }
  virtual void SetBounds(int left, int top, int width, int height);
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  // A longer help text for the control; kept for whoever shows it (forms translate it too).
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint) { hint_ = hint; }

  TFont& Font() { return font_; }
  TColor Color() const { return color_; }
  void SetColor(TColor color);

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  friend class TWinControl;

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor) { cursor_ = cursor; }

  // Asks for a repaint of the control's area.
  virtual void Invalidate();

  // The DPI the control's geometry and font are made for: designs are made for 96.
  int Dpi() const { return dpi_; }
  // Brings geometry and font from Dpi() to `dpi`; a windowed control brings its children along.
  void ScaleForDpi(int dpi);
  // Design pixels at the control's DPI.
  int Scaled(int designPixels) const { return ScaleToDpi(designPixels, dpi_); }

  TNotifyEvent OnClick;
  // A mouse button went down over the control (client coordinates).
  TMouseEvent OnMouseDown;

 protected:
  virtual void CaptionChanged() {}
  virtual void FontChanged() {}
  virtual void ColorChanged() { Invalidate(); }
  virtual void EnabledChanged() { Invalidate(); }
  virtual void VisibleChanged();
  virtual void BoundsChanged() {}
  // Scales what the control holds in pixels by multiplier / divisor: here its bounds (edges,
  // so neighbours stay neighbours) and its font's height.
  virtual void ChangeScale(int multiplier, int divisor);

  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TWinControl* parent_ = nullptr;

 private:
  bool visible_ = true;
  bool enabled_ = true;
  std::string caption_;
  std::string hint_;
  TFont font_;
  TColor color_ = clBtnFace;
  TAlign align_ = TAlign::alNone;
  TCursor cursor_ = TCursor::crDefault;
  int dpi_ = kDesignDpi;
};

// A control without a window of its own, painted by its parent.
class TGraphicControl : public TControl {
 public:
  using TControl::TControl;

  // Paints on the parent's device context; the origin is the control's top-left corner and
  // drawing is clipped to the control.
  virtual void Paint(HDC dc) = 0;

  void Invalidate() override;
  // Invalidates the control's area in the parent, erasing the background first or not.
  void InvalidateArea(bool erase);
  // Shows the control's present look at once. An opaque control paints itself, and the
  // controls above it, straight into the parent's window; any other is invalidated and its
  // parent updated.
  void Repaint();

  // An opaque control covers its whole area, so its parent need not erase beneath it.
  bool Opaque() const { return opaque_; }

  // A mouse button message over the control, handed on by its parent; `lp` holds the point
  // in the control's own coordinates. A press raises OnMouseDown; the left button's release
  // over the control after a left press on it raises OnClick.
  virtual void MouseMessage(UINT msg, WPARAM wp, LPARAM lp);

 protected:
  bool opaque_ = false;

 private:
  bool clicked_ = false;
};

struct TCreateParams {
  std::string class_name;  // empty: the toolkit's own window class
  DWORD style = 0;
  DWORD ex_style = 0;
  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The native window, made at the first call (its parent's first).
  HWND Handle();
  // A window that is not the toolkit's (a system dialog) as the parent of a control that has
  // no toolkit parent; its native window is made anew inside it at the next Handle().
  void SetParentWindow(HWND parent) { parent_window_ = parent; }
  bool HandleAllocated() const { return static_cast<bool>(wnd_); }
  void DestroyHandle();

  // Child controls, windowed and windowless, in the order they were given this parent.
  const std::vector<TControl*>& Controls() const { return controls_; }
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);

  // Space kept free inside the client area around aligned children.
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int width);

  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool tab_stop) { tab_stop_ = tab_stop; }

  RECT ClientRect() const override;
  void SetBounds(int left, int top, int width, int height) override;
  void Invalidate() override;
  void SetFocus();

  // Lays out children aligned alClient over the client area less the border width.
  void AlignControls();

  // The topmost visible, enabled windowless child at a point of the client area (or nullptr).
  TGraphicControl* ControlAtPos(POINT p) const;

  // The mouse pointer came onto, or went off, one of the windowless children.
  std::function<void(TControl* control)> OnControlMouseEnter;
  std::function<void(TControl* control)> OnControlMouseLeave;

  // Paints the visible windowless children that meet `area`, bottom to top, starting with
  // `first` (all of them when it is nullptr).
  void PaintControls(HDC dc, const RECT& area, const TControl* first = nullptr);

  // The object behind a window made by the toolkit (or nullptr).
  static TWinControl* FromHandle(HWND wnd);
  // The same for any window: nullptr unless the window is of the toolkit's own class.
  static TWinControl* FindControl(HWND wnd);

 protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateHandle();
  // Our own window class's message handling; returns DefWindowProc's answer by default.
  virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT DefaultHandler(UINT msg, WPARAM wp, LPARAM lp);
  // Paints the background and every visible windowless child that meets the update area.
  void PaintHandler(HDC dc, const RECT& update);
  virtual void PaintWindow(HDC) {}
  // Fills the client area with Color; false leaves the background alone.
  virtual bool EraseBackground(HDC dc);
  // Notifications a standard control sends its parent, handed back to the control.
  virtual void CommandNotify(WORD) {}
  virtual LRESULT NotifyMessage(NMHDR*) { return 0; }
  virtual void ScrollNotify(WORD) {}
  virtual void HandleCreated() {}
  virtual void Resized() {}

  void CaptionChanged() override;
  void FontChanged() override;
  void EnabledChanged() override;
  void VisibleChanged() override;
  void ChangeScale(int multiplier, int divisor) override;
  // Scales the border width and brings every child to this control's DPI.
  void ScaleChildren(int multiplier, int divisor);

  UniqueWindow wnd_;

 private:
  static LRESULT CALLBACK WindowProcThunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void ApplyHandleBounds();
  // Mouse button messages over a windowless child are that child's; true when one took it.
  bool RouteMouseToControl(UINT msg, WPARAM wp, LPARAM lp);
  // The cursor of the control under the pointer; true when one was set.
  bool ApplyCursor(WPARAM wp, LPARAM lp);

  std::vector<TControl*> controls_;
  // The windowless child that took the last press, until the buttons are all up again.
  TGraphicControl* mouse_control_ = nullptr;
  // The windowless child under the pointer, while the pointer is over this window.
  TGraphicControl* hover_control_ = nullptr;
  void TrackHover(TGraphicControl* over);
  HWND parent_window_ = nullptr;
  int border_width_ = 0;
  bool tab_stop_ = false;
  bool own_class_ = true;
  bool setting_bounds_ = false;
};
