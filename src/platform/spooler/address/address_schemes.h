// SPDX-License-Identifier: Apache-2.0
#pragma once
// The back ends of printers named by their address, one a scheme: each
// adds its own to the table, and keeps the rest of itself to itself. The
// socket back end (socket_port.cpp) adds socket://; the platform's
// spooler back end adds ipp:// and ipps:// (over CUPS, or refusing them on
// Windows).
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/spooler/address/printer_address.h"
#include "platform/spooler/spooler.h"

namespace platform {

struct AddressBackEnd {
  std::function<StatusOr<std::unique_ptr<PrinterPort>>(const PrinterAddress&, StopCheck)> open;
  // Where job `job_id` at the printer stands, as Spooler::DocumentStatusOf;
  // empty for a printer that tells nothing of its documents.
  std::function<DocumentStatus(const PrinterAddress&, int job_id, StopCheck)> follow;
  // Why its documents cannot be followed, when they cannot.
  std::string unfollowable;
};

using AddressSchemes = std::map<AddressScheme, AddressBackEnd>;

void AddSocketScheme(AddressSchemes& schemes);
void AddIppSchemes(AddressSchemes& schemes);

}  // namespace platform
