// SPDX-License-Identifier: Apache-2.0
#pragma once
// A printer's own IPP service at ipp:// or ipps://, reached without a
// queue: each document one job of its own there (Create-Job, then
// Send-Document as application/octet-stream), followed there by its job id.
// The CUPS back end provides it; elsewhere opening one says why it cannot.
#include <memory>

#include "platform/spooler/address/printer_address.h"
#include "platform/spooler/spooler.h"

namespace platform {

StatusOr<std::unique_ptr<PrinterPort>> OpenIppPrinter(const PrinterAddress& address, StopCheck stop);

// Where job `job_id` at the printer stands, as Spooler::DocumentStatusOf.
DocumentStatus IppDocumentStatus(const PrinterAddress& address, int job_id, StopCheck stop);

}  // namespace platform
