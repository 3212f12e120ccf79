// Form translation against catalogues read from a language folder, with the user's locale
// comparison; and the program reading the folder beside its own file (a copy of this test
// program, run as a child, reports what it loaded).

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "desktop/rx_label.h"
#include "toolkit/std_controls.h"
#include "toolkit_test_support.h"
#include "translate/catalogue_win32.h"
#include "translate/translate_form.h"
#include "shared/start_process.h"

namespace {

const ::testing::Environment* const kAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new tktest::ApplicationEnvironment);

constexpr char kReportVariable[] = "LUMEVIEW_TRANSLATE_REPORT";

// A folder of its own under the temporary folder; what the test puts there goes with it.
class TempFolder {
 public:
  TempFolder() {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "lumeview-translate-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount64()) + "\\";
    EXPECT_TRUE(CreateDirectoryA(path_.c_str(), nullptr)) << path_;
  }
  ~TempFolder() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it)
      if (!DeleteFileA(it->c_str())) RemoveDirectoryA(it->c_str());
    RemoveDirectoryA(path_.c_str());
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }

  // A folder inside, for example "Protected\".
  std::string Folder(const std::string& name) {
    const std::string path = path_ + name;
    EXPECT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
    made_.push_back(path);
    return path;
  }
  std::string File(const std::string& name, const std::string& bytes) {
    const std::string path = path_ + name;
    std::ofstream(path, std::ios::binary) << bytes;
    made_.push_back(path);
    return path;
  }
  std::string Copy(const std::string& from, const std::string& name) {
    const std::string path = path_ + name;
    EXPECT_TRUE(CopyFileA(from.c_str(), path.c_str(), TRUE)) << path;
    made_.push_back(path);
    return path;
  }
  void Forget(const std::string& path) { made_.push_back(path); }

 private:
  std::string path_;
  std::vector<std::string> made_;
};

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> SplitLines(const std::string& text) {
  TCatalogue c;
  c.LoadFromText(text);
  return c.Lines();
}

std::string WindowText(HWND wnd) {
  char text[256] = {};
  GetWindowTextA(wnd, text, sizeof text);
  return text;
}

// A label of a kind derived from the plain label.
class TCaptionLabel : public TLabel {
 public:
  using TLabel::TLabel;
};

const char kForms[] =
    "Options=Einstellungen\r\n"
    "Name=Name:\r\n"
    "ok=Okay\r\n"          // keys match without regard to case
    "OK=Second\r\n"        // the first line wins
    "Show cross=Kreuz\r\n"
    "Size=Gr\xF6\xDF" "e\r\n"
    "Panel=Tafel\r\n"
    "Shadow=Schatten\r\n"
    "Derived=Abgeleitet";  // no line end at the last line
const char kHints[] = "Your name\rYour name=Ihr Name\rCloses=Schlie\xDF" "t\r";

TEST(TranslateForm, TranslatesTitleLabelsButtonsAndCheckBoxesOnly) {
  TempFolder temp;
  const std::string folder = temp.Folder("Protected\\");
  temp.File("Protected\\forms.txt_e", kForms);
  temp.File("Protected\\hints.txt_e", kHints);
  TCatalogues catalogues;
  OpenCatalogues(catalogues, folder);
  ASSERT_EQ(catalogues.Forms.Lines(), SplitLines(kForms));
  ASSERT_EQ(catalogues.Hints.Lines(), SplitLines(kHints));

  auto form = tktest::NewForm();
  form->SetCaption("Options");
  form->SetHint("Your name");
  auto make = [&](TControl* c, const char* caption, const char* hint, intptr_t tag, TWinControl* parent) {
    c->SetCaption(caption);
    c->SetHint(hint);
    c->Tag = tag;
    c->SetParent(parent);
    return c;
  };
  TPanel* panel = static_cast<TPanel*>(make(new TPanel(form.get()), "Panel", "Your name", 0, form.get()));
  struct Expected {
    TControl* control;
    const char* caption;
    const char* hint;
  };
  const Expected expected[] = {
      {make(new TLabel(form.get()), "Name", "Your name", 0, form.get()), "Name:", "Ihr Name"},
      {make(new TLabel(form.get()), "Name", "Your name", 1, form.get()), "Name", "Your name"},
      {make(new TLabel(form.get()), "Size", "", 2, form.get()), "Gr\xF6\xDF" "e", ""},
      {make(new TLabel(form.get()), "1.5", "", 0, form.get()), "1.5", ""},
      {make(new TLabel(form.get()), "Unlisted", "Unlisted tip", 0, form.get()), "Unlisted", "Unlisted tip"},
      {make(new TCaptionLabel(form.get()), "Derived", "", 0, form.get()), "Abgeleitet", ""},
      {make(new TButton(form.get()), "OK", "Closes", 0, form.get()), "Okay", "Schlie\xDF" "t"},
      {make(new TCheckBox(form.get()), "Show cross", "", 0, panel), "Kreuz", ""},
      {panel, "Panel", "Your name"},
      {make(new TRxLabel(form.get()), "Shadow", "Your name", 0, form.get()), "Shadow", "Your name"},
  };
  TWinControl* button = static_cast<TWinControl*>(expected[6].control);
  const HWND form_window = form->Handle();
  const HWND button_window = button->Handle();

  Application->SetCatalogues(&catalogues);  // the program-wide route
  TranslateForm(*form);
  Application->SetCatalogues(nullptr);

  EXPECT_EQ(form->Caption(), "Einstellungen");
  EXPECT_EQ(WindowText(form_window), "Einstellungen");
  EXPECT_EQ(form->Hint(), "Your name");
  EXPECT_EQ(WindowText(button_window), "Okay");
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(expected[i].control->Caption(), expected[i].caption) << "component " << i;
    EXPECT_EQ(expected[i].control->Hint(), expected[i].hint) << "component " << i;
  }
  // Misses are added in the order met; numbers, empty hints and untouched kinds add nothing.
  std::vector<std::string> forms = SplitLines(kForms), hints = SplitLines(kHints);
  forms.push_back("Unlisted=Unlisted");
  hints.push_back("Unlisted tip=Unlisted tip");
  EXPECT_EQ(catalogues.Forms.Lines(), forms);
  EXPECT_EQ(catalogues.Hints.Lines(), hints);
}

