// The About box: its layout and icon, the texts Load puts up, the buttons and keys, the
// registry paths of StartSysInfo with the unavailable message, GetKeyValue's conversions, and
// ShowAbout's create-show-reset cycle through the presenter.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zentrik/about/frmAbout.h"
#include "zentrik/platform/application.h"
#include "zentrik/platform/automation_error.h"
#include "zentrik/platform/message_box.h"
#include "zentrik/platform/process.h"
#include "zentrik/platform/registry.h"

namespace zentrik {
namespace {

constexpr const char* kPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

class AboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_clear();
    presenter_ = std::make_shared<ScriptedPresenter>();
    previous_ = set_presenter(presenter_);
    Application& app = Application::instance();
    title_ = app.Title();
    major_ = app.Major();
    minor_ = app.Minor();
    revision_ = app.Revision();
  }
  void TearDown() override {
    set_presenter(previous_);
    registry_clear();
    Application& app = Application::instance();
    app.SetTitle(title_);
    app.SetVersion(major_, minor_, revision_);
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }

  // A form whose program starts are recorded instead of made.
  std::unique_ptr<frmAbout> recording_form() {
    auto form = std::make_unique<frmAbout>();
    form->set_program_starter([this](const std::string& path, Long style) {
      started_.push_back(path);
      EXPECT_EQ(style, vbNormalFocus);
      return Long{4242};
    });
    return form;
  }

  const std::string& folder() {
    if (folder_.empty()) {
      std::string pattern = (std::filesystem::temp_directory_path() / "zentrik-about-XXXXXX");
      folder_ = ::mkdtemp(pattern.data());
    }
    return folder_;
  }

  int unavailable_boxes() const {
    int count = 0;
    for (const ScriptedPresenter::Box& box : presenter_->boxes()) {
      EXPECT_EQ(box.text, "System Information Is Unavailable At This Time");
      EXPECT_EQ(box.style, vbOKOnly);
      EXPECT_EQ(box.title, "Zentrik");
      ++count;
    }
    return count;
  }

  std::shared_ptr<ScriptedPresenter> presenter_;
  std::shared_ptr<Presenter> previous_;
  std::vector<std::string> started_;
  std::string folder_;
  std::string title_;
  Integer major_ = 0, minor_ = 0, revision_ = 0;
};

struct Placement {
  const char* name;
  const FormControl* control;
  Long left, top, width, height;
};

TEST_F(AboutTest, ChildControlsSitWhereTheDialogPutsThem) {
  frmAbout form;
  const Placement placements[] = {
      {"picIcon", &form.picIcon, 240, 240, 480, 450},
      {"lblTitle", &form.lblTitle, 1050, 240, 3885, 480},
      {"lblVersion", &form.lblVersion, 1050, 780, 3885, 225},
      {"lblDescription", &form.lblDescription, 1050, 1125, 4005, 1170},
      {"lblDisclaimer(0)", &form.lblDisclaimer[0], 255, 2625, 3870, 225},
      {"lblDisclaimer(1)", &form.lblDisclaimer[1], 240, 2880, 3870, 225},
      {"lblDisclaimer(2)", &form.lblDisclaimer[2], 240, 3120, 3870, 225},
      {"cmdOK", &form.cmdOK, 4245, 2625, 1260, 345},
      {"cmdSysInfo", &form.cmdSysInfo, 4260, 3075, 1245, 345},
  };
  for (const Placement& p : placements) {
    EXPECT_EQ(p.control->Left(), p.left) << p.name;
    EXPECT_EQ(p.control->Top(), p.top) << p.name;
    EXPECT_EQ(p.control->Width(), p.width) << p.name;
    EXPECT_EQ(p.control->Height(), p.height) << p.name;
  }
  EXPECT_EQ(frmAbout::kClientWidth, 5730);
  EXPECT_EQ(frmAbout::kClientHeight, 3555);
  EXPECT_EQ(form.Line1[0].X1, 90);
  EXPECT_EQ(form.Line1[0].Y1, 2445);
  EXPECT_EQ(form.Line1[0].X2, 5654);
  EXPECT_EQ(form.Line1[0].Y2, 2445);
  EXPECT_EQ(form.Line1[1].X1, 105);
  EXPECT_EQ(form.Line1[1].Y2, 2460);
  EXPECT_EQ(form.Line1[0].BorderColor, RGB(128, 128, 128));
  EXPECT_EQ(form.Line1[1].BorderColor, RGB(255, 255, 255));
}

