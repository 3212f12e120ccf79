// The toolkit's ownership and application pieces against the real API: components that own
// components, the hidden application window and the program-wide error report, the handle
// owners and guards, and the popup menu driven by keys while it runs.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "toolkit/application.h"
#include "toolkit/component.h"
#include "toolkit/errors.h"
#include "toolkit/form.h"
#include "toolkit/handles.h"
#include "toolkit/menu.h"
#include "toolkit/timer.h"
#include "toolkit_test_support.h"

namespace {

using tktest::NewForm;
using tktest::ReportedErrors;
using tktest::WaitFor;

const auto* const kApp = ::testing::AddGlobalTestEnvironment(new tktest::ApplicationEnvironment);

// ---- TComponent ---------------------------------------------------------------------------

// A component that writes what happens to it into a shared log.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, const std::string& name, std::vector<std::string>& log)
      : TComponent(owner), log_(log) {
    Name = name;
  }
  ~Probe() override { log_.push_back("~" + Name); }

 protected:
  void LoadingFinished() override {
    log_.push_back("loaded " + Name + (Loading() ? " while loading" : ""));
  }
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == TOperation::opRemove)
      log_.push_back(Name + " hears " + component->Name + " go");
  }

 private:
  std::vector<std::string>& log_;
};

using Log = std::vector<std::string>;

TEST(Component, OwnerDestroysOwnedNewestFirst) {
  Log log;
  auto* owner = new Probe(nullptr, "owner", log);
  auto* a = new Probe(owner, "a", log);
  auto* b = new Probe(owner, "b", log);
  auto* c = new Probe(owner, "c", log);
  auto* a1 = new Probe(a, "a1", log);
  EXPECT_EQ(owner->Components(), (std::vector<TComponent*>{a, b, c}));
  EXPECT_EQ(a1->Owner(), a);
  EXPECT_EQ(a->Owner(), owner);
  delete owner;
  EXPECT_EQ(log, (Log{"~owner", "~c", "~b", "~a", "~a1"}));
}

TEST(Component, DeletingEarlyRemovesFromOwner) {
  Log log;
  auto* owner = new Probe(nullptr, "owner", log);
  auto* a = new Probe(owner, "a", log);
  auto* b = new Probe(owner, "b", log);
  auto* c = new Probe(owner, "c", log);
  delete b;
  EXPECT_EQ(owner->Components(), (std::vector<TComponent*>{a, c}));
  EXPECT_EQ(log, (Log{"~b", "owner hears b go"}));
  log.clear();
  delete owner;  // b is not destroyed a second time
  EXPECT_EQ(log, (Log{"~owner", "~c", "~a"}));
}

TEST(Component, FinishLoadingReachesOwnedFirstInCreationOrder) {
  Log log;
  auto* owner = new Probe(nullptr, "owner", log);
  auto* a = new Probe(owner, "a", log);
  new Probe(a, "a1", log);
  new Probe(a, "a2", log);
  auto* b = new Probe(owner, "b", log);
  EXPECT_TRUE(owner->Loading());
  EXPECT_TRUE(b->Loading());
  owner->FinishLoading();
  EXPECT_EQ(log, (Log{"loaded a1", "loaded a2", "loaded a", "loaded b", "loaded owner"}));
  EXPECT_FALSE(owner->Loading());
  EXPECT_FALSE(b->Loading());
  delete owner;
}

TEST(Component, FreeNotificationTellsOfTheOthersEnd) {
  Log log;
  auto* watcher = new Probe(nullptr, "watcher", log);
  auto* other = new Probe(nullptr, "other", log);
  auto* quiet = new Probe(nullptr, "quiet", log);
  watcher->FreeNotification(other);
  watcher->FreeNotification(other);  // asking twice gives one notice
  watcher->FreeNotification(quiet);
  watcher->RemoveFreeNotification(quiet);
  delete other;
  EXPECT_EQ(log, (Log{"~other", "watcher hears other go"}));
  log.clear();
  delete quiet;
  EXPECT_EQ(log, (Log{"~quiet"}));
  log.clear();
  delete watcher;
  EXPECT_EQ(log, (Log{"~watcher"}));
}

