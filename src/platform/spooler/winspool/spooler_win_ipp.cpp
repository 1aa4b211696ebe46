// SPDX-License-Identifier: Apache-2.0
// Windows reaches IPP printers through queues of its own spooler (Add a
// printer); a printer's IPP address alone is not printed to here.
#include "platform/spooler/address/address_schemes.h"

namespace platform {
namespace {

constexpr char kUnsupported[] =
    "printing to an ipp:// or ipps:// address is not supported on Windows: add the printer to Windows "
    "and give its name, or use its socket:// address";

}  // namespace

void AddIppSchemes(AddressSchemes& schemes) {
  const AddressBackEnd refused{
      [](const PrinterAddress&, StopCheck) -> StatusOr<std::unique_ptr<PrinterPort>> {
        return Status::Fail(kUnsupported);
      },
      {},
      kUnsupported};
  schemes[AddressScheme::Ipp] = refused;
  schemes[AddressScheme::Ipps] = refused;
}

}  // namespace platform
