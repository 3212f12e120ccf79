// The version block walk over blocks built here, in the wide and the narrow layout: what a
// well-formed block answers, the quirks of real blocks, and every way a block can be broken.

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "about/version_block.h"

namespace {

// ---- A small builder of version blocks ------------------------------------------------------

struct Node {
  std::string key;
  uint16_t type = 1;               // wide layout: 0 binary, 1 text
  std::optional<std::string> text;  // a text value (written with its NUL); none: value length 0
  std::vector<uint8_t> binary;     // a binary value (type 0), or the fixed part
  std::vector<Node> children;
  std::optional<uint16_t> wLength;      // written instead of the real length
  std::optional<uint16_t> wValueLength;  // written instead of the real value length
};

Node Make(std::string key, uint16_t type, std::vector<Node> children = {}) {
  Node n;
  n.key = std::move(key);
  n.type = type;
  n.children = std::move(children);
  return n;
}
Node Entry(std::string key, std::string text) {
  Node n = Make(std::move(key), 1);
  n.text = std::move(text);
  return n;
}
Node EmptyEntry(std::string key) { return Make(std::move(key), 1); }
Node Binary(std::string key, std::vector<uint8_t> bytes) {
  Node n = Make(std::move(key), 0);
  n.binary = std::move(bytes);
  return n;
}
Node Block(std::string key, std::vector<Node> children) { return Make(std::move(key), 1, std::move(children)); }
Node Translation(std::vector<uint32_t> pairs) {
  Node n = Make("Translation", 0);
  for (uint32_t p : pairs)
    for (int i = 0; i < 4; ++i) n.binary.push_back(static_cast<uint8_t>(p >> (8 * i)));
  return n;
}
// A block with wLength 0 in place of its length.
Node ZeroLength(std::string key) {
  Node n = Make(std::move(key), 1);
  n.wLength = 0;
  return n;
}

std::vector<uint8_t> FixedPart(uint32_t flagsMask = 0x3F, uint32_t flags = 0, uint32_t signature = 0xFEEF04BD) {
  const uint32_t fields[13] = {signature, 0x10000, 0x10000, 0, 0x10000, 0, flagsMask, flags, 4, 1, 0, 0, 0};
  std::vector<uint8_t> bytes;
  for (uint32_t f : fields)
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(f >> (8 * i)));
  return bytes;
}

Node Root(std::vector<Node> children, std::vector<uint8_t> fixed = FixedPart()) {
  Node n = Make("VS_VERSION_INFO", 0, std::move(children));
  n.binary = std::move(fixed);
  return n;
}

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Append16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Pad(std::vector<uint8_t>& out) {
  while (out.size() % 4) out.push_back(0);
}
void AppendText(std::vector<uint8_t>& out, const std::string& s, bool wide) {
  for (char c : s) wide ? Append16(out, static_cast<uint8_t>(c)) : out.push_back(static_cast<uint8_t>(c));
  wide ? Append16(out, 0) : out.push_back(0);
}

// Writes n and its children, aligned from the buffer's start; `starts` gets each block's offset.
void Write(const Node& n, bool wide, std::vector<uint8_t>& out, std::vector<size_t>* starts = nullptr) {
  Pad(out);
  const size_t start = out.size();
  if (starts) starts->push_back(start);
  Append16(out, 0);
  uint16_t valueLength = static_cast<uint16_t>(n.binary.size());
  if (n.text) valueLength = static_cast<uint16_t>(n.text->size() + 1);
  Append16(out, n.wValueLength.value_or(valueLength));
  if (wide) Append16(out, n.type);
  AppendText(out, n.key, wide);
  Pad(out);
  if (n.text) AppendText(out, *n.text, wide);
  out.insert(out.end(), n.binary.begin(), n.binary.end());
  for (const Node& child : n.children) Write(child, wide, out, starts);
  Put16(out, start, n.wLength.value_or(static_cast<uint16_t>(out.size() - start)));
}

std::vector<uint8_t> Build(const Node& root, bool wide) {
  std::vector<uint8_t> out;
  Write(root, wide, out);
  return out;
}

// Natively: one character per unit, '?' for what is not ASCII.
std::string SimpleNarrow(std::u16string_view units) {
  std::string s;
  for (char16_t u : units) s += u < 0x80 ? static_cast<char>(u) : '?';
  return s;
}
bool AsciiEqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

