// SPDX-License-Identifier: Apache-2.0
// Print pressed in the window, against a real private spooler whose raw
// queues capture every document's bytes.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <future>

#include "app/app_fixture.h"
#include "platform/window/qt/qt_widget.h"
#include "support/job_doubles.h"
#include "printing/progress_text.h"
#include "support/list_lines.h"
#include "support/message_catcher.h"
#include "support/private_cups.h"
#include "support/scoped_environment.h"
#include "support/test_files.h"

namespace apptest {
namespace {

using testsupport::JobState;
using testsupport::PrivateCups;
using testsupport::PrivateCupsEnvironment;

const auto* const kSharedCups = ::testing::AddGlobalTestEnvironment(new PrivateCupsEnvironment);

using testsupport::RandomBytes;

using testsupport::kDash;

class PrintWindowTest : public AppTest {
 protected:
  PrivateCups& Cups() { return PrivateCupsEnvironment::Cups(); }

  // Starts a window with `paths` on its command line and `queue` chosen.
  app::KelPrnPrint& StartWith(const std::vector<std::string>& paths, const std::string& queue) {
    Store("ListIdx", queue);
    std::string arguments;
    for (const auto& p : paths) arguments += (arguments.empty() ? "\"" : " \"") + p + "\"";
    return Start(true, arguments);
  }

  // Whether the job's progress shows part of a file sent.
  static bool Underway(app::KelPrnPrint& window) {
    const std::string shown = window.Lb_per[1]->Caption();
    return shown != std::string(26, ' ') + "  0%" && shown != std::string(26, ' ') + "100%";
  }

  // The captured documents' names and bytes, in job order, once the
  // scheduler is done with every job.
  std::vector<std::pair<std::string, std::string>> Documents(PrivateCups& cups, const std::string& queue) {
    std::vector<std::pair<std::string, std::string>> docs;
    for (const auto& job : cups.WaitForFinishedJobs(queue)) {
      if (job.state != JobState::Completed) continue;
      const auto doc = cups.WaitForDocument(queue, job.id);
      docs.push_back({job.title, doc ? doc->bytes : "<no capture>"});
    }
    return docs;
  }
};

TEST_F(PrintWindowTest, EveryListedFileArrivesByteForByteAsADocumentNamedAfterIt) {
  const std::string queue = Cups().AddTestQueue();
  std::string gzip = RandomBytes(150000, 7);
  gzip[0] = '\x1f';
  gzip[1] = '\x8b';
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& [name, bytes] : testsupport::ChunkBoundaryFiles()) files.emplace_back(name, bytes);
  files.insert(files.end(), {
                                {"big.bin", RandomBytes(3 * 1024 * 1024 + 17, 5)},
                                {"packed.gz", gzip},
                                {"\xe8\xab\x8b\xe6\xb1\x82\xe6\x9b\xb8 M\xc3\xbcller.prn", RandomBytes(1000, 6)},
                            });
  std::vector<std::string> paths;
  for (const auto& [name, bytes] : files) paths.push_back(dir_.Write(name, bytes));
  auto& window = StartWith(paths, queue);
  ASSERT_GE(window.List_printer.ListIndex(), 0);
  window.Chk_FullPath.SetValue(0);  // what the list shows does not matter

