#pragma once
// The magnifier window: the picture, its two labels, the capture and overlay timers, the
// transparency, the tray icon with its menu, the seven hotkeys and the save dialog.

#include <memory>
#include <string>

#include "app/geometry.h"
#include "app/magnifier_state.h"
#include "app/picture_image.h"
#include "app/picture_output.h"
#include "toolkit/form.h"
#include "toolkit/handles.h"

class TPictureImage;
class TRxLabel;
class TTimer;
class TTransparentWnd;
class TRxTrayIcon;
class TPopupMenu;
class TMenuItem;
class TfisHotKey;
class TSavePictureDialog;
class TProgramSetup;
class Tfrmzoomsetup;

class TfrmZoom : public TForm {
 public:
  // The settings are loaded from and saved to settingsKey below HKEY_CURRENT_USER.
  TfrmZoom(TComponent* owner, MagnifierState& state,
           std::string settingsKey = "Software\\Quorvant\\Lumeview");
  ~TfrmZoom() override;

  MagnifierState& State() { return state_; }
  // How many capture ticks are running now: 1 inside a tick, never more.
  int TicksRunning() const { return ticks_running_; }

  // Design elements.
  TPictureImage* Image1;
  TRxLabel* Label1;
  TRxLabel* lInfo;
  TTimer* Timer1;
  TTimer* fadetimer;
  TTransparentWnd* TransparentWnd1;
  TPopupMenu* PopupMenu1;
  TMenuItem* ShowHide1;
  TMenuItem* N2;
  TMenuItem* SetupDialog1;
  TMenuItem* N1;
  TMenuItem* About1;
  TMenuItem* N3;
  TMenuItem* Exit1;
  TRxTrayIcon* RxTrayIcon1;
  TfisHotKey* fHKDialog;
  TfisHotKey* fHKSHOWHIDE;
  TfisHotKey* fHKZOOM;
  TfisHotKey* fHKSize;
  TfisHotKey* fHKTransparent;
  TfisHotKey* fHKClipboard;
  TfisHotKey* fHKFile;
  TSavePictureDialog* SavePictureDialog;

  // Start-up and shutdown.
  void FormCreate();
  void FormDestroy();
  void FormResize();
  // The session ends (logoff, shutdown, restart): the settings are stored as at "Exit".
  void FormEndSession();

  // The capture tick and the overlay.
  void Timer1Timer();
  void fadetimerTimer();

  // Wheel modes and live adjustments.
  void fHKZOOMHotKey();
  void fHKTransparentHotKey();
  void fHKSizeHotKey();
  void FormMouseWheelUp();
  void FormMouseWheelDown();
  void ChangeZoom(int d);
  void ChangeTransparency(int d);
  void ChangeSize(int d);
  void ShowInfo(const std::string& text);

  // Window mode.
  void ApplyWindowMode();
  void StripCaption();

  // Tray menu, tray events and the other hotkeys.
  void ShowHide1Click();
  void SetupDialog1Click();
  void About1Click();
  void Exit1Click();
  void RxTrayIcon1DblClick();
  void RxTrayIcon1MouseDown();
  void RxTrayIcon1MouseUp();
  void fHKDialogHotKey();
  void fHKSHOWHIDEHotKey();
  void fHKClipboardHotKey();
  void fHKFileHotKey();

 protected:
  void CreateParams(TCreateParams& params) override;
  void ChangeScale(int multiplier, int divisor) override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void BuildDesign();
  // Busy is set while any of its users (dialogs, a press on the tray icon) is at work; nested
  // users each raise it, and it drops when the last of them lowers it.
  void RaiseBusy();
  void LowerBusy();
  struct BusyScope {
    TfrmZoom& form;
    explicit BusyScope(TfrmZoom& f) : form(f) { form.RaiseBusy(); }
    ~BusyScope() { form.LowerBusy(); }
  };
  void StoreSettings();
  void BringOntoMonitors();
  void BringApplicationToFront();
  void RaiseAndFollow();
  HDC ScreenContext();
  GRect CursorMonitorArea(GPoint cursor);
  int MinimumOuterWidth() const;
  int MinimumOuterHeight() const;

  MagnifierState& state_;
  std::string settings_key_;
  std::unique_ptr<TProgramSetup> settings_store_;
  TClipboardService clipboard_;
  bool surface_failure_reported_ = false;
  // Kept between ticks, forgotten when the displays change: the screen's device context and
  // the area of the monitor that last held the cursor.
  UniqueDC screen_dc_;
  GRect monitor_area_{};
  bool monitor_area_known_ = false;
  bool setup_running_ = false;
  bool about_running_ = false;
  int busy_users_ = 0;
  bool tray_pressed_ = false;
  int ticks_running_ = 0;

  // The capture tick's record of what the window shows, so that a tick whose picture, lines
  // and labels are the same as last time does not repaint (see Timer1Timer): the screen
  // copy it was made from, the crosshair, and each label's text and visibility.
  TScreenCopy screen_copy_;
  bool shown_cross_ = false;
  bool shown_label_visible_ = false;
  bool shown_info_visible_ = false;
  std::string shown_label_;
  std::string shown_info_;
  // Ticks made and pictures shown since the program started. Nothing in the program reads
  // them; the benchmark's race reads them from outside the process (scripts/race).
  struct TickCounts {
    unsigned long long ticks;
    unsigned long long repaints;
  };
  static TickCounts tick_counts_;
};
