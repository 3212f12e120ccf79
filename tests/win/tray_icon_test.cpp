// TRxTrayIcon against the real shell and window manager: the shell's mouse notifications as
// events, the popup menu and the default item, what reaches the shell (records, tooltips, add
// then modify), error reports from handlers, the taskbar coming back, and clean-up.

#include "desktop/tray_icon.h"

#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/application.h"
#include "toolkit/errors.h"
#include "toolkit/form.h"
#include "toolkit/menu.h"
#include "toolkit/timer.h"

namespace {

// One application object for the whole test program.
class ApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    app_ = std::make_unique<TApplication>();
    app_->SetTitle("Lumeview");
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<TApplication> app_;
};

const ::testing::Environment* const kApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

// Waits for a condition while the thread's messages keep flowing; false after `ms`.
template <class F>
bool WaitFor(F condition, DWORD ms = 5000) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  for (;;) {
    Application->ProcessMessages();
    if (condition()) return true;
    if (GetTickCount64() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Asks the shell itself whether it holds the icon (hWnd, 0): a modification succeeds only then.
bool ShellHolds(HWND wnd) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = wnd;
  data.uID = 0;
  data.uFlags = 0;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

bool ShellDelete(HWND wnd) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = wnd;
  data.uID = 0;
  return Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
}

UniqueIcon ProgramIcon() {
  return UniqueIcon(static_cast<HICON>(
      LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, 16, 16, 0)));
}

std::string ShiftText(TShiftState shift) {
  static const char* const kNames[] = {"shift", "alt", "ctrl", "left", "right", "middle", "double"};
  std::string text;
  for (int bit = 0; bit < 7; ++bit) {
    if (!(shift.Bits() & (1u << bit))) continue;
    if (!text.empty()) text += '+';
    text += kNames[bit];
  }
  return text.empty() ? "none" : text;
}

const char* ButtonText(TMouseButton button) {
  switch (button) {
    case mbLeft: return "L";
    case mbRight: return "R";
    case mbMiddle: return "M";
  }
  return "?";
}

// Every event of one tray icon as text ("down L left"), with the positions given.
struct EventLog {
  std::vector<std::string> entries;
  std::vector<POINT> points;

  void Attach(TRxTrayIcon& tray) {
    TComponent* expected = &tray;
    auto mouse = [this, expected](const char* what) {
      return [this, expected, what](TComponent* sender, TMouseButton b, TShiftState s, int x,
                                    int y) {
        Add(sender == expected, std::string(what) + " " + ButtonText(b) + " " + ShiftText(s), x, y);
      };
    };
    tray.OnMouseDown = mouse("down");
    tray.OnMouseUp = mouse("up");
    tray.OnClick = mouse("click");
    tray.OnDblClick = [this, expected](TComponent* sender) { Add(sender == expected, "dbl", 0, 0); };
    tray.OnMouseMove = [this, expected](TComponent* sender, TShiftState s, int x, int y) {
      Add(sender == expected, "move " + ShiftText(s), x, y);
    };
  }
  void Add(bool right_sender, const std::string& text, int x, int y) {
    entries.push_back(right_sender ? text : text + " (wrong sender)");
    points.push_back(POINT{x, y});
  }
  std::vector<std::string> Take() {
    std::vector<std::string> taken;
    taken.swap(entries);
    points.clear();
    return taken;
  }
};

using Lines = std::vector<std::string>;

// One request the component handed to the shell, as the shell received it.
struct ShellCall {
  DWORD message;
  NOTIFYICONDATAA data;
  bool accepted;
};

// A tray icon whose requests to the shell are recorded on the way; they still reach the shell,
// unless adds are to be refused.
class RecordingTrayIcon : public TRxTrayIcon {
 public:
  using TRxTrayIcon::TRxTrayIcon;

  std::vector<ShellCall> calls;
  bool refuse_add = false;

  // The messages of the recorded requests, e.g. "delete add modify".
  std::string Messages() const {
    std::string text;
    for (const ShellCall& c : calls) {
      if (!text.empty()) text += ' ';
      text += c.message == NIM_ADD ? "add" : c.message == NIM_MODIFY ? "modify"
                                           : c.message == NIM_DELETE ? "delete" : "other";
    }
    return text;
  }
  const ShellCall* Last(DWORD message) const {
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
      if (it->message == message) return &*it;
    return nullptr;
  }

