#include "about/about_box.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "about/link_label.h"
#include "about/raised_label.h"
#include "about/version_info.h"
#include "toolkit/application.h"
#include "toolkit/std_controls.h"

namespace {
constexpr TColor kLinkBlue = RGB(0, 0, 255);
constexpr TColor kLinkPurple = RGB(128, 0, 128);

void UseDialogFont(TControl* control, bool bold) {
  control->Font().SetName("MS Sans Serif");
  control->Font().SetHeight(-11);
  control->Font().SetBold(bold);
}
}  // namespace

TAboutBox::TAboutBox(TComponent* owner) : TStyleForm(owner) {
  Name = "AboutBox";
  SetCaption("About ...");
  SetBorderStyle(TBorderStyle::bsDialog);
  SetPosition(TPosition::poScreenCenter);
  SetDialogKeys(true);
  SetClientSize(346, 221);

  // The button first: it is first in the tab order.
  OkBtn = new TButton(this);
  OkBtn->Name = "OkBtn";
  OkBtn->SetParent(this);
  OkBtn->SetBounds(261, 188, 75, 25);
  OkBtn->SetCaption("OK");
  OkBtn->SetDefault(true);
  OkBtn->SetModalResult(mrOk);
  UseDialogFont(OkBtn, false);
  OkBtn->OnClick = [this](TComponent* s) { OkBtnClick(s); };

  IconPaintBox = new TPaintBox(this);
  IconPaintBox->Name = "IconPaintBox";
  IconPaintBox->SetParent(this);
  IconPaintBox->SetBounds(8, 8, 32, 32);
  IconPaintBox->OnPaint = [this](TComponent* s) { IconPaintBoxPaint(s); };

  NpsLbl3d3 = DesignLabel<TNpsLbl3d>(56, 17, "Name:");
  ProductNameLabel = VersionText(17, "ProductNameLabel");
  NpsLbl3d5 = DesignLabel<TNpsLbl3d>(56, 41, "Version:");
  VersionLabel = VersionText(41, "VersionLabel");
  NpsLbl3d4 = DesignLabel<TNpsLbl3d>(56, 65, "Company:");
  CompanyLabel = VersionText(65, "CompanyLabel");

  Bevel1 = new TBevelLine(this);
  Bevel1->Name = "Bevel1";
  Bevel1->SetParent(this);
  Bevel1->SetBounds(56, 90, 281, 14);

  NpsLbl3d6 = DesignLabel<TNpsLbl3d>(56, 105, "Autor:");
  Label1 = DesignLabel<TLabel>(119, 105, kAuthorName);
  NpsLbl3d2 = DesignLabel<TNpsLbl3d>(56, 129, "Home:");
  URLLinkLabel1 = new TURLLinkLabel(this);
  URLLinkLabel1->Name = "URLLinkLabel1";
  URLLinkLabel1->SetLeft(120);
  URLLinkLabel1->SetTop(128);
  URLLinkLabel1->SetLinkType(tURLLinkType::lthttp);
  NpsLbl3d1 = DesignLabel<TNpsLbl3d>(56, 154, "Mail:");
  URLLinkLabel2 = new TURLLinkLabel(this);
  URLLinkLabel2->Name = "URLLinkLabel2";
  URLLinkLabel2->SetLeft(120);
  URLLinkLabel2->SetTop(152);
  URLLinkLabel2->SetLinkType(tURLLinkType::ltmailto);
  for (TURLLinkLabel* link : {URLLinkLabel1, URLLinkLabel2}) {
    UseDialogFont(link, true);
    link->Font().SetUnderline(true);
    link->Font().SetColor(kLinkBlue);
    link->SetAutoSize(true);
  }
  URLLinkLabel1->SetHyperLink(kMakerWebAddress);
  URLLinkLabel2->SetHyperLink(kMakerMailAddress);

  OnControlMouseEnter = [this](TControl* c) { ControlMouseEnter(c); };
  OnControlMouseLeave = [this](TControl* c) { ControlMouseLeave(c); };
  OnCreate = [this](TComponent* s) { FormCreate(s); };
  OnShow = [this](TComponent* s) { FormShow(s); };
}

// A bold label of the design that takes the size of its text.
template <class Label>
Label* TAboutBox::DesignLabel(int left, int top, const char* text) {
  auto* label = new Label(this);
  label->SetParent(this);
  UseDialogFont(label, true);
  label->SetAutoSize(true);
  label->SetBounds(left, top, label->Width(), label->Height());
  label->SetCaption(text);
  return label;
}

