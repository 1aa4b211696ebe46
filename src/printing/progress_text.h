// SPDX-License-Identifier: Apache-2.0
#pragma once
// The arithmetic of the progress display: the percentage text shown in both
// percentage labels and the width of the blue fill inside the frame.
#include <cstddef>
#include <cstdint>
#include <string>

namespace printing {

// The percentage text: 26 blanks, the percentage right-aligned in three
// characters, then "%".
inline constexpr std::size_t kProgressTextLength = 30;

// At 100 % the fill covers this share of the frame's width.
inline constexpr double kFullFillShare = 0.97;

// One update of the display.
struct ProgressUpdate {
  std::string text;
  bool reset = false;  // the fill is one twip wide
  float ratio = 0;     // otherwise its share of the full fill; 1 when complete
};

// done/total in single precision, as the display rounds it: done is
// converted to single precision, divided by total in double precision and
// the quotient rounded to single precision. Kept within 0 to 1.
float ProgressRatio(std::int64_t done, std::int64_t total);

// The whole percent of a ratio, taken from the single-precision value
// without rounding it again: 29 of 100 reads 28.
int ProgressPercent(float ratio);

// The 30-character text for a percentage from 0 to 100.
std::string ProgressText(int percent);

// done = 0 resets; done >= total is complete; anything else is in progress.
ProgressUpdate ComputeProgress(std::int64_t done, std::int64_t total);

// The fill's width in twips for a frame `frame_width` twips wide.
float FillWidth(const ProgressUpdate& update, float frame_width);

// What screen readers hear of the progress display beside the percentage:
// the file going, "file 2 of 5: name.prn" (`number` counting from 1), and
// once a job has sent every file with nothing to report, kAllSentText.
std::string FileUnderwayText(std::size_t number, std::size_t count, const std::string& name);
inline constexpr char kAllSentText[] = "all files sent";

}  // namespace printing
