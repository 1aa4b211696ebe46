// SPDX-License-Identifier: Apache-2.0
#pragma once
// What the print benchmark measures with, besides the clock: CPU time,
// memory, the scheduler's timer slack and the machine's load, all read from
// the kernel; and the median of a series.
#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Ends the benchmark with `what`; main reports it.
[[noreturn]] void Fail(const std::string& what);

// A "Name:   1234 kB" line of /proc/PID/status, in KiB; by default this
// process's own.
long StatusKib(const char* name, pid_t pid = 0);
// Sets VmHWM back to the current VmRSS, so that it records this job's peak
// alone; false where the kernel does not offer that.
bool ResetPeakRss();

double CpuSeconds(const rusage& usage);
double OwnCpuSeconds();
// User and system time of another process so far.
double ProcessCpuSeconds(pid_t pid);

long TimerSlackNs(pid_t pid);
void SetTimerSlackNs(pid_t pid, long slack);

double Median(std::vector<double> values);
// "0.52 0.58 0.59 ...": how busy the machine was, which the figures depend on.
std::string LoadAverage();

}  // namespace bench