TStaticText* TAboutBox::VersionText(int top, const char* text) {
  auto* label = new TStaticText(this);
  label->SetParent(this);
  UseDialogFont(label, true);
  label->SetBounds(120, top, 216, 16);
  label->SetCaption(text);
  return label;
}

void TAboutBox::FitIconBox() {
  IconPaintBox->SetBounds(IconPaintBox->Left(), IconPaintBox->Top(),
                          SystemMetricForDpi(SM_CXICON, Dpi()),
                          SystemMetricForDpi(SM_CYICON, Dpi()));
}

void TAboutBox::ChangeScale(int multiplier, int divisor) {
  TStyleForm::ChangeScale(multiplier, divisor);
  FitIconBox();
}

void TAboutBox::FormCreate(TComponent*) {
  FitIconBox();
  char path[MAX_PATH * 4] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  // The reader goes on every path; when it cannot be made the labels keep their texts and the
  // error is reported by the form's creation.
  TJclFileVersionInfo info(path);
  ProductNameLabel->SetCaption(info.StandardValue(9));
  VersionLabel->SetCaption("Version: " + info.StandardValue(10));
  CompanyLabel->SetCaption(info.StandardValue(6));
}

void TAboutBox::FormShow(TComponent*) {
  const int spacing = Scaled(ExtraLinkSpacing);
  const int extra = static_cast<int>(ExtraLinks.size()) * spacing - Scaled(20);
  if (extra > 0) {
    SetBounds(Left(), Top(), Width(), Height() + extra);
    // The bevel and the button keep their distance to the bottom edge.
    Bevel1->SetTop(Bevel1->Top() + extra);
    OkBtn->SetTop(OkBtn->Top() + extra);
  }
  for (size_t i = 0; i < ExtraLinks.size(); ++i) {
    auto* label = new TLabel(this);
    label->Font().Assign(Font());
    UseDialogFont(label, false);
    label->Font().SetColor(kLinkBlue);
    label->Font().SetUnderline(true);
    label->SetAutoSize(true);
    label->SetParent(this);  // scales the design font to the form's DPI
    label->SetBounds(CompanyLabel->Left(),
                     CompanyLabel->Top() + Scaled(25) + static_cast<int>(i) * spacing,
                     label->Width(), label->Height());
    label->SetCaption(LinkCaption(i));
    label->SetCursor(TCursor::crHandPoint);
    label->SetHint(LinkTarget(i));
    label->Tag = static_cast<intptr_t>(i) + 1;
    label->OnClick = [this](TComponent* s) { ExtraLinkClick(s); };
    extra_labels_.push_back(label);
  }
}

std::string TAboutBox::LinkCaption(size_t i) const {
  const std::string& entry = ExtraLinks.at(i);
  const size_t semicolon = entry.find(';');
  return semicolon == std::string::npos ? std::string() : entry.substr(0, semicolon);
}

std::string TAboutBox::LinkTarget(size_t i) const {
  const std::string& entry = ExtraLinks.at(i);
  const size_t semicolon = entry.find(';');
  return semicolon == std::string::npos ? entry : entry.substr(semicolon + 1);
}

void TAboutBox::ExtraLinkClick(TComponent* sender) {
  if (sender && sender->Tag > 0) OpenTarget(LinkTarget(static_cast<size_t>(sender->Tag - 1)));
}

void TAboutBox::OpenTarget(const std::string& target) {
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof(info);
  info.hwnd = Application ? Application->Handle() : nullptr;
  info.lpFile = target.c_str();
  info.nShow = SW_SHOWNORMAL;
  ShellExecuteExA(&info);
}

void TAboutBox::ControlMouseEnter(TControl* control) { HighlightLink(control, true); }

void TAboutBox::ControlMouseLeave(TControl* control) { HighlightLink(control, false); }

void TAboutBox::HighlightLink(TControl* control, bool entering) {
  auto* label = dynamic_cast<TLabel*>(control);
  if (!label || label->Tag <= 0) return;
  label->Font().SetColor(entering ? kLinkPurple : kLinkBlue);
}

void TAboutBox::IconPaintBoxPaint(TComponent*) {
  HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON,
                                             IconPaintBox->Width(), IconPaintBox->Height(), LR_SHARED));
  if (icon) DrawIconEx(IconPaintBox->Canvas(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
}

void TAboutBox::OkBtnClick(TComponent*) { Close(); }

void ShowAboutBoxWithLinks(const std::vector<std::string>& links, int spacing) {
  std::unique_ptr<TAboutBox> box(CreateForm<TAboutBox>(Application));
  box->ExtraLinks = links;
  box->ExtraLinkSpacing = spacing;
  box->ShowModal();
}

void ShowAboutBox() { ShowAboutBoxWithLinks({kMakerWebAddress}, 20); }