TEST_F(AboutTest, TheIconIsA32By30PictureOfACamera) {
  frmAbout form;
  ASSERT_EQ(form.picIcon.Picture()->Width(), 32);
  ASSERT_EQ(form.picIcon.Picture()->Height(), 30);
  const HDC dc = form.picIcon.hDC();
  EXPECT_EQ(GetPixel(dc, 25, 12), RGB(255, 0, 0));    // recording light
  EXPECT_EQ(GetPixel(dc, 15, 17), RGB(0, 0, 128));    // lens
  EXPECT_EQ(GetPixel(dc, 5, 22), RGB(64, 64, 64));    // body
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));  // around it
  EXPECT_EQ(GetPixel(dc, 31, 29), RGB(255, 255, 255));
}

TEST_F(AboutTest, FixedTextsAndButtonCaptions) {
  frmAbout form;
  EXPECT_NE(form.lblDescription.Caption().find("camera watcher"), std::string::npos);
  EXPECT_NE(form.lblDescription.Caption().find("beta tester"), std::string::npos);
  EXPECT_NE(form.lblDisclaimer[0].Caption().find("2026 Zentrik developers"), std::string::npos);
  EXPECT_NE(form.lblDisclaimer[1].Caption().find("zentrik@example.org"), std::string::npos);
  EXPECT_NE(form.lblDisclaimer[2].Caption().find("https://zentrik.example.org"), std::string::npos);
  EXPECT_EQ(form.cmdOK.Caption(), "OK");
  EXPECT_EQ(form.cmdSysInfo.Caption(), "&System Info...");
  EXPECT_TRUE(form.cmdOK.Default());
  EXPECT_TRUE(form.cmdOK.Cancel());
  EXPECT_FALSE(form.cmdSysInfo.Default() || form.cmdSysInfo.Cancel());
}

TEST_F(AboutTest, LoadPutsUpTheApplicationTitleAndVersion) {
  struct Case {
    std::string title;
    Integer major, minor, revision;
    std::string version;
  };
  const Case cases[] = {{"Zentrik", 0, 9, 13, "Version 0.9.13"},
                        {"Camera Watch", 2, 0, 101, "Version 2.0.101"},
                        {"", 10, 11, 0, "Version 10.11.0"}};
  for (const Case& c : cases) {
    Application::instance().SetTitle(c.title);
    Application::instance().SetVersion(c.major, c.minor, c.revision);
    frmAbout form;
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(form.lblVersion.Caption(), "Version");  // not before Load
    form.Load();
    EXPECT_TRUE(form.Loaded());
    EXPECT_EQ(form.Caption(), "About " + c.title);
    EXPECT_EQ(form.lblTitle.Caption(), c.title);
    EXPECT_EQ(form.lblVersion.Caption(), c.version);
  }
}

TEST_F(AboutTest, TheProjectVersionIsWhatTheBoxShows) {
  frmAbout form;
  form.Load();
  EXPECT_EQ(form.lblVersion.Caption(), "Version " + Application::instance().version_text());
  EXPECT_EQ(form.Caption(), "About Zentrik");
}

TEST_F(AboutTest, OkEnterAndEscapeCloseTheBox) {
  const std::vector<std::function<void(frmAbout&)>> closers = {
      [](frmAbout& f) { f.cmdOK.Click(); },
      [](frmAbout& f) { f.cmdOK_Click(); },
      [](frmAbout& f) { f.KeyPress(13); },
      [](frmAbout& f) { f.KeyPress(27); },
  };
  for (const auto& close : closers) {
    frmAbout form;
    form.Load();
    close(form);
    EXPECT_FALSE(form.Loaded());
  }
  frmAbout form;
  form.Load();
  form.KeyPress('a');
  EXPECT_TRUE(form.Loaded());
}

// One registry set-up of StartSysInfo and what it must lead to.
struct SysInfoCase {
  const char* name;
  std::function<void(const std::string& folder)> setup;
  std::function<std::string(const std::string& folder)> started;  // "" when nothing starts
};

