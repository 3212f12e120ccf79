#pragma once
// A top-level window owned by the application window: caption, frame style, events, and a
// modal run with a modal result.

#include <windows.h>

#include <functional>

#include "toolkit/control.h"

enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TPosition { poDesigned, poScreenCenter, poDesktopCenter };

enum TModalResult : int { mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL };

// One call per full wheel notch.
using TWheelEvent = std::function<void(TComponent* sender)>;

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  // Completes construction: every owned component hears LoadingFinished, then OnCreate runs;
  // an error leaving OnCreate goes to the application's error report. CreateForm calls it.
  void AfterConstruction();
  // Raises OnDestroy once. A derived form whose OnDestroy handler uses the derived part calls
  // this first in its own destructor; otherwise ~TForm does.
  void DoDestroy();

  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle style);
  bool StayOnTop() const { return stay_on_top_; }
  void SetStayOnTop(bool on);
  // Only the system menu among the caption buttons (the default); false shows none.
  void SetSystemMenu(bool on) { system_menu_ = on; }
  void SetPosition(TPosition position) { position_ = position; }
  // Enter, Esc and Tab move between controls as in a dialog.
  void SetDialogKeys(bool on) { dialog_keys_ = on; }
  // False: showing the form leaves the foreground and the keyboard focus where they are.
  void SetActivateOnShow(bool on) { activate_on_show_ = on; }

  int ClientWidth() const;
  int ClientHeight() const;
  // With the frame of the form's DPI.
  void SetClientSize(int width, int height);
  RECT ClientRect() const override;

  // Runs the form modally: every other visible window of the program is disabled until the
  // modal result is set; returns that result.
  int ShowModal();
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int result) { modal_result_ = result; }
  bool InModalRun() const { return in_modal_; }

  // Closes the form: ends a modal run with mrCancel, hides a modeless form, and ends the
  // program for the main form.
  void Close();

  // The device context of the paint in progress (null outside OnPaint).
  HDC Canvas() const { return paint_dc_; }

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  // Paints on Canvas() over the background, before the windowless controls.
  TNotifyEvent OnPaint;
  TNotifyEvent OnHide;
  TNotifyEvent OnResize;
  TNotifyEvent OnClose;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TWheelEvent OnMouseWheelUp;
  TWheelEvent OnMouseWheelDown;

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void VisibleChanged() override;
  void HandleCreated() override;
  void Resized() override;
  void PaintWindow(HDC dc) override;
  // The form's client size, font and controls; its position stays.
  void ChangeScale(int multiplier, int divisor) override;
  // The form's design is complete (its controls made and loaded); OnCreate follows. A base
  // class that works on the finished design does it here.
  virtual void DesignLoaded() {}

 private:
  void ApplyFrameStyle();
  void PlaceForShow();
  // The frame around an empty client area at `dpi`.
  RECT FrameRect(int dpi) const;

  TBorderStyle border_style_ = TBorderStyle::bsSizeable;
  TPosition position_ = TPosition::poDesigned;
  bool stay_on_top_ = false;
  bool system_menu_ = true;
  bool dialog_keys_ = false;
  bool activate_on_show_ = true;
  bool in_modal_ = false;
  bool placed_ = false;
  bool destroying_ = false;
  int modal_result_ = mrNone;
  int wheel_accumulator_ = 0;
  HDC paint_dc_ = nullptr;
};
