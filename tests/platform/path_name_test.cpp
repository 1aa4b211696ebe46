#include "platform/path_name.h"

#include <gtest/gtest.h>

namespace {

struct Case {
  const char* path;
  char separator;
  const char* expected;
};

TEST(FileNamePart, TakesWhatFollowsTheLastSeparator) {
  const Case cases[] = {
      // The Windows rule: only the backslash separates.
      {"C:\\spool\\job1.prn", '\\', "job1.prn"},
      {"job1.prn", '\\', "job1.prn"},
      {"C:\\spool\\", '\\', ""},
      {"\\\\host\\share\\dir\\f.prn", '\\', "f.prn"},
      {"C:job1.prn", '\\', "C:job1.prn"},
      {"C:/spool/job1.prn", '\\', "C:/spool/job1.prn"},
      // Elsewhere only the slash, and a backslash is part of the name.
      {"/home/u/jobs/a.prn", '/', "a.prn"},
      {"a.prn", '/', "a.prn"},
      {"/home/u/jobs/", '/', ""},
      {"/home/u/back\\slash.prn", '/', "back\\slash.prn"},
      {"/tmp/\xe8\xab\x8b\xe6\xb1\x82\xe6\x9b\xb8.prn", '/', "\xe8\xab\x8b\xe6\xb1\x82\xe6\x9b\xb8.prn"},
      {"", '/', ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::FileNamePart(c.path, c.separator), c.expected) << c.path;
  }
}

}  // namespace