 protected:
  bool NotifyShell(DWORD message, NOTIFYICONDATAA& data) override {
    bool accepted = (message == NIM_ADD && refuse_add) ? false : TRxTrayIcon::NotifyShell(message, data);
    calls.push_back(ShellCall{message, data, accepted});
    return accepted;
  }
};

LRESULT Notify(TRxTrayIcon& tray, UINT mouse_message) {
  return SendMessageA(tray.NotifyWindow(), TRxTrayIcon::kCallbackMessage, 0, mouse_message);
}

// A form that notes each cancel-mode request it receives.
class CancelModeForm : public TForm {
 public:
  using TForm::TForm;
  Lines* log = nullptr;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_CANCELMODE && log) log->push_back("cancel " + Name);
    return TForm::WndProc(msg, wp, lp);
  }
};

// The visible popup menu window of this thread, if any.
HWND OpenMenuWindow() {
  HWND wnd = nullptr;
  while ((wnd = FindWindowExA(nullptr, wnd, "#32768", nullptr)) != nullptr) {
    if (IsWindowVisible(wnd) && GetWindowThreadProcessId(wnd, nullptr) == GetCurrentThreadId())
      return wnd;
  }
  return nullptr;
}

// While a popup menu runs its loop, a timer of this thread notes the open menu in `log` and
// then ends it: by Escape, or by choosing the first item with the keys. Gives up after 5 s.
class MenuCloser {
 public:
  enum class How { Cancel, ChooseFirst };

  MenuCloser(Lines& log, How how) : timer_(nullptr) {
    const ULONGLONG deadline = GetTickCount64() + 5000;
    timer_.SetInterval(20);
    timer_.SetOnTimer([this, &log, how, deadline](TComponent*) {
      if (done_) return;
      HWND menu = OpenMenuWindow();
      if (menu) {
        done_ = true;
        log.push_back("menu shown");
        if (how == How::Cancel) {
          EndMenu();
        } else {
          PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
          PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
        }
      } else if (GetTickCount64() >= deadline) {
        done_ = true;
        log.push_back("menu not found");
        EndMenu();
      }
    });
    timer_.SetEnabled(true);
  }

 private:
  bool done_ = false;
  TTimer timer_;
};

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Application, nullptr);
    // Away from the notification area, whose window reports the pointer moving over an icon.
    ASSERT_TRUE(SetCursorPos(700, 700));
    ASSERT_TRUE(WaitFor([] {
      POINT p{};
      return GetCursorPos(&p) && p.x == 700 && p.y == 700;
    }));
    icon_ = ProgramIcon();
    ASSERT_TRUE(icon_);
    tray_ = std::make_unique<RecordingTrayIcon>(nullptr);
    log_.Attach(*tray_);
    tray_->Icon().Assign(icon_.get());  // shows the icon at once (LoadingAndActive)
    tray_->calls.clear();
  }
  void TearDown() override {
    tray_.reset();
    Application->OnException = nullptr;
    BYTE keys[256] = {};
    SetKeyboardState(keys);
  }

  UniqueIcon icon_;
  std::unique_ptr<RecordingTrayIcon> tray_;
  EventLog log_;
};

TEST(TrayIconTypes, ShiftStateBitsFollowTheMemberOrder) {
  EXPECT_EQ(TShiftState{ssShift}.Bits(), 1);
  EXPECT_EQ(TShiftState{ssAlt}.Bits(), 2);
  EXPECT_EQ(TShiftState{ssCtrl}.Bits(), 4);
  EXPECT_EQ(TShiftState{ssLeft}.Bits(), 8);
  EXPECT_EQ(TShiftState{ssRight}.Bits(), 16);
  EXPECT_EQ(TShiftState{ssMiddle}.Bits(), 32);
  EXPECT_EQ(TShiftState{ssDouble}.Bits(), 64);
  TShiftState s = TShiftState{ssCtrl} + ssDouble;
  EXPECT_TRUE(s.Contains(ssCtrl));
  EXPECT_TRUE(s.Contains(ssDouble));
  EXPECT_FALSE(s.Contains(ssLeft));
  EXPECT_EQ(s, (TShiftState{ssDouble, ssCtrl}));
  EXPECT_TRUE(TShiftState{}.Empty());
}

