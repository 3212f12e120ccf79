#include "about/link_label.h"

#include <shellapi.h>

#include "toolkit/errors.h"
#include "toolkit/form.h"

const char* LinkPrefix(tURLLinkType type) {
  switch (type) {
    case tURLLinkType::ltfile:
      return "file://";
    case tURLLinkType::ltftp:
      return "ftp://";
    case tURLLinkType::ltgopher:
      return "gopher://";
    case tURLLinkType::lthttp:
      return "http://";
    case tURLLinkType::lthttps:
      return "https://";
    case tURLLinkType::ltmailto:
      return "mailto:";
    case tURLLinkType::ltnews:
      return "news:";
    case tURLLinkType::lttelnet:
      return "telnet:";
    case tURLLinkType::ltwais:
      return "wais:";
  }
  return "";
}

namespace {
TForm* OwnerForm(TComponent* owner) {
  auto* form = dynamic_cast<TForm*>(owner);
  if (!form) throw EInvalidCast("Invalid class typecast");
  return form;
}
}  // namespace

TURLLinkLabel::TURLLinkLabel(TComponent* owner) : TLabel(owner) {
  SetParent(OwnerForm(owner));
  Font().SetBold(false);
  Font().SetUnderline(true);
  Font().SetColor(RGB(0, 0, 255));
  SetCursor(TCursor::crHandPoint);
  SetCaption("");
}

void TURLLinkLabel::SetHyperLink(const std::string& link) {
  hyper_link_ = link;
  if (Caption().empty()) SetCaption(link);
}

std::string TURLLinkLabel::Target() const { return LinkPrefix(link_type_) + hyper_link_; }

void TURLLinkLabel::MouseMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_LBUTTONDOWN) {
    OpenLink();
    return;
  }
  TLabel::MouseMessage(msg, wp, lp);
}

void TURLLinkLabel::OpenLink() {
  // What the shell makes of it is its own affair.
  HWND parent = Parent() ? Parent()->Handle() : nullptr;
  ShellExecuteA(parent, "Open", Target().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