TVersionBlock Read(const Node& root, bool wide) { return TVersionBlock(Build(root, wide), &SimpleNarrow); }
std::string Standard(const TVersionBlock& b, int index) { return b.StandardValue(index, &AsciiEqualsNoCase); }

std::vector<std::string> Texts(const TVersionBlock& b) {
  std::vector<std::string> texts;
  for (const TVersionEntry& e : b.AllEntries()) texts.push_back(e.Text + "@" + std::to_string(e.Table));
  return texts;
}

// Construction fails with the reader's error and its text.
void ExpectNoVersionInfo(std::vector<uint8_t> bytes, const std::string& what) {
  try {
    TVersionBlock block(std::move(bytes), &SimpleNarrow);
    ADD_FAILURE() << what << ": read without error";
  } catch (const EJclFileVersionInfoError& e) {
    EXPECT_STREQ(e.what(), "File contains no version information") << what;
  }
}

Node Sfi(std::vector<Node> tables) { return Block("StringFileInfo", std::move(tables)); }
Node Vfi(std::vector<Node> vars) { return Block("VarFileInfo", std::move(vars)); }

// The program's own kind of block.
Node ProgramRoot() {
  return Root({Sfi({Block("0C0A04E4", {Entry("CompanyName", "Quorvant"), EmptyEntry("FileDescription"),
                                       Entry("FileVersion", "1.0.0.0"), Entry("LegalTrademarks", "QV (tm)"),
                                       Entry("ProductName", "Lumeview"), Entry("ProductVersion", "1.0.0.0")})}),
               Vfi({Translation({0x04E40C0A})})});
}

