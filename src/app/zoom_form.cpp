#include "app/zoom_form.h"

#include "app/monitor_placement_win32.h"
#include "app/picture_image.h"
#include "app/save_picture_dialog.h"
#include "desktop/hotkey.h"
#include "desktop/rx_label.h"
#include "desktop/transparent_wnd.h"
#include "desktop/tray_icon.h"
#include "settings/magnifier_settings.h"
#include "toolkit/application.h"
#include "toolkit/menu.h"
#include "toolkit/timer.h"

namespace {
constexpr int kDesignLeft = 508;
constexpr int kDesignTop = 296;
constexpr int kDesignClientWidth = 307;
constexpr int kDesignClientHeight = 274;
}  // namespace

TfrmZoom::TfrmZoom(TComponent* owner, MagnifierState& state, std::string settingsKey)
    : TForm(owner),
      state_(state),
      settings_key_(std::move(settingsKey)),
      clipboard_(Application ? Application->Handle() : nullptr) {
  BuildDesign();
}

TfrmZoom::~TfrmZoom() {
  // Shutdown needs the whole window: run it, and let the components go, while it is intact.
  DoDestroy();
  DestroyComponents();
}

void TfrmZoom::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  params.ex_style |= WS_EX_NOACTIVATE;
}

LRESULT TfrmZoom::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_DISPLAYCHANGE:
      // The next tick asks again for the screen's context and the cursor's monitor; a lens
      // left on a monitor that went away comes back onto one that is there.
      screen_dc_.reset();
      monitor_area_known_ = false;
      BringOntoMonitors();
      break;
    case WM_DPICHANGED:
      // The lens keeps its physical size on a display of another scale; its labels follow.
      ScaleForDpi(LOWORD(wp));
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;  // never holds the session up
    case WM_ENDSESSION:
      // The process may be ended without another message once this returns.
      if (wp) FormEndSession();
      return 0;
    default:
      break;
  }
  return TForm::WndProc(msg, wp, lp);
}

// The picture, its border and the stored geometry are physical pixels at any scale: only the
// read-out and the info overlay grow with the display's DPI.
void TfrmZoom::ChangeScale(int, int) {
  Label1->ScaleForDpi(Dpi());
  lInfo->ScaleForDpi(Dpi());
}

