// Print pressed in the window, against a real private spooler whose raw
// queues capture every document's bytes.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <fstream>
#include <random>

#include "app/app_fixture.h"
#include "support/message_catcher.h"
#include "support/private_cups.h"
#include "support/random_bytes.h"

namespace apptest {
namespace {

using testsupport::JobState;
using testsupport::PrivateCups;
using testsupport::PrivateCupsEnvironment;

const auto* const kSharedCups = ::testing::AddGlobalTestEnvironment(new PrivateCupsEnvironment);

using testsupport::RandomBytes;

class PrintWindowTest : public AppTest {
 protected:
  PrivateCups& Cups() { return PrivateCupsEnvironment::Cups(); }

  // A queue of the test's own, named after it.
  std::string NewQueue(PrivateCups& cups) {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    cups.AddQueue(name);
    return name;
  }

  std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = dir_.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // Starts a window with `paths` on its command line and `queue` chosen.
  app::KelPrnPrint& StartWith(const std::vector<std::string>& paths, const std::string& queue) {
    Store("ListIdx", queue);
    std::string arguments;
    for (const auto& p : paths) arguments += (arguments.empty() ? "\"" : " \"") + p + "\"";
    return Start(true, arguments);
  }

  // The captured documents' names and bytes, in job order, once the
  // scheduler is done with every job.
  std::vector<std::pair<std::string, std::string>> Documents(PrivateCups& cups, const std::string& queue) {
    std::vector<std::pair<std::string, std::string>> docs;
    for (const auto& job : cups.WaitForFinishedJobs(queue)) {
      if (job.state != JobState::kCompleted) continue;
      const auto doc = cups.WaitForDocument(queue, job.id);
      docs.push_back({job.title, doc ? doc->bytes : "<no capture>"});
    }
    return docs;
  }
};

TEST_F(PrintWindowTest, EveryListedFileArrivesByteForByteAsADocumentNamedAfterIt) {
  const std::string queue = NewQueue(Cups());
  std::string gzip = RandomBytes(150000, 7);
  gzip[0] = '\x1f';
  gzip[1] = '\x8b';
  const std::vector<std::pair<std::string, std::string>> files = {
      {"one.prn", "x"},
      {"a.pcl", RandomBytes(99999, 1)},
      {"b.pcl", RandomBytes(100000, 2)},
      {"c.pcl", RandomBytes(100001, 3)},
      {"d.ps", RandomBytes(250000, 4)},
      {"big.bin", RandomBytes(3 * 1024 * 1024 + 17, 5)},
      {"packed.gz", gzip},
      {"\xe8\xab\x8b\xe6\xb1\x82\xe6\x9b\xb8 M\xc3\xbcller.prn", RandomBytes(1000, 6)},
  };
  std::vector<std::string> paths;
  for (const auto& [name, bytes] : files) paths.push_back(WriteFile(name, bytes));
  auto& window = StartWith(paths, queue);
  ASSERT_GE(window.List_printer.ListIndex(), 0);
  window.Chk_FullPath.SetValue(0);  // what the list shows does not matter

  testsupport::MessageCatcher catcher;
  window.But_Out.Click();
  EXPECT_TRUE(catcher.Messages().empty()) << catcher.Texts()[0].toStdString();
  EXPECT_EQ(Documents(Cups(), queue), files);
  // Afterwards: Print enabled, no line highlighted, the display at 100 %.
  EXPECT_TRUE(window.But_Out.Enabled());
  EXPECT_EQ(window.List_File.ListIndex(), -1);
  EXPECT_EQ(window.Lb_per[0]->Caption(), std::string(26, ' ') + "100%");
}

TEST_F(PrintWindowTest, TheChecksComeFirstAndSayWhatIsMissing) {
  const std::string queue = NewQueue(Cups());
  const std::string file = WriteFile("f.prn", "data");
  testsupport::MessageCatcher catcher;

  auto& empty = StartWith({}, "no such printer");
  empty.But_Out.Click();  // Print is disabled: the button does nothing
  platform::RunHandler([&] { empty.But_Out_Click(); });
  auto& unchosen = StartWith({file}, "no such printer");
  EXPECT_EQ(unchosen.List_printer.ListIndex(), -1);
  unchosen.But_Out.Click();

  auto& gone = StartWith({file}, queue);
  Cups().DeleteQueue(queue);
  gone.But_Out.Click();
  EXPECT_TRUE(gone.But_Out.Enabled());
  const std::string why = "the printer \"" + queue + "\" is not installed on the print server " + Cups().Server();
  EXPECT_EQ(catcher.Texts(), (std::vector<QString>{"Please Drag & Drop a prn file.", "Please choose the Printer.",
                                                   QString::fromStdString("The Printer Name you typed wasn't "
                                                                          "recognized.\n\n" + why)}));
  for (const auto& m : catcher.Messages()) EXPECT_EQ(m.title, "Torvane");
}

TEST_F(PrintWindowTest, TheSavedPrinterIsSelectedAgainOnlyByItsExactName) {
  const std::string queue = NewQueue(Cups());
  auto& window = StartWith({}, queue);
  ASSERT_GE(window.List_printer.ListIndex(), 0);
  EXPECT_EQ(window.List_printer.List(window.List_printer.ListIndex()), queue);
  // The list holds every queue, in the spooler's order.
  std::vector<std::string> listed;
  for (int i = 0; i < window.List_printer.ListCount(); ++i) listed.push_back(window.List_printer.List(i));
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
  const std::string queue = NewQueue(Cups());
  const std::string first = WriteFile("first.prn", RandomBytes(5000, 1));
  const std::string deleted = WriteFile("deleted.prn", "soon gone");
  const std::string empty = WriteFile("empty.prn", "");
  const std::string last = WriteFile("last.prn", RandomBytes(7000, 2));
  auto& window = StartWith({first, deleted, empty, last}, queue);
  std::remove(deleted.c_str());

  testsupport::MessageCatcher catcher;
  window.But_Out.Click();
  ASSERT_EQ(catcher.Messages().size(), 1u);
  const QString report = catcher.Texts()[0];
  EXPECT_TRUE(report.contains(QString::fromStdString(deleted))) << report.toStdString();
  EXPECT_TRUE(report.contains(QString::fromStdString(empty))) << report.toStdString();
  EXPECT_FALSE(report.contains(QString::fromStdString(first)));
  EXPECT_EQ(Documents(Cups(), queue),
            (std::vector<std::pair<std::string, std::string>>{{"first.prn", RandomBytes(5000, 1)},
                                                              {"last.prn", RandomBytes(7000, 2)}}));
  // Nothing is left waiting at the spooler.
  for (const auto& job : Cups().WaitForFinishedJobs(queue)) EXPECT_TRUE(job.Finished()) << job.title;
}

TEST_F(PrintWindowTest, ADropDuringAJobChangesOnlyTheListAndStartsNoSecondJob) {
  const std::string queue = NewQueue(Cups());
  const std::string a = WriteFile("a.prn", RandomBytes(2000000, 1));
  const std::string b = WriteFile("b.prn", RandomBytes(300000, 2));
  auto& window = StartWith({a, b}, queue);
  bool print_enabled_after_drop = true;
  QTimer::singleShot(0, [&] {
    window.TakeDroppedFiles({"/elsewhere/x.prn"});
    print_enabled_after_drop = window.But_Out.Enabled();
    window.But_Out_Click();  // a second press while the job runs does nothing
  });
  window.But_Out.Click();
  EXPECT_FALSE(print_enabled_after_drop);
  EXPECT_TRUE(window.But_Out.Enabled());
  EXPECT_EQ(window.List_File.ListCount(), 1);
  EXPECT_EQ(Documents(Cups(), queue),
            (std::vector<std::pair<std::string, std::string>>{{"a.prn", RandomBytes(2000000, 1)},
                                                              {"b.prn", RandomBytes(300000, 2)}}));
}

TEST_F(PrintWindowTest, ClosingDuringAJobCancelsTheDocumentInHandAndSaves) {
  const std::string queue = NewQueue(Cups());
  const std::string small = WriteFile("small.prn", "sent before the close");
  const std::string big = WriteFile("big.prn", RandomBytes(20000000, 3));
  auto& window = StartWith({small, big}, queue);
  QTimer::singleShot(0, [&] {
    // Once the big file is under way, close the window.
    auto* poll = new QTimer(window.Form().Widget());
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
      if (window.List_File.ListIndex() == 1) {
        poll->stop();
        window.But_End.Click();
      }
    });
    poll->start(1);
  });
  window.But_Out.Click();
  EXPECT_FALSE(window.Form().Visible());
  EXPECT_EQ(Stored("ListIdx"), queue);
  const auto jobs = Cups().WaitForFinishedJobs(queue);
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].state, JobState::kCompleted);
  EXPECT_EQ(jobs[1].state, JobState::kCanceled);
  EXPECT_EQ(Documents(Cups(), queue),
            (std::vector<std::pair<std::string, std::string>>{{"small.prn", "sent before the close"}}));
}

TEST_F(PrintWindowTest, ASpoolerThatDiesDuringAJobEndsItWithAReport) {
  PrivateCups own;  // a scheduler of this test's own, to kill
  const std::string queue = NewQueue(own);
  const std::string big = WriteFile("big.prn", RandomBytes(30000000, 4));
  auto& window = StartWith({big}, queue);
  ASSERT_GE(window.List_printer.ListIndex(), 0);
  int chunks = 0;
  auto* poll = new QTimer(window.Form().Widget());
  QObject::connect(poll, &QTimer::timeout, [&] {
    if (++chunks == 5) own.Kill();
  });
  poll->start(0);
  testsupport::MessageCatcher catcher;
  window.But_Out.Click();
  poll->stop();
  ASSERT_EQ(catcher.Messages().size(), 1u);
  EXPECT_TRUE(catcher.Texts()[0].contains(QString::fromStdString(big))) << catcher.Texts()[0].toStdString();
  EXPECT_TRUE(window.But_Out.Enabled());
}

}  // namespace
}  // namespace apptest
