#include "filelist/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using filelist::GetArgPlain;
using filelist::GetArgQuoted;
using filelist::SplitArgumentText;
using Paths = std::vector<std::string>;

struct TokenCase {
  std::string text;
  std::size_t pos;
  std::string token;
  std::size_t pos_after;
};

TEST(GetArgPlain, TakesUpToTheNextBlankAndConsumesIt) {
  const TokenCase cases[] = {
      {"a.prn b.prn", 0, "a.prn", 6},
      {"a.prn b.prn", 6, "b.prn", 11},
      {"a.prn", 0, "a.prn", 5},
      {"a.prn ", 0, "a.prn", 6},
      {" a.prn", 0, "", 1},        // a blank at the cursor
      {"a  b", 2, "", 3},          // the second of two blanks
      {"a\tb c", 0, "a\tb", 4},    // a tab is part of the path
      {"a\"b c", 0, "a\"b", 4},    // so is a quote inside it
      {"C:\\x y", 0, "C:\\x", 5},  // no escape character
      {"ab", 2, "", 2},            // at the end
      {"\"a\"", 4, "", 4},         // one past the end after a quoted argument
  };
  for (const auto& c : cases) {
    std::size_t pos = c.pos;
    EXPECT_EQ(GetArgPlain(c.text, pos), c.token) << c.text << " @" << c.pos;
    EXPECT_EQ(pos, c.pos_after) << c.text << " @" << c.pos;
  }
}

TEST(GetArgQuoted, TakesTheQuotedTextAndOneCharacterAfterIt) {
  const TokenCase cases[] = {
      {"\"a b\" c", 0, "a b", 6}, {"\"a b\"", 0, "a b", 6},  // the cursor ends one past the text
      {"\"a\"bc", 0, "a", 4},                                // the b is consumed whatever it is
      {"\"\" a", 0, "", 3},                                  // empty quotes
      {"\"abc", 0, "", 0},                                   // no closing quote: nothing moves
      {"a \"b", 2, "", 2},        {"x \"y\" z", 2, "y", 6},
      {"x \"y\" z", 0, "y", 6},   // the opening quote is searched from the cursor
      {"abc", 0, "", 0},          // no quote at all
      {"\"a\"\"b\"", 0, "a", 4},  // a doubled quote has no meaning of its own
  };
  for (const auto& c : cases) {
    std::size_t pos = c.pos;
    EXPECT_EQ(GetArgQuoted(c.text, pos), c.token) << c.text << " @" << c.pos;
    EXPECT_EQ(pos, c.pos_after) << c.text << " @" << c.pos;
  }
}

TEST(SplitArgumentText, ListsPathsUpToTheFirstEmptyToken) {
  const struct {
    std::string text;
    Paths paths;
  } cases[] = {
      {"", {}},
      {"a.prn b.prn", {"a.prn", "b.prn"}},
      {"\"my file.prn\"", {"my file.prn"}},
      {"\"a b\" c", {"a b", "c"}},  // the worked example
      {"\"a b\" \"c d\"", {"a b", "c d"}},
      {"a \"b c\"", {"a", "b c"}},
      {"a.prn  b.prn", {"a.prn"}},  // two blanks end the list
      {" a.prn", {}},
      {"a.prn ", {"a.prn"}},
      {"\"a\"bc", {"a", "c"}},  // the b after the quote is dropped
      {"\"a\"b c", {"a"}},      // the blank after the b is an empty token
      {"a \"\" b", {"a"}},
      {"a \"b", {"a"}},  // unclosed quote
      {"a\"b c", {"a\"b", "c"}},
      {"a\tb", {"a\tb"}},
      {"C:\\spool\\job1.prn \\\\host\\share\\f.prn",
       {"C:\\spool\\job1.prn", "\\\\host\\share\\f.prn"}},
      {"\xe8\xab\x8b\xe6\xb1\x82.prn x", {"\xe8\xab\x8b\xe6\xb1\x82.prn", "x"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitArgumentText(c.text), c.paths) << c.text;
}

TEST(SplitArgumentText, PositionsBeyondSixteenBitsStayExact) {
  const std::string long_path = "/" + std::string(40000, 'x');
  const std::string long_quoted = "/" + std::string(33000, 'y') + " z";
  EXPECT_EQ(SplitArgumentText(long_path + " b.prn \"" + long_quoted + "\" c.prn"),
            (Paths{long_path, "b.prn", long_quoted, "c.prn"}));

  Paths many;
  std::string text;
  for (int i = 0; i < 40000; ++i) {
    many.push_back("f" + std::to_string(i));
    text += many.back() + " ";
  }
  EXPECT_EQ(SplitArgumentText(text), many);
}

}  // namespace
