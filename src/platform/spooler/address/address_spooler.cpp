// SPDX-License-Identifier: Apache-2.0
#include "platform/spooler/address/address_spooler.h"

#include <optional>
#include <utility>

#include "platform/spooler/address/address_schemes.h"
#include "platform/spooler/address/printer_address.h"

namespace platform {
namespace {

// Who takes a printer's documents: the system spooler, or the back end of
// its address's scheme.
struct Route {
  std::string name;
  bool system = true;
  Status found;  // fails for an address that is not valid
  PrinterAddress address;
  const AddressBackEnd* back_end = nullptr;
};

class AddressSpooler final : public Spooler {
 public:
  explicit AddressSpooler(std::unique_ptr<Spooler> system) : system_(std::move(system)) {
    AddSocketScheme(schemes_);
    AddIppSchemes(schemes_);
  }

  StatusOr<std::unique_ptr<PrinterPort>> Open(const std::string& printer_name, StopCheck stop) override {
    const Route& route = RouteOf(printer_name);
    if (route.system) return system_->Open(printer_name, std::move(stop));
    if (!route.found.IsOk()) return route.found;
    return route.back_end->open(route.address, std::move(stop));
  }

  PrinterListing PrinterNames(StopCheck stop) override { return system_->PrinterNames(std::move(stop)); }

  DocumentStatus DocumentStatusOf(const std::string& printer_name, int job_id, StopCheck stop) override {
    const Route& route = RouteOf(printer_name);
    if (route.system) return system_->DocumentStatusOf(printer_name, job_id, std::move(stop));
    DocumentStatus status;
    if (!route.found.IsOk()) {
      status.asked = route.found;
    } else if (!route.back_end->follow) {
      status.asked = Status::Fail(route.back_end->unfollowable);
    } else {
      status = route.back_end->follow(route.address, job_id, std::move(stop));
    }
    return status;
  }

  std::string Unfollowable(const std::string& printer_name) override {
    const Route& route = RouteOf(printer_name);
    if (route.system) return system_->Unfollowable(printer_name);
    return route.found.IsOk() ? route.back_end->unfollowable : std::string();
  }

  PrinterState StateOfPrinter(const std::string& printer_name, StopCheck stop) override {
    if (IsPrinterAddress(printer_name)) return Spooler::StateOfPrinter(printer_name, std::move(stop));
    return system_->StateOfPrinter(printer_name, std::move(stop));
  }

  DefaultPrinter DefaultPrinterName(StopCheck stop) override { return system_->DefaultPrinterName(std::move(stop)); }

  Status UsePrintServer(const std::string& server) override { return system_->UsePrintServer(server); }

 private:
  // The name is read once; the calls about one printer come in a row.
  const Route& RouteOf(const std::string& printer_name) {
    if (route_ && route_->name == printer_name) return *route_;
    route_.emplace();
    route_->name = printer_name;
    route_->system = !IsPrinterAddress(printer_name);
    if (route_->system) return *route_;
    auto parsed = ParsePrinterAddress(printer_name);
    if (!parsed.IsOk()) {
      route_->found = parsed.Outcome();
      return *route_;
    }
    route_->address = std::move(parsed.Value());
    const auto scheme = schemes_.find(route_->address.scheme);
    if (scheme == schemes_.end()) {
      route_->found = Status::Fail("printing to " + printer_name + " is not supported here");
    } else {
      route_->back_end = &scheme->second;
    }
    return *route_;
  }

  std::unique_ptr<Spooler> system_;
  AddressSchemes schemes_;
  std::optional<Route> route_;
};

}  // namespace

std::unique_ptr<Spooler> MakeAddressSpooler(std::unique_ptr<Spooler> system) {
  return std::make_unique<AddressSpooler>(std::move(system));
}

}  // namespace platform