TEST_F(TrayIconTest, LeftDoubleClickGivesOneClickAndOneDoubleClick) {
  EXPECT_EQ(Notify(*tray_, WM_LBUTTONDOWN), 0);
  Notify(*tray_, WM_LBUTTONUP);
  Notify(*tray_, WM_LBUTTONDBLCLK);
  Notify(*tray_, WM_LBUTTONUP);
  EXPECT_EQ(log_.Take(), (Lines{"down L left", "click L left", "up L left", "dbl",
                                "down L double", "up L left"}));
}

TEST_F(TrayIconTest, RightAndMiddleButtonsWithoutMenu) {
  // A full right click, then a release whose press happened elsewhere.
  Notify(*tray_, WM_RBUTTONDOWN);
  Notify(*tray_, WM_RBUTTONUP);
  Notify(*tray_, WM_RBUTTONUP);
  Notify(*tray_, WM_RBUTTONDBLCLK);
  EXPECT_EQ(log_.Take(), (Lines{"down R right", "click R right", "up R right", "up R right",
                                "down R double"}));

  Notify(*tray_, WM_MBUTTONDOWN);
  Notify(*tray_, WM_MBUTTONUP);
  Notify(*tray_, WM_MBUTTONDBLCLK);
  Notify(*tray_, WM_MBUTTONUP);
  EXPECT_EQ(log_.Take(), (Lines{"down M middle", "up M middle", "down M double", "up M middle"}));

  // The presses are recorded per button.
  Notify(*tray_, WM_LBUTTONDOWN);
  Notify(*tray_, WM_RBUTTONUP);
  Notify(*tray_, WM_LBUTTONUP);
  EXPECT_EQ(log_.Take(), (Lines{"down L left", "up R right", "click L left", "up L left"}));
}

TEST_F(TrayIconTest, MovesAndUnknownNotifications) {
  Notify(*tray_, WM_MOUSEMOVE);
  EXPECT_EQ(log_.Take(), (Lines{"move none"}));
  // Other notifications, and mouse messages with more in the high bits, raise nothing.
  for (UINT message : {0x20AU /* WM_MOUSEWHEEL */, 0x400U /* NIN_SELECT */, 0x10201U, 0x7B0U,
                       static_cast<UINT>(WM_CONTEXTMENU)}) {
    Notify(*tray_, message);
  }
  EXPECT_EQ(log_.Take(), Lines{});
}

TEST_F(TrayIconTest, PositionIsTheCursorAndShiftStateTheKeyboard) {
  ASSERT_TRUE(SetCursorPos(321, 123));
  ASSERT_TRUE(WaitFor([] {
    POINT p{};
    return GetCursorPos(&p) && p.x == 321 && p.y == 123;
  }));
  // The message's own parameters carry no position.
  SendMessageA(tray_->NotifyWindow(), TRxTrayIcon::kCallbackMessage, MAKEWPARAM(5, 6),
               WM_LBUTTONDOWN);
  ASSERT_EQ(log_.points.size(), 1u);
  EXPECT_EQ(log_.points[0].x, 321);
  EXPECT_EQ(log_.points[0].y, 123);
  log_.Take();

  BYTE keys[256] = {};
  keys[VK_SHIFT] = 0x80;
  keys[VK_CONTROL] = 0x80;
  keys[VK_MENU] = 0x80;
  ASSERT_TRUE(SetKeyboardState(keys));
  Notify(*tray_, WM_LBUTTONUP);
  Notify(*tray_, WM_MOUSEMOVE);
  keys[VK_SHIFT] = 0;
  keys[VK_MENU] = 0x01;  // toggled, not down
  ASSERT_TRUE(SetKeyboardState(keys));
  Notify(*tray_, WM_MBUTTONDOWN);
  EXPECT_EQ(log_.Take(), (Lines{"click L shift+alt+ctrl+left", "up L shift+alt+ctrl+left",
                                "move shift+alt+ctrl", "down M ctrl+middle"}));
}

TEST_F(TrayIconTest, DisabledRaisesNothingAndKeepsTheIcon) {
  tray_->SetEnabled(false);
  for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
                       WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MOUSEMOVE}) {
    EXPECT_EQ(Notify(*tray_, message), 0);
  }
  EXPECT_EQ(log_.Take(), Lines{});
  EXPECT_EQ(tray_->Messages(), "");
  EXPECT_TRUE(ShellHolds(tray_->NotifyWindow()));

  // A press made while disabled is not remembered.
  tray_->SetEnabled(true);
  Notify(*tray_, WM_LBUTTONUP);
  Notify(*tray_, WM_LBUTTONDOWN);
  Notify(*tray_, WM_LBUTTONUP);
  EXPECT_EQ(log_.Take(), (Lines{"up L left", "down L left", "click L left", "up L left"}));
}

