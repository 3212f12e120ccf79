// Hostile settings: each of the 18 stored values in turn, and all of them at once, holds a
// wrong type (a text where a number belongs, a number where a text belongs, binary data), 0, -1,
// -2147483648, 2147483647, and for the shortcut texts a 64 KiB text and broken shortcut texts.
// Every start shows a usable lens (on the screen, at least 32 pixels, the exact picture in fixed
// mode), raises no error report, and exit stores values that the next start reads back
// unchanged.
//
// To keep the starts few, a per-value start carries one faulty value of each kind whose effect
// is seen apart from the others': one geometry value (the window's rectangle), the zoom (the
// picture), the transparency (the alpha), the flags (crosshair, border, topmost band, label,
// follow mode) and the seven shortcut texts (what exit writes back for each).

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/driver.h"
#include "support/tray_driver.h"

namespace {

using namespace e2e;
using tray_driver::kSlowWait;

// ---- The faulty values -------------------------------------------------------------------

struct Raw {
  DWORD type;
  std::vector<uint8_t> data;
};

Raw Dword(int32_t n) {
  const auto u = static_cast<uint32_t>(n);
  return {REG_DWORD, {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)}};
}
Raw Text(const std::string& t) {
  Raw r{REG_SZ, std::vector<uint8_t>(t.begin(), t.end())};
  r.data.push_back(0);
  return r;
}
Raw Binary() { return {REG_BINARY, {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x7F}}; }

std::string HighBytes() {
  std::string t;
  for (int c = 0x80; c <= 0xFF; ++c) t += static_cast<char>(c);
  return t;
}

enum class Effect { Default, Zero, Minus, Min, Max };  // how a number variant is read

struct NumberVariant {
  const char* name;
  Raw raw;
  Effect effect;
  int32_t value;  // when it is read as a number
};
const std::vector<NumberVariant>& NumberVariants() {
  static const std::vector<NumberVariant> v{
      {"text \"5\"", Text("5"), Effect::Default, 0},
      {"binary", Binary(), Effect::Default, 0},
      {"0", Dword(0), Effect::Zero, 0},
      {"-1", Dword(-1), Effect::Minus, -1},
      {"-2147483648", Dword(INT_MIN), Effect::Min, INT_MIN},
      {"2147483647", Dword(INT_MAX), Effect::Max, INT_MAX},
  };
  return v;
}

struct TextVariant {
  const char* name;
  Raw raw;
  // What exit writes back: the default text when the value is of another type, else the text
  // form of what it names ("" for nothing).
  std::optional<std::string> writtenBack;  // nothing: the row's default
};
const std::vector<TextVariant>& TextVariants() {
  static const std::vector<TextVariant> v{
      {"number 0", Dword(0), std::nullopt},
      {"number -1", Dword(-1), std::nullopt},
      {"number -2147483648", Dword(INT_MIN), std::nullopt},
      {"number 2147483647", Dword(INT_MAX), std::nullopt},
      {"binary", Binary(), std::nullopt},
      {"64 KiB text", Text(std::string(64 * 1024, 'Q')), ""},
      {"\"Ctrl+\"", Text("Ctrl+"), ""},
      {"\"+\"", Text("+"), ""},
      {"\"Alt+Alt+Q\"", Text("Alt+Alt+Q"), "Alt+Q"},
      {"300 plus signs", Text(std::string(300, '+')), ""},
      {"bytes 0x80-0xFF", Text(HighBytes()), ""},
  };
  return v;
}

