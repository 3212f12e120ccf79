#pragma once
// Colours and fonts as the controls describe them.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/handles.h"

// A colour: an RGB value, or a system colour given as 0x80000000 | COLOR_xxx index.
using TColor = uint32_t;
constexpr TColor SystemColor(int index) { return 0x80000000u | static_cast<uint32_t>(index); }
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBlack = 0x000000;

COLORREF ColorToRGB(TColor color);

class TFont {
 public:
  TFont() = default;
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  const std::string& Name() const { return name_; }
  int Height() const { return height_; }
  bool Bold() const { return bold_; }
  bool Underline() const { return underline_; }
  TColor Color() const { return color_; }

  void SetName(const std::string& name);
  void SetHeight(int height);  // negative: character height in pixels
  void SetBold(bool bold);
  void SetUnderline(bool underline);
  void SetColor(TColor color);
  void Assign(const TFont& other);

  // The GDI font, made on first use and kept until the description changes.
  HFONT Handle();

  std::function<void()> OnChange;

 private:
  void Changed();

  std::string name_ = "Tahoma";
  int height_ = -11;
  bool bold_ = false;
  bool underline_ = false;
  TColor color_ = clWindowText;
  UniqueFont handle_;
};
