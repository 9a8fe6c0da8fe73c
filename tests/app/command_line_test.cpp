// The command line and where the window goes on the screen.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window_placement.h"

namespace kelvatrix {
namespace {

TEST(CommandLine, WordsAreReadOrRefusedNamingTheWrongOne) {
  const struct {
    std::vector<std::string> arguments;
    bool valid;
    bool batch;
    bool help;
    std::string saveXls;
  } cases[] = {
      {{}, true, false, false, ""},
      {{"--batch"}, true, true, false, ""},
      {{"--help"}, true, false, true, ""},
      {{"--batch", "--save-xls", "run.xls"}, true, true, false, "run.xls"},  // the file as the next word
      {{"--save-xls=a b.xls", "--batch"}, true, true, false, "a b.xls"},
      {{"--bach"}, false, false, false, ""},
      {{"batch"}, false, false, false, ""},
      {{"--batch", "--save-xls"}, false, false, false, ""},  // no file
      {{"--save-xls", "x.xls"}, false, false, false, ""},    // without --batch
      {{"--print-graph"}, false, false, false, ""},          // without --batch
      {{"--print-to"}, false, false, false, ""},             // no folder
  };
  for (const auto& c : cases) {
    std::string words;
    for (const std::string& word : c.arguments) words += word + " ";
    SCOPED_TRACE(words);
    const CommandLineResult result = ParseCommandLine(c.arguments);
    ASSERT_EQ(result.options.has_value(), c.valid);
    if (!c.valid) {
      EXPECT_TRUE(result.error.find(c.arguments.front()) != std::string::npos ||
                  result.error.find(c.arguments.back()) != std::string::npos)
          << result.error;
      continue;
    }
    EXPECT_EQ(result.options->batch, c.batch);
    EXPECT_EQ(result.options->help, c.help);
    EXPECT_EQ(result.options->saveXls, c.saveXls);
  }
}

TEST(CommandLine, PrintOptions) {
  const CommandLineResult result =
      ParseCommandLine({"--print-to", "/tmp/out", "--batch", "--print-graph", "--print-data", "--simulate"});
  ASSERT_TRUE(result.options.has_value());
  EXPECT_EQ(result.options->printTo, "/tmp/out");
  EXPECT_TRUE(result.options->printData);
  EXPECT_TRUE(result.options->printGraph);
  EXPECT_TRUE(ParseCommandLine({"--print-to=/tmp/out"}).options.has_value()) << "also without --batch";
}

TEST(WindowPlacement, TheWindowIsCentredTruncatingTowardZero) {
  EXPECT_EQ(CentredEdge(1920, 830), 545);
  EXPECT_EQ(CentredEdge(1023, 830), 96);  // an odd difference
  EXPECT_EQ(CentredEdge(815, 830), -7);   // a smaller screen
  EXPECT_EQ(CentredEdge(580, 580), 0);
}

}  // namespace
}  // namespace kelvatrix