void TfrmZoom::BuildDesign() {
  Name = "frmZoom";
  SetCaption("Zoom Tool");
  SetBorderStyle(TBorderStyle::bsNone);
  SetStayOnTop(true);
  SetActivateOnShow(false);  // showing the lens leaves the user's typing where it is
  SetBounds(kDesignLeft, kDesignTop, kDesignClientWidth, kDesignClientHeight);

  Image1 = new TPictureImage(this);
  Image1->SetParent(this);
  Image1->SetAlign(TAlign::alClient);

  Label1 = new TRxLabel(this);
  Label1->SetParent(this);
  Label1->SetLeft(2);
  Label1->SetTop(1);
  Label1->Font().SetHeight(-11);
  Label1->Font().SetColor(clWhite);
  Label1->SetShadowColor(clBtnText);
  Label1->SetTransparent(true);
  Label1->SetCaption("Label1");

  lInfo = new TRxLabel(this);
  lInfo->SetParent(this);
  lInfo->SetLeft(3);
  lInfo->SetTop(3);
  lInfo->Font().SetHeight(-16);
  lInfo->Font().SetBold(true);
  lInfo->Font().SetColor(clWindowText);
  lInfo->SetShadowSize(2);
  lInfo->SetShadowPos(TShadowPosition::spRightBottom);
  lInfo->SetTransparent(true);
  lInfo->SetVisible(false);

  Timer1 = new TTimer(this);
  Timer1->SetEnabled(false);
  Timer1->SetInterval(25);
  Timer1->SetOnTimer([this](TComponent*) { Timer1Timer(); });

  fadetimer = new TTimer(this);
  fadetimer->SetEnabled(false);
  fadetimer->SetInterval(2000);
  fadetimer->SetOnTimer([this](TComponent*) { fadetimerTimer(); });

  TransparentWnd1 = new TTransparentWnd(this);
  TransparentWnd1->SetPercent(50);

  PopupMenu1 = new TPopupMenu(this);
  ShowHide1 = new TMenuItem(PopupMenu1, "Show Window");
  ShowHide1->SetChecked(true);
  ShowHide1->OnClick = [this](TComponent*) { ShowHide1Click(); };
  N2 = new TMenuItem(PopupMenu1, "-");
  SetupDialog1 = new TMenuItem(PopupMenu1, "Setup Dialog...");
  SetupDialog1->OnClick = [this](TComponent*) { SetupDialog1Click(); };
  N1 = new TMenuItem(PopupMenu1, "-");
  About1 = new TMenuItem(PopupMenu1, "About...");
  About1->OnClick = [this](TComponent*) { About1Click(); };
  N3 = new TMenuItem(PopupMenu1, "-");
  Exit1 = new TMenuItem(PopupMenu1, "Exit");
  Exit1->OnClick = [this](TComponent*) { Exit1Click(); };

  RxTrayIcon1 = new TRxTrayIcon(this);
  // The notification area is on the primary display: the small icon at its scale.
  const int tray_dpi = SystemDpi();
  RxTrayIcon1->Icon().SetHandle(UniqueIcon(static_cast<HICON>(LoadImageA(
      GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, SystemMetricForDpi(SM_CXSMICON, tray_dpi),
      SystemMetricForDpi(SM_CYSMICON, tray_dpi), 0))));
  RxTrayIcon1->SetPopupMenu(PopupMenu1);
  RxTrayIcon1->OnDblClick = [this](TComponent*) { RxTrayIcon1DblClick(); };
  RxTrayIcon1->OnMouseDown = [this](TComponent*, TMouseButton, TShiftState, int, int) {
    RxTrayIcon1MouseDown();
  };
  RxTrayIcon1->OnMouseUp = [this](TComponent*, TMouseButton, TShiftState, int, int) {
    RxTrayIcon1MouseUp();
  };

  auto hotkey = [this](void (TfrmZoom::*handler)()) {
    auto* component = new TfisHotKey(this);
    component->OnHotKey = [this, handler](TComponent*) { (this->*handler)(); };
    return component;
  };
  fHKDialog = hotkey(&TfrmZoom::fHKDialogHotKey);
  fHKSHOWHIDE = hotkey(&TfrmZoom::fHKSHOWHIDEHotKey);
  fHKZOOM = hotkey(&TfrmZoom::fHKZOOMHotKey);
  fHKSize = hotkey(&TfrmZoom::fHKSizeHotKey);
  fHKTransparent = hotkey(&TfrmZoom::fHKTransparentHotKey);
  fHKClipboard = hotkey(&TfrmZoom::fHKClipboardHotKey);
  fHKFile = hotkey(&TfrmZoom::fHKFileHotKey);

  SavePictureDialog = new TSavePictureDialog(this);

  OnCreate = [this](TComponent*) { FormCreate(); };
  OnDestroy = [this](TComponent*) { FormDestroy(); };
  OnResize = [this](TComponent*) { FormResize(); };
  OnMouseWheelUp = [this](TComponent*) { FormMouseWheelUp(); };
  OnMouseWheelDown = [this](TComponent*) { FormMouseWheelDown(); };
}

void TfrmZoom::FormCreate() {
  state_.FirstTick = true;

  StoredWindowGeometry geometry{Left(), Top(), Width(), Height()};
  LoadMagnifierSettings(state_, geometry, settings_store_, settings_key_.c_str());
  // A lens stored on a monitor that is no longer there comes back onto one that is.
  const GBounds placed =
      KeepOnPresentMonitors({geometry.Left, geometry.Top, geometry.Width, geometry.Height});
  SetBounds(placed.left, placed.top, placed.width, placed.height);

  ApplyWindowMode();
  Timer1->SetEnabled(true);

  // No taskbar button: the application window becomes a tool window.
  HWND app = Application->Handle();
  ShowWindow(app, SW_HIDE);
  SetWindowLongA(app, GWL_EXSTYLE, GetWindowLongA(app, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
  ShowWindow(app, SW_SHOW);
}

void TfrmZoom::FormDestroy() {
  StoreSettings();
  Timer1->SetInterval(0);
}

void TfrmZoom::BringOntoMonitors() {
  if (state_.MoveToMouse) return;  // the next tick centres the lens on the cursor anyway
  const GBounds placed = KeepOnPresentMonitors({Left(), Top(), Width(), Height()});
  SetBounds(placed.left, placed.top, placed.width, placed.height);
}

void TfrmZoom::FormEndSession() {
  // No report may hold the ending session up: a refused write is given up here.
  try {
    StoreSettings();
  } catch (const std::exception&) {
  }
}

void TfrmZoom::StoreSettings() {
  SaveMagnifierSettings(state_, StoredWindowGeometry{Left(), Top(), Width(), Height()});
}

void TfrmZoom::FormResize() {
  Image1->Clear();
  surface_failure_reported_ = false;
  Application->ProcessMessages();
}
