#include "send/send_options.h"

#include <gtest/gtest.h>

#include "send/console_view.h"
#include "support/scoped_environment.h"

namespace {

using sender::SendAction;
using testsupport::ScopedEnvironment;
using Args = std::vector<std::string>;
using Variable = std::optional<std::string>;

TEST(ParseSendOptions, ReadsEachUsableFormOfTheCommandLine) {
  const struct {
    Args args;
    SendAction action;
    std::string printer;
    Args files;
    std::string title = "";
    bool quiet = false;
    std::optional<int> wait_limit = std::nullopt;  // with --wait: its seconds, -1 for none
    std::string server = "";
  } cases[] = {
      {{"--help"}, SendAction::Help, "", {}},
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
      // lp's spellings of the printer, apart or attached; none at all (a
      // default applies); standard input with a title of its own.
      {{"-d", "P", "a.prn"}, SendAction::Send, "P", {"a.prn"}},
      {{"-PP", "-s", "a.prn"}, SendAction::Send, "P", {"a.prn"}, "", true},
      {{"-dOffice", "--quiet", "-", "--title", "Mail"}, SendAction::Send, "Office", {"-"}, "Mail", true},
      {{"-tT 1", "a.prn"}, SendAction::Send, "", {"a.prn"}, "T 1"},
      {{"--title=x", "-p", "P", "--", "-"}, SendAction::Send, "P", {"-"}, "x"},
      {{"--wait", "a.prn"}, SendAction::Send, "", {"a.prn"}, "", false, -1},
      {{"a.prn", "--wait=0"}, SendAction::Send, "", {"a.prn"}, "", false, 0},
      {{"-h", "localhost:631", "-dP", "a.prn"}, SendAction::Send, "P", {"a.prn"}, "", false, {}, "localhost:631"},
      {{"-p", "Dru\xcc\x88" "cker", "Rechnung M\xc3\xbcller.prn"}, SendAction::Send, "Dru\xcc\x88" "cker",
       {"Rechnung M\xc3\xbcller.prn"}},
  };
  for (const auto& c : cases) {
    const auto parsed = sender::ParseSendOptions(c.args);
    SCOPED_TRACE(testing::PrintToString(c.args));
    EXPECT_TRUE(parsed.usable.IsOk());
    EXPECT_EQ(parsed.options.action, c.action);
    EXPECT_EQ(parsed.options.printer, c.printer);
    EXPECT_EQ(parsed.options.files, c.files);
    EXPECT_EQ(parsed.options.title, c.title);
    EXPECT_EQ(parsed.options.quiet, c.quiet);
    EXPECT_EQ(parsed.options.wait, c.wait_limit.has_value());
    EXPECT_EQ(parsed.options.wait_limit.value_or(-1), c.wait_limit.value_or(-1));
    EXPECT_EQ(parsed.options.server, c.server);
  }
}

TEST(ParseSendOptions, RefusesWhatCannotBeDoneWithAReason) {
  const struct {
    Args args;
    std::string error;
  } cases[] = {
      {{}, "nothing to do: give the files to send, or --list"},
      {{"--printer", "P"}, "no files given to send to 'P'"},
      {{"a.prn", "-p"}, "option '-p' needs a printer name"},
      {{"a.prn", "-t"}, "option '-t' needs a title"},
      {{"--printer=", "a.prn"}, "the printer name is empty"},
      {{"-p", "P", "-dQ", "a.prn"}, "the printer is given more than once"},
      {{"-", "a.prn", "-"}, "standard input ('-') can be given only once"},
      {{"-t", "T", "-", "a.prn"}, "--title names one document: give it with one file only"},
      {{"--title=", "a.prn"}, "the title is empty"},
      {{"--list", "a.prn"}, "--list takes no printer, title, files or --wait"},
      // lp's -h names the print server: a script's "-h FILE" sends nothing, and says so.
      {{"-h", "a.prn"}, "nothing to do: give the files to send, or --list"},
      {{"-h", "127.0.0.1:99999", "--list"},
       "'127.0.0.1:99999' is not a print server (give HOST or HOST:PORT): the port '99999' is not a number from 1 to 65535"},
      {{"--server=", "--list"}, "the print server is empty"},
      {{"-n", "0", "a.prn"}, "-n takes a number of copies from 1 to 9999, not '0'"},
      {{"-n10000", "a.prn"}, "-n takes a number of copies from 1 to 9999, not '10000'"},
      {{"--wait=1", "--wait", "a.prn"}, "--wait is given more than once"},
      {{"--wait=", "a.prn"}, "--wait takes a whole number of seconds, not ''"},
      {{"--wait=1000000000", "a.prn"}, "--wait takes a whole number of seconds, not '1000000000'"},
      {{"-p", "P", "--force", "a.prn"}, "unknown option '--force'"},
      {{"-x", "--y"}, "unknown option '-x'"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sender::ParseSendOptions(c.args).usable.Reason(), c.error) << testing::PrintToString(c.args);
  }
}

TEST(PrinterFromEnvironment, TakesLpdestThenPrinterAsLpDoes) {
  const struct {
    Variable lpdest, printer;
    std::string chosen;
  } cases[] = {
      {{}, {}, ""}, {"A", "B", "A"}, {"", "B", "B"},  // an empty value counts as unset
      {{}, "lp", ""},                                // the placeholder of old login scripts
  };
  for (const auto& c : cases) {
    const ScopedEnvironment lpdest("LPDEST", c.lpdest), printer("PRINTER", c.printer);
    EXPECT_EQ(sender::PrinterFromEnvironment().name, c.chosen) << c.lpdest.value_or("(unset)") << ", "
                                                          << c.printer.value_or("(unset)");
  }
}

TEST(ProgressLine, ShowsThePercentageAsTheWindowDoesThenTheFile) {
  const struct {
    std::int64_t done, total;
    std::string line;
  } cases[] = {
      {0, 10, "  0% a.prn"}, {0, 0, "  0% a.prn"},  // a new file, and an empty one
      {1, 1000, "  0% a.prn"}, {100000, 250000, " 40% a.prn"}, {250000, 250000, "100% a.prn"},
      {11, 10, "100% a.prn"},
      // The display's single-precision ratio: 29 of 100 reads 28.
      {29, 100, " 28% a.prn"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sender::ProgressLine(c.done, c.total, "a.prn"), c.line) << c.done << "/" << c.total;
  }
  EXPECT_EQ(sender::ProgressLine(1, 2, "C:\\jobs\\q r.prn"), " 50% C:\\jobs\\q r.prn");
}

TEST(RequestIdLine, ShowsTheFileAsATerminalMayBeGivenIt) {
  EXPECT_EQ(sender::RequestIdLine("Office", 17, "a\x1b.prn"), "request id is Office-17 (a\\x1b.prn)");
}

}  // namespace
