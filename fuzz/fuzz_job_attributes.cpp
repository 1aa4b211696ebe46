// SPDX-License-Identifier: Apache-2.0
// The follow-up's reading of a job's and its printer's attributes: any
// bytes as the print server's IPP answer, read as libcups reads an answer,
// then judged.
#include <algorithm>
#include <cstring>

#include "fuzz_check.h"
#include "platform/spooler/cups/spooler_cups_document.h"
#include "platform/spooler/printer.h"

namespace {

struct Input {
  const std::uint8_t* data;
  std::size_t left;
};

ssize_t ReadInput(void* context, ipp_uchar_t* buffer, std::size_t bytes) {
  auto& input = *static_cast<Input*>(context);
  const std::size_t taken = std::min(bytes, input.left);
  std::memcpy(buffer, input.data, taken);
  input.data += taken;
  input.left -= taken;
  return static_cast<ssize_t>(taken);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input input{data, size};
  ipp_t* answer = ippNew();
  // Whatever was read of it, also of an answer cut short.
  static_cast<void>(ippReadIO(&input, ReadInput, 1, nullptr, answer));
  platform::DocumentStatus status;
  platform::cups::ReadJobAttributes(answer, status);
  platform::cups::ReadPrinterAttributes(answer, status);
  ippDelete(answer);
  const platform::FollowUp follow = platform::Judge(status);
  const bool told = follow.fate == platform::Fate::Failed || follow.fate == platform::Fate::Stuck;
  fuzz::Check(!told || !follow.reason.empty(), "a failed or stuck document has a reason");
  return 0;
}