TEST_F(TrayIconTest, ShowingTheIconAgainForgetsPresses) {
  Notify(*tray_, WM_LBUTTONDOWN);
  Notify(*tray_, WM_RBUTTONDOWN);
  tray_->SetActive(false);
  tray_->SetActive(true);
  Notify(*tray_, WM_LBUTTONUP);
  Notify(*tray_, WM_RBUTTONUP);
  EXPECT_EQ(log_.Take(), (Lines{"down L left", "down R right", "up L left", "up R right"}));
}

TEST_F(TrayIconTest, RightClickShowsTheMenuInsteadOfClick) {
  TPopupMenu menu(nullptr);
  auto* show = new TMenuItem(&menu, "Show Window");
  new TMenuItem(&menu, "-");
  new TMenuItem(&menu, "Exit");
  show->OnClick = [this](TComponent*) { log_.entries.push_back("Show Window clicked"); };
  tray_->SetPopupMenu(&menu);
  ASSERT_EQ(tray_->PopupMenu(), &menu);

  // Nothing chosen: the menu opens between the press and the release events.
  {
    MenuCloser closer(log_.entries, MenuCloser::How::Cancel);
    Notify(*tray_, WM_RBUTTONDOWN);
    Notify(*tray_, WM_RBUTTONUP);
  }
  EXPECT_EQ(log_.Take(), (Lines{"down R right", "menu shown", "up R right"}));
  EXPECT_EQ(menu.PopupComponent, tray_.get());

  // An item chosen: its handling runs before the release event.
  {
    MenuCloser closer(log_.entries, MenuCloser::How::ChooseFirst);
    Notify(*tray_, WM_RBUTTONDOWN);
    Notify(*tray_, WM_RBUTTONUP);
  }
  EXPECT_EQ(log_.Take(),
            (Lines{"down R right", "menu shown", "Show Window clicked", "up R right"}));

  // The left button never opens it.
  Notify(*tray_, WM_LBUTTONDOWN);
  Notify(*tray_, WM_LBUTTONUP);
  EXPECT_EQ(log_.Take(), (Lines{"down L left", "click L left", "up L left"}));
  EXPECT_EQ(OpenMenuWindow(), nullptr);
  tray_->SetPopupMenu(nullptr);
}

TEST_F(TrayIconTest, MenuThatCannotPopUpGivesRightClick) {
  TPopupMenu menu(nullptr);
  new TMenuItem(&menu, "Exit");
  tray_->SetPopupMenu(&menu);

  menu.SetAutoPopup(false);
  Notify(*tray_, WM_RBUTTONDOWN);
  Notify(*tray_, WM_RBUTTONUP);
  EXPECT_EQ(log_.Take(), (Lines{"down R right", "click R right", "up R right"}));

  menu.SetAutoPopup(true);
  tray_->SetActive(false);
  Notify(*tray_, WM_RBUTTONDOWN);
  Notify(*tray_, WM_RBUTTONUP);
  EXPECT_EQ(log_.Take(), (Lines{"down R right", "click R right", "up R right"}));
  EXPECT_EQ(menu.PopupComponent, nullptr);
  tray_->SetPopupMenu(nullptr);
}

TEST_F(TrayIconTest, DestroyedMenuIsForgotten) {
  auto menu = std::make_unique<TPopupMenu>(nullptr);
  new TMenuItem(menu.get(), "Exit");
  tray_->SetPopupMenu(menu.get());
  menu.reset();
  EXPECT_EQ(tray_->PopupMenu(), nullptr);
  Notify(*tray_, WM_RBUTTONDOWN);
  Notify(*tray_, WM_RBUTTONUP);
  EXPECT_EQ(log_.Take(), (Lines{"down R right", "click R right", "up R right"}));

  // A menu replaced by another is no longer watched; the new one is.
  TPopupMenu first(nullptr);
  auto second = std::make_unique<TPopupMenu>(nullptr);
  tray_->SetPopupMenu(&first);
  tray_->SetPopupMenu(second.get());
  second.reset();
  EXPECT_EQ(tray_->PopupMenu(), nullptr);
}

