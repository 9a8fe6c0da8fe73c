#include "platform/dialogs.h"

#include <gtest/gtest.h>

#include "platform/scripted_dialogs.h"

namespace kelvatrix {
namespace {

TEST(StandardErrorText, AppendsAFullStopOnlyAfterCharactersThatSortAfterIt) {
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
      {"database is locked", "database is locked."},
      {"Field 'x' not found", "Field 'x' not found."},
      {"Failed to set data for 'DBQ'", "Failed to set data for 'DBQ'"},  // ' sorts before .
      {"already ends.", "already ends."},
      {"really!", "really!"},
      {"(code 5)", "(code 5)"},
      {"version 2", "version 2."},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(StandardErrorText(c.message), c.shown) << c.message;
}

TEST(ScriptedDialogs, RecordsEveryBoxAndAnswersFromTheQueueThenByDefault) {
  std::vector<std::string> lines;
  ScriptedDialogs dialogs([&](const std::string& line) { lines.push_back(line); });
  dialogs.QueueAnswer(box::kResultNo);

  EXPECT_EQ(dialogs.MessageBox("Replace?", "Confirm", box::kQuestionDefaultNo), box::kResultNo);
  EXPECT_EQ(dialogs.MessageBox("Replace?", "Confirm", box::kQuestion), box::kResultYes);
  ShowStandardError(dialogs, "Kelvatrix", "two\rlines");

  ASSERT_EQ(dialogs.Shown().size(), 3u);
  EXPECT_EQ(dialogs.Shown()[2].text, "two\rlines.");
  EXPECT_EQ(dialogs.Shown()[2].caption, "Kelvatrix");
  EXPECT_EQ(dialogs.Shown()[2].flags, 16);
  EXPECT_EQ(lines.back(), "Kelvatrix: two lines.");
}

}  // namespace
}  // namespace kelvatrix
