// SPDX-License-Identifier: Apache-2.0
#include "platform/spooler/address/printer_address.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(PrinterAddress, ReadsEachFormWithItsDefaultPort) {
  const struct {
    std::string text;
    AddressScheme scheme;
    std::string host;
    int port;
    std::string resource;
  } cases[] = {
      {"socket://printer.local", AddressScheme::Socket, "printer.local", 9100, ""},
      {"socket://10.0.0.7:9101/", AddressScheme::Socket, "10.0.0.7", 9101, ""},
      {"SOCKET://[::1]:65535", AddressScheme::Socket, "::1", 65535, ""},
      {"ipp://host/ipp/print", AddressScheme::Ipp, "host", 631, "/ipp/print"},
      {"ipps://[2001:db8::1]:8631/printers/Q", AddressScheme::Ipps, "2001:db8::1", 8631, "/printers/Q"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ASSERT_TRUE(IsPrinterAddress(c.text));
    const auto parsed = ParsePrinterAddress(c.text);
    ASSERT_TRUE(parsed.IsOk()) << parsed.Outcome().Reason();
    EXPECT_EQ(parsed.Value().scheme, c.scheme);
    EXPECT_EQ(parsed.Value().host, c.host);
    EXPECT_EQ(parsed.Value().port, c.port);
    EXPECT_EQ(parsed.Value().resource, c.resource);
  }
  EXPECT_FALSE(IsPrinterAddress("Office/duplex"));
}

TEST(PrinterAddress, RefusesWhatIsNoPrinterAddressSayingWhy) {
  const struct {
    std::string text, why;
  } cases[] = {
      {"socket://", "no host given"},
      {"socket://host:0", "the port '0' is not a number from 1 to 65535"},
      {"socket://host:99999", "the port '99999' is not a number from 1 to 65535"},
      {"socket://host:", "the port '' is not a number from 1 to 65535"},
      {"socket://[::1]:", "the port '' is not a number from 1 to 65535"},
      {"socket://[::1", "the IPv6 address has no closing ']'"},
      {"socket://ho st", "it holds a blank or a control character"},
      {"socket://host\x1b[2J", "it holds a blank or a control character"},
      {"socket://user@host", "the host name holds '@'"},
      {"socket://host/queue", "a socket address has no path or options"},
      {"foo://host", "the scheme 'foo' is not known; give socket://, ipp:// or ipps://"},
      {"ipp://host", "give the printer's path too, as in ipp://HOST/ipp/print"},
      {"ipp://host/print?x=1", "the path holds '?' or '#'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto parsed = ParsePrinterAddress(c.text);
    ASSERT_FALSE(parsed.IsOk());
    EXPECT_EQ(parsed.Outcome().Reason(), "not a printer address: " + c.why);
  }
}

}  // namespace
}  // namespace platform
