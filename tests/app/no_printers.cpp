// These window tests need no printer: libcups is pointed at a server that
// does not exist, so the printer list is empty wherever they run.
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class NoPrinters : public ::testing::Environment {
 public:
  void SetUp() override { setenv("CUPS_SERVER", "/nonexistent/torvane-test/cups.sock", 1); }
};

const auto* const kNoPrinters = ::testing::AddGlobalTestEnvironment(new NoPrinters);

}  // namespace
