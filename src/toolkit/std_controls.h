#pragma once
// The standard controls the dialogs are built from: push button, check box, track bar, hot-key
// editor (native controls), a panel (our own window class, can hold children and act as a
// button) and a plain windowless label.

#include <windows.h>

#include <cstdint>
#include <string>

#include "toolkit/control.h"

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TBevelCut { bvNone, bvLowered, bvRaised };

// A push button. Clicking it (the mouse, Space, Enter as the default button, BM_CLICK) first
// gives its ModalResult (when not mrNone) to the form it sits on, then raises OnClick.
class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);

  bool Default() const { return default_; }
  void SetDefault(bool on);
  // Answers Esc in a dialog (see ClickDialogButton).
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on) { cancel_ = on; }
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int result) { modal_result_ = result; }

  void Click();

 protected:
  void CreateParams(TCreateParams& params) override;
  void CommandNotify(WORD code) override;

 private:
  bool default_ = false;
  bool cancel_ = false;
  int modal_result_ = 0;
};

// A push button that shows a picture instead of a caption, with its Hint as tooltip.
class TGlyphButton : public TButton {
 public:
  explicit TGlyphButton(TComponent* owner) : TButton(owner) {}
  // The picture: a bitmap resource of the program, drawn in the middle of the button, made
  // for 96 DPI and stretched to the button's DPI.
  void SetGlyph(const char* resourceName);

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void ChangeScale(int multiplier, int divisor) override;

 private:
  void LoadGlyph();

  std::string glyph_name_;
  UniqueBitmap glyph_;
  UniqueWindow tooltip_;
};

// A line of text in a native static control (so other programs and accessibility tools can
// read it), left-aligned, without prefix characters.
class TStaticText : public TWinControl {
 public:
  explicit TStaticText(TComponent* owner);

 protected:
  void CreateParams(TCreateParams& params) override;
};

// A check box that checks and unchecks itself when clicked. OnClick is raised for the user's
// clicks and whenever SetChecked changes the state.
class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TComponent* owner);

  bool Checked() const;
  void SetChecked(bool checked);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CommandNotify(WORD code) override;
  void HandleCreated() override;

 private:
  bool checked_ = false;
};

// A horizontal track bar. The position always lies within Min..Max (the control clamps it);
// OnChange follows every change of the position, by the user or by code.
class TTrackBar : public TWinControl {
 public:
  explicit TTrackBar(TComponent* owner);

  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetMin(int value);
  void SetMax(int value);
  void SetRange(int min, int max);
  int Position() const;
  void SetPosition(int value);
  int PageSize() const { return page_size_; }
  void SetPageSize(int value);
  // Distance between tick marks.
  int Frequency() const { return frequency_; }
  void SetFrequency(int value);

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void ScrollNotify(WORD code) override;
  void HandleCreated() override;

 private:
  void ApplyRange();
  void PositionMaybeChanged();

  int min_ = 0, max_ = 10, position_ = 0, page_size_ = 2, frequency_ = 1;
};

// The hot-key editor (msctls_hotkey32). HotKey is the control's value: virtual key in the low
// byte, HOTKEYF_SHIFT/CONTROL/ALT/EXT in the high byte; values given by code are kept as they
// are. A key typed alone or with Shift alone is taken with Ctrl instead.
class THotKeyEdit : public TWinControl {
 public:
  explicit THotKeyEdit(TComponent* owner);

  uint16_t HotKey() const;
  void SetHotKey(uint16_t value);

  // Raised on each key the user types into it.
  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CommandNotify(WORD code) override;
  void HandleCreated() override;

 private:
  uint16_t hot_key_ = 0;
};

// A panel: a background in Color, an outer and an inner bevel BorderWidth apart, the caption
// centred. It holds children, and with OnClick set it works as a button (drawn pressed while
// the left button is held over it).
class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* owner);

  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevelCut cut);
  TBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevelCut cut);

  // The area inside both bevels and the border, where children belong.
  RECT InnerRect() const;

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void PaintWindow(HDC dc) override;
  void CaptionChanged() override;
  void FontChanged() override;

 private:
  void SetPressed(bool pressed);

  TBevelCut bevel_outer_ = TBevelCut::bvRaised;
  TBevelCut bevel_inner_ = TBevelCut::bvNone;
  bool tracking_ = false;
  bool pressed_ = false;
};

// A plain label without a window: the caption in the label's font, on Color or transparent.
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  bool Transparent() const { return !opaque_; }
  void SetTransparent(bool on);
  // Lines break at word boundaries within the width.
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool on);
  // "&" marks the next character as an accelerator (underlined) and is not drawn.
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool on);
  // The label takes the size of its text in its font (an empty text counts as one space).
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool on);

  void Paint(HDC dc) override;

 protected:
  void CaptionChanged() override;
  void FontChanged() override;

 private:
  void AdjustSize();

  TAlignment alignment_ = TAlignment::taLeftJustify;
  bool word_wrap_ = false;
  bool show_accel_char_ = true;
  bool auto_size_ = false;
};

// A windowless area its owner paints: OnPaint draws on Canvas() (origin at its top-left).
class TPaintBox : public TGraphicControl {
 public:
  explicit TPaintBox(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 105, 105); }
  HDC Canvas() const { return canvas_; }
  void Paint(HDC dc) override;
  TNotifyEvent OnPaint;

 private:
  HDC canvas_ = nullptr;
};

// An etched line along the top of its area.
class TBevelLine : public TGraphicControl {
 public:
  explicit TBevelLine(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 50, 50); }
  void Paint(HDC dc) override;
};

// Enter and Esc in a form with dialog keys arrive as WM_COMMAND IDOK / IDCANCEL without a
// control handle when the buttons sit inside panels. This clicks the focused push button (for
// IDOK), else the Default (IDOK) or Cancel (IDCANCEL) button below `root` that is visible and
// enabled. Returns false when no button answers.
bool ClickDialogButton(TWinControl& root, int id);
