#include "platform/ini_text.h"

#include <gtest/gtest.h>

namespace kelvatrix {
namespace {

const IniEntries kEntries = {{"Driver", "/lib/d.so"}, {"Database", "/data/kelvatrix.db"}};

TEST(SetIniSection, KeepsEveryOtherLineByteForByte) {
  const struct {
    const char* name;
    const char* before;
    const char* after;
  } cases[] = {
      {"empty file", "", "[kelvatrix]\nDriver=/lib/d.so\nDatabase=/data/kelvatrix.db\n"},
      {"other sources and comments",
       "; my sources\n[other]\nDriver = SQLite3   \n# keep me\nDatabase = /x.db\n",
       "; my sources\n[other]\nDriver = SQLite3   \n# keep me\nDatabase = /x.db\n\n"
       "[kelvatrix]\nDriver=/lib/d.so\nDatabase=/data/kelvatrix.db\n"},
      {"no final line break", "[other]\nA=1",
       "[other]\nA=1\n\n[kelvatrix]\nDriver=/lib/d.so\nDatabase=/data/kelvatrix.db\n"},
      {"existing section updated in place, other keys and comments kept",
       "[a]\nX=1\n\n[KELVATRIX]\n; ours\ndatabase = /old.db\nTrace=Yes\n\n[b]\nY=2\n",
       "[a]\nX=1\n\n[KELVATRIX]\n; ours\nDatabase=/data/kelvatrix.db\nTrace=Yes\n"
       "Driver=/lib/d.so\n\n[b]\nY=2\n"},
      {"repeated key keeps its first place only",
       "[kelvatrix]\nDriver=a\nDriver=b\nDatabase=c\n",
       "[kelvatrix]\nDriver=/lib/d.so\nDatabase=/data/kelvatrix.db\n"},
      {"same name in another section untouched",
       "[other]\nDriver=keep\n[kelvatrix]\n",
       "[other]\nDriver=keep\n[kelvatrix]\nDriver=/lib/d.so\nDatabase=/data/kelvatrix.db\n"},
      {"section last, without final line break", "[kelvatrix]\nDriver=old",
       "[kelvatrix]\nDriver=/lib/d.so\nDatabase=/data/kelvatrix.db\n"},
      {"CRLF file stays CRLF", "[a]\r\nX=1\r\n",
       "[a]\r\nX=1\r\n\r\n[kelvatrix]\r\nDriver=/lib/d.so\r\nDatabase=/data/kelvatrix.db\r\n"},
      {"already current: unchanged",
       "[kelvatrix]\nDriver=/lib/d.so\nDatabase=/data/kelvatrix.db\n",
       "[kelvatrix]\nDriver=/lib/d.so\nDatabase=/data/kelvatrix.db\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SetIniSection(c.before, "kelvatrix", kEntries), c.after) << c.name;
  }
}

// Found by fuzzing: a file whose last line ends in a lone CR. Ending that line made a CR LF
// the first edit did not count, and the next start wrote the section's lines again with
// other line endings. An edit of an edited file changes nothing.
TEST(IniText, AnEditedFileIsWrittenTheSameAtTheNextStart) {
  for (const std::string before : {"[other]\nA=1\r", "\r", "[kelvatrix]\nDriver=x\r", "a\r\nb\n"}) {
    const std::string once = SetIniSection(before, "kelvatrix", kEntries);
    EXPECT_EQ(SetIniSection(once, "kelvatrix", kEntries), once) << before;
    EXPECT_EQ(once.find("\r\r"), std::string::npos) << before;
  }
}

TEST(IniCanHold, RefusesWhatAReaderCouldNotGiveBack) {
  EXPECT_TRUE(IniCanHold("/home/ann/runs/kelvatrix.db"));
  EXPECT_TRUE(IniCanHold("/tmp/a=b;c#d [x]/kelvatrix.db"));
  EXPECT_TRUE(IniCanHold("/tmp/ends with space /kelvatrix.db"));
  EXPECT_FALSE(IniCanHold("/tmp/line\nbreak/kelvatrix.db"));
  EXPECT_FALSE(IniCanHold("/tmp/carriage\rreturn/kelvatrix.db"));
  EXPECT_FALSE(IniCanHold(std::string_view("/tmp/nul\0/kelvatrix.db", 22)));
  EXPECT_FALSE(IniCanHold(" leading"));
  EXPECT_FALSE(IniCanHold("trailing "));
}

}  // namespace
}  // namespace kelvatrix
