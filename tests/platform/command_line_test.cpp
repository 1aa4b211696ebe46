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

}  // namespace
