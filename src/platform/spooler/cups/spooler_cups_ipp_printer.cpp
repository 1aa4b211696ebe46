// SPDX-License-Identifier: Apache-2.0
// A printer's own IPP service, reached by its address through the same
// port and watched connection as a queue of the scheduler: a scheduler's
// queue is an IPP printer too.
#include <memory>
#include <string>
#include <utility>

#include "platform/spooler/address/address_schemes.h"
#include "platform/spooler/cups/spooler_cups_document.h"
#include "platform/spooler/cups/spooler_cups_port.h"

namespace platform {
namespace {

cups::Target PrinterTarget(const PrinterAddress& address) {
  const bool encrypted = address.scheme == AddressScheme::Ipps;
  cups::Target target;
  target.host = address.host;
  target.port = address.port;
  target.encryption = encrypted ? HTTP_ENCRYPTION_ALWAYS : HTTP_ENCRYPTION_IF_REQUESTED;
  // The scheme as printers compare it, in lower case.
  target.printer_uri = (encrypted ? "ipps" : "ipp") + address.uri.substr(address.uri.find(':'));
  target.resource = address.resource;
  target.format = "application/octet-stream";
  target.shown = address.uri;
  return target;
}

}  // namespace

void AddIppSchemes(AddressSchemes& schemes) {
  const AddressBackEnd ipp{
      [](const PrinterAddress& address, StopCheck stop) -> StatusOr<std::unique_ptr<PrinterPort>> {
        auto printer = std::make_unique<cups::CupsPort>(PrinterTarget(address), std::move(stop), nullptr);
        if (auto reached = printer->Reach(); !reached.IsOk()) return reached;
        return std::unique_ptr<PrinterPort>(std::move(printer));
      },
      [](const PrinterAddress& address, int job_id, StopCheck stop) {
        return cups::AskDocumentStatus(PrinterTarget(address), job_id, std::move(stop));
      },
      {}};
  schemes[AddressScheme::Ipp] = ipp;
  schemes[AddressScheme::Ipps] = ipp;
}

}  // namespace platform