TEST(Component, FreeNotificationWorksBothWaysSoNoPointerDangles) {
  Log log;
  auto* watcher = new Probe(nullptr, "watcher", log);
  auto* other = new Probe(nullptr, "other", log);
  watcher->FreeNotification(other);
  delete watcher;  // the other one hears of it and forgets the watcher
  EXPECT_EQ(log, (Log{"~watcher", "other hears watcher go"}));
  log.clear();
  delete other;
  EXPECT_EQ(log, (Log{"~other"}));
}

// ---- TApplication -------------------------------------------------------------------------

TEST(Application, HiddenWindowOwnsEveryFormAndIsNeverShown) {
  HWND app = Application->Handle();
  ASSERT_TRUE(IsWindow(app));
  EXPECT_FALSE(IsWindowVisible(app));

  auto form = NewForm();
  form->SetBounds(40, 40, 200, 120);
  form->Show();
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(form->Handle()) != FALSE; }, tktest::kPatience));
  EXPECT_EQ(GetWindow(form->Handle(), GW_OWNER), app);
  EXPECT_EQ(GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  EXPECT_FALSE(IsWindowVisible(app));

  auto tool = NewForm();
  tool->SetBorderStyle(TBorderStyle::bsNone);
  // Never two windows activated back to back (focus note in toolkit_test_support.h).
  form->Hide();
  tool->Show();
  EXPECT_EQ(GetWindow(tool->Handle(), GW_OWNER), app);
  form.reset();
  tool.reset();
  EXPECT_FALSE(IsWindowVisible(app));
}

TEST(Application, TitleIsTheApplicationWindowsText) {
  Application->SetTitle("Lumeview");
  EXPECT_EQ(Application->Title(), "Lumeview");
  char text[64] = {};
  GetWindowTextA(Application->Handle(), text, sizeof(text));
  EXPECT_STREQ(text, "Lumeview");
  Application->SetTitle("Toolkit Test");
  GetWindowTextA(Application->Handle(), text, sizeof(text));
  EXPECT_STREQ(text, "Toolkit Test");
}

TEST(Application, ErrorReportAddsAFullStopOnlyAfterCharactersThatSortAfterIt) {
  ReportedErrors errors;
  Application->HandleException(EClipboardException("Cannot open clipboard"));
  Application->HandleException(EError("x."));
  Application->HandleException(EError("a!"));
  Application->HandleException(EError(""));
  Application->HandleException(EError("100%"));
  Application->HandleException(EError("Stream write error"));
  Application->HandleException(EError("(None)"));
  Application->HandleException(EError("size 9"));
  Application->HandleException(std::runtime_error("path a/"));
  EXPECT_EQ(errors.texts,
            (std::vector<std::string>{"Cannot open clipboard.", "x.", "a!", "", "100%",
                                      "Stream write error.", "(None)", "size 9.", "path a/."}));
}

// The text of a message box's message and whether it shows the error icon.
struct BoxContents {
  std::string caption;
  std::string text;
  bool error_icon = false;
  std::vector<int> buttons;
};

BoxContents ReadMessageBox(HWND box) {
  BoxContents c;
  char buffer[256] = {};
  GetWindowTextA(box, buffer, sizeof(buffer));
  c.caption = buffer;
  HICON error_icon = LoadIcon(nullptr, IDI_ERROR);
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof(cls));
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(cls, "Button") == 0) {
      c.buttons.push_back(GetDlgCtrlID(child));
    } else if (lstrcmpiA(cls, "Static") == 0) {
      if ((style & SS_TYPEMASK) == SS_ICON) {
        c.error_icon =
            reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == error_icon;
      } else {
        GetWindowTextA(child, buffer, sizeof(buffer));
        if (buffer[0]) c.text = buffer;
      }
    }
  }
  return c;
}

