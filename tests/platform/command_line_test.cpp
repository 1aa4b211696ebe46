#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(WithoutProgramPath, DropsThePathAndTheBlanksAfterIt) {
  struct Case {
    const char* line;
    const char* text;
  } cases[] = {
      {"torvane.exe", ""},
      {"torvane.exe a.prn", "a.prn"},
      {"torvane.exe    a.prn  b.prn ", "a.prn  b.prn "},
      {"\"C:\\Program Files\\Torvane\\torvane.exe\" \"my file.prn\" b.prn", "\"my file.prn\" b.prn"},
      {"\"C:\\odd path\\t.exe\"x.prn", "x.prn"},
      {"\"unclosed path", ""},
      {"C:\\t.exe\t\ta.prn", "a.prn"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::WithoutProgramPath(c.line), c.text) << c.line;
}

// Unquoted, the program's path may hold blanks: the shortest leading run
// that names the program is cut, else the first word.
TEST(WithoutProgramPath, CutsAnUnquotedPathWithBlanksWhereItNamesTheProgram) {
  const platform::NamesProgram names = [](std::string_view candidate) {
    return candidate == "C:\\Program Files\\Torvane\\torvane.exe" || candidate == "C:\\Program Files\\Torvane\\torvane";
  };
  EXPECT_EQ(platform::WithoutProgramPath("C:\\Program Files\\Torvane\\torvane.exe a.prn  b c", names), "a.prn  b c");
  EXPECT_EQ(platform::WithoutProgramPath("C:\\Program Files\\Torvane\\torvane a.prn", names), "a.prn");
  EXPECT_EQ(platform::WithoutProgramPath("C:\\Program Files\\Torvane\\torvane.exe", names), "");
  EXPECT_EQ(platform::WithoutProgramPath("other.exe C:\\Program Files\\x.prn", names), "C:\\Program Files\\x.prn");
}

}  // namespace