TEST(TranslateForm, MissingOrUnreadableCataloguesLeaveTextsAsDesigned) {
  TempFolder temp;
  const std::string folder = temp.Folder("Protected\\");
  temp.Folder("Protected\\forms.txt_e");  // a folder where the file belongs
  const std::string locked = temp.File("Protected\\hints.txt_e", "Closes=Schliesst\r\n");
  UniqueFile lock(CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock);

  const std::string folders[] = {folder, temp.Path() + "Missing\\"};
  for (const std::string& f : folders) {
    TCatalogues catalogues;
    catalogues.Forms.Add("Stale=line");
    OpenCatalogues(catalogues, f);
    EXPECT_EQ(catalogues.LanguageFolder, f);
    EXPECT_EQ(catalogues.Forms.Count(), 0u) << f;
    EXPECT_EQ(catalogues.Hints.Count(), 0u) << f;

    auto form = tktest::NewForm();
    form->SetCaption("Options");
    auto* button = new TButton(form.get());
    button->SetCaption("Closes");
    TranslateForm(*form, catalogues);
    EXPECT_EQ(form->Caption(), "Options");
    EXPECT_EQ(button->Caption(), "Closes");
    EXPECT_EQ(catalogues.Forms.Lines(), (std::vector<std::string>{"Options=Options", "Closes=Closes"}));
  }

  // Without the program's catalogues a form keeps its texts and nothing is looked up.
  ASSERT_EQ(Application->Catalogues(), nullptr);
  auto form = tktest::NewForm();
  form->SetCaption("Options");
  TranslateForm(*form);
  EXPECT_EQ(form->Caption(), "Options");
}

TEST(TranslateForm, CloseReleasesBothCatalogues) {
  TempFolder temp;
  const std::string folder = temp.Folder("Protected\\");
  temp.File("Protected\\forms.txt_e", kForms);
  temp.File("Protected\\hints.txt_e", kHints);
  TCatalogues catalogues;
  OpenCatalogues(catalogues, folder);
  ASSERT_GT(catalogues.Forms.Count(), 0u);
  ASSERT_GT(catalogues.Hints.Count(), 0u);
  CloseCatalogues(catalogues);
  EXPECT_EQ(catalogues.Forms.Count(), 0u);
  EXPECT_EQ(catalogues.Hints.Count(), 0u);
  EXPECT_EQ(ReadFileText(folder + "forms.txt_e"), kForms);  // nothing written back
}

// The program's folder: a copy of this program in a folder of its own, with "Protected\" beside
// it, loads from there and reports what it found (TranslateChild below, in the child).
TEST(TranslateProgramFolder, ReadsTheFolderBesideTheProgramFile) {
  TempFolder temp;
  temp.Folder("Protected\\");
  temp.File("Protected\\forms.txt_e", "ok=Okay\r\n");
  temp.File("Protected\\hints.txt_e", "Tip=Hinweis\n");
  char self[MAX_PATH + 1] = {};
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  const std::string copy = temp.Copy(self, "translate_child.exe");
  const std::string report = temp.Path() + "report.txt";
  temp.Forget(report);

  std::string command = "\"" + copy + "\" --gtest_filter=TranslateChild.* --gtest_brief=1";
  SetEnvironmentVariableA(kReportVariable, report.c_str());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started = StartProcess(copy.c_str(), command.data(), FALSE, 0, temp.Path().c_str(),
                                    &startup, &process);
  SetEnvironmentVariableA(kReportVariable, nullptr);
  ASSERT_TRUE(started);
  UniqueFile child(process.hProcess), thread(process.hThread);
  ASSERT_EQ(WaitForSingleObject(child.get(), 60000), WAIT_OBJECT_0);
  DWORD exit_code = 1;
  GetExitCodeProcess(child.get(), &exit_code);
  EXPECT_EQ(exit_code, 0u);
  EXPECT_EQ(ReadFileText(report), temp.Path() + "Protected\\\nOkay\nHinweis\n");
}

// In the child only (the variable names its report): what the program's catalogues hold.
TEST(TranslateChild, ReportsProgramCatalogues) {
  const char* report = std::getenv(kReportVariable);
  if (!report) GTEST_SKIP() << "runs in the child of TranslateProgramFolder";
  TCatalogues catalogues;
  OpenCatalogues(catalogues, ProgramLanguageFolder());
  std::ofstream(report, std::ios::binary) << catalogues.LanguageFolder << "\n"
                                          << TranslateText("OK", catalogues.Forms) << "\n"
                                          << TranslateText("Tip", catalogues.Hints) << "\n";
}

}  // namespace
