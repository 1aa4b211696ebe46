// SPDX-License-Identifier: Apache-2.0
#pragma once
// A printer reached by its network address rather than through a queue of
// the spooler: "socket://HOST[:PORT]" (AppSocket: the bytes over a plain
// TCP connection, port 9100 by default), "ipp://HOST[:PORT]/PATH" and
// "ipps://HOST[:PORT]/PATH" (the printer's own IPP service, port 631 by
// default). HOST is a name, an IPv4 address or an IPv6 address in
// brackets ("[::1]").
#include <string>
#include <string_view>

#include "platform/status.h"

namespace platform {

enum class AddressScheme { Socket, Ipp, Ipps };

struct PrinterAddress {
  AddressScheme scheme = AddressScheme::Socket;
  std::string host;      // without the brackets of an IPv6 address
  int port = 0;
  std::string resource;  // ipp and ipps: the path, from its '/'; socket: empty
  std::string uri;       // the address as given
};

// Whether `printer_name` is meant as an address ("SCHEME://..."), whether
// or not it is a valid one: no queue's name holds "://".
bool IsPrinterAddress(const std::string& printer_name);

// Reads an address; fails, saying what is wrong, for anything else than the
// forms above (an unknown scheme, no host, a port outside 1-65535, blanks
// or control characters, a socket address with a path, an IPP one without).
StatusOr<PrinterAddress> ParsePrinterAddress(const std::string& text);

// HOST[:PORT] as an address holds it (HOST as above, PORT 1-65535): `port`
// is left as it is when none is given. Fails saying what is wrong.
Status ParseHostPort(std::string_view authority, std::string& host, int& port);

}  // namespace platform