enum Kind { kInteger, kBoolean, kText };
struct Row {
  const char* name;
  Kind kind;
  int32_t defaultNumber;
  const char* defaultText;
};
// The 18 values in the program's order.
const std::vector<Row>& Rows() {
  static const std::vector<Row> rows{
      {"Zoom", kInteger, 4, ""},           {"Transparency", kInteger, 20, ""},
      {"Show Cross", kBoolean, 0, ""},     {"Show Borders", kBoolean, 1, ""},
      {"Move Window", kBoolean, 1, ""},    {"Always Top", kBoolean, 1, ""},
      {"Show Mouse Pos", kBoolean, 0, ""}, {"Left", kInteger, 0, ""},
      {"Top", kInteger, 0, ""},            {"Width", kInteger, 150, ""},
      {"Height", kInteger, 150, ""},       {"ShortCut Dialog", kText, 0, "Ctrl+Alt+D"},
      {"ShortCut ShowHide", kText, 0, "Ctrl+Alt+H"},
      {"ShortCut ZOOM", kText, 0, "Ctrl+Alt+Z"},
      {"ShortCut SIZE", kText, 0, "Ctrl+Alt+S"},
      {"ShortCut TRANSPARENT", kText, 0, "Ctrl+Alt+T"},
      {"ShortCut CLIPBOARD", kText, 0, "Ctrl+Alt+C"},
      {"ShortCut SAVEFILE", kText, 0, "Ctrl+Alt+F"},
  };
  return rows;
}
const Row& RowNamed(const std::string& name) {
  for (const Row& r : Rows())
    if (name == r.name) return r;
  throw std::runtime_error("no row " + name);
}

// One start: value name -> variant index (into NumberVariants or TextVariants).
using Faults = std::map<std::string, size_t>;

std::string DescribeFaults(const Faults& faults) {
  std::string text;
  for (const auto& [name, index] : faults)
    text += (text.empty() ? "" : "; ") + name + "=" +
            (RowNamed(name).kind == kText ? TextVariants()[index].name
                                          : NumberVariants()[index].name);
  return text;
}

void WriteRaw(const char* name, const Raw& raw) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0,
                                           KEY_WRITE, nullptr, &key, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, raw.type, raw.data.data(),
                                          static_cast<DWORD>(raw.data.size())))
      << name;
  RegCloseKey(key);
}

// ---- What the program makes of them --------------------------------------------------------

// The number a value is read as: the default for another type, else the stored number.
int32_t ReadAs(const Faults& faults, const char* name) {
  const Row& row = RowNamed(name);
  auto f = faults.find(name);
  if (f == faults.end()) return name == std::string("Move Window") ? 0 : row.defaultNumber;
  const NumberVariant& v = NumberVariants()[f->second];
  return v.effect == Effect::Default ? row.defaultNumber : v.value;
}

struct Expected {
  int zoom;
  int transparency;  // the one in force, and written back
  bool cross, borders, follow, top, label;
};
Expected ExpectedOf(const Faults& faults) {
  Expected e{};
  e.zoom = std::max(ReadAs(faults, "Zoom"), 2);
  const int t = ReadAs(faults, "Transparency");
  e.transparency = (t < 0 || t > 100) ? 20 : t;
  e.cross = ReadAs(faults, "Show Cross") != 0;
  e.borders = ReadAs(faults, "Show Borders") != 0;
  e.follow = ReadAs(faults, "Move Window") != 0;
  e.top = ReadAs(faults, "Always Top") != 0;
  e.label = ReadAs(faults, "Show Mouse Pos") != 0;
  return e;
}

std::string Show(const std::optional<StoredValue>& v) {
  if (!v) return "(missing)";
  if (v->type == REG_DWORD) return "REG_DWORD " + std::to_string(static_cast<int32_t>(v->number));
  if (v->type == REG_SZ)
    return "REG_SZ \"" + (v->text.size() > 40 ? v->text.substr(0, 40) + "..." : v->text) + "\"";
  return "type " + std::to_string(v->type);
}

std::map<std::string, std::optional<StoredValue>> ReadAll() {
  std::map<std::string, std::optional<StoredValue>> all;
  for (const Row& r : Rows()) all[r.name] = ReadSetting(r.name);
  return all;
}

RECT VirtualScreen() {
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN),
              y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// The largest band of the primary screen beside the lens (left, right, above or below it).