TEST_F(TrayIconTest, MenuOwnerGoingFirstLeavesTheMenuUsable) {
  TPopupMenu menu(nullptr);
  new TMenuItem(&menu, "Exit");
  tray_->SetPopupMenu(&menu);
  {
    MenuCloser closer(log_.entries, MenuCloser::How::Cancel);
    Notify(*tray_, WM_RBUTTONDOWN);
    Notify(*tray_, WM_RBUTTONUP);
  }
  ASSERT_EQ(menu.PopupComponent, tray_.get());
  tray_.reset();
  EXPECT_EQ(menu.PopupComponent, nullptr);
}

TEST_F(TrayIconTest, CancelModeGoesToTheActiveFormElseTheMainForm) {
  Lines& log = log_.entries;
  std::unique_ptr<CancelModeForm> main_form(CreateForm<CancelModeForm>(nullptr));
  std::unique_ptr<CancelModeForm> other(CreateForm<CancelModeForm>(nullptr));
  main_form->Name = "main";
  other->Name = "other";
  main_form->log = &log;
  other->log = &log;
  main_form->Handle();
  TForm* previous_main = Application->MainForm();
  Application->SetMainForm(main_form.get());

  TPopupMenu menu(nullptr);
  new TMenuItem(&menu, "Exit");
  tray_->SetPopupMenu(&menu);

  ASSERT_EQ(dynamic_cast<TForm*>(TWinControl::FindControl(GetActiveWindow())), nullptr);
  {
    MenuCloser closer(log, MenuCloser::How::Cancel);
    Notify(*tray_, WM_RBUTTONDOWN);
    Notify(*tray_, WM_RBUTTONUP);
  }
  EXPECT_EQ(log_.Take(), (Lines{"down R right", "cancel main", "menu shown", "up R right"}));

  other->SetBounds(50, 50, 200, 100);
  other->Show();
  SetActiveWindow(other->Handle());
  ASSERT_TRUE(WaitFor([&] { return GetActiveWindow() == other->Handle(); }));
  log_.Take();
  {
    MenuCloser closer(log, MenuCloser::How::Cancel);
    Notify(*tray_, WM_RBUTTONDOWN);
    Notify(*tray_, WM_RBUTTONUP);
  }
  EXPECT_EQ(log_.Take(), (Lines{"down R right", "cancel other", "menu shown", "up R right"}));

  tray_->SetPopupMenu(nullptr);
  Application->SetMainForm(previous_main);
}

TEST_F(TrayIconTest, DoubleClickRunsTheDefaultItemInstead) {
  TPopupMenu menu(nullptr);
  auto* plain = new TMenuItem(&menu, "About...");
  auto* disabled = new TMenuItem(&menu, "Setup Dialog...");
  auto* chosen = new TMenuItem(&menu, "Show Window");
  auto* later = new TMenuItem(&menu, "Exit");
  disabled->SetDefault(true);
  disabled->SetEnabled(false);
  chosen->SetDefault(true);
  later->SetDefault(true);
  for (TMenuItem* item : {plain, disabled, chosen, later})
    item->OnClick = [this](TComponent* sender) {
      log_.entries.push_back(static_cast<TMenuItem*>(sender)->Caption());
    };
  tray_->SetPopupMenu(&menu);

  Notify(*tray_, WM_LBUTTONDBLCLK);
  EXPECT_EQ(log_.Take(), (Lines{"Show Window", "down L double"}));

  // No default item left that is enabled: the event is raised.
  chosen->SetEnabled(false);
  later->SetDefault(false);
  Notify(*tray_, WM_LBUTTONDBLCLK);
  EXPECT_EQ(log_.Take(), (Lines{"dbl", "down L double"}));

  // Inactive: no item is clicked.
  chosen->SetEnabled(true);
  tray_->SetActive(false);
  Notify(*tray_, WM_LBUTTONDBLCLK);
  EXPECT_EQ(log_.Take(), (Lines{"dbl", "down L double"}));
  tray_->SetPopupMenu(nullptr);
}