TEST_F(AboutTest, StartSysInfoFollowsTheRegistryOrSaysItIsUnavailable) {
  const SysInfoCase cases[] = {
      {"path value is started unchanged",
       [](const std::string&) {
         registry_set_string(HKEY_LOCAL_MACHINE, kPathKey, "PATH", "C:\\Tools\\msinfo32.exe /x");
         registry_set_string(HKEY_LOCAL_MACHINE, kLocationKey, "MSINFO", "C:\\Elsewhere");
       },
       [](const std::string&) { return "C:\\Tools\\msinfo32.exe /x"; }},
      {"path value without a test of the file",
       [](const std::string&) {
         registry_set_string(HKEY_LOCAL_MACHINE, kPathKey, "Path", "/no/such/file");
       },
       [](const std::string&) { return "/no/such/file"; }},
      {"location key with the program in it",
       [](const std::string& folder) {
         registry_set_string(HKEY_LOCAL_MACHINE, kLocationKey, "MSINFO", folder + "/tools");
         std::ofstream(folder + "/tools\\MSINFO32.EXE") << "#!/bin/sh\n";
       },
       [](const std::string& folder) { return folder + "/tools\\MSINFO32.EXE"; }},
      {"location key with the program missing",
       [](const std::string& folder) {
         registry_set_string(HKEY_LOCAL_MACHINE, kLocationKey, "MSINFO", folder + "/tools");
       },
       [](const std::string&) { return ""; }},
      {"key of the path without its value falls back to the location",
       [](const std::string& folder) {
         registry_set_string(HKEY_LOCAL_MACHINE, kPathKey, "Other", "x");
         registry_set_string(HKEY_LOCAL_MACHINE, kLocationKey, "MSINFO", folder);
         std::ofstream(folder + "\\MSINFO32.EXE") << "#!/bin/sh\n";
       },
       [](const std::string& folder) { return folder + "\\MSINFO32.EXE"; }},
      {"keys that refuse full access count as missing",
       [](const std::string& folder) {
         registry_set_string(HKEY_LOCAL_MACHINE, kPathKey, "PATH", "/usr/bin/true");
         registry_set_rights(HKEY_LOCAL_MACHINE, kPathKey, KEY_READ);
         registry_set_string(HKEY_LOCAL_MACHINE, kLocationKey, "MSINFO", folder);
         std::ofstream(folder + "\\MSINFO32.EXE") << "#!/bin/sh\n";
         registry_set_rights(HKEY_LOCAL_MACHINE, kLocationKey, KEY_READ);
       },
       [](const std::string&) { return ""; }},
      {"no keys at all", [](const std::string&) {}, [](const std::string&) { return ""; }},
      {"a number as the path is started as its text",
       [](const std::string&) { registry_set_dword(HKEY_LOCAL_MACHINE, kPathKey, "PATH", 2561); },
       [](const std::string&) { return "2561"; }},
      {"a location under the wrong root",
       [](const std::string& folder) {
         registry_set_string(HKEY_CURRENT_USER, kLocationKey, "MSINFO", folder);
         std::ofstream(folder + "\\MSINFO32.EXE") << "#!/bin/sh\n";
       },
       [](const std::string&) { return ""; }},
  };
  for (const SysInfoCase& c : cases) {
    SCOPED_TRACE(c.name);
    registry_clear();
    presenter_->clear();
    started_.clear();
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
    folder_.clear();
    const std::string& dir = folder();
    c.setup(dir);
    auto form = recording_form();
    form->Load();
    form->cmdSysInfo.Click();
    const std::string expected = c.started(dir);
    if (expected.empty()) {
      EXPECT_TRUE(started_.empty());
      EXPECT_EQ(unavailable_boxes(), 1);
    } else {
      EXPECT_EQ(started_, std::vector<std::string>{expected});
      EXPECT_EQ(unavailable_boxes(), 0);
    }
    EXPECT_TRUE(form->Loaded());  // the box stays open either way
  }
}

TEST_F(AboutTest, AProgramThatCannotStartEndsInTheMessage) {
  registry_set_string(HKEY_LOCAL_MACHINE, kPathKey, "PATH", "/no/such/dir/MSINFO32.EXE");
  frmAbout real;  // starts programs with Shell
  real.StartSysInfo();
  EXPECT_EQ(unavailable_boxes(), 1);

  presenter_->clear();
  auto failing = recording_form();
  failing->set_program_starter(
      [](const std::string&, Long) -> Long { raise_error(errors::kFileNotFound, "Shell"); });
  failing->StartSysInfo();
  EXPECT_EQ(unavailable_boxes(), 1);
}

TEST_F(AboutTest, AnExistingProgramIsReallyStarted) {
  const char* program = ::access("/usr/bin/true", X_OK) == 0 ? "/usr/bin/true" : "/bin/true";
  registry_set_string(HKEY_LOCAL_MACHINE, kPathKey, "PATH", program);
  frmAbout form;
  form.StartSysInfo();
  EXPECT_EQ(unavailable_boxes(), 0);
}

struct KeyValueCase {
  const char* name;
  std::function<void()> setup;
  Boolean result;
  std::string value;  // KeyVal afterwards; it holds "before" on entry
};

