#include "platform/ui/ui.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "files/tempdir.h"
#include "platform/automation/context.h"
#include "platform/automation/error.h"

namespace quillet::platform::ui {
namespace {

using automation::Error;

TEST(Ui, SafeAnswerOfEachStyle) {
  EXPECT_EQ(safeAnswer(kOkOnly), kOk);
  EXPECT_EQ(safeAnswer(kOkCancel), kCancel);
  EXPECT_EQ(safeAnswer(kAbortRetryIgnore), kAbort);
  EXPECT_EQ(safeAnswer(kYesNoCancel | kQuestion), kCancel);
  EXPECT_EQ(safeAnswer(kYesNo | kExclamation | kDefaultButton2), kNo);
  EXPECT_EQ(safeAnswer(kRetryCancel), kCancel);
}

NameMapping mappingQuestion() {
  NameMapping q;
  q.title = "Brindlewood";
  q.prompt = "Map renamed tables";
  q.newHeading = "New";
  q.oldHeading = "Old";
  q.newNames = {"Clients", "Items"};
  q.oldNames = {"Customers", "Products"};
  return q;
}

TEST(ScriptedUi, AnswersFromPresetsInOrderAndRecords) {
  ScriptedUi ui;
  ui.answer("yes");
  ui.answer("Update");
  ui.answer("typed text");
  ui.answer("Items=Products");
  ui.answer("2"); // a button by its number: Cancel
  EXPECT_EQ(ui.messageBox("Save?", kYesNoCancel, "Brindlewood"), kYes);
  EXPECT_EQ(ui.choose("Database changed", {"Keep", "Update"}, 0, "Brindlewood"), 1u);
  EXPECT_EQ(ui.inputBox("Name?", "t", "x"), "typed text");
  EXPECT_EQ(ui.mapNames(mappingQuestion()), (std::vector<std::string>{"", "Products"}));
  EXPECT_EQ(ui.messageBox("Go on?", kOkCancel, "t"), kCancel);
  ASSERT_EQ(ui.asked().size(), 5u);
  EXPECT_EQ(ui.asked()[0].kind, ScriptedUi::Kind::MessageBox);
  EXPECT_EQ(ui.asked()[0].prompt, "Save?");
  EXPECT_EQ(ui.asked()[0].options, (std::vector<std::string>{"Yes", "No", "Cancel"}));
  EXPECT_EQ(ui.asked()[1].answer, "Update");
  EXPECT_EQ(ui.asked()[3].answer, "Items=Products");
  EXPECT_EQ(ui.pendingAnswers(), 0u);
}

TEST(ScriptedUi, UnansweredQuestionsTakeTheSafeChoice) {
  ScriptedUi ui;
  EXPECT_EQ(ui.messageBox("Overwrite?", kYesNo, "t"), kNo);
  EXPECT_EQ(ui.messageBox("Done", kOkOnly | kInformation, "t"), kOk);
  EXPECT_EQ(ui.choose("Keep or overwrite?", {"Keep", "Overwrite"}, 0, "t"), 0u);
  EXPECT_EQ(ui.inputBox("Name?", "t", "x"), std::nullopt);
  EXPECT_EQ(ui.mapNames(mappingQuestion()), std::nullopt);
  for (const auto& q : ui.asked())
    EXPECT_FALSE(q.answeredByPreset);
}

TEST(ScriptedUi, MappingPresetsAndCancels) {
  ScriptedUi ui;
  ui.answer("");                                  // confirms, maps nothing
  ui.answer("<cancel>");                          // does not confirm
  ui.answer("Clients=Customers; Items=Products"); // both
  EXPECT_EQ(ui.mapNames(mappingQuestion()), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(ui.mapNames(mappingQuestion()), std::nullopt);
  EXPECT_EQ(ui.mapNames(mappingQuestion()), (std::vector<std::string>{"Customers", "Products"}));
}

TEST(ScriptedUi, PresetsThatDoNotFitRaise) {
  struct Case {
    const char* preset;
    int which; // 0 message box, 1 choice, 2 mapping
  };
  for (Case c : {Case{"Retry", 0}, Case{"4", 0}, Case{"Maybe", 1}, Case{"5", 1},
                 Case{"Nobody=Customers", 2}, Case{"Items=Ghost", 2}, Case{"Items", 2}}) {
    SCOPED_TRACE(c.preset);
    ScriptedUi ui;
    ui.answer(c.preset);
    try {
      if (c.which == 0) ui.messageBox("Save?", kYesNoCancel, "t");
      if (c.which == 1) ui.choose("Pick", {"Keep", "Update"}, 0, "t");
      if (c.which == 2) ui.mapNames(mappingQuestion());
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), 5);
      EXPECT_NE(e.description().find(c.preset), std::string::npos);
    }
  }
}

TEST(ScriptedUi, ReadsAPresetList) {
  quillet::testing::TempDir dir;
  const std::string path =
      dir.write("answers.txt", "# answers for a run\r\nNo\r\n\r\n  Keep  \r\n");
  ScriptedUi ui;
  ui.loadPresets(path);
  EXPECT_EQ(ui.pendingAnswers(), 2u);
  EXPECT_EQ(ui.messageBox("Save?", kYesNo, "t"), kNo);
  EXPECT_EQ(ui.choose("Pick", {"Update", "Keep"}, 0, "t"), 1u);
}

TEST(ConsoleUi, WithoutATerminalTakesTheSafeChoice) {
  FILE* in = std::freopen("/dev/null", "r", stdin);
  ASSERT_NE(in, nullptr);
  ConsoleUi ui;
  EXPECT_EQ(ui.messageBox("Overwrite?", kYesNoCancel, "t"), kCancel);
  EXPECT_EQ(ui.choose("Keep?", {"Keep", "Update"}, 0, "t"), 0u);
  EXPECT_EQ(ui.inputBox("Name?", "t", "x"), std::nullopt);
  EXPECT_EQ(ui.mapNames(mappingQuestion()), std::nullopt);
}

TEST(Progress, CurrentServicesLiveInTheContext) {
  automation::Context::Scope scope;
  // By default nothing blocks: a scripted UI without presets and a silent progress.
  EXPECT_EQ(current().messageBox("Overwrite?", kYesNo, "t"), kNo);
  auto* silent = dynamic_cast<SilentProgress*>(&currentProgress());
  ASSERT_NE(silent, nullptr);
  auto mine = std::make_shared<ScriptedUi>();
  mine->answer("Yes");
  install(mine);
  EXPECT_EQ(current().messageBox("Overwrite?", kYesNo, "t"), kYes);
  auto progress = std::make_shared<SilentProgress>();
  installProgress(progress);
  currentProgress().show("Brindlewood - Loading", "Please wait...");
  currentProgress().setPercent(40);
  EXPECT_EQ(progress->caption(), "Brindlewood - Loading");
  EXPECT_EQ(progress->percent(), 40);
  EXPECT_FALSE(currentProgress().cancelled());
  progress->requestCancel();
  EXPECT_TRUE(currentProgress().cancelled());
  {
    automation::Context::Scope inner; // another context has its own services
    EXPECT_FALSE(currentProgress().cancelled());
  }
}

TEST(Progress, InterruptCancelsOnlyWhileShown) {
  struct sigaction before {};
  ::sigaction(SIGINT, nullptr, &before);
  ConsoleProgress p;
  p.show("Brindlewood - Generating", "Please wait...");
  EXPECT_FALSE(p.cancelled());
  std::raise(SIGINT);
  EXPECT_TRUE(p.cancelled());
  p.close();
  EXPECT_FALSE(p.cancelled());
  struct sigaction after {};
  ::sigaction(SIGINT, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler); // the previous handler is back
  p.show("again", "");
  EXPECT_FALSE(p.cancelled()); // a new display starts uncancelled
  p.close();
}

} // namespace
} // namespace quillet::platform::ui
