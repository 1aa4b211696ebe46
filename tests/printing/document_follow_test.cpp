// Following sent documents: one round of questions keeps those still
// waiting, drops the printed ones silently and tells the rest.
#include <gtest/gtest.h>

#include "printing/document_follow.h"
#include "printing/job_doubles.h"

namespace {

TEST(DocumentFollow, OnlyDocumentsThatWillNotPrintAreToldAndAStopLeavesAllFollowed) {
  printing_test::Journal journal;
  printing_test::FakeSpooler fake(journal);
  fake.docs = {{"w", 1, {}, {}, false, false}, {"p", 2, {}, {}, true, false}, {"c", 3, {}, {}, false, true}};
  std::vector<printing::SentDocument> followed = {{"/d/w", 1, "Fake"}, {"/d/p", 2, "Fake"}, {"/d/c", 3, "Fake"}};

  EXPECT_TRUE(printing::FollowOnce(fake, followed, [] { return true; }).empty());
  EXPECT_EQ(followed.size(), 3u);
  const auto not_printed = printing::FollowOnce(fake, followed, {});
  ASSERT_EQ(followed.size(), 1u);
  EXPECT_EQ(followed[0].path, "/d/w");
  EXPECT_EQ(printing::NotPrintedReport(not_printed),
            "These files did not print:\n\n/d/c \xE2\x80\x94 cancelled at the spooler");
}

}  // namespace