TEST_F(AboutTest, GetKeyValueReadsStringsAndNumbersAsText) {
  const std::string key = "SOFTWARE\\Zentrik\\Test";
  const KeyValueCase cases[] = {
      {"string", [&] { registry_set_string(HKEY_LOCAL_MACHINE, key, "v", "hello"); }, vbTrue,
       "hello"},
      {"empty string", [&] { registry_set_string(HKEY_LOCAL_MACHINE, key, "v", ""); }, vbTrue, ""},
      {"dword 2561", [&] { registry_set_dword(HKEY_LOCAL_MACHINE, key, "v", 2561); }, vbTrue,
       "2561"},
      {"dword 0", [&] { registry_set_dword(HKEY_LOCAL_MACHINE, key, "v", 0); }, vbTrue, "0"},
      {"dword 16", [&] { registry_set_dword(HKEY_LOCAL_MACHINE, key, "v", 16); }, vbTrue, "16"},
      {"dword 65536", [&] { registry_set_dword(HKEY_LOCAL_MACHINE, key, "v", 65536); }, vbTrue,
       "65536"},
      {"dword all bits", [&] { registry_set_dword(HKEY_LOCAL_MACHINE, key, "v", -1); }, vbTrue,
       "4294967295"},
      {"binary leaves the text alone",
       [&] { registry_set_binary(HKEY_LOCAL_MACHINE, key, "v", std::string("ab\0", 3)); }, vbTrue,
       "before"},
      {"longest string that fits",
       [&] { registry_set_string(HKEY_LOCAL_MACHINE, key, "v", std::string(1023, 'q')); }, vbTrue,
       std::string(1023, 'q')},
      {"string too long for the buffer",
       [&] { registry_set_string(HKEY_LOCAL_MACHINE, key, "v", std::string(1024, 'q')); }, vbFalse,
       ""},
      {"missing value", [&] { registry_set_string(HKEY_LOCAL_MACHINE, key, "w", "x"); }, vbFalse,
       ""},
      {"missing key", [] {}, vbFalse, ""},
      {"key without full access",
       [&] {
         registry_set_string(HKEY_LOCAL_MACHINE, key, "v", "hidden");
         registry_set_rights(HKEY_LOCAL_MACHINE, key, KEY_READ);
       },
       vbFalse, ""},
  };
  frmAbout form;
  for (const KeyValueCase& c : cases) {
    registry_clear();
    c.setup();
    std::string value = "before";
    EXPECT_EQ(form.GetKeyValue(HKEY_LOCAL_MACHINE, key, "v", value), c.result) << c.name;
    EXPECT_EQ(value, c.value) << c.name;
  }
}

TEST_F(AboutTest, GetKeyValueClosesEveryKeyItOpens) {
  // Handles are numbered on from the last; a key left open would keep its handle valid.
  registry_set_string(HKEY_LOCAL_MACHINE, "SOFTWARE\\A", "v", "x");
  frmAbout form;
  std::string value;
  Long probe = 0;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\A", 0, KEY_READ, &probe), ERROR_SUCCESS);
  RegCloseKey(probe);
  form.GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\A", "v", value);
  form.GetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\A", "missing", value);
  for (Long handle = probe + 1; handle < probe + 4; ++handle) {
    Long type = 0;
    Byte data[8];
    Long size = sizeof data;
    EXPECT_NE(RegQueryValueExA(handle, "v", nullptr, &type, data, &size), ERROR_SUCCESS)
        << "handle " << handle << " is still open";
  }
}

TEST_F(AboutTest, ShowAboutTwiceShowsTwoFreshBoxes) {
  // What the control's ShowAbout does with its program-wide reference to the box.
  std::unique_ptr<frmAbout> about;
  std::vector<const frmAbout*> shown;
  for (int call = 0; call < 2; ++call) {
    if (!about) about = std::make_unique<frmAbout>();
    about->set_interaction([&](frmAbout& form) {
      EXPECT_TRUE(form.Loaded());
      EXPECT_EQ(form.lblVersion.Caption(), "Version " + Application::instance().version_text());
      shown.push_back(&form);
    });
    presenter().show_modal(*about);
    EXPECT_FALSE(about->Loaded());
    about.reset();
  }
  EXPECT_EQ(presenter_->forms(), (std::vector<std::string>{"About Zentrik", "About Zentrik"}));
  EXPECT_EQ(shown.size(), 2u);
}

TEST_F(AboutTest, APersonMayAskForSystemInformationAndThenCloseTheBox) {
  auto form = recording_form();
  int stillOpenAfterOk = -1;
  form->set_interaction([&](frmAbout& f) {
    f.cmdSysInfo.Click();
    EXPECT_TRUE(f.Loaded());
    f.cmdOK.Click();
    stillOpenAfterOk = f.Loaded();
  });
  presenter().show_modal(*form);
  EXPECT_EQ(stillOpenAfterOk, 0);
  EXPECT_EQ(unavailable_boxes(), 1);
  EXPECT_FALSE(form->Loaded());
}

TEST_F(AboutTest, AnInteractionThatFailsStillClosesTheBox) {
  frmAbout form;
  form.set_interaction([](frmAbout&) { raise_error(errors::kInvalidProcedureCall); });
  EXPECT_THROW(presenter().show_modal(form), AutomationError);
  EXPECT_FALSE(form.Loaded());
}

}  // namespace
}  // namespace zentrik
