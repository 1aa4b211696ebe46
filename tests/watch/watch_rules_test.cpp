// The watched folder's rules and its history, called directly.
#include <gtest/gtest.h>

#include "watch/folder_rules.h"
#include "watch/history.h"
#include "watch/sha256.h"

namespace {

TEST(WatchRules, LeavesHiddenAndUnfinishedNamesAlone) {
  for (const char* name : {".x.prn", "a.prn~", "a.TMP", "b.part", "c.crdownload", ""}) {
    EXPECT_TRUE(watch::IsIgnoredName(name)) << name;
  }
  for (const char* name : {"a.prn", "tmp", "a.tmp.prn", "part", "x~y"}) EXPECT_FALSE(watch::IsIgnoredName(name)) << name;
}

TEST(WatchRules, FreeNameSuffixesBeforeTheExtension) {
  const std::set<std::string> taken = {"a.prn", "a (2).prn", "noext", ".hidden"};
  const auto free = [&](const std::string& name) { return watch::FreeName(name, [&](const std::string& n) { return taken.count(n) > 0; }); };
  EXPECT_EQ(free("b.prn"), "b.prn");
  EXPECT_EQ(free("a.prn"), "a (3).prn");
  EXPECT_EQ(free("noext"), "noext (2)");
  EXPECT_EQ(free(".hidden"), ".hidden (2)");
}

TEST(WatchRules, HistoryLinesReadBackByteForByte) {
  const watch::HistoryRecord record{"2026-01-31T23:59:59Z", "bad\xff\"q\\\n\xc3\xa9.prn", "work-h-1/x", 12, "ab", "Label",
                                    17, watch::kSent, "why, \"quoted\""};
  const auto line = watch::ToJsonLine(record);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_NE(line.find("\\u00ff"), std::string::npos);
  EXPECT_NE(line.find("\"request_id\":\"Label-17\""), std::string::npos);
  const auto back = watch::FromJsonLine(line);
  ASSERT_TRUE(back);
  EXPECT_EQ(watch::ToJsonLine(*back), line);
  // A line cut short by a crash is no record.
  EXPECT_FALSE(watch::FromJsonLine(line.substr(0, line.size() / 2)));
  EXPECT_EQ(watch::ReadableLine(*back).substr(0, 27), "2026-01-31 23:59:59  sent  ");
}

TEST(WatchRules, Sha256OfKnownTexts) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {std::string(1000, 'a'), "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3"}};
  for (const auto& [text, digest] : cases) {
    watch::Sha256 sha;
    // Fed in uneven pieces, across block boundaries.
    for (std::size_t at = 0; at < text.size(); at += 37) sha.Add(text.data() + at, std::min<std::size_t>(37, text.size() - at));
    EXPECT_EQ(sha.HexDigest(), digest);
  }
}

TEST(WatchRules, ReadyOnceClosedOrUnchangedForTheSettleTime) {
  using namespace std::chrono_literals;
  const auto t0 = std::chrono::steady_clock::now();
  watch::Candidate candidate{{"a", 10, {}}, t0, false};
  EXPECT_FALSE(watch::Ready(candidate, t0 + 1s, 2s));
  EXPECT_TRUE(watch::Ready(candidate, t0 + 2s, 2s));
  watch::Observe(candidate, {"a", 11, {}}, t0 + 2s);  // grew: starts again
  EXPECT_FALSE(watch::Ready(candidate, t0 + 3s, 2s));
  candidate.closed = true;
  EXPECT_TRUE(watch::Ready(candidate, t0 + 3s, 2s));
}

}  // namespace