  testsupport::MessageCatcher catcher;
  window.But_Out.Click();
  WaitForJob(window);
  EXPECT_TRUE(catcher.Messages().empty()) << catcher.Texts()[0].toStdString();
  EXPECT_EQ(Documents(Cups(), queue), files);
  // Afterwards: Print enabled, no line highlighted, the display at 100 %.
  EXPECT_TRUE(window.But_Out.Enabled());
  EXPECT_EQ(window.List_File.ListIndex(), -1);
  EXPECT_EQ(window.Lb_per[0]->Caption(), std::string(26, ' ') + "100%");
  EXPECT_EQ(platform::QtWidget(window.Lb_Bar)->accessibleDescription(), printing::kAllSentText);
}

TEST_F(PrintWindowTest, TheChecksComeFirstAndSayWhatIsMissing) {
  const std::string queue = Cups().AddTestQueue();
  const std::string file = dir_.Write("f.prn", "data");
  testsupport::MessageCatcher catcher;

  auto& empty = StartWith({}, "no such printer");
  empty.But_Out.Click();  // Print is disabled: the button does nothing
  platform::RunHandler([&] { empty.But_Out_Click(); });
  WaitForJob(empty);
  auto& unchosen = StartWith({file}, "no such printer");
  EXPECT_EQ(unchosen.List_printer.ListIndex(), -1);
  unchosen.But_Out.Click();
  WaitForJob(unchosen);

  auto& gone = StartWith({file}, queue);
  Cups().DeleteQueue(queue);
  gone.But_Out.Click();
  WaitForJob(gone);
  EXPECT_TRUE(gone.But_Out.Enabled());
  const std::string why = "the printer \"" + queue + "\" is not installed on the print server " + Cups().Server();
  EXPECT_EQ(catcher.Texts(), (std::vector<QString>{"Please Drag & Drop a prn file.", "Please choose the Printer.",
                                                   QString::fromStdString("The Printer Name you typed wasn't "
                                                                          "recognized.\n\n" + why)}));
  for (const auto& m : catcher.Messages()) EXPECT_EQ(m.title, "Torvane");
}

TEST_F(PrintWindowTest, TheSavedPrinterIsSelectedAgainOnlyByItsExactName) {
  const std::string queue = Cups().AddTestQueue();
  auto& window = StartWith({}, queue);
  ASSERT_GE(window.List_printer.ListIndex(), 0);
  EXPECT_EQ(window.List_printer.List(window.List_printer.ListIndex()), queue);
  // The list holds every queue, in the spooler's order.
  const auto listed = testsupport::Lines(window.List_printer);
  EXPECT_NE(std::find(listed.begin(), listed.end(), queue), listed.end());
  EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end(), [](const std::string& a, const std::string& b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
  }));

  std::string other_case = queue;
  for (char& c : other_case) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  auto& again = StartWith({}, other_case);
  EXPECT_EQ(again.List_printer.ListIndex(), -1);
}

TEST_F(PrintWindowTest, FilesThatCannotBeSentAreReportedAndTheRestGoes) {
  const std::string queue = Cups().AddTestQueue();
  const std::string first = dir_.Write("first.prn", RandomBytes(5000, 1));
  const std::string deleted = dir_.Write("deleted.prn", "soon gone");
  const std::string empty = dir_.Write("empty.prn", "");
  const std::string last = dir_.Write("last.prn", RandomBytes(7000, 2));
  auto& window = StartWith({first, deleted, empty, last}, queue);
  std::remove(deleted.c_str());

  testsupport::MessageCatcher catcher;
  window.But_Out.Click();
  WaitForJob(window);
  ASSERT_EQ(catcher.Messages().size(), 1u);
  const QString report = catcher.Texts()[0];
  EXPECT_TRUE(report.contains(QString::fromStdString(deleted))) << report.toStdString();
  EXPECT_TRUE(report.contains(QString::fromStdString(empty))) << report.toStdString();
  EXPECT_FALSE(report.contains(QString::fromStdString(first)));
  EXPECT_EQ(Documents(Cups(), queue),
            (std::vector<std::pair<std::string, std::string>>{{"first.prn", RandomBytes(5000, 1)},
                                                              {"last.prn", RandomBytes(7000, 2)}}));
  // Screen readers last heard of the last file: the report says the rest.
  EXPECT_EQ(platform::QtWidget(window.Lb_Bar)->accessibleDescription(), "file 4 of 4: last.prn");
  // Nothing is left waiting at the spooler.
  for (const auto& job : Cups().WaitForFinishedJobs(queue)) EXPECT_TRUE(job.Finished()) << job.title;
}

TEST_F(PrintWindowTest, ADropDuringAJobChangesOnlyTheListAndStartsNoSecondJob) {
  const std::string queue = Cups().AddTestQueue();
  const std::string a = dir_.Write("a.prn", RandomBytes(2000000, 1));
  const std::string b = dir_.Write("b.prn", RandomBytes(300000, 2));
  auto& window = StartWith({a, b}, queue);
  bool print_enabled_after_drop = true;
  QTimer::singleShot(0, [&] {
    window.TakeDroppedFiles({"/elsewhere/x.prn"});
    print_enabled_after_drop = window.But_Out.Enabled();
    window.But_Out_Click();  // a second press while the job runs does nothing
  });
  window.But_Out.Click();
  WaitForJob(window);
  EXPECT_FALSE(print_enabled_after_drop);
  EXPECT_TRUE(window.But_Out.Enabled());
  EXPECT_EQ(window.List_File.ListCount(), 1);
  EXPECT_EQ(Documents(Cups(), queue),
            (std::vector<std::pair<std::string, std::string>>{{"a.prn", RandomBytes(2000000, 1)},
                                                              {"b.prn", RandomBytes(300000, 2)}}));
}

