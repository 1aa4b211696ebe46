#include "send/send_options.h"

#include <gtest/gtest.h>

#include "send/console_view.h"

namespace {

using sender::SendAction;
using Args = std::vector<std::string>;

TEST(ParseSendOptions, ReadsEachUsableFormOfTheCommandLine) {
  const struct {
    Args args;
    SendAction action;
    std::string printer;
    Args files;
  } cases[] = {
      {{"--help"}, SendAction::Help, "", {}},
      {{"-h"}, SendAction::Help, "", {}},
      {{"--version"}, SendAction::Version, "", {}},
      {{"--list"}, SendAction::List, "", {}},
      {{"-l"}, SendAction::List, "", {}},
      // --help and --version win over anything, even wrong arguments.
      {{"--printer", "P", "a.prn", "--help"}, SendAction::Help, "", {}},
      {{"--bogus", "--version"}, SendAction::Version, "", {}},
      {{"--printer", "P", "a.prn"}, SendAction::Send, "P", {"a.prn"}},
      {{"-p", "P", "a.prn", "b.prn"}, SendAction::Send, "P", {"a.prn", "b.prn"}},
      {{"--printer=Office Laser", "a.prn"}, SendAction::Send, "Office Laser", {"a.prn"}},
      // Options and files in any order; files keep theirs.
      {{"c.prn", "--printer", "P", "a.prn"}, SendAction::Send, "P", {"c.prn", "a.prn"}},
      {{"-p", "P", "--", "-dash.prn", "--list"}, SendAction::Send, "P", {"-dash.prn", "--list"}},
      // A lone hyphen is a file name like any other.
      {{"-p", "P", "-"}, SendAction::Send, "P", {"-"}},
      {{"-p", "Dru\xcc\x88" "cker", "Rechnung M\xc3\xbcller.prn"}, SendAction::Send, "Dru\xcc\x88" "cker",
       {"Rechnung M\xc3\xbcller.prn"}},
  };
  for (const auto& c : cases) {
    const auto parsed = sender::ParseSendOptions(c.args);
    SCOPED_TRACE(testing::PrintToString(c.args));
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.action, c.action);
    EXPECT_EQ(parsed.options.printer, c.printer);
    EXPECT_EQ(parsed.options.files, c.files);
  }
}

TEST(ParseSendOptions, RefusesWhatCannotBeDoneWithAReason) {
  const struct {
    Args args;
    std::string error;
  } cases[] = {
      {{}, "nothing to do: give --printer NAME and files, or --list"},
      {{"a.prn"}, "no printer given: add --printer NAME (see --list)"},
      {{"--printer", "P"}, "no files given to send to 'P'"},
      {{"a.prn", "-p"}, "option '-p' needs a printer name"},
      {{"--printer=", "a.prn"}, "the printer name is empty"},
      {{"-p", "P", "-p", "Q", "a.prn"}, "the printer is given more than once"},
      {{"--list", "a.prn"}, "--list takes no printer and no files"},
      {{"--list", "-p", "P"}, "--list takes no printer and no files"},
      {{"-p", "P", "--force", "a.prn"}, "unknown option '--force'"},
      {{"-x", "--y"}, "unknown option '-x'"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sender::ParseSendOptions(c.args).error, c.error) << testing::PrintToString(c.args);
  }
}

TEST(ProgressPercent, RoundsDownSoThatOnlyTheLastByteShowsAHundred) {
  const struct {
    std::int64_t done, total;
    int percent;
  } cases[] = {
      {0, 10, 0}, {0, 0, 0},  // a new file, and an empty one
      {1, 1000, 0}, {29, 100, 29}, {57, 100, 57}, {100000, 250000, 40},
      {249999, 250000, 99}, {250000, 250000, 100}, {11, 10, 100},
      {2147500000, 2147500001, 99}, {std::int64_t{1} << 40, std::int64_t{1} << 41, 50},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sender::ProgressPercent(c.done, c.total), c.percent) << c.done << "/" << c.total;
  }
  EXPECT_EQ(sender::ProgressLine(0, "a.prn"), "  0% a.prn");
  EXPECT_EQ(sender::ProgressLine(40, "/jobs/q.prn"), " 40% /jobs/q.prn");
  EXPECT_EQ(sender::ProgressLine(100, "C:\\q.prn"), "100% C:\\q.prn");
}

}  // namespace
