// Message boxes and modal forms through the presenters, and the application object.
#include <gtest/gtest.h>

#include "zentrik/platform/application.h"
#include "zentrik/platform/message_box.h"

namespace zentrik {
namespace {

class Form : public ModalForm {
 public:
  std::string Caption() const override { return "About Zentrik"; }
  void RunModal() override { ++runs; }
  int runs = 0;
};

class PresenterTest : public ::testing::Test {
 protected:
  void SetUp() override { previous = set_presenter(scripted); }
  void TearDown() override { set_presenter(previous); }
  std::shared_ptr<ScriptedPresenter> scripted = std::make_shared<ScriptedPresenter>();
  std::shared_ptr<Presenter> previous;
};

TEST_F(PresenterTest, RecordsBoxesAndGivesScriptedAnswersThenDefaults) {
  scripted->script_answer(vbNo);
  EXPECT_EQ(MsgBox("Overwrite?", vbYesNo + vbQuestion, "Zentrik"), vbNo);
  EXPECT_EQ(MsgBox("Overwrite?", vbYesNo + vbQuestion, "Zentrik"), vbYes);
  EXPECT_EQ(MsgBox("System Information Is Unavailable At This Time", vbOKOnly, "Zentrik"), vbOK);
  ASSERT_EQ(scripted->boxes().size(), 3u);
  EXPECT_EQ(scripted->boxes()[0].text, "Overwrite?");
  EXPECT_EQ(scripted->boxes()[0].style, vbYesNo + vbQuestion);
  EXPECT_EQ(scripted->boxes()[2].title, "Zentrik");
  EXPECT_EQ(&presenter(), scripted.get());
}

TEST_F(PresenterTest, DefaultAnswersFollowButtonsAndDefaultButton) {
  const std::pair<Long, Long> cases[] = {
      {vbOKOnly, vbOK},        {vbYesNo, vbYes},
      {vbYesNo + 256, vbNo},   {1, vbOK},
      {1 + 256, 2 /*Cancel*/}, {3 + 512, 2 /*Cancel*/},
      {vbExclamation, vbOK},   {vbYesNo + vbCritical, vbYes},
  };
  for (const auto& [style, answer] : cases)
    EXPECT_EQ(MsgBox("t", style, "Zentrik"), answer) << style;
  StderrPresenter plain;
  testing::internal::CaptureStderr();
  EXPECT_EQ(plain.message_box("Layer 70 is not valid", vbYesNo, "Zentrik"), vbYes);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Zentrik: Layer 70 is not valid\n");
}

TEST_F(PresenterTest, ModalFormsAreRecordedAndRun) {
  Form form;
  presenter().show_modal(form);
  EXPECT_EQ(form.runs, 1);
  EXPECT_EQ(scripted->forms(), std::vector<std::string>{"About Zentrik"});
  scripted->clear();
  EXPECT_TRUE(scripted->forms().empty());

  StderrPresenter plain;
  testing::internal::CaptureStderr();
  plain.show_modal(form);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "About Zentrik\n");
  EXPECT_EQ(form.runs, 2);
}

TEST_F(PresenterTest, SettingNoPresenterRestoresTheStderrOne) {
  set_presenter(nullptr);
  EXPECT_NE(dynamic_cast<StderrPresenter*>(&presenter()), nullptr);
}

struct Ended {};

TEST(Application, TitleVersionAndEnd) {
  Application& app = Application::instance();
  EXPECT_EQ(app.Title(), "Zentrik");
  EXPECT_EQ(app.version_text(), "0.9.13");
  EXPECT_EQ(app.Major(), 0);
  EXPECT_EQ(app.Minor(), 9);
  EXPECT_EQ(app.Revision(), 13);

  int ends = 0;
  auto previous = app.set_end_handler([&] {
    ++ends;
    throw Ended{};
  });
  EXPECT_THROW(app.End(), Ended);
  EXPECT_EQ(ends, 1);
  app.set_end_handler(previous);
}

TEST(ApplicationDeathTest, DefaultEndExitsWithStatusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(Application::instance().End(), ::testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace zentrik
