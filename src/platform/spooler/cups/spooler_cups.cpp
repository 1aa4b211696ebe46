// SPDX-License-Identifier: Apache-2.0
// The spooler on CUPS, through libcups, talking to the scheduler libcups is
// configured for (CUPS_SERVER, client.conf). Every request goes through a
// connection of this code's own that gives up on a stalled scheduler
// (spooler_cups_connection.h); each opened printer keeps one
// (spooler_cups_port.h).
#include <cups/cups.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/spooler/spooler.h"
#include "platform/spooler/cups/spooler_cups_connection.h"
#include "platform/spooler/cups/spooler_cups_document.h"
#include "platform/spooler/cups/spooler_cups_port.h"

namespace platform {
namespace {

// "name" or "name/instance".
std::string DestinationName(const cups_dest_t& dest) {
  std::string name = dest.name;
  if (dest.instance != nullptr) {
    name += '/';
    name += dest.instance;
  }
  return name;
}

// "name" or "name/instance"; printer names cannot hold a slash.
std::pair<std::string, std::string> SplitDestinationName(const std::string& printer_name) {
  const auto slash = printer_name.find('/');
  if (slash == std::string::npos) return {printer_name, {}};
  return {printer_name.substr(0, slash), printer_name.substr(slash + 1)};
}

class CupsSpooler final : public Spooler {
 public:
  StatusOr<std::unique_ptr<PrinterPort>> Open(const std::string& printer_name, StopCheck stop) override {
    const auto [name, instance] = SplitDestinationName(printer_name);
    if (name.empty()) return Status::Fail("no printer name given");
    auto printer = std::make_unique<cups::CupsPort>(cups::SchedulerQueue(name), std::move(stop), abandoned_);
    if (auto found = printer->Find(instance, printer_name); !found.IsOk()) return found;
    return std::unique_ptr<PrinterPort>(std::move(printer));
  }

  PrinterListing PrinterNames(StopCheck stop) override {
    PrinterListing listing;
    // The server is named here: libcups keeps it per thread, and the
    // lookup runs in a thread of its own.
    const auto list = [server = cups::ServerName()](http_t* http, std::vector<std::string>& names) {
      const cups::Destinations destinations(http);
      if (destinations.Count() == 0 && cups::SchedulerNotAsked()) {
        return Status::Fail(cups::LastCupsError("cannot list the printers of the print server " + server));
      }
      names.reserve(static_cast<std::size_t>(destinations.Count()));
      for (int i = 0; i < destinations.Count(); ++i) names.push_back(DestinationName(destinations[i]));
      return Status::Ok();
    };
    listing.listed = cups::Lookup(stop, list, listing.names);
    return listing;
  }

  DocumentStatus DocumentStatusOf(const std::string& printer_name, int job_id, StopCheck stop) override {
    return cups::AskDocumentStatus(cups::SchedulerQueue(SplitDestinationName(printer_name).first), job_id, std::move(stop));
  }

  PrinterState StateOfPrinter(const std::string& printer_name, StopCheck stop) override {
    return cups::AskPrinterState(cups::SchedulerQueue(SplitDestinationName(printer_name).first), std::move(stop));
  }

  // libcups takes "HOST:PORT" whole, and an IPv6 address in brackets.
  Status UsePrintServer(const std::string& server) override {
    if (server.empty() || server.front() == '/' || server.find_first_of(" \t") != std::string::npos) {
      return Status::Fail("'" + server + "' is not a print server: give HOST or HOST:PORT");
    }
    cupsSetServer(server.c_str());
    return Status::Ok();
  }

  // As lp finds it: LPDEST or PRINTER, the user's lpoptions default, then
  // the scheduler's. A scheduler that cannot be asked has no default to
  // give: the caller only learns that there is none.
  // A scheduler that answers without a default is no failure.
  DefaultPrinter DefaultPrinterName(StopCheck stop) override {
    const auto ask = [server = cups::ServerName()](http_t* http, std::vector<std::string>& name) {
      cups_dest_t* dest = cupsGetNamedDest(http, nullptr, nullptr);
      if (dest == nullptr) {
        return cups::SchedulerNotAsked() ? Status::Fail(cups::LastCupsError("cannot ask the print server " +
                                                                            server + " for its default printer"))
                                         : Status::Ok();
      }
      name.push_back(DestinationName(*dest));
      cupsFreeDests(1, dest);
      return Status::Ok();
    };
    std::vector<std::string> name;
    DefaultPrinter found;
    found.asked = cups::Lookup(stop, ask, name);
    if (!name.empty()) found.name = name.front();
    return found;
  }

 private:
  std::shared_ptr<cups::AbandonedJobs> abandoned_ = std::make_shared<cups::AbandonedJobs>();
};

}  // namespace

std::unique_ptr<Spooler> MakeSystemSpooler() { return std::make_unique<CupsSpooler>(); }

}  // namespace platform
