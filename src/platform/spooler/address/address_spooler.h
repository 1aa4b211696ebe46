// SPDX-License-Identifier: Apache-2.0
#pragma once
// The spooler of torvane-send: printers named by their address
// (printer_address.h) are reached directly, over a socket or the printer's
// own IPP service; every other name, the printer list and the default
// printer are the system spooler's.
#include <memory>

#include "platform/spooler/spooler.h"

namespace platform {

std::unique_ptr<Spooler> MakeAddressSpooler(std::unique_ptr<Spooler> system);

}  // namespace platform
