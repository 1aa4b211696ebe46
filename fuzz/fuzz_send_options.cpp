// SPDX-License-Identifier: Apache-2.0
// torvane-send's option parser: any arguments, as NUL-separated pieces.
#include <algorithm>

#include "fuzz_check.h"
#include "send/send_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto args = fuzz::Pieces(fuzz::Text(data, size));
  const sender::ParsedOptions parsed = sender::ParseSendOptions(args);
  const sender::SendOptions& options = parsed.options;
  fuzz::Check(parsed.usable.IsOk() || !parsed.usable.Reason().empty(), "arguments not usable say why");
  if (!parsed.usable.IsOk()) return 0;
  fuzz::Check(!options.wait_limit || (options.wait && *options.wait_limit >= 0),
              "a wait limit is a wait's, not negative");
  std::size_t files_seen = 0, standard_inputs = 0;
  for (const auto& file : options.files) {
    files_seen += std::find(args.begin(), args.end(), file) != args.end();
    standard_inputs += file == sender::kStandardInput;
  }
  fuzz::Check(files_seen == options.files.size(), "each file is one of the arguments, whole");
  fuzz::Check(standard_inputs <= 1, "standard input is sent once at most");
  if (options.action == sender::SendAction::Send) {
    fuzz::Check(!options.files.empty(), "a send has files");
    fuzz::Check(options.title.empty() || options.files.size() == 1, "a title is for one file");
  }
  return 0;
}
