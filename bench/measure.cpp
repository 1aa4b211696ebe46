#include "bench/measure.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace bench {

void Fail(const std::string& what) { throw std::runtime_error(what); }

long StatusKib(const char* name, pid_t pid) {
  const std::string file = "/proc/" + (pid == 0 ? std::string("self") : std::to_string(pid)) + "/status";
  std::ifstream status(file);
  std::string line;
  const std::string key = std::string(name) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0) return std::strtol(line.c_str() + key.size(), nullptr, 10);
  }
  Fail(std::string("no ") + name + " in " + file);
}

bool ResetPeakRss() {
  std::ofstream clear_refs("/proc/self/clear_refs");
  clear_refs << "5" << std::flush;
  return static_cast<bool>(clear_refs);
}

double CpuSeconds(const rusage& usage) {
  const auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return s(usage.ru_utime) + s(usage.ru_stime);
}

double OwnCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return CpuSeconds(usage);
}

// Fields 14 and 15 of /proc/PID/stat, counted after the name in parentheses,
// which may itself hold blanks.
double ProcessCpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  const auto after_name = text.rfind(')');
  if (after_name == std::string::npos) Fail("cannot read the CPU time of process " + std::to_string(pid));
  std::istringstream fields(text.substr(after_name + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long TimerSlackNs(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/timerslack_ns");
  long slack = -1;
  in >> slack;
  return slack;
}

void SetTimerSlackNs(pid_t pid, long slack) {
  std::ofstream out("/proc/" + std::to_string(pid) + "/timerslack_ns");
  out << slack << std::flush;
  if (!out || TimerSlackNs(pid) != slack) Fail("cannot set the scheduler's timer slack (root only)");
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string line;
  std::getline(in, line);
  return line + "\n";
}

}  // namespace bench