TEST_F(PrintWindowTest, ClosingDuringAJobCancelsTheDocumentInHandAndSaves) {
  const std::string queue = Cups().AddTestQueue();
  const std::string small = dir_.Write("small.prn", "sent before the close");
  const std::string big = dir_.Write("big.prn", std::string(40000000, 'b'));
  auto& window = StartWith({small, big}, queue);
  QTimer::singleShot(0, [&] {
    // Once the big file is under way, close the window.
    auto* poll = new QTimer(platform::QtWidget(window.Form()));
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
      if (window.List_File.ListIndex() == 1) {
        poll->stop();
        window.But_End.Click();
      }
    });
    poll->start(1);
  });
  window.But_Out.Click();
  WaitForJob(window);
  EXPECT_FALSE(window.Form().Visible());
  EXPECT_EQ(Stored("ListIdx"), queue);
  const auto jobs = Cups().WaitForFinishedJobs(queue);
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].state, JobState::Completed);
  EXPECT_EQ(jobs[1].state, JobState::Canceled);
  EXPECT_EQ(Documents(Cups(), queue),
            (std::vector<std::pair<std::string, std::string>>{{"small.prn", "sent before the close"}}));
}

TEST_F(PrintWindowTest, ASpoolerThatDiesDuringAJobEndsItWithAReport) {
  PrivateCups own;  // a scheduler of this test's own, to kill
  const std::string queue = own.AddTestQueue();
  const std::string big = dir_.Write("big.prn", RandomBytes(30000000, 4));
  auto& window = StartWith({big}, queue);
  ASSERT_GE(window.List_printer.ListIndex(), 0);
  testsupport::MessageCatcher catcher;
  window.But_Out.Click();
  ASSERT_TRUE(ProcessEventsUntil([&] { return Underway(window); }));
  own.Kill();
  WaitForJob(window);
  ASSERT_EQ(catcher.Messages().size(), 1u);
  EXPECT_TRUE(catcher.Texts()[0].contains(QString::fromStdString(big))) << catcher.Texts()[0].toStdString();
  EXPECT_TRUE(window.But_Out.Enabled());
}

TEST_F(PrintWindowTest, AStalledSpoolerEndsTheJobWithinTheLimitAndACloseWithinASecond) {
  const testsupport::ScopedEnvironment stall("TORVANE_STALL_SECONDS", "2");
  PrivateCups own;  // a scheduler of this test's own, to freeze
  const std::string queue = own.AddTestQueue();
  const std::string big = dir_.Write("big.prn", std::string(40000000, 'b'));
  const std::string a = dir_.Write("a.prn", "a"), b = dir_.Write("b.prn", "b");
  auto& window = StartWith({big, a, b}, queue);
  testsupport::MessageCatcher catcher;
  const auto frozen_while_sending = [&] {
    window.But_Out.Click();
    EXPECT_TRUE(ProcessEventsUntil([&] { return Underway(window); }));
    own.Pause();
    return std::chrono::steady_clock::now();
  };
  const auto seconds_since = [](std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };

  // One limit for the whole job; the window takes drops meanwhile.
  const auto frozen = frozen_while_sending();
  ProcessEventsUntil([] { return false; }, std::chrono::milliseconds(300));
  window.TakeDroppedFiles({a});
  EXPECT_EQ(window.List_File.ListCount(), 1);
  WaitForJob(window);
  EXPECT_LT(seconds_since(frozen), 4.0);
  const std::string silent = kDash + "the print server " + own.Server() + " stopped answering (nothing for 2 s)";
  const std::string report =
      "These files were not sent:\n\n" + big + silent + "\n" + a + silent + "\n" + b + silent;
  EXPECT_EQ(catcher.Texts(), (std::vector<QString>{QString::fromStdString(report)}));

  // Once the scheduler answers again, the next job first cancels the
  // document it was left holding.
  own.Resume();
  window.But_Out.Click();
  WaitForJob(window);
  auto jobs = own.WaitForFinishedJobs(queue);
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].state, JobState::Canceled);
  EXPECT_EQ(jobs[1].state, JobState::Completed);

  // A close while the job waits on the frozen scheduler ends it within a
  // second.
  window.TakeDroppedFiles({big});
  frozen_while_sending();
  ProcessEventsUntil([] { return false; }, std::chrono::milliseconds(300));
  const auto closed = std::chrono::steady_clock::now();
  window.But_End.Click();
  WaitForJob(window);
  EXPECT_LT(seconds_since(closed), 1.0);
  EXPECT_FALSE(window.Form().Visible());
  EXPECT_EQ(Stored("ListIdx"), queue);
  own.Resume();
}

