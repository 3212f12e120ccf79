#pragma once
// TURLLinkLabel: a label that hands a link to the system shell when the left mouse button is
// pressed on it. Blue underlined text under the hand cursor; everything else is the plain
// label's.

#include <windows.h>

#include <string>

#include "toolkit/std_controls.h"

enum class tURLLinkType { ltfile, ltftp, ltgopher, lthttp, lthttps, ltmailto, ltnews, lttelnet, ltwais };

// The scheme prefix put in front of the link: "file://", "mailto:" and so on.
const char* LinkPrefix(tURLLinkType type);

class TURLLinkLabel : public TLabel {
 public:
  // The owner must be a form: the label places itself on it. Throws EInvalidCast otherwise.
  explicit TURLLinkLabel(TComponent* owner);

  tURLLinkType LinkType() const { return link_type_; }
  void SetLinkType(tURLLinkType type) { link_type_ = type; }
  // The link without its scheme. While the caption is empty, the caption becomes the link.
  const std::string& HyperLink() const { return hyper_link_; }
  void SetHyperLink(const std::string& link);

  // The prefix of LinkType followed by HyperLink.
  std::string Target() const;

  // A left-button press opens the link and goes no further: no mouse-down, no click.
  void MouseMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void OpenLink();

  tURLLinkType link_type_ = tURLLinkType::lthttp;
  std::string hyper_link_;
};
