// SPDX-License-Identifier: Apache-2.0
#pragma once
// The file list at its largest on real widgets, on every window system: a
// drop of 32,767 files in both modes and switching Full Path off and on.
#include <functional>
#include <string>
#include <vector>

namespace bench {

inline constexpr int kRounds = 5;
inline constexpr double kDropAimMs = 30;

// 32,767 paths, made by `path` from 0 to 32,766.
std::vector<std::string> Paths(const std::function<std::string(int)>& path);

// Times each drop of `paths` and each toggle on the file list's own form,
// from a settled event loop until `settle` has run it dry (layout and
// repaint included), best of kRounds runs; prints the times and returns
// whether each was under kDropAimMs.
bool TimeDrops(const std::function<void()>& settle, const std::vector<std::string>& paths);

}  // namespace bench
