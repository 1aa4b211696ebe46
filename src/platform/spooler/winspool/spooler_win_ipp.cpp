// SPDX-License-Identifier: Apache-2.0
// Windows reaches IPP printers through queues of its own spooler (Add a
// printer); a printer's IPP address alone is not printed to here.
#include "platform/spooler/address/ipp_printer.h"

namespace platform {
namespace {

constexpr char kUnsupported[] =
    "printing to an ipp:// or ipps:// address is not supported on Windows: add the printer to Windows "
    "and give its name, or use its socket:// address";

}  // namespace

StatusOr<std::unique_ptr<PrinterPort>> OpenIppPrinter(const PrinterAddress&, StopCheck) {
  return Status::Fail(kUnsupported);
}

DocumentStatus IppDocumentStatus(const PrinterAddress&, int, StopCheck) {
  DocumentStatus status;
  status.asked = Status::Fail(kUnsupported);
  return status;
}

}  // namespace platform
