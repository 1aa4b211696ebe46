// SPDX-License-Identifier: Apache-2.0
#include "platform/spooler/address/printer_address.h"

#include <cctype>
#include <string_view>

namespace platform {
namespace {

constexpr std::string_view kSeparator = "://";
constexpr int kSocketPort = 9100;
constexpr int kIppPort = 631;

bool IsHostCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.' || c == '_';
}

bool IsIpv6Character(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.';
}

// A port of 1-65535, all digits.
bool ReadPort(std::string_view text, int& port) {
  if (text.empty() || text.size() > 5) return false;
  int value = 0;
  for (const char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
    value = value * 10 + (c - '0');
  }
  port = value;
  return value >= 1 && value <= 65535;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

}  // namespace

Status ParseHostPort(std::string_view authority, std::string& host, int& port) {
  const auto fail = [](const std::string& why) { return Status::Fail(why); };
  std::string_view port_text;
  bool has_port = false;
  if (!authority.empty() && authority.front() == '[') {
    const auto close = authority.find(']');
    if (close == std::string_view::npos) return fail("the IPv6 address has no closing ']'");
    host = authority.substr(1, close - 1);
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty() && after.front() != ':') return fail("what follows the IPv6 address is not ':PORT'");
    has_port = !after.empty();
    if (has_port) port_text = after.substr(1);
    if (host.empty() || host.find(':') == std::string::npos) return fail("the IPv6 address is empty");
    for (const char c : host) {
      if (!IsIpv6Character(c)) return fail("the IPv6 address holds '" + std::string(1, c) + "'");
    }
  } else {
    const auto colon = authority.find(':');
    host = authority.substr(0, colon);
    has_port = colon != std::string_view::npos;
    if (has_port) port_text = authority.substr(colon + 1);
    for (const char c : host) {
      if (!IsHostCharacter(c)) return fail("the host name holds '" + std::string(1, c) + "'");
    }
  }
  if (host.empty()) return fail("no host given");
  if (has_port && !ReadPort(port_text, port)) {
    return fail("the port '" + std::string(port_text) + "' is not a number from 1 to 65535");
  }
  return Status::Ok();
}

bool IsPrinterAddress(const std::string& printer_name) { return printer_name.find(kSeparator) != std::string::npos; }

StatusOr<PrinterAddress> ParsePrinterAddress(const std::string& text) {
  const auto fail = [](const std::string& why) {
    return Status::Fail("not a printer address: " + why);
  };
  for (const char c : text) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '\x7F') return fail("it holds a blank or a control character");
  }
  const auto separator = text.find(kSeparator);
  if (separator == std::string::npos) return fail("give socket://HOST[:PORT] or ipp://HOST[:PORT]/PATH");
  PrinterAddress address;
  address.uri = text;
  const std::string scheme = Lower(std::string_view(text).substr(0, separator));
  if (scheme == "socket") {
    address.scheme = AddressScheme::Socket;
  } else if (scheme == "ipp") {
    address.scheme = AddressScheme::Ipp;
  } else if (scheme == "ipps") {
    address.scheme = AddressScheme::Ipps;
  } else {
    return fail("the scheme '" + scheme + "' is not known; give socket://, ipp:// or ipps://");
  }
  const bool ipp = address.scheme != AddressScheme::Socket;
  std::string_view rest = std::string_view(text).substr(separator + kSeparator.size());
  const auto slash = rest.find('/');
  std::string_view authority = rest.substr(0, slash);
  const std::string_view path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  if (!ipp && path.size() > 1) return fail("a socket address has no path or options");
  if (ipp && path.size() < 2) return fail("give the printer's path too, as in ipp://HOST/ipp/print");
  if (ipp && path.find_first_of("?#") != std::string_view::npos) return fail("the path holds '?' or '#'");
  address.port = ipp ? kIppPort : kSocketPort;
  if (auto read = ParseHostPort(authority, address.host, address.port); !read.IsOk()) return fail(read.Reason());
  if (ipp) address.resource = path;
  return address;
}

}  // namespace platform
