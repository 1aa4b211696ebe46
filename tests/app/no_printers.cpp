// These window tests need no printer: libcups is pointed at a server that
// does not exist, so the printer list is empty wherever they run.
#include <gtest/gtest.h>

#include <optional>

#include "support/scoped_environment.h"

namespace {

class NoPrinters : public ::testing::Environment {
 public:
  void SetUp() override { server_.emplace("CUPS_SERVER", "/nonexistent/torvane-test/cups.sock"); }
  void TearDown() override { server_.reset(); }

 private:
  std::optional<testsupport::ScopedEnvironment> server_;
};

const auto* const kNoPrinters = ::testing::AddGlobalTestEnvironment(new NoPrinters);

}  // namespace