// After their jobs: a document the printer fails and one waiting on a
// stopped printer are told together, within seconds, each for what it is;
// a printed one is not. The waiting one prints once its printer is started,
// and nothing more is told.
TEST_F(PrintWindowTest, DocumentsThatDidNotPrintAndThoseWaitingAreToldInOneMessage) {
  const std::string printed = Cups().AddTestQueue(), failing = printed + "Fails", stopped = printed + "Stopped";
  Cups().AddQueue(failing, "fail=1");
  Cups().AddQueue(stopped);
  Cups().Disable(stopped, "Out of paper (tray 2)");
  const std::string file = dir_.Write("f.prn", "data");
  auto& window = StartWith({file}, printed);
  testsupport::MessageCatcher catcher;
  for (const auto& queue : {printed, failing, stopped}) {
    for (int i = 0; i < window.List_printer.ListCount(); ++i) {
      if (window.List_printer.List(i) == queue) window.List_printer.SetListIndex(i);
    }
    window.But_Out.Click();
    WaitForJob(window);
  }
  const auto ended = std::chrono::steady_clock::now();
  ASSERT_TRUE(ProcessEventsUntil([&] { return !catcher.Messages().empty(); }, std::chrono::seconds(10)));
  EXPECT_LT(std::chrono::steady_clock::now() - ended, std::chrono::seconds(5));
  EXPECT_EQ(catcher.Texts()[0].toStdString(), "These files did not print:\n\n" + file + kDash +
                                                  "capture: forced failure (exit 1)\n\nThese files are waiting:\n\n" +
                                                  file + kDash + "Out of paper (tray 2)");
  EXPECT_EQ(catcher.Messages()[0].title, "Torvane");
  Cups().Enable(stopped);
  EXPECT_TRUE(Cups().WaitForDocument(stopped, Cups().Jobs(stopped).at(0).id));
  ProcessEventsUntil([] { return false; }, std::chrono::seconds(3));
  EXPECT_EQ(catcher.Messages().size(), 1u);
}

// A drop while the first file goes: the job highlights a line only while
// it holds the file being sent.
TEST_F(PrintWindowTest, ADropDuringAJobLeavesNoHighlightOnAnotherFile) {
  const std::vector<std::string> paths = {dir_.Write("a.prn", "a"), dir_.Write("b.prn", "b"), dir_.Write("c.prn", "c")};
  Store("ListIdx", "Fake");
  for (const bool add_files : {false, true}) {
    printing_test::Journal journal;
    printing_test::FakeSpooler fake(journal);
    std::promise<void> at_b, go_on;
    fake.on_event = [&, go = go_on.get_future().share()](const std::string& event) {
      if (event != "create-job b.prn") return;
      at_b.set_value();
      go.wait();
    };
    window_ = std::make_unique<app::KelPrnPrint>(app::Services{store_, fake, paths});
    window_->Form_Load();
    window_->Chk_add.SetValue(add_files ? 1 : 0);
    window_->But_Out.Click();
    at_b.get_future().wait();  // b's line is to be highlighted next
    window_->TakeDroppedFiles({"/x/X.prn", "/x/Y.prn", "/x/Z.prn"});
    ProcessEventsUntil([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_EQ(window_->List_File.ListIndex(), add_files ? 1 : -1) << add_files;
    go_on.set_value();
    WaitForJob(*window_);
    EXPECT_EQ(fake.docs.size(), 3u);
    EXPECT_EQ(window_->List_File.ListIndex(), -1);
    window_.reset();  // the window follows its documents at the spooler
  }
}

}  // namespace
}  // namespace apptest
