#pragma once
// The about box: the program's icon, name, version and company as its own version resource
// gives them, the author, links to the maker's web site and mail address, and extra link lines
// its caller hands in. A styled dialog (translated, fading with its activation).

#include <string>
#include <vector>

#include "about/style_form.h"

class TPaintBox;
class TNpsLbl3d;
class TLabel;
class TStaticText;
class TBevelLine;
class TURLLinkLabel;
class TButton;
class TControl;

// The maker's web site (without "http://") and mail address, and the author shown in the box.
inline constexpr char kMakerWebAddress[] = "www.quorvant.example";
inline constexpr char kMakerMailAddress[] = "info@quorvant.example";
inline constexpr char kAuthorName[] = "Quorvant";

class TAboutBox : public TStyleForm {
 public:
  explicit TAboutBox(TComponent* owner);

  TPaintBox* IconPaintBox;
  TNpsLbl3d* NpsLbl3d3;
  // The three lines read from the version resource are native static texts, so that other
  // programs (screen readers) can read them.
  TStaticText* ProductNameLabel;
  TNpsLbl3d* NpsLbl3d5;
  TStaticText* VersionLabel;
  TNpsLbl3d* NpsLbl3d4;
  TStaticText* CompanyLabel;
  TBevelLine* Bevel1;
  TNpsLbl3d* NpsLbl3d6;
  TLabel* Label1;
  TNpsLbl3d* NpsLbl3d2;
  TURLLinkLabel* URLLinkLabel1;
  TNpsLbl3d* NpsLbl3d1;
  TURLLinkLabel* URLLinkLabel2;
  TButton* OkBtn;

  // Extra link lines: "caption;target" each; and the distance between two lines, in pixels
  // at 96 DPI.
  std::vector<std::string> ExtraLinks;
  int ExtraLinkSpacing = 20;
  // The labels FormShow made for them, in order.
  const std::vector<TLabel*>& ExtraLinkLabels() const { return extra_labels_; }

  void FormCreate(TComponent* sender);
  void FormShow(TComponent* sender);
  void IconPaintBoxPaint(TComponent* sender);
  void OkBtnClick(TComponent* sender);
  void ControlMouseEnter(TControl* control);
  void ControlMouseLeave(TControl* control);
  void ExtraLinkClick(TComponent* sender);

  // The text of entry i before its first ";" (empty without one), and after it (the whole
  // entry without one).
  std::string LinkCaption(size_t i) const;
  std::string LinkTarget(size_t i) const;
  // Hands a target to the shell's default action; its answer is not looked at.
  void OpenTarget(const std::string& target);
  // Extra link lines turn purple under the pointer and blue again when it leaves.
  void HighlightLink(TControl* control, bool entering);

 protected:
  // The icon box follows the size of a large icon at the form's DPI.
  void ChangeScale(int multiplier, int divisor) override;

 private:
  void FitIconBox();
  template <class Label>
  Label* DesignLabel(int left, int top, const char* text);
  TStaticText* VersionText(int top, const char* text);
  std::vector<TLabel*> extra_labels_;
};

// Opens the about box with the maker's bare web address as its one extra line.
void ShowAboutBox();
// Opens the about box with these extra link lines; returns when it is closed.
void ShowAboutBoxWithLinks(const std::vector<std::string>& links, int spacing);
