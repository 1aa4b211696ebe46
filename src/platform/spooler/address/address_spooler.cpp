// SPDX-License-Identifier: Apache-2.0
#include "platform/spooler/address/address_spooler.h"

#include <utility>

#include "platform/spooler/address/ipp_printer.h"
#include "platform/spooler/address/printer_address.h"
#include "platform/spooler/address/socket_port.h"

namespace platform {
namespace {

class AddressSpooler final : public Spooler {
 public:
  explicit AddressSpooler(std::unique_ptr<Spooler> system) : system_(std::move(system)) {}

  StatusOr<std::unique_ptr<PrinterPort>> Open(const std::string& printer_name, StopCheck stop) override {
    if (!IsPrinterAddress(printer_name)) return system_->Open(printer_name, std::move(stop));
    auto parsed = ParsePrinterAddress(printer_name);
    if (!parsed.IsOk()) return parsed.Outcome();
    const PrinterAddress& address = parsed.Value();
    if (address.scheme != AddressScheme::kSocket) return OpenIppPrinter(address, std::move(stop));
    return address::MakeSocketPort(address, std::move(stop), socket_ids_);
  }

  PrinterListing PrinterNames(StopCheck stop) override { return system_->PrinterNames(std::move(stop)); }

  DocumentStatus DocumentStatusOf(const std::string& printer_name, int job_id, StopCheck stop) override {
    if (!IsPrinterAddress(printer_name)) return system_->DocumentStatusOf(printer_name, job_id, std::move(stop));
    DocumentStatus status;
    auto parsed = ParsePrinterAddress(printer_name);
    if (!parsed.IsOk()) {
      status.asked = parsed.Outcome();
      return status;
    }
    if (parsed.Value().scheme != AddressScheme::kSocket) return IppDocumentStatus(parsed.Value(), job_id, std::move(stop));
    status.asked = Status::Fail(Unfollowable(printer_name));
    return status;
  }

  std::string Unfollowable(const std::string& printer_name) override {
    if (!IsPrinterAddress(printer_name)) return system_->Unfollowable(printer_name);
    auto parsed = ParsePrinterAddress(printer_name);
    if (!parsed.IsOk() || parsed.Value().scheme != AddressScheme::kSocket) return {};
    return "a printer at a socket:// address tells nothing of a document once it has read it: that it was "
           "delivered is all that can be known";
  }

  PrinterState StateOfPrinter(const std::string& printer_name, StopCheck stop) override {
    if (IsPrinterAddress(printer_name)) return Spooler::StateOfPrinter(printer_name, std::move(stop));
    return system_->StateOfPrinter(printer_name, std::move(stop));
  }

  DefaultPrinter DefaultPrinterName(StopCheck stop) override { return system_->DefaultPrinterName(std::move(stop)); }

  Status UsePrintServer(const std::string& server) override { return system_->UsePrintServer(server); }

 private:
  std::unique_ptr<Spooler> system_;
  std::shared_ptr<int> socket_ids_ = std::make_shared<int>(0);
};

}  // namespace

std::unique_ptr<Spooler> MakeAddressSpooler(std::unique_ptr<Spooler> system) {
  return std::make_unique<AddressSpooler>(std::move(system));
}

}  // namespace platform
