#include "filelist/display_form.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayForm, FullPathShowsThePathElseItsFileName) {
  const struct {
    const char* path;
    int full_path;
    char separator;
    const char* shown;
  } cases[] = {
      {"C:\\spool\\job1.prn", 1, '\\', "C:\\spool\\job1.prn"},
      {"C:\\spool\\job1.prn", 0, '\\', "job1.prn"},
      {"C:\\spool\\job1.prn", 2, '\\', "C:\\spool\\job1.prn"},  // any value but 0 is full
      {"C:\\spool\\", 0, '\\', ""},
      {"/home/u/a.prn", 0, '/', "a.prn"},
      {"/home/u/a.prn", 1, '/', "/home/u/a.prn"},
      {"/home/u/", 0, '/', ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(filelist::DisplayForm(c.path, c.full_path, c.separator), c.shown)
        << c.path << " full=" << c.full_path;
  }
}

}  // namespace