class VersionBlockLayouts : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(, VersionBlockLayouts, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Wide" : "Narrow"; });

// ---- What a block answers --------------------------------------------------------------------

TEST_P(VersionBlockLayouts, ReadsTheProgramsBlock) {
  const bool wide = GetParam();
  const TVersionBlock b = Read(ProgramRoot(), wide);
  EXPECT_EQ(b.Wide(), wide);
  EXPECT_EQ(b.FixedPart().dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(b.FixedPart().dwFileOS, 4u);
  EXPECT_EQ(b.TableLanguages(), (std::vector<LanguageCodePage>{{0x0C0A, 0x04E4}}));
  EXPECT_EQ(b.DeclaredTranslations(), (std::vector<LanguageCodePage>{{0x0C0A, 1252}}));
  EXPECT_EQ(b.CurrentTable(), 0);
  ASSERT_EQ(b.CurrentEntries().size(), 6u);
  EXPECT_EQ(b.CurrentEntries()[1].Text, "FileDescription=");
  EXPECT_EQ(b.CurrentEntries()[5].Language, (LanguageCodePage{0x0C0A, 0x04E4}));
  const char* expected[13] = {"",   "",        "Quorvant", "", "1.0.0.0", "", "",
                              "QV (tm)", "",  "Lumeview", "1.0.0.0", "", ""};
  for (int i = 1; i <= 12; ++i) EXPECT_EQ(Standard(b, i), expected[i]) << kStandardVersionKeys[i - 1];
  EXPECT_EQ(Standard(b, 0), "");
  EXPECT_EQ(Standard(b, 13), "");
  if (wide) {  // a root of type 1 is wide as well
    Node textRoot = ProgramRoot();
    textRoot.type = 1;
    EXPECT_EQ(Standard(Read(textRoot, true), 9), "Lumeview");
  }
}

TEST_P(VersionBlockLayouts, QuirksOfRealBlocks) {
  struct Case {
    const char* what;
    Node root;
    std::vector<std::string> entries;  // AllEntries as text@table
    int index;                         // StandardValue asked
    const char* answer;
  } cases[] = {
      {"table key 0x0409 then 0x04B0",
       Root({Sfi({Block("0x04090x04B0", {Entry("Comments", "c")})})}), {"Comments=c@0"}, 1, "c"},
      {"0x taken out until none is left",
       Root({Sfi({Block("00xx0409-04b0", {Entry("Comments", "c")})})}), {"Comments=c@0"}, 1, "c"},
      {"first table answers, second is listed only",
       Root({Sfi({Block("040904B0", {Entry("ProductName", "One")}),
                  Block("040704B0", {Entry("ProductName", "Two"), Entry("SpecialBuild", "x")})})}),
       {"ProductName=One@0", "ProductName=Two@1", "SpecialBuild=x@1"}, 11, ""},
      {"a duplicated key answers with its first value",
       Root({Sfi({Block("040904B0", {Entry("internalname", "first"), Entry("InternalName", "second")})})}),
       {"internalname=first@0", "InternalName=second@0"}, 5, "first"},
      {"a value holding = is returned whole",
       Root({Sfi({Block("040904B0", {Entry("PrivateBuild", "a=b=c")})})}), {"PrivateBuild=a=b=c@0"}, 12, "a=b=c"},
      {"an unknown root child ends the walk, what was read stays",
       Root({Sfi({Block("040904B0", {Entry("OriginalFilename", "lv.exe")})}),
             Block("Unknown", {ZeroLength("junk")}), Sfi({Block("bad", {})})}),
       {"OriginalFilename=lv.exe@0"}, 8, "lv.exe"},
      {"VarFileInfo first, then StringFileInfo",
       Root({Vfi({Translation({0x04B00409})}), Sfi({Block("040904B0", {Entry("FileVersion", "2")})})}),
       {"FileVersion=2@0"}, 4, "2"},
      {"a value cut at its first NUL", Root({Sfi({Block("040904B0", {Entry("Comments", std::string("ab\0cd", 5))})})}),
       {"Comments=ab@0"}, 1, "ab"},
      {"no string tables at all", Root({Sfi({})}), {}, 9, ""},
  };
  for (const Case& c : cases) {
    const TVersionBlock b = Read(c.root, GetParam());
    EXPECT_EQ(Texts(b), c.entries) << c.what;
    EXPECT_EQ(Standard(b, c.index), c.answer) << c.what;
  }
}

TEST(VersionBlock, BinaryEntriesAndTranslations) {
  const Node root = Root({Sfi({Block("040904B0", {Binary("One", {0xAB}), Binary("Two", {0x09, 0x04}),
                                                  Binary("Three", {0x01, 0x02, 0x03}),
                                                  Binary("Four", {0x00, 0x00, 0x00, 0x80}),
                                                  Binary("Six", {1, 2, 3, 4, 5, 6}), Binary("None", {})})}),
                          Vfi({Translation({0x04B00409, 0x04E40C0A}), Translation({0x1})})});
  const TVersionBlock b = Read(root, true);
  EXPECT_EQ(Texts(b), (std::vector<std::string>{"One=$AB@0", "Two=$0409@0", "Three=$030201@0", "Four=$80000000@0",
                                                "Six=@0", "None=@0"}));
  EXPECT_EQ(b.DeclaredTranslations(), (std::vector<LanguageCodePage>{{0x0409, 0x04B0}, {0x0C0A, 0x04E4}}));
  EXPECT_EQ(LanguageCodePage::FromPair(0x04E40C0A).Pair(), 0x04E40C0Au);

  // A first child other than "Translation" is passed over; a Translation of 7 bytes holds one pair.
  Node odd = Translation({0x04B00409, 0});
  odd.binary.resize(7);
  Node other = Translation({0x04B00409});
  other.key = "Other";
  EXPECT_TRUE(Read(Root({Vfi({other, Translation({1})})}), true).DeclaredTranslations().empty());
  EXPECT_EQ(Read(Root({Vfi({odd})}), true).DeclaredTranslations().size(), 1u);
}

TEST(VersionBlock, BuildFlagsAreTheMaskedFileFlags) {
  const TFileFlags flags = Read(Root({}, FixedPart(0x2A, 0x7F)), true).BuildFlags();
  EXPECT_EQ(flags, TFileFlags::FromBits(0x2A));
  const bool members[] = {false, true, false, true, false, true};
  for (int f = ffDebug; f <= ffSpecialBuild; ++f) EXPECT_EQ(flags.Contains(TFileFlag(f)), members[f]) << f;
  EXPECT_TRUE(Read(Root({}, FixedPart(0x3F, 0)), false).BuildFlags().Empty());
}

// ---- Broken blocks ---------------------------------------------------------------------------

TEST_P(VersionBlockLayouts, EveryFaultFailsTheWholeRead) {
  const bool wide = GetParam();
  auto table = [](std::vector<Node> entries, std::string key = "040904B0") {
    return Root({Sfi({Block(std::move(key), std::move(entries))})});
  };
  Node zeroLength = ZeroLength("Comments");
  Node pastTable = Entry("Comments", "x");
  pastTable.wLength = 200;
  Node keyCut = Entry("CompanyName", "x");
  keyCut.wLength = wide ? 12 : 8;  // the key's NUL lies beyond
  Node underHeader = EmptyEntry("Comments");
  underHeader.wLength = 3;
  Node valuePast = Entry("Comments", "abc");
  valuePast.wValueLength = 40;
  const Node after = Entry("CompanyName", std::string(60, 'q'));
  Node tableValue = Block("040904B0", {});
  tableValue.wValueLength = 2;
  Node tablePast = Block("040904B0", {Entry("Comments", "x")});
  tablePast.wLength = 400;
  Node sfiPast = Sfi({});
  sfiPast.wLength = 1000;
  Node rootValue = Root({});
  rootValue.wValueLength = 51;
  Node rootPast = Root({});
  rootPast.wLength = 400;
  Node translationPast = Translation({1});
  translationPast.wValueLength = 64;

  struct Case {
    const char* what;
    Node root;
  } cases[] = {
      {"an entry with wLength 0", table({zeroLength})},
      {"an entry reaching past its table", table({pastTable})},
      {"a key without its NUL inside the block", table({keyCut})},
      {"a block shorter than its header fields", table({underHeader})},
      {"a value longer than what is left", table({valuePast, after})},
      {"a table key of 6 digits", table({}, "0409B0")},
      {"a table key of 9 digits", table({}, "040904B00")},
      {"a table with a value", Root({Sfi({tableValue})})},
      {"a table reaching past StringFileInfo", Root({Sfi({tablePast})})},
      {"StringFileInfo reaching past the root", Root({sfiPast})},
      {"a root with another key", Block("VS_VERSION_INF0", {})},
      {"a root value of 51 bytes", rootValue},
      {"a wrong signature", Root({}, FixedPart(0x3F, 0, 0xFEEF04BC))},
      {"a root reaching past the buffer", rootPast},
      {"a Translation longer than its block", Root({Vfi({translationPast})})},
  };
  for (const Case& c : cases) ExpectNoVersionInfo(Build(c.root, wide), c.what);

  // Every cut of a good block, and a buffer too short to tell its layout.
  const std::vector<uint8_t> good = Build(ProgramRoot(), wide);
  for (size_t size = 0; size < good.size(); ++size)
    ExpectNoVersionInfo(std::vector<uint8_t>(good.begin(), good.begin() + size), "cut at " + std::to_string(size));
}

// The last entry, its table, StringFileInfo and the root all end `cut` bytes into the entry; the
// rest of the entry still follows in the buffer, where nothing may be read.
TEST_P(VersionBlockLayouts, BlockEndingInsideItsHeader) {
  const bool wide = GetParam();
  for (size_t cut : {size_t{3}, size_t{4}, size_t{5}, size_t{12}}) {
    std::vector<uint8_t> bytes;
    std::vector<size_t> starts;
    Write(Root({Sfi({Block("040904B0", {EmptyEntry("CompanyName")})})}), wide, bytes, &starts);
    ASSERT_EQ(starts.size(), 4u);
    const size_t end = starts[3] + cut;
    for (size_t start : starts) Put16(bytes, start, static_cast<uint16_t>(end - start));
    ExpectNoVersionInfo(bytes, "cut at " + std::to_string(cut));
  }
}

TEST(VersionBlock, EntryTypeOtherThanBinaryOrText) {
  Node entry = Entry("Comments", "x");
  entry.type = 2;
  ExpectNoVersionInfo(Build(Root({Sfi({Block("040904B0", {entry})})}), true), "type 2");
  // The narrow layout has no type: the same tree reads, its value taken as text.
  EXPECT_EQ(Standard(Read(Root({Sfi({Block("040904B0", {entry})})}), false), 1), "x");
}

}  // namespace
