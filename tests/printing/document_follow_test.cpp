// SPDX-License-Identifier: Apache-2.0
// Following sent documents: one round of questions keeps those not ended,
// drops the printed ones silently, tells those that ended without printing,
// and tells a wait on a stopped printer once.
#include <gtest/gtest.h>

#include "printing/document_follow.h"
#include "support/job_doubles.h"

namespace {

TEST(DocumentFollow, EndedDocumentsAreToldAWaitOnAStoppedPrinterOnceAndALaterFailureToo) {
  printing_test::Journal journal;
  printing_test::FakeSpooler fake(journal);
  fake.docs = {{"w", 1, {}, {}, false, false, {}},
               {"p", 2, {}, {}, true, false, {}},
               {"c", 3, {}, {}, false, true, {}},
               {"s", 4, {}, {}, false, false, "Out of paper (tray 2)"}};
  std::vector<printing::FollowedDocument> followed;
  for (const auto& doc : fake.docs) followed.push_back({{"/d/" + doc.name, doc.job_id, "Fake"}});
  const auto round = [&] { return printing::FollowReport(printing::FollowOnce(fake, followed, {})); };

  EXPECT_TRUE(printing::FollowOnce(fake, followed, [] { return true; }).Empty());
  EXPECT_EQ(followed.size(), 4u);
  EXPECT_EQ(round(),
            "These files did not print:\n\n/d/c \xE2\x80\x94 cancelled at the spooler\n\n"
            "These files are waiting:\n\n/d/s \xE2\x80\x94 Out of paper (tray 2)");
  EXPECT_EQ(round(), "");
  ASSERT_EQ(followed.size(), 2u);
  fake.docs[3].cancelled = true;
  EXPECT_EQ(round(), "These files did not print:\n\n/d/s \xE2\x80\x94 cancelled at the spooler");
  ASSERT_EQ(followed.size(), 1u);
  EXPECT_EQ(followed[0].document.path, "/d/w");
}

}  // namespace