TEST(Application, ErrorReportIsAMessageBoxAndRepeatsAreNotStacked) {
  // A timer whose every tick fails; the first failure opens the report, later ones come while
  // it is open and must not open a second one.
  TTimer failing(nullptr);
  int failures = 0;
  failing.SetInterval(20);
  failing.SetOnTimer([&](TComponent*) {
    ++failures;
    throw EClipboardException("Cannot open clipboard");
  });

  TTimer driver(nullptr);
  driver.SetInterval(25);
  const ULONGLONG start = GetTickCount64();
  int failures_when_open = -1;
  size_t boxes_seen = 0;
  BoxContents box;
  bool closed = false;
  driver.SetOnTimer([&](TComponent*) {
    if (closed) return;
    auto boxes = tktest::ThreadWindowsOfClass("#32770");
    if (!boxes.empty() && failures_when_open < 0) {
      failures_when_open = failures;
      box = ReadMessageBox(boxes[0]);
    }
    // Let the failing timer fire several more times while the report is open.
    if (failures_when_open >= 0 && (failures >= failures_when_open + 4 ||
                                    GetTickCount64() - start > 3 * tktest::kPatience / 2)) {
      boxes_seen = boxes.size();
      failing.SetEnabled(false);
      for (HWND b : boxes) PostMessageA(b, WM_COMMAND, IDOK, 0);
      closed = true;
    }
    if (GetTickCount64() - start > 2 * tktest::kPatience) {  // never hang the suite
      failing.SetEnabled(false);
      for (HWND b : boxes) PostMessageA(b, WM_COMMAND, IDOK, 0);
      closed = true;
    }
  });
  ASSERT_TRUE(WaitFor([&] { return closed; }, 3 * tktest::kPatience));
  ASSERT_TRUE(
      WaitFor([] { return tktest::ThreadWindowsOfClass("#32770").empty(); }, tktest::kPatience));

  ASSERT_GE(failures_when_open, 1) << "no message box appeared";
  EXPECT_EQ(box.caption, "Toolkit Test");
  EXPECT_EQ(box.text, "Cannot open clipboard.");
  EXPECT_TRUE(box.error_icon);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  EXPECT_GE(failures, failures_when_open + 4) << "ticks stopped while the report was open";
  EXPECT_EQ(boxes_seen, 1u);
}

// ---- Handle owners and guards -------------------------------------------------------------

TEST(Handles, UniqueBitmapDeletesMovesAndReleases) {
  HBITMAP raw = CreateBitmap(4, 4, 1, 32, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    UniqueBitmap owner(raw);
    EXPECT_EQ(GetObjectType(raw), static_cast<DWORD>(OBJ_BITMAP));
    UniqueBitmap moved(std::move(owner));
    EXPECT_FALSE(owner);
    EXPECT_EQ(moved.get(), raw);
    EXPECT_EQ(GetObjectType(raw), static_cast<DWORD>(OBJ_BITMAP));
  }
  EXPECT_EQ(GetObjectType(raw), 0u);

  HBITMAP kept = CreateBitmap(4, 4, 1, 32, nullptr);
  {
    UniqueBitmap owner(kept);
    EXPECT_EQ(owner.release(), kept);
  }
  EXPECT_EQ(GetObjectType(kept), static_cast<DWORD>(OBJ_BITMAP));
  UniqueBitmap second(kept);
  HBITMAP replacement = CreateBitmap(2, 2, 1, 32, nullptr);
  second.reset(replacement);
  EXPECT_EQ(GetObjectType(kept), 0u);
  EXPECT_EQ(GetObjectType(replacement), static_cast<DWORD>(OBJ_BITMAP));
}

TEST(Handles, UniqueWindowAndBrushAreDestroyed) {
  HWND wnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  {
    UniqueWindow w(wnd);
    UniqueBrush b(brush);
    EXPECT_TRUE(IsWindow(wnd));
    EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
  }
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_EQ(GetObjectType(brush), 0u);
}

