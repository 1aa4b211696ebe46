#include "platform/spooler/job_name.h"

#include <gtest/gtest.h>


#include <random>
#include <string>

#include "support/host.h"

namespace {

using platform::JobName;
using platform::kMaxJobNameBytes;

const std::string kFffd = "\xEF\xBF\xBD";

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}


struct Case {
  const char* what;
  std::string name;
  std::string expected;
};

TEST(JobName, KeepsValidTextAndReplacesWhatSpoolersRefuse) {
  const Case cases[] = {
      {"plain", "report.prn", "report.prn"},
      {"empty", "", ""},
      {"Japanese", "\xE8\xAB\x8B\xE6\xB1\x82\xE6\x9B\xB8 2024.prn",
       "\xE8\xAB\x8B\xE6\xB1\x82\xE6\x9B\xB8 2024.prn"},
      {"Latin accents",
       "\xC3\x9Cn\xC3\xAF"
       "c\xC3\xB6"
       "d\xC3\xA9.prn",
       "\xC3\x9Cn\xC3\xAF"
       "c\xC3\xB6"
       "d\xC3\xA9.prn"},
      {"four-byte character", "\xF0\x9F\x96\xA8.prn", "\xF0\x9F\x96\xA8.prn"},
      {"no-break space is not a control",
       "a\xC2\xA0"
       "b",
       "a\xC2\xA0"
       "b"},
      {"tab and line break", "a\tb\nc", "a" + kFffd + "b" + kFffd + "c"},
      {"DEL",
       "a\x7F"
       "b",
       "a" + kFffd + "b"},
      {"C1 control",
       "a\xC2\x85"
       "b",
       "a" + kFffd + "b"},
      {"lone continuation byte",
       "a\x80"
       "b",
       "a" + kFffd + "b"},
      {"byte that never occurs", "\xFF\xFE", kFffd + kFffd},
      {"Latin-1 file name", "caf\xE9.prn", "caf" + kFffd + ".prn"},
      {"overlong slash", "\xC0\xAF", kFffd + kFffd},
      {"overlong three-byte form", "\xE0\x80\xAF", kFffd + kFffd + kFffd},
      {"surrogate", "\xED\xA0\x80", kFffd + kFffd + kFffd},
      {"above U+10FFFF", "\xF4\x90\x80\x80", Repeat(kFffd, 4)},
      // A truncated sequence is one maximal invalid subpart: one U+FFFD.
      {"truncated at the end", "ab\xE6\x97", "ab" + kFffd},
      {"truncated before ASCII", "\xE6\x97x", kFffd + "x"},
      {"truncated four-byte",
       "\xF0\x9F\x96"
       "z",
       kFffd + "z"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JobName(c.name), c.expected) << c.what;
  }
}

TEST(JobName, IsCutOnACharacterBoundaryWithin255Bytes) {
  const std::string kanji = "\xE6\x97\xA5";        // 3 bytes
  const std::string printer = "\xF0\x9F\x96\xA8";  // 4 bytes
  const Case cases[] = {
      {"255 ASCII bytes stay", std::string(255, 'a'), std::string(255, 'a')},
      {"256 ASCII bytes lose one", std::string(256, 'a'), std::string(255, 'a')},
      {"300 bytes of 3-byte characters", Repeat(kanji, 100), Repeat(kanji, 85)},
      {"a character that would straddle the limit is dropped", "a" + Repeat(kanji, 100),
       "a" + Repeat(kanji, 84)},
      {"a 4-byte character after 253 bytes is dropped", std::string(253, 'b') + printer + "c",
       std::string(253, 'b')},
      {"replacements count as three bytes", std::string(300, '\xFF'), Repeat(kFffd, 85)},
  };
  for (const auto& c : cases) {
    const std::string name = JobName(c.name);
    EXPECT_EQ(name, c.expected) << c.what;
    EXPECT_LE(name.size(), kMaxJobNameBytes) << c.what;
  }
}

TEST(JobName, AlwaysGivesShortValidTextWhateverTheBytes) {
  // The judge itself knows the hard cases.
  ASSERT_TRUE(testsupport::SystemTakesAsUtf8("\xE6\x97\xA5\xF0\x9F\x96\xA8"));
  ASSERT_FALSE(testsupport::SystemTakesAsUtf8("\xED\xA0\x80"));
  ASSERT_FALSE(testsupport::SystemTakesAsUtf8("\xC0\xAF"));
  ASSERT_FALSE(testsupport::SystemTakesAsUtf8("\xF4\x90\x80\x80"));
  std::mt19937 random(20240607);
  // Bytes around the interesting boundaries are more likely than others.
  const unsigned char interesting[] = {0x00, 0x09, 0x1F, 0x20, 0x41, 0x7F, 0x80,
                                       0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                                       0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 400, '\0');
    for (auto& byte : bytes) {
      byte = static_cast<char>(random() % 2 ? interesting[random() % sizeof interesting]
                                            : random() % 256);
    }
    const std::string name = JobName(bytes);
    ASSERT_LE(name.size(), kMaxJobNameBytes);
    ASSERT_TRUE(testsupport::SystemTakesAsUtf8(name)) << "round " << round;
    for (const char c : name) {
      ASSERT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F) << "round " << round;
    }
    // Already a job name: nothing more to change.
    ASSERT_EQ(JobName(name), name) << "round " << round;
  }
}

std::string EncodeUtf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

TEST(JobName, CutsValidTextButNeverAltersIt) {
  std::mt19937 random(7);
  // Printable characters of 1 to 4 bytes.
  const char32_t ranges[][2] = {{0x20, 0x7E}, {0xA0, 0x7FF}, {0x3040, 0x9FFF}, {0x1F300, 0x1F6FF}};
  for (int round = 0; round < 500; ++round) {
    std::string text;
    const int characters = static_cast<int>(random() % 150);
    for (int i = 0; i < characters; ++i) {
      const auto& range = ranges[random() % 4];
      text += EncodeUtf8(range[0] + static_cast<char32_t>(random() % (range[1] - range[0] + 1)));
    }
    const std::string name = JobName(text);
    ASSERT_EQ(text.compare(0, name.size(), name), 0) << "round " << round;
    // Cut only when needed, and by less than one character.
    if (text.size() <= kMaxJobNameBytes) {
      ASSERT_EQ(name, text);
    } else {
      ASSERT_GT(name.size(), kMaxJobNameBytes - 4) << "round " << round;
    }
  }
}

}  // namespace
