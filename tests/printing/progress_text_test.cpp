#include "printing/progress_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using printing::ComputeProgress;
using printing::FillWidth;

constexpr float kFrame = 3495;  // the frame's width as created
const std::string kIndent(26, ' ');

TEST(ProgressText, RightAlignsThePercentageInThreeCharacters) {
  const struct {
    int percent;
    const char* field;
  } cases[] = {{0, "  0%"}, {7, "  7%"}, {40, " 40%"}, {99, " 99%"}, {100, "100%"}};
  for (const auto& c : cases) EXPECT_EQ(printing::ProgressText(c.percent), kIndent + c.field);
}

TEST(ComputeProgress, TakesOneOfThreeBranches) {
  const struct {
    std::int64_t done, total;
    const char* field;
    bool reset;
    float fill;
  } cases[] = {
      {0, 0, "  0%", true, 1},
      {0, 1000, "  0%", true, 1},
      {0, -5, "  0%", true, 1},
      {5, 0, "100%", false, 3390.15f},
      {10, 10, "100%", false, 3390.15f},
      {11, 10, "100%", false, 3390.15f},
      {100000, 250000, " 40%", false, 1356.06f},
      // The single-precision ratio lies just below these exact percentages.
      {29, 100, " 28%", false, 983.1435f},
      {57, 100, " 56%", false, 1932.3855f},
      {1, 100, "  0%", false, 33.9015f},
      {7, 100, "  7%", false, 237.3105f},
      // Not a reset: the fill is a thousandth of the full width, not one twip.
      {1, 1000, "  0%", false, 3.39015f},
      // Files beyond 2 GiB and 4 GiB.
      {3'000'000'000, 4'000'000'000, " 75%", false, 2542.6125f},
      {std::int64_t{1} << 32, std::int64_t{5} << 30, " 80%", false, 2712.12f},
      {std::int64_t{5} << 30, std::int64_t{5} << 30, "100%", false, 3390.15f},
  };
  for (const auto& c : cases) {
    const auto update = ComputeProgress(c.done, c.total);
    EXPECT_EQ(update.text, kIndent + c.field) << c.done << "/" << c.total;
    EXPECT_EQ(update.text.size(), printing::kProgressTextLength);
    EXPECT_EQ(update.reset, c.reset) << c.done << "/" << c.total;
    EXPECT_FLOAT_EQ(FillWidth(update, kFrame), c.fill) << c.done << "/" << c.total;
  }
}

TEST(ComputeProgress, FillFollowsTheFramesCurrentWidth) {
  const auto forty = ComputeProgress(100000, 250000);
  EXPECT_EQ(FillWidth(forty, 6990), 2 * FillWidth(forty, 3495));
  EXPECT_EQ(FillWidth(ComputeProgress(0, 10), 6990), 1.0f);
  EXPECT_FLOAT_EQ(FillWidth(ComputeProgress(10, 10), 1000), 970.0f);
}

TEST(ComputeProgress, LargeFilesReadWithinOnePercentOfTheExactValue) {
  // Sweep a file of about 6 GiB in uneven steps: single precision keeps
  // the percentage within one of the exact one and never past 100.
  const std::int64_t total = 6'442'450'943;
  for (std::int64_t done = 1; done < total; done += 97'654'321) {
    const auto update = ComputeProgress(done, total);
    const int exact = static_cast<int>(done * 100 / total);
    const int shown = std::stoi(update.text.substr(26, 3));
    EXPECT_LE(std::abs(shown - exact), 1) << done;
    EXPECT_LE(shown, 100) << done;
    EXPECT_EQ(update.text.size(), printing::kProgressTextLength);
  }
}

TEST(ComputeProgress, CountsOutsideTheCallersRangeStayWithinTheBar) {
  // Callers never pass a negative count; should one arrive, the display
  // must still read 0 to 100 and keep the fill inside the frame.
  const struct {
    std::int64_t done, total;
  } cases[] = {{-5, 10}, {-5, 0}, {-20, -10}, {INT64_MIN, 1}};
  for (const auto& c : cases) {
    const auto update = ComputeProgress(c.done, c.total);
    EXPECT_EQ(update.text.size(), printing::kProgressTextLength);
    EXPECT_GE(update.ratio, 0.0f);
    EXPECT_LE(update.ratio, 1.0f);
    EXPECT_LE(FillWidth(update, kFrame), 3390.15f);
  }
}

}  // namespace