TEST(Handles, SelectGuardPutsThePreviousObjectBack) {
  UniqueDC dc(CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  HGDIOBJ original_bitmap = GetCurrentObject(dc.get(), OBJ_BITMAP);
  HGDIOBJ original_brush = GetCurrentObject(dc.get(), OBJ_BRUSH);
  UniqueBitmap bitmap(CreateBitmap(8, 8, 1, 1, nullptr));
  UniqueBrush brush(CreateSolidBrush(RGB(200, 10, 10)));
  HBITMAP raw_bitmap = bitmap.get();
  {
    SelectGuard select_bitmap(dc.get(), bitmap.get());
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap.get());
    {
      SelectGuard select_brush(dc.get(), brush.get());
      EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BRUSH), brush.get());
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BRUSH), original_brush);
  }
  EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), original_bitmap);
  // Deselected, the bitmap really goes when its owner lets it go.
  bitmap.reset();
  EXPECT_EQ(GetObjectType(raw_bitmap), 0u);
}

TEST(Handles, WindowDCIsGivenBack) {
  // A window whose contexts come from the system's shared cache (the toolkit's own windows
  // keep one context each, which ReleaseDC leaves alone).
  UniqueWindow window(CreateWindowExA(0, "STATIC", "", WS_POPUP, 60, 60, 160, 100, nullptr,
                                      nullptr, GetModuleHandleA(nullptr), nullptr));
  ASSERT_TRUE(window);
  HWND wnd = window.get();

  // Probe: ReleaseDC answers 0 for a device context that is not (or no longer) lent out.
  HDC lent = GetDC(wnd);
  ASSERT_NE(lent, nullptr);
  ASSERT_EQ(ReleaseDC(wnd, lent), 1) << "the probe cannot tell a lent context";
  ASSERT_EQ(ReleaseDC(wnd, lent), 0) << "the probe cannot tell a returned context";

  HDC seen = nullptr;
  {
    WindowDC dc(wnd);
    ASSERT_TRUE(dc);
    seen = dc.get();
    EXPECT_NE(GetObjectType(seen), 0u);
  }
  EXPECT_EQ(ReleaseDC(wnd, seen), 0) << "WindowDC did not give its context back";

  // Many rounds: the system's cache hands out the same few contexts again; a leak would
  // need a fresh one every round.
  const DWORD gdi_before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  std::set<HDC> distinct;
  for (int i = 0; i < 1000; ++i) {
    WindowDC dc(wnd);
    ASSERT_TRUE(dc) << "round " << i;
    distinct.insert(dc.get());
  }
  EXPECT_LE(distinct.size(), 4u);
  const DWORD gdi_after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (gdi_before == 0) {
    std::printf("note: GetGuiResources gives no GDI count here; the context cache is the probe\n");
  } else {
    EXPECT_LE(gdi_after, gdi_before + 4);
  }
}

// ---- TPopupMenu ---------------------------------------------------------------------------

// What a driver timer saw of the running menu.
struct MenuSeen {
  bool shown = false;
  std::string second_caption;
  UINT states[5] = {};
  UINT types[5] = {};
  int count = -1;
};

// Reads the running menu's items through its window.
void ReadRunningMenu(HWND menu_window, MenuSeen& seen) {
  HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menu_window, 0x01E1 /* MN_GETHMENU */, 0, 0));
  if (!menu) return;
  seen.count = GetMenuItemCount(menu);
  for (int i = 0; i < seen.count && i < 5; ++i) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE | MIIM_FTYPE;
    if (GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) {
      seen.states[i] = info.fState;
      seen.types[i] = info.fType;
    }
  }
  char text[64] = {};
  GetMenuStringA(menu, 1, text, sizeof(text), MF_BYPOSITION);
  seen.second_caption = text;
}

class PopupMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = NewForm();
    form_->SetBounds(300, 300, 200, 150);
    form_->Show();
    menu_ = std::make_unique<TPopupMenu>(nullptr);
    const char* captions[] = {"Show", "Setup", "-", "Locked", "Exit"};
    for (const char* caption : captions) {
      auto* item = new TMenuItem(menu_.get(), caption);
      item->OnClick = [this, caption](TComponent*) {
        clicks_.push_back(std::string(caption) + (popup_returned_ ? " after return" : ""));
      };
    }
    menu_->Items()[0]->SetChecked(true);
    menu_->Items()[1]->SetDefault(true);
    menu_->Items()[3]->SetEnabled(false);
  }

  // Opens the menu; `keys` go to the menu window once it is up. A menu still open after a
  // bound is ended, so a failure never hangs the suite.
  void PopupWithKeys(std::vector<WPARAM> keys) {
    TTimer driver(nullptr);
    driver.SetInterval(30);
    const ULONGLONG start = GetTickCount64();
    bool acted = false;
    driver.SetOnTimer([&](TComponent*) {
      auto menus = tktest::ThreadWindowsOfClass("#32768");
      if (!acted && !menus.empty()) {
        acted = true;
        seen_.shown = true;
        ReadRunningMenu(menus[0], seen_);
        for (WPARAM key : keys) {
          PostMessageA(menus[0], WM_KEYDOWN, key, 1);
          PostMessageA(menus[0], WM_KEYUP, key, 0xC0000001);
        }
      } else if (GetTickCount64() - start > 3 * tktest::kPatience / 2) {
        timed_out_ = true;
        EndMenu();
      }
    });
    popup_returned_ = false;
    menu_->Popup(320, 320, form_->Handle());
    popup_returned_ = true;
    driver.SetEnabled(false);
  }

  std::unique_ptr<TForm> form_;
  std::unique_ptr<TPopupMenu> menu_;
  std::vector<std::string> clicks_;
  bool popup_returned_ = false;
  bool timed_out_ = false;
  MenuSeen seen_;
};

TEST_F(PopupMenuTest, ChosenItemsClickRunsBeforePopupReturns) {
  PopupWithKeys({VK_DOWN, VK_DOWN, VK_RETURN});
  ASSERT_TRUE(seen_.shown);
  EXPECT_FALSE(timed_out_) << "the keys did not close the menu";
  EXPECT_EQ(clicks_, std::vector<std::string>{"Setup"});
  EXPECT_TRUE(tktest::ThreadWindowsOfClass("#32768").empty());
}

TEST_F(PopupMenuTest, ItemStatesReachTheRunningMenu) {
  PopupWithKeys({VK_ESCAPE});
  ASSERT_TRUE(seen_.shown);
  EXPECT_FALSE(timed_out_);
  ASSERT_EQ(seen_.count, 5);
  EXPECT_EQ(seen_.second_caption, "Setup");
  EXPECT_TRUE(seen_.states[0] & MFS_CHECKED);
  EXPECT_FALSE(seen_.states[0] & MFS_DEFAULT);
  EXPECT_TRUE(seen_.states[1] & MFS_DEFAULT);
  EXPECT_FALSE(seen_.states[1] & MFS_CHECKED);
  EXPECT_TRUE(seen_.types[2] & MFT_SEPARATOR);
  EXPECT_TRUE(seen_.states[3] & MFS_DISABLED);
  EXPECT_FALSE(seen_.states[4] & (MFS_DISABLED | MFS_CHECKED | MFS_DEFAULT));
  EXPECT_TRUE(clicks_.empty()) << "Escape must choose nothing";
}

TEST_F(PopupMenuTest, DisabledItemIsReachedByKeysButNotChosen) {
  // Down: "Show", Down: "Setup", Down: past the separator onto the disabled "Locked".
  PopupWithKeys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN, VK_ESCAPE});
  ASSERT_TRUE(seen_.shown);
  EXPECT_FALSE(timed_out_);
  EXPECT_TRUE(clicks_.empty());
  // Clicking a disabled item through the component does nothing either.
  menu_->Items()[3]->Click();
  EXPECT_TRUE(clicks_.empty());
  menu_->Items()[4]->Click();
  EXPECT_EQ(clicks_, std::vector<std::string>{"Exit after return"});
}

TEST_F(PopupMenuTest, DeletedItemLeavesTheMenu) {
  delete menu_->Items()[0];  // "Show" goes; "Setup" is now first
  ASSERT_EQ(menu_->Items().size(), 4u);
  EXPECT_EQ(menu_->Items()[0]->Caption(), "Setup");
  PopupWithKeys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
  ASSERT_TRUE(seen_.shown);
  EXPECT_FALSE(timed_out_);
  EXPECT_EQ(seen_.count, 4);
  EXPECT_EQ(seen_.second_caption, "");  // the separator
  EXPECT_EQ(clicks_, std::vector<std::string>{"Exit"});
}

}  // namespace
