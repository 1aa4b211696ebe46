// SPDX-License-Identifier: Apache-2.0
// The Windows command line's tokenizers: the program's path taken off the
// line, and the file paths split out of the argument text.
#include <algorithm>

#include "filelist/command_line.h"
#include "fuzz_check.h"
#include "platform/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(fuzz::Text(data, size));

  const std::string rest = platform::WithoutProgramPath(text);
  fuzz::Check(text.size() >= rest.size() && text.compare(text.size() - rest.size(), rest.size(), rest) == 0,
              "what follows the program's path is the end of the line");
  fuzz::Check(rest.empty() || (rest[0] != ' ' && rest[0] != '\t'), "no blank leads the arguments");

  for (const auto& path : filelist::SplitArgumentText(text)) {
    fuzz::Check(!path.empty() && text.find(path) != std::string::npos, "each path is a piece of the text");
  }
  // From any cursor, also one past the end, neither tokenizer moves back
  // or past the end of what it read.
  for (std::size_t start = 0; start <= text.size() + 1 && start < 64; ++start) {
    std::size_t plain = start, quoted = start;
    filelist::GetArgPlain(text, plain);
    filelist::GetArgQuoted(text, quoted);
    fuzz::Check(plain >= start && plain <= std::max(start, text.size()), "the plain cursor stays in the text");
    fuzz::Check(quoted >= start && quoted <= text.size() + 1, "the quoted cursor stays in the text");
  }

  // Paths without quotes, joined as the window's caller joins them (a path
  // with a blank in quotes), split back into the same paths.
  std::vector<std::string> paths;
  std::string joined;
  for (const auto& piece : fuzz::Pieces(text)) {
    if (piece.empty() || piece.find('"') != std::string::npos) continue;
    paths.push_back(piece);
    joined += (joined.empty() ? "" : " ") + (piece.find(' ') != std::string::npos ? '"' + piece + '"' : piece);
  }
  fuzz::Check(filelist::SplitArgumentText(joined) == paths, "joined paths split back into the same paths");
  return 0;
}
