#include "filelist/command_line.h"

#include <algorithm>

namespace filelist {

namespace {

constexpr char kBlank = ' ';
constexpr char kQuote = '"';

}  // namespace

std::string GetArgPlain(const std::string& text, std::size_t& pos) {
  const std::size_t blank = text.find(kBlank, pos);
  if (blank != std::string::npos) {
    std::string token = text.substr(pos, blank - pos);
    pos = blank + 1;
    return token;
  }
  // The cursor may already be one past the end after a quoted argument; it
  // never moves back.
  std::string token = pos < text.size() ? text.substr(pos) : std::string();
  pos = std::max(pos, text.size());
  return token;
}

std::string GetArgQuoted(const std::string& text, std::size_t& pos) {
  const std::size_t open = text.find(kQuote, pos);
  if (open == std::string::npos) return {};
  const std::size_t close = text.find(kQuote, open + 1);
  if (close == std::string::npos) return {};
  pos = close + 2;
  return text.substr(open + 1, close - open - 1);
}

std::vector<std::string> SplitArgumentText(const std::string& text) {
  std::vector<std::string> paths;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::string token = text[pos] == kQuote ? GetArgQuoted(text, pos) : GetArgPlain(text, pos);
    if (token.empty()) break;
    paths.push_back(std::move(token));
  }
  return paths;
}

}  // namespace filelist