TEST_F(TrayIconTest, HandlerErrorsAreReportedAndTheIconKeepsWorking) {
  Lines reports;
  Application->OnException = [&](const std::string& text) { reports.push_back(text); };
  tray_->OnClick = [](TComponent*, TMouseButton, TShiftState, int, int) {
    throw EError("Tray handler failed");
  };
  Notify(*tray_, WM_LBUTTONDOWN);
  EXPECT_EQ(Notify(*tray_, WM_LBUTTONUP), 0);
  EXPECT_EQ(reports, (Lines{"Tray handler failed."}));
  // The failing step ended that notification: no release event after the click.
  EXPECT_EQ(log_.Take(), (Lines{"down L left"}));

  tray_->OnMouseMove = [](TComponent*, TShiftState, int, int) { throw std::runtime_error("x"); };
  Notify(*tray_, WM_MOUSEMOVE);
  EXPECT_EQ(reports.back(), "x.");

  log_.Attach(*tray_);
  Notify(*tray_, WM_LBUTTONDOWN);
  Notify(*tray_, WM_LBUTTONUP);
  EXPECT_EQ(log_.Take(), (Lines{"down L left", "click L left", "up L left"}));
  EXPECT_EQ(reports.size(), 2u);
  EXPECT_TRUE(ShellHolds(tray_->NotifyWindow()));
}

