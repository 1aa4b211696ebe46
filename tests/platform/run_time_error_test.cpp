#include "platform/run_time_error.h"

#include <gtest/gtest.h>

namespace {

using platform::MakeError;
using platform::RunTimeError;
using platform::SkipOnError;

TEST(RunTimeError, CarriesNumberAndText) {
  const RunTimeError e = MakeError(platform::kErrSubscriptOutOfRange);
  EXPECT_EQ(e.Number(), 9);
  EXPECT_EQ(e.Description(), "Subscript out of range");
  EXPECT_EQ(MakeError(platform::kErrPathFileAccess, "/tmp/x.ini").Description(), "Path/File access error: /tmp/x.ini");
  EXPECT_EQ(platform::ErrorMessageText(MakeError(platform::kErrOverflow)), "Run-time error '6':\n\nOverflow");
}

TEST(SkipOnError, PassesErrorsUntilSwitchedOnThenSkipsOnlyTheFailingStep) {
  SkipOnError skip;
  EXPECT_THROW(skip([] { throw MakeError(platform::kErrOverflow); }), RunTimeError);
  skip.On();
  std::vector<int> ran;
  skip([&] { ran.push_back(1); });
  skip([&] {
    throw MakeError(platform::kErrOverflow);
    ran.push_back(2);
  });
  skip([&] { ran.push_back(3); });
  EXPECT_EQ(ran, (std::vector<int>{1, 3}));
  // Only run-time errors are skipped; a programming fault still surfaces.
  EXPECT_THROW(skip([] { throw std::logic_error("bug"); }), std::logic_error);
}

}  // namespace