RECT FreeBand(const RECT& lens) {
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  const RECT bands[] = {{0, 0, std::max(0L, lens.left), sh},
                        {std::min<LONG>(sw, lens.right), 0, sw, sh},
                        {0, 0, sw, std::max(0L, lens.top)},
                        {0, std::min<LONG>(sh, lens.bottom), sw, sh}};
  RECT best{};
  for (const RECT& b : bands)
    if (Width(b) > 0 && Height(b) > 0 &&
        static_cast<long long>(Width(b)) * Height(b) >
            static_cast<long long>(Width(best)) * Height(best))
      best = b;
  return best;
}

constexpr RECT kLabelRegion{0, 0, 110, 22};
constexpr POINT kFollowCursor{640, 500};
constexpr RECT kDesign{508, 296, 658, 446};

struct Tally {
  int starts = 0;
  int valueCases = 0;
  int pictures = 0;
  int emptySource = 0;
  int edgeCases = 0;  // a lens at the screen's left or top edge (stored 0: opens at the design)
};

// One start with `faults` written over an empty key, its exit, a second start and exit.
void RunCase(const Faults& faults, Tally& tally) {
  SCOPED_TRACE(DescribeFaults(faults));
  ClearSettings();
  if (!faults.count("Move Window")) WriteDword("Move Window", 0);  // fixed mode: exact picture
  for (const auto& [name, index] : faults)
    WriteRaw(name.c_str(), RowNamed(name).kind == kText ? TextVariants()[index].raw
                                                        : NumberVariants()[index].raw);
  const Expected e = ExpectedOf(faults);
  tally.valueCases += static_cast<int>(faults.size());

  EXPECT_TRUE(MoveCursor(kFollowCursor.x, kFollowCursor.y));
  RECT last{};
  bool edgeMoved = false;
  {
    LumeviewProcess lumeview;
    ++tally.starts;
    ASSERT_TRUE(lumeview.Start(kSlowWait));
    HWND lens = lumeview.Lens();
    const RECT screen = VirtualScreen();
    RECT r = WindowRectOf(lens);
    EXPECT_GE(Width(r), 32) << Describe(r);
    EXPECT_GE(Height(r), 32) << Describe(r);
    EXPECT_LE(Width(r), Width(screen)) << Describe(r);
    EXPECT_LE(Height(r), Height(screen)) << Describe(r);
    if (e.follow) {
      EXPECT_TRUE(WaitFor([&] {
        r = WindowRectOf(lens);
        return r.left == kFollowCursor.x - Width(r) / 2 && r.top == kFollowCursor.y - Height(r) / 2;
      })) << "the lens does not follow the cursor: " << Describe(r);
    } else {
      RECT inside{};
      EXPECT_TRUE(IntersectRect(&inside, &r, &screen) && EqualRect(&inside, &r))
          << "lens " << Describe(r) << " not inside the screen " << Describe(screen);
      // A stored 0 (or a value of another type, read as the default) keeps the design value.
      // (unless the lens is too wide or tall to stay there on the screen).
      if (ReadAs(faults, "Left") == 0 && kDesign.left + Width(r) <= Width(screen)) {
        EXPECT_EQ(kDesign.left, r.left);
      }
      if (ReadAs(faults, "Top") == 0 && kDesign.top + Height(r) <= Height(screen)) {
        EXPECT_EQ(kDesign.top, r.top);
      }
      if (ReadAs(faults, "Width") == 150) {
        EXPECT_EQ(150, Width(r));
      }
      if (ReadAs(faults, "Height") == 150) {
        EXPECT_EQ(150, Height(r));
      }
    }
    EXPECT_EQ(e.top, (ExStyleOf(lens) & WS_EX_TOPMOST) != 0);
    // Layered at every transparency, 0 included (alpha 255).
    const std::optional<BYTE> alpha = static_cast<BYTE>((100 - e.transparency) * 255 / 100);
    EXPECT_TRUE(WaitFor([&] { return LayeredAlpha(lens) == alpha; }))
        << "alpha " << (LayeredAlpha(lens) ? int(*LayeredAlpha(lens)) : -1) << ", expected "
        << (alpha ? int(*alpha) : -1) << " for transparency " << e.transparency;

    if (!e.follow) {
      // The exact picture of a pattern beside the lens, the cursor in its middle.
      const RECT band = FreeBand(WindowRectOf(lens));
      if (Width(band) > 0) {
        PatternWindow pattern(band);
        ASSERT_TRUE(pattern.WaitShown());
        const POINT cursor{(band.left + band.right) / 2, (band.top + band.bottom) / 2};
        ASSERT_TRUE(MoveCursor(cursor.x, cursor.y));
        const LensView view = ViewOf(lens, cursor, e.zoom, true, e.cross, e.borders);
        const RECT ignore = e.label ? kLabelRegion : RECT{};
        const RECT source = SourceRect(view);
        if (Width(source) > 0 && Height(source) > 0) {
          EXPECT_TRUE(WaitForPicture(view, pattern, kSlowWait, ignore));
        } else {
          // A zoom step beyond twice the picture's sides leaves no pixel to copy: the copy
          // fails and the picture keeps what the surface was made with (white), with the
          // crosshair when it is on.
          ++tally.emptySource;
          Image white;
          white.width = view.width;
          white.height = view.height;
          white.pixels.assign(static_cast<size_t>(white.width) * white.height, 0xFFFFFF);
          if (e.cross) {
            const int cx = view.width / 2, cy = view.height / 2;
            for (int x = cx - view.width / 4; x < cx + view.width / 4; ++x) white.At(x, cy) = 0;
            for (int y = cy - view.height / 4; y < cy + view.height / 4; ++y) white.At(cx, y) = 0;
          }
          ::testing::AssertionResult same = ::testing::AssertionFailure();
          WaitFor([&] { return static_cast<bool>(same = SamePicture(CaptureScreen(view.onScreen), white, ignore)); },
                  kSlowWait);
          EXPECT_TRUE(same);
        }
        ++tally.pictures;
      }
    }
    EXPECT_EQ(" none", tray_driver::DescribeTopWindows(lumeview.Id(), "#32770"))
        << "an error was reported";
    last = WindowRectOf(lens);
    ASSERT_TRUE(lumeview.Close(kSlowWait));
  }

  // Exit wrote all 18 values with their own types, repaired where the program repairs.
  const auto first = ReadAll();
  for (const Row& row : Rows()) {
    const auto& v = first.at(row.name);
    ASSERT_TRUE(v.has_value()) << row.name << " was not written";
    EXPECT_EQ(row.kind == kText ? DWORD{REG_SZ} : DWORD{REG_DWORD}, v->type)
        << row.name << ": " << Show(v);
  }
  auto number = [&](const char* name) { return static_cast<int32_t>(first.at(name)->number); };
  EXPECT_EQ(e.zoom, number("Zoom"));
  EXPECT_EQ(e.transparency, number("Transparency"));
  EXPECT_EQ(e.cross, number("Show Cross"));
  EXPECT_EQ(e.borders, number("Show Borders"));
  EXPECT_EQ(e.follow, number("Move Window"));
  EXPECT_EQ(e.top, number("Always Top"));
  EXPECT_EQ(e.label, number("Show Mouse Pos"));
  EXPECT_EQ(Describe(last), Describe(RECT{number("Left"), number("Top"),
                                          number("Left") + number("Width"),
                                          number("Top") + number("Height")}));
  for (const Row& row : Rows()) {
    if (row.kind != kText) continue;
    auto f = faults.find(row.name);
    const std::string want =
        f == faults.end() ? row.defaultText
                          : TextVariants()[f->second].writtenBack.value_or(row.defaultText);
    EXPECT_EQ(want, first.at(row.name)->text) << row.name;
  }

  // The next start reads them back unchanged and writes the same again.
  {
    LumeviewProcess again;
    ++tally.starts;
    ASSERT_TRUE(again.Start(kSlowWait));
    const RECT r = WindowRectOf(again.Lens());
    // A lens at the very left or top edge was written as 0, which the next start reads as
    // "no stored position": that side opens at the design value again, and exit writes that.
    // A lens too large to stand there comes back to the edge.
    const RECT screen = VirtualScreen();
    RECT restored = last;
    if (last.left == 0 && kDesign.left + Width(last) <= Width(screen))
      OffsetRect(&restored, kDesign.left, 0);
    if (last.top == 0 && kDesign.top + Height(last) <= Height(screen))
      OffsetRect(&restored, 0, kDesign.top);
    if (e.follow) {
      EXPECT_TRUE(WaitFor([&] {
        const RECT f = WindowRectOf(again.Lens());
        return f.left == kFollowCursor.x - Width(f) / 2 && f.top == kFollowCursor.y - Height(f) / 2;
      })) << "the second start's lens does not follow the cursor";
    }
    if (!e.follow) {
      EXPECT_EQ(Describe(restored), Describe(r)) << "the second start's lens";
      edgeMoved = !EqualRect(&restored, &last);
    }
    EXPECT_EQ(" none", tray_driver::DescribeTopWindows(again.Id(), "#32770"));
    ASSERT_TRUE(again.Close(kSlowWait));
  }
  auto second = ReadAll();
  if (edgeMoved) {
    ++tally.edgeCases;
    for (const auto& [side, design] : {std::pair{"Left", kDesign.left}, {"Top", kDesign.top}}) {
      if (first.at(side)->number != 0 || second.at(side)->number == 0) continue;
      EXPECT_EQ(Show(StoredValue{REG_DWORD, static_cast<DWORD>(design), ""}), Show(second.at(side)))
          << side << " stored as 0 reopens at the design value";
      second[side] = first.at(side);  // the rest must be equal
    }
  }
  for (const Row& row : Rows())
    EXPECT_EQ(Show(first.at(row.name)), Show(second.at(row.name))) << row.name << " changed";
}