TEST_F(TrayIconTest, RecordSentToTheShell) {
  tray_->SetActive(false);
  tray_->calls.clear();
  tray_->SetActive(true);
  ASSERT_EQ(tray_->Messages(), "delete add modify");
  const NOTIFYICONDATAA& data = tray_->calls[1].data;
  EXPECT_EQ(static_cast<size_t>(NOTIFYICONDATAA_V1_SIZE), offsetof(NOTIFYICONDATAA, szTip) + 64);
  EXPECT_EQ(data.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
  EXPECT_EQ(data.hWnd, tray_->NotifyWindow());
  EXPECT_EQ(data.uID, 0u);
  EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(data.uFlags, 7u);
  EXPECT_EQ(data.uCallbackMessage, 0xB054u);
  EXPECT_NE(data.hIcon, nullptr);
  EXPECT_EQ(data.hIcon, tray_->Icon().Handle());
  EXPECT_STREQ(data.szTip, "");
  EXPECT_TRUE(tray_->calls[1].accepted);
  EXPECT_TRUE(ShellHolds(tray_->NotifyWindow()));
  // The component keeps its own copy of the icon.
  EXPECT_NE(tray_->Icon().Handle(), icon_.get());
}

TEST_F(TrayIconTest, TooltipIsTheHintBeforeTheBarCutTo63) {
  tray_->SetHint("Lumeview|Right click for the menu");
  EXPECT_EQ(tray_->Messages(), "modify");
  EXPECT_STREQ(tray_->calls.back().data.szTip, "Lumeview");

  tray_->calls.clear();
  tray_->SetHint("Lumeview|Right click for the menu");  // unchanged
  EXPECT_EQ(tray_->Messages(), "");

  // A short hint: added alone.
  tray_->SetActive(false);
  tray_->calls.clear();
  tray_->SetActive(true);
  EXPECT_EQ(tray_->Messages(), "delete add");
  EXPECT_STREQ(tray_->Last(NIM_ADD)->data.szTip, "Lumeview");

  // Nothing before the bar: added, then modified.
  tray_->SetHint("|only the long part");
  tray_->SetActive(false);
  tray_->calls.clear();
  tray_->SetActive(true);
  EXPECT_EQ(tray_->Messages(), "delete add modify");
  EXPECT_STREQ(tray_->Last(NIM_ADD)->data.szTip, "");
  EXPECT_EQ(tray_->ShortHint(), "");

  const std::string seventy(70, 'a');
  tray_->SetHint(seventy + "|more");
  EXPECT_EQ(tray_->ShortHint(), std::string(63, 'a'));
  const NOTIFYICONDATAA& cut = tray_->calls.back().data;
  EXPECT_EQ(std::string(cut.szTip), std::string(63, 'a'));
  EXPECT_EQ(cut.szTip[63], '\0');

  tray_->SetHint(std::string(63, 'b'));
  EXPECT_EQ(std::string(tray_->calls.back().data.szTip), std::string(63, 'b'));
  tray_->SetHint("x|y|z");
  EXPECT_STREQ(tray_->calls.back().data.szTip, "x");
  EXPECT_TRUE(ShellHolds(tray_->NotifyWindow()));
}

TEST_F(TrayIconTest, EmptyIconShowsNothingUntilOneIsGiven) {
  RecordingTrayIcon tray(nullptr);
  tray.SetHint("Lumeview");
  tray.FinishLoading();
  EXPECT_EQ(tray.Messages().find("add"), std::string::npos);
  EXPECT_FALSE(ShellHolds(tray.NotifyWindow()));

  tray.calls.clear();
  tray.Icon().Assign(icon_.get());
  EXPECT_EQ(tray.Messages(), "delete add");
  EXPECT_TRUE(ShellHolds(tray.NotifyWindow()));

  // Taking the picture away removes the icon; giving it back shows it again.
  tray.calls.clear();
  tray.Icon().Clear();
  EXPECT_EQ(tray.Messages(), "delete");
  EXPECT_FALSE(ShellHolds(tray.NotifyWindow()));
  tray.calls.clear();
  TIcon other;
  other.SetHandle(ProgramIcon());
  tray.SetIcon(other);
  EXPECT_EQ(tray.Messages(), "delete add");
  EXPECT_EQ(tray.Last(NIM_ADD)->data.hIcon, tray.Icon().Handle());
  EXPECT_TRUE(ShellHolds(tray.NotifyWindow()));

  // A handle that is no icon leaves the picture empty.
  tray.Icon().Assign(reinterpret_cast<HICON>(static_cast<INT_PTR>(0x7777)));
  EXPECT_TRUE(tray.Icon().Empty());
  EXPECT_FALSE(ShellHolds(tray.NotifyWindow()));
}

TEST_F(TrayIconTest, LoadingAndActive) {
  // The icon's arrival shows it at once; finishing the loading shows it once more.
  {
    TComponent owner(nullptr);
    auto* tray = new RecordingTrayIcon(&owner);
    tray->Icon().Assign(icon_.get());
    EXPECT_EQ(tray->Messages(), "delete add modify");
    tray->calls.clear();
    owner.FinishLoading();
    EXPECT_EQ(tray->Messages(), "delete add modify");
    EXPECT_TRUE(ShellHolds(tray->NotifyWindow()));
  }
  // Inactive: nothing is ever added.
  {
    TComponent owner(nullptr);
    auto* tray = new RecordingTrayIcon(&owner);
    tray->SetActive(false);
    tray->Icon().Assign(icon_.get());
    owner.FinishLoading();
    tray->SetHint("Lumeview");
    EXPECT_EQ(tray->Messages().find("add"), std::string::npos);
    EXPECT_FALSE(ShellHolds(tray->NotifyWindow()));

    tray->calls.clear();
    tray->SetActive(false);
    EXPECT_EQ(tray->Messages(), "");
    tray->SetActive(true);
    EXPECT_EQ(tray->Messages(), "delete add");
    EXPECT_TRUE(ShellHolds(tray->NotifyWindow()));
    tray->calls.clear();
    tray->SetActive(true);
    EXPECT_EQ(tray->Messages(), "");
    tray->SetActive(false);
    EXPECT_EQ(tray->Messages(), "delete");
    EXPECT_FALSE(ShellHolds(tray->NotifyWindow()));
  }
}

TEST_F(TrayIconTest, RefusedAddIsTriedAgainOnTheNextChange) {
  tray_->refuse_add = true;
  tray_->SetActive(false);
  tray_->calls.clear();
  tray_->SetActive(true);
  EXPECT_EQ(tray_->Messages(), "delete add");  // no modify after a failed add
  EXPECT_FALSE(tray_->calls[1].accepted);
  EXPECT_FALSE(ShellHolds(tray_->NotifyWindow()));

  tray_->refuse_add = false;
  tray_->calls.clear();
  tray_->SetHint("again");
  EXPECT_EQ(tray_->Messages(), "delete add");
  EXPECT_TRUE(ShellHolds(tray_->NotifyWindow()));
}

TEST_F(TrayIconTest, IconComesBackWhenTheTaskbarIsCreatedAgain) {
  const UINT taskbar_created = RegisterWindowMessageA("TaskbarCreated");
  ASSERT_NE(taskbar_created, 0u);
  HWND wnd = tray_->NotifyWindow();
  ASSERT_TRUE(ShellHolds(wnd));

  // The shell loses the icon behind the component's back.
  ASSERT_TRUE(ShellDelete(wnd));
  ASSERT_FALSE(ShellHolds(wnd));
  tray_->calls.clear();
  SendMessageA(wnd, taskbar_created, 0, 0);
  EXPECT_EQ(tray_->Messages(), "delete add modify");
  EXPECT_TRUE(ShellHolds(wnd));

  // As the shell announces it: to every top-level window.
  ASSERT_TRUE(ShellDelete(wnd));
  ASSERT_TRUE(PostMessageA(HWND_BROADCAST, taskbar_created, 0, 0));
  EXPECT_TRUE(WaitFor([&] { return ShellHolds(wnd); }));

  // An inactive icon stays away.
  tray_->SetActive(false);
  tray_->calls.clear();
  SendMessageA(wnd, taskbar_created, 0, 0);
  EXPECT_EQ(tray_->Messages(), "");
  EXPECT_FALSE(ShellHolds(wnd));

  // The events still work after the icon came back.
  tray_->SetActive(true);
  Notify(*tray_, WM_LBUTTONDOWN);
  Notify(*tray_, WM_LBUTTONUP);
  EXPECT_EQ(log_.Take(), (Lines{"down L left", "click L left", "up L left"}));
}

// While a window receives WM_DESTROY, asks the shell whether it still holds the window's icon.
LRESULT CALLBACK ProbeAtDestroy(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                DWORD_PTR ref) {
  if (msg == WM_DESTROY) {
    *reinterpret_cast<int*>(ref) = ShellHolds(wnd) ? 1 : 0;
    RemoveWindowSubclass(wnd, &ProbeAtDestroy, id);
  }
  return DefSubclassProc(wnd, msg, wp, lp);
}

TEST_F(TrayIconTest, DestructionRemovesTheIconBeforeItsWindow) {
  // The shell drops an icon by itself once its window is gone, but not before: while the
  // window is being destroyed, the probe still finds an icon nobody deleted.
  int held_at_destroy = -1;
  {
    HWND plain = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(plain, nullptr);
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = plain;
    data.uFlags = NIF_ICON;
    data.hIcon = icon_.get();
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
    ASSERT_TRUE(SetWindowSubclass(plain, &ProbeAtDestroy, 1,
                                  reinterpret_cast<DWORD_PTR>(&held_at_destroy)));
    DestroyWindow(plain);
    EXPECT_EQ(held_at_destroy, 1);
    ShellDelete(plain);
  }

  HWND wnd = tray_->NotifyWindow();
  ASSERT_TRUE(ShellHolds(wnd));
  held_at_destroy = -1;
  ASSERT_TRUE(SetWindowSubclass(wnd, &ProbeAtDestroy, 1,
                                reinterpret_cast<DWORD_PTR>(&held_at_destroy)));
  tray_.reset();
  EXPECT_EQ(held_at_destroy, 0);
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_FALSE(ShellHolds(wnd));
}

// A real right click on the icon in the shell's notification area.
TEST_F(TrayIconTest, RealClickOnTheShellsIcon) {
  HWND area = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    area = FindWindowA("__winex11_standalone_tray", nullptr);
    return area && IsWindowVisible(area);
  })) << "no visible notification area window";
  // The area hides when it holds no icon: then ours, shown again, is its first.
  tray_->SetActive(false);
  if (!WaitFor([&] { return !IsWindowVisible(area); }, 2000))
    GTEST_SKIP() << "the notification area holds icons of other programs";
  tray_->SetActive(true);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(area); }));
  POINT target{10, 10};  // the centre of the first icon
  ClientToScreen(area, &target);
  ASSERT_TRUE(SetCursorPos(target.x, target.y));
  ASSERT_TRUE(WaitFor([&] {
    POINT p{};
    return GetCursorPos(&p) && p.x == target.x && p.y == target.y;
  }));

  INPUT input[2] = {};
  input[0].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
  input[1].type = INPUT_MOUSE;
  input[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
  ASSERT_EQ(SendInput(2, input, sizeof(INPUT)), 2u);

  Lines buttons;
  std::vector<POINT> where;
  ASSERT_TRUE(WaitFor([&] {
    for (size_t i = 0; i < log_.entries.size(); ++i) {
      if (log_.entries[i].rfind("move", 0) == 0) continue;
      buttons.push_back(log_.entries[i]);
      where.push_back(log_.points[i]);
    }
    log_.Take();
    return buttons.size() >= 3;
  })) << "events seen: " << ::testing::PrintToString(buttons);
  EXPECT_EQ(buttons, (Lines{"down R right", "click R right", "up R right"}));
  for (const POINT& p : where) {
    EXPECT_EQ(p.x, target.x);
    EXPECT_EQ(p.y, target.y);
  }
}

}  // namespace
