// Translation catalogues: reading a file's lines, looking texts up, and the lines a miss adds.
// Keys are compared here without regard to ASCII case (the program uses the user's locale).

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "translate/catalogue.h"

namespace {

bool AsciiEqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

TCatalogue Loaded(std::string_view bytes) {
  TCatalogue c;
  c.LoadFromText(bytes);
  return c;
}

using Lines = std::vector<std::string>;
using namespace std::string_literals;

struct LoadCase {
  const char* name;
  std::string bytes;
  Lines lines;
};

TEST(CatalogueLoad, SplitsLinesAsTheFileHasThem) {
  const LoadCase cases[] = {
      {"empty file", "", {}},
      {"CR LF", "A=1\r\nB=2\r\n", {"A=1", "B=2"}},
      {"LF", "A=1\nB=2\n", {"A=1", "B=2"}},
      {"CR only", "A=1\rB=2\r", {"A=1", "B=2"}},
      {"mixed ends", "A=1\r\nB=2\nC=3\rD=4", {"A=1", "B=2", "C=3", "D=4"}},
      {"last line without end", "A=1\nLast=end", {"A=1", "Last=end"}},
      {"empty lines kept", "\n\r\n\rA=1", {"", "", "", "A=1"}},
      {"LF CR is two ends", "A\n\rB", {"A", "", "B"}},
      {"nothing trimmed", " A = 1 \t\n", {" A = 1 \t"}},
      {"NUL ends the text", "A=1\nB=2\0C=3\n"s, {"A=1", "B=2"}},
      {"NUL first", "\0A=1"s, {}},
      {"byte-order mark kept", "\xEF\xBB\xBFOK=Okay\n", {"\xEF\xBB\xBFOK=Okay"}},
      {"high bytes kept", "Gr\xF6\xDF" "e=Size\n\xFF\xFE\x80=\x81", {"Gr\xF6\xDF" "e=Size", "\xFF\xFE\x80=\x81"}},
  };
  for (const LoadCase& c : cases) EXPECT_EQ(Loaded(c.bytes).Lines(), c.lines) << c.name;
}

TEST(CatalogueLoad, ReplacesEarlierLines) {
  TCatalogue c = Loaded("A=1\nB=2");
  c.Add("C=3");
  c.LoadFromText("D=4");
  EXPECT_EQ(c.Lines(), Lines{"D=4"});
}

TEST(CatalogueLoad, AnyBytesOfAnySize) {
  std::string binary;
  for (int round = 0; round < 64; ++round)
    for (int b = 1; b < 256; ++b) binary.push_back(static_cast<char>(b ^ round));
  const std::string long_line = "K=" + std::string(1 << 20, 'x');
  const std::string one_megabyte_of_ends(1 << 20, '\n');

  TCatalogue c = Loaded(binary);
  EXPECT_GT(c.Count(), 0u);
  EXPECT_EQ(TranslateText("\x01\x02", c, AsciiEqualsNoCase), "\x01\x02");

  c.LoadFromText(long_line);
  ASSERT_EQ(c.Count(), 1u);
  EXPECT_EQ(TranslateText("k", c, AsciiEqualsNoCase), long_line.substr(2));

  c.LoadFromText(long_line.substr(2));  // a megabyte without "=" or line end: never matches
  EXPECT_EQ(TranslateText(long_line.substr(2), c, AsciiEqualsNoCase), long_line.substr(2));
  EXPECT_EQ(c.Count(), 2u);

  c.LoadFromText(one_megabyte_of_ends);
  EXPECT_EQ(c.Count(), size_t{1} << 20);
}

struct LookupCase {
  const char* name;
  std::string catalogue;
  std::string text;
  std::string result;
  bool appended;  // the lookup adds "text=text"
};

TEST(CatalogueLookup, FirstMatchingKeyWins) {
  const LookupCase cases[] = {
      {"keys ignore case", "ok=Okay\n", "OK", "Okay", false},
      {"first of two duplicates", "OK=First\nok=Second\n", "OK", "First", false},
      {"space before =", "OK =Okay\n", "OK", "OK", true},
      {"space belongs to the replacement", "OK= Okay \n", "OK", " Okay ", false},
      {"empty replacement", "OK=\n", "OK", "", false},
      {"only the first = separates", "Note=a=b\n", "Note", "a=b", false},
      {"byte-order mark spoils the first key", "\xEF\xBB\xBFOK=Okay\nCancel=Abbrechen", "OK", "OK", true},
      {"the line after the mark matches", "\xEF\xBB\xBFOK=Okay\nCancel=Abbrechen", "cancel", "Abbrechen", false},
      {"last line without line end", "A=1\nLast=end", "Last", "end", false},
      {"CR-only file", "A=1\rB=2\rC=3", "b", "2", false},
      {"line without = never matches", "OK\nOK=Okay", "OK", "Okay", false},
      {"text with = never found", "a=b=c\n", "a=b", "a=b", true},
      {"decimal text untouched", "1.5=one and a half\n", "1.5", "1.5", false},
      {"digits untouched", "12=twelve\n", "12", "12", false},
      {"grouped number untouched", "1,234.5=x\n", "1,234.5", "1,234.5", false},
      {"signed number looked up", "-1=minus one\n", "-1", "minus one", false},
      {"empty text untouched", "=nothing\n", "", "", false},
      {"empty catalogue", "", "Close", "Close", true},
  };
  for (const LookupCase& c : cases) {
    TCatalogue catalogue = Loaded(c.catalogue);
    Lines expected = catalogue.Lines();
    if (c.appended) expected.push_back(c.text + "=" + c.text);
    EXPECT_EQ(TranslateText(c.text, catalogue, AsciiEqualsNoCase), c.result) << c.name;
    EXPECT_EQ(catalogue.Lines(), expected) << c.name;
  }
}

TEST(CatalogueLookup, AMissIsAddedOnceAndThenFoundAsItself) {
  TCatalogue c = Loaded("OK=Okay");
  EXPECT_EQ(TranslateText("Help", c, AsciiEqualsNoCase), "Help");
  EXPECT_EQ(TranslateText("HELP", c, AsciiEqualsNoCase), "Help");
  EXPECT_EQ(TranslateText("Help", c, AsciiEqualsNoCase), "Help");
  EXPECT_EQ(c.Lines(), (Lines{"OK=Okay", "Help=Help"}));
}

TEST(CatalogueLookup, ScansFromTheFirstLineOneComparisonPerEntry) {
  const TCatalogue c = Loaded("A=1\nno entry\nB=2\nC=3\n=empty key\nB=4");
  struct Probe {
    std::string text;
    std::vector<std::string> keys_compared;
  };
  const Probe probes[] = {
      {"A", {"A"}},
      {"b", {"A", "B"}},
      {"missing", {"A", "B", "C", "", "B"}},
  };
  for (const Probe& p : probes) {
    std::vector<std::string> compared;
    c.Find(p.text, [&](std::string_view key, std::string_view text) {
      EXPECT_EQ(text, p.text);
      compared.emplace_back(key);
      return AsciiEqualsNoCase(key, text);
    });
    EXPECT_EQ(compared, p.keys_compared) << p.text;
  }
}

TEST(CatalogueNumericText, OnlyDigitsPointsAndCommas) {
  const std::pair<const char*, bool> cases[] = {
      {"1.5", true}, {"12", true},  {"1,234.50", true}, {".", true},   {",,", true},
      {"", false},   {"-1", false}, {"+1", false},      {"1 2", false}, {"1a", false},
      {"1.5 ", false}, {"\xB2", false},
  };
  for (const auto& [text, numeric] : cases) EXPECT_EQ(IsNumericText(text), numeric) << '"' << text << '"';
}

}  // namespace