class HostileSettings : public ::testing::Test {
 protected:
  void TearDown() override { ClearSettings(); }
};

// Each value in turn: 24 starts. Start r carries geometry value r / 6 with variant r % 6; the
// zoom and the transparency (starts 0-5), the four display flags (6-11) and the follow flag
// (18-23) each with variant r % 6; shortcut slot s with text variant (r + s) % 11 (starts 0-10).
TEST_F(HostileSettings, EachValueInTurn) {
  const char* geometry[] = {"Left", "Top", "Width", "Height"};
  const char* flags[] = {"Show Cross", "Show Borders", "Always Top", "Show Mouse Pos"};
  Tally tally;
  for (size_t r = 0; r < 24; ++r) {
    Faults faults{{geometry[r / 6], r % 6}};
    if (r < 6) faults["Zoom"] = faults["Transparency"] = r % 6;
    if (r >= 6 && r < 12)
      for (const char* f : flags) faults[f] = r % 6;
    if (r >= 18) faults["Move Window"] = r % 6;
    if (r < TextVariants().size())
      for (size_t s = 0; s < 7; ++s) faults[Rows()[11 + s].name] = (r + s) % TextVariants().size();
    RunCase(faults, tally);
  }
  std::printf("[ cases    ] %d value cases (6 integers x 6, 5 flags x 6, 7 texts x 11) in %d "
              "starts; %d exact pictures, %d of them with no source pixel; %d lenses at an edge\n",
              tally.valueCases, tally.starts, tally.pictures, tally.emptySource, tally.edgeCases);
  EXPECT_EQ(6 * 6 + 5 * 6 + 7 * 11, tally.valueCases);
}

// All 18 values faulty at once: text variant v for the shortcuts, number variant v % 6 for the
// others.
TEST_F(HostileSettings, AllAtOnce) {
  Tally tally;
  for (size_t v = 0; v < TextVariants().size(); ++v) {
    Faults faults;
    for (const Row& row : Rows()) faults[row.name] = row.kind == kText ? v : v % 6;
    RunCase(faults, tally);
  }
  std::printf("[ cases    ] %zu all-at-once cases (%d values) in %d starts; %d exact pictures, "
              "%d of them with no source pixel; %d lenses at an edge\n",
              TextVariants().size(), tally.valueCases, tally.starts, tally.pictures,
              tally.emptySource, tally.edgeCases);
  EXPECT_EQ(static_cast<int>(18 * TextVariants().size()), tally.valueCases);
}

}  // namespace
