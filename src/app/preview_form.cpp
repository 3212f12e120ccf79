#include "app/preview_form.h"

#include <algorithm>
#include <memory>

#include "toolkit/application.h"
#include "toolkit/std_controls.h"

namespace {
constexpr int kDesignClientWidth = 320;
constexpr int kDesignClientHeight = 240;
}  // namespace

TPreviewForm::TPreviewForm(TComponent* owner, const std::string& fileName) : TForm(owner) {
  Name = "PreviewForm";
  SetCaption("Preview");
  SetBorderStyle(TBorderStyle::bsSizeToolWin);
  SetPosition(TPosition::poScreenCenter);
  SetDialogKeys(true);
  SetClientSize(kDesignClientWidth, kDesignClientHeight);

  Panel = new TPanel(this);
  Panel->SetParent(this);
  Panel->SetAlign(TAlign::alClient);
  Panel->SetBevelOuter(TBevelCut::bvLowered);
  Panel->SetBorderWidth(5);
  Panel->SetColor(clWindow);

  Image = new TPictureBox(this);
  Image->SetParent(Panel);
  Image->SetAlign(TAlign::alClient);
  Image->SetPicture(&picture_);

  // Photos are decoded as large as this window can show them.
  HMONITOR monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoA(monitor, &info);
  picture_.LoadFromFile(fileName, (info.rcMonitor.right - info.rcMonitor.left) * 3 / 4,
                        (info.rcMonitor.bottom - info.rcMonitor.top) * 3 / 4);
}

void TPreviewForm::FitToPicture() {
  if (picture_.Width() <= 0) return;
  HMONITOR monitor = MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoA(monitor, &info);
  const RECT inner = Panel->InnerRect();
  const int panel_width = inner.right - inner.left, panel_height = inner.bottom - inner.top;
  const int width = std::min<int>((info.rcMonitor.right - info.rcMonitor.left) * 3 / 4,
                             ClientWidth() + picture_.Width() - panel_width + Scaled(10));
  const int height = std::min<int>((info.rcMonitor.bottom - info.rcMonitor.top) * 3 / 4,
                              ClientHeight() + picture_.Height() - panel_height + Scaled(10));
  SetClientSize(width, height);
}

LRESULT TPreviewForm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  // Esc, as the dialog keys report it.
  if (msg == WM_COMMAND && lp == 0 && LOWORD(wp) == IDCANCEL) {
    Close();
    return 0;
  }
  return TForm::WndProc(msg, wp, lp);
}

void ShowPreview(TComponent* owner, const std::string& fileName) {
  std::unique_ptr<TPreviewForm> form(CreateForm<TPreviewForm>(owner, fileName));
  form->ShowModal();
}
