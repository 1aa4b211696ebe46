#include "printing/progress_text.h"

#include <algorithm>
#include <cmath>

namespace printing {

namespace {

constexpr std::size_t kTextIndent = 26;
constexpr std::size_t kPercentField = 3;

}  // namespace

float ProgressRatio(std::int64_t done, std::int64_t total) {
  const auto ratio = static_cast<float>(static_cast<double>(static_cast<float>(done)) /
                                        static_cast<double>(total));
  // Callers pass 0 < done < total; a negative count must not reach the
  // integer conversion of the percentage as an infinity.
  return std::clamp(ratio, 0.0f, 1.0f);
}

int ProgressPercent(float ratio) {
  return static_cast<int>(std::floor(static_cast<double>(ratio) * 100.0));
}

std::string ProgressText(int percent) {
  const std::string digits = "  " + std::to_string(percent);
  return std::string(kTextIndent, ' ') + digits.substr(digits.size() - kPercentField) + "%";
}

ProgressUpdate ComputeProgress(std::int64_t done, std::int64_t total) {
  if (done == 0) return {ProgressText(0), true, 0.0f};
  if (done >= total) return {ProgressText(100), false, 1.0f};
  const float ratio = ProgressRatio(done, total);
  return {ProgressText(ProgressPercent(ratio)), false, ratio};
}

float FillWidth(const ProgressUpdate& update, float frame_width) {
  if (update.reset) return 1.0f;
  return static_cast<float>(static_cast<double>(frame_width) * kFullFillShare *
                            static_cast<double>(update.ratio));
}

std::string FileUnderwayText(std::size_t number, std::size_t count, const std::string& name) {
  return "file " + std::to_string(number) + " of " + std::to_string(count) + ": " + name;
}

}  // namespace printing
