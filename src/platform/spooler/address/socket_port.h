// SPDX-License-Identifier: Apache-2.0
#pragma once
// A printer at socket://HOST[:PORT] (AppSocket): each document goes over a
// TCP connection of its own, and counts as taken once the printer has
// acknowledged all of it and closed the connection, or acknowledged all of
// it and stayed silent for the stall limit (a DeliveryNote says so). A
// printer that ends its side first, or resets the connection, did not take
// it. There is no job at the printer:
// a document's id is the next of `ids`, a running number shared by the
// printers opened in one run.
#include <memory>

#include "platform/spooler/address/printer_address.h"
#include "platform/spooler/spooler.h"

namespace platform::address {

std::unique_ptr<PrinterPort> MakeSocketPort(PrinterAddress address, StopCheck stop, std::shared_ptr<int> ids);

}  // namespace platform::address
