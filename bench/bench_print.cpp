// How fast a large file reaches the spooler through the window's print
// job, next to a bare libcups sender and `lp -o raw`, all into one private
// scheduler in the same run; and what the job costs the window meanwhile:
// its peak memory growth and the longest time its event loop went without
// running.
//
//   bench_print [--mib N] [--rounds N] [--folder DIR] [--cupsd-timer-slack NS] [--check]
//
// N MiB of pseudo-random data (1024 by default) go through every sender
// once per round, the senders' order rotating from round to round, after
// one warm-up round that is shown but not counted. Before each run the
// file is dropped from the page cache, so every sender reads it from disk;
// after each run the captured document is compared byte for byte with the
// file, removed, and the file system synced, so that no sender inherits
// another's write-back. Set QT_QPA_PLATFORM=offscreen to run without a
// display. With --check the exit status is 1 when an aim is missed.
//
// cupsd takes a document 32 KiB at a time and pauses briefly between two
// such reads; with the kernel's default timer slack (50 us) those pauses
// bound what any sender reaches. --cupsd-timer-slack sets the scheduler's
// slack (in nanoseconds, root only) so that the senders' own costs show.
#include <cups/cups.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/kel_prn_print.h"
#include "platform/settings_store.h"
#include "platform/spooler.h"
#include "printing/print_job.h"
#include "support/private_cups.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char kQueue[] = "Bench";
constexpr std::size_t kBlock = 1 << 20;

// The aims the job is held to. Its ratio to `lp -o raw` is shown beside
// them but not held: it can reach no more than the bare sender's ratio to
// lp, which cupsd's own reading caps.
constexpr double kAimOfBare = 0.95;   // at least this share of a bare sender
constexpr long kAimGrowthKib = 1024;  // peak memory growth below this
constexpr double kAimStallMs = 50.0;  // no event-loop gap above this

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

struct Options {
  std::int64_t mib = 1024;
  int rounds = 3;
  fs::path folder = fs::temp_directory_path();
  std::optional<long> cupsd_timer_slack_ns;
  bool check = false;  // exit 1 when an aim is missed
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--check") {
      options.check = true;
      continue;
    }
    if (i + 1 >= argc) {
      Fail("usage: bench_print [--mib N] [--rounds N] [--folder DIR] [--cupsd-timer-slack NS] [--check]");
    }
    const std::string value = argv[++i];
    if (arg == "--mib") {
      options.mib = std::stoll(value);
    } else if (arg == "--rounds") {
      options.rounds = std::stoi(value);
    } else if (arg == "--folder") {
      options.folder = value;
    } else if (arg == "--cupsd-timer-slack") {
      options.cupsd_timer_slack_ns = std::stol(value);
    } else {
      Fail("unknown option " + arg);
    }
  }
  if (options.mib < 1 || options.rounds < 1) Fail("--mib and --rounds must be at least 1");
  return options;
}

// A folder of the run's own, removed with everything in it at the end.
class TempFolder {
 public:
  explicit TempFolder(const fs::path& parent) {
    std::string pattern = (parent / "torvane-bench.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) Fail("cannot make a folder in " + parent.string());
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

class Fd {
 public:
  Fd(const fs::path& path, int flags, mode_t mode = 0644) : fd_(open(path.c_str(), flags | O_CLOEXEC, mode)) {
    if (fd_ < 0) Fail("cannot open " + path.string() + ": " + std::strerror(errno));
  }
  ~Fd() { close(fd_); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// Reads until `size` bytes are in or the file ends; returns how many.
std::size_t ReadFull(int fd, unsigned char* buffer, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = read(fd, buffer + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(std::string("read: ") + std::strerror(errno));
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

// Real data, so that reading it costs what reading a print file costs.
// The first byte is never 0x1f: `lp` unpacks a file that starts like gzip.
void WriteTestFile(const fs::path& path, std::int64_t size) {
  Fd file(path, O_WRONLY | O_CREAT | O_TRUNC);
  std::vector<unsigned char> block(kBlock);
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  for (std::int64_t done = 0; done < size; done += static_cast<std::int64_t>(kBlock)) {
    for (std::size_t i = 0; i < kBlock; i += 8) {  // splitmix64
      std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
      z ^= z >> 31;
      std::memcpy(block.data() + i, &z, 8);
    }
    if (done == 0 && block[0] == 0x1f) block[0] = 0x1e;
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(size - done, kBlock));
    if (write(file.Get(), block.data(), n) != static_cast<ssize_t>(n)) Fail("cannot write " + path.string());
  }
  if (fsync(file.Get()) != 0) Fail("cannot sync " + path.string());
}

// Drops the file's pages from the page cache, so the next read comes from disk.
void EvictFromCache(const fs::path& path) {
  Fd file(path, O_RDONLY);
  posix_fadvise(file.Get(), 0, 0, POSIX_FADV_DONTNEED);
}

// A "Name:   1234 kB" line of /proc/self/status, in KiB.
long StatusKib(const char* name) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string key = std::string(name) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(key, 0) == 0) return std::strtol(line.c_str() + key.size(), nullptr, 10);
  }
  Fail(std::string("no ") + name + " in /proc/self/status");
}

// Sets VmHWM back to the current VmRSS, so that it records this job's peak
// alone; false where the kernel does not offer that.
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

// User and system time of another process so far (fields 14 and 15 of its stat).
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

// Watches the event loop while a job runs: a 1 ms timer fires on the first
// pass of the loop after each millisecond, so the longest time between two
// of its ticks (and from the start to the first, and from the last to the
// end) is the longest time the loop did not run, to within 1 ms. A 0 ms
// timer would fire on every pass and add its own cost to every chunk. Each tick also samples the resident
// size now and then, and answers any message box, which would otherwise
// wait for a click that never comes.
class EventLoopMonitor {
 public:
  EventLoopMonitor() {
    timer_.setInterval(1);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
  }

  void Start() {
    messages_.clear();
    longest_gap_ = {};
    peak_rss_kib_ = 0;
    started_ = last_tick_ = last_sample_ = Clock::now();
    timer_.start();
  }

  void Stop() {
    timer_.stop();
    NoteGap(Clock::now());
  }

  double LongestGapMs() const { return std::chrono::duration<double, std::milli>(longest_gap_).count(); }
  // When the longest gap ended, in seconds after Start: near 0 or near the
  // job's end it was the spooler's request and answer, otherwise a write.
  double LongestGapEnd() const { return Seconds(longest_gap_end_ - started_); }
  long PeakSampledRssKib() const { return peak_rss_kib_; }
  const std::vector<std::string>& Messages() const { return messages_; }

 private:
  // Reading /proc/self/status costs a little; the peak itself comes from
  // VmHWM wherever it can be reset.
  static constexpr auto kSampleEvery = std::chrono::milliseconds(100);

  void NoteGap(Clock::time_point now) {
    if (now - last_tick_ > longest_gap_) {
      longest_gap_ = now - last_tick_;
      longest_gap_end_ = now;
    }
    last_tick_ = now;
  }

  void Tick() {
    const auto now = Clock::now();
    NoteGap(now);
    if (now - last_sample_ >= kSampleEvery) {
      peak_rss_kib_ = std::max(peak_rss_kib_, StatusKib("VmRSS"));
      last_sample_ = now;
    }
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      messages_.push_back(box->text().toStdString());
      box->done(QMessageBox::Ok);
    }
  }

  QTimer timer_;
  Clock::duration longest_gap_{};
  Clock::time_point started_, last_tick_, last_sample_, longest_gap_end_;
  long peak_rss_kib_ = 0;
  std::vector<std::string> messages_;
};

enum class Sender { kJob, kBare, kLp };
constexpr Sender kSenders[] = {Sender::kJob, Sender::kBare, Sender::kLp};

const char* SenderName(Sender sender) {
  switch (sender) {
    case Sender::kJob:
      return "program's job";
    case Sender::kBare:
      return "bare libcups";
    case Sender::kLp:
      return "lp -o raw";
  }
  return "?";
}

struct Run {
  Sender sender = Sender::kJob;
  double seconds = 0;
  double sender_cpu = 0;  // seconds of CPU the sender used
  double cupsd_cpu = 0;   // seconds of CPU the scheduler used meanwhile
  // The job only:
  double stall_ms = 0;
  double stall_end = 0;  // seconds into the job
  long growth_kib = 0;
};

// The window as the program builds it, over an INI file in the run's
// folder that names the bench queue as the saved printer, listing the file.
class Window {
 public:
  Window(const fs::path& folder, const fs::path& file)
      : settings_(platform::MakeIniSettingsStore((folder / "Torvane.ini").string())),
        spooler_(platform::MakeSystemSpooler()) {
    settings_->Save(app::kAppName, app::kSection, "ListIdx", kQueue);
    window_ = std::make_unique<app::KelPrnPrint>(app::Services{*settings_, *spooler_, "\"" + file.string() + "\""});
    window_->Form_Load();
    window_->Show();
    QApplication::processEvents();
    if (window_->List_printer.ListIndex() < 0 ||
        window_->List_printer.List(window_->List_printer.ListIndex()) != kQueue) {
      Fail(std::string("the window did not select the queue ") + kQueue);
    }
    if (window_->List_File.ListCount() != 1) Fail("the window did not list the file");
  }

  // Runs the Print button's handler, as a click does, and measures the job
  // until its end has reached the window.
  Run PrintOnce() {
    Run run;
    const long rss_before = StatusKib("VmRSS");
    const bool peak_reset = ResetPeakRss();
    const double cpu_before = OwnCpuSeconds();
    monitor_.Start();
    const auto start = Clock::now();
    window_->But_Out_Click();
    // The window's own event loop runs until the job's end has reached it.
    QEventLoop loop;
    QTimer ended;
    QObject::connect(&ended, &QTimer::timeout, [&] {
      if (!window_->JobRunning()) loop.quit();
    });
    ended.start(1);
    loop.exec();
    run.seconds = Seconds(Clock::now() - start);
    monitor_.Stop();
    run.sender_cpu = OwnCpuSeconds() - cpu_before;
    run.stall_ms = monitor_.LongestGapMs();
    run.stall_end = monitor_.LongestGapEnd();
    const long peak = monitor_.PeakSampledRssKib();
    run.growth_kib = (peak_reset ? std::max(StatusKib("VmHWM"), peak) : peak) - rss_before;
    if (!monitor_.Messages().empty()) Fail("the job reported: " + monitor_.Messages().front());
    if (!window_->But_Out.Enabled()) Fail("Print is still disabled after the job");
    return run;
  }

 private:
  std::unique_ptr<platform::SettingsStore> settings_;
  std::unique_ptr<platform::Spooler> spooler_;
  std::unique_ptr<app::KelPrnPrint> window_;
  EventLoopMonitor monitor_;
};

// The least a libcups program can do: one job, one raw document, the file
// in chunks of the job's size on a connection of its own.
Run SendBare(const fs::path& file, const std::string& title) {
  Run run;
  std::vector<unsigned char> buffer(static_cast<std::size_t>(printing::kChunkSize));
  const double cpu_before = OwnCpuSeconds();
  const auto start = Clock::now();
  Fd in(file, O_RDONLY);
  http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000, nullptr);
  if (http == nullptr) Fail("bare sender: cannot connect");
  const int job = cupsCreateJob(http, kQueue, title.c_str(), 0, nullptr);
  if (job <= 0) Fail(std::string("bare sender: no job: ") + cupsLastErrorString());
  if (cupsStartDocument(http, kQueue, job, title.c_str(), CUPS_FORMAT_RAW, 1) != HTTP_STATUS_CONTINUE) {
    Fail(std::string("bare sender: document refused: ") + cupsLastErrorString());
  }
  while (const std::size_t n = ReadFull(in.Get(), buffer.data(), buffer.size())) {
    if (cupsWriteRequestData(http, reinterpret_cast<const char*>(buffer.data()), n) != HTTP_STATUS_CONTINUE) {
      Fail(std::string("bare sender: write failed: ") + cupsLastErrorString());
    }
  }
  if (cupsFinishDocument(http, kQueue) > IPP_STATUS_OK_EVENTS_COMPLETE) {
    Fail(std::string("bare sender: document not taken: ") + cupsLastErrorString());
  }
  httpClose(http);
  run.seconds = Seconds(Clock::now() - start);
  run.sender_cpu = OwnCpuSeconds() - cpu_before;
  return run;
}

// `lp -o raw`, as a user would type it; it finds the scheduler through
// CUPS_SERVER like this process does.
Run SendWithLp(const fs::path& file, const std::string& title) {
  Run run;
  std::vector<std::string> words{"lp", "-d", kQueue, "-o", "raw", "-t", title, file.string()};
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "lp", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) Fail(std::string("cannot run lp: ") + std::strerror(spawned));
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  run.seconds = Seconds(Clock::now() - start);
  run.sender_cpu = CpuSeconds(usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail("lp failed (status " + std::to_string(status) + ")");
  return run;
}

// Whether two files hold the same bytes.
bool SameBytes(const fs::path& a, const fs::path& b) {
  Fd fa(a, O_RDONLY), fb(b, O_RDONLY);
  std::vector<unsigned char> ba(kBlock), bb(kBlock);
  for (;;) {
    const std::size_t na = ReadFull(fa.Get(), ba.data(), kBlock);
    const std::size_t nb = ReadFull(fb.Get(), bb.data(), kBlock);
    if (na != nb || std::memcmp(ba.data(), bb.data(), na) != 0) return false;
    if (na == 0) return true;
  }
}

// Checks that the newest job of the queue completed under `title` and that
// its captured document is the file, byte for byte; then removes the
// capture and flushes what the scheduler and the backend wrote.
void CheckAndClear(const testsupport::PrivateCups& cups, const fs::path& capture, const fs::path& file,
                   const std::string& title) {
  const auto jobs = cups.WaitForFinishedJobs(kQueue, std::chrono::minutes(5));
  if (jobs.empty()) Fail("the scheduler has no job");
  const auto& job = jobs.back();
  if (job.title != title) Fail("the newest job is \"" + job.title + "\", not \"" + title + "\"");
  if (job.state != testsupport::JobState::kCompleted) {
    std::ostringstream state;
    state << job.state;
    Fail("job " + std::to_string(job.id) + " (" + title + ") ended " + state.str());
  }
  const std::string prefix = std::to_string(job.id) + "-";
  std::optional<fs::path> captured;
  for (const auto& entry : fs::directory_iterator(capture)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) captured = entry.path();
  }
  if (!captured) Fail("no capture of job " + std::to_string(job.id));
  if (fs::file_size(*captured) != fs::file_size(file)) {
    Fail("job " + std::to_string(job.id) + " (" + title + ") captured " + std::to_string(fs::file_size(*captured)) +
         " bytes, not " + std::to_string(fs::file_size(file)));
  }
  if (!SameBytes(*captured, file)) Fail("job " + std::to_string(job.id) + " (" + title + ") captured other bytes");
  fs::remove(*captured);
  Fd folder(cups.Folder(), O_RDONLY | O_DIRECTORY);
  syncfs(folder.Get());
}

pid_t SchedulerPid(const testsupport::PrivateCups& cups) {
  std::ifstream in(cups.Folder() / "cupsd.pid");
  pid_t pid = 0;
  if (!(in >> pid)) Fail("the private scheduler's pid is not known");
  return pid;
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

// "0.52 0.58 0.59 ...": how busy the machine was, which the figures depend on.
std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string line;
  std::getline(in, line);
  return line + "\n";
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

// Prints one run's figures.
void PrintRun(const std::string& round, const Run& run, std::int64_t size) {
  std::printf("%-8s %-14s %8.2f s %8.1f MB/s  CPU %5.2f s  cupsd CPU %5.2f s", round.c_str(), SenderName(run.sender),
              run.seconds, static_cast<double>(size) / run.seconds / 1e6, run.sender_cpu, run.cupsd_cpu);
  if (run.sender == Sender::kJob) {
    std::printf("  stall %5.1f ms (at %.2f s)  memory +%ld KiB", run.stall_ms, run.stall_end, run.growth_kib);
  }
  std::printf("\n");
  std::fflush(stdout);
}

// A warm-up round, shown but not counted, then the counted rounds; each
// round starts one sender later, so no sender always goes first.
template <class Send>
std::vector<Run> RunRounds(int rounds, std::int64_t size, Send send) {
  for (const Sender sender : kSenders) PrintRun("warm-up", send(sender), size);
  std::vector<Run> runs;
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < 3; ++i) {
      runs.push_back(send(kSenders[(round + i) % 3]));
      PrintRun("round " + std::to_string(round + 1), runs.back(), size);
    }
  }
  return runs;
}

// Prints the senders' throughputs and the job's figures against its aims;
// returns whether every aim was met. The median decides, the best shows
// what a sender does when the machine leaves it alone.
bool Summarize(const std::vector<Run>& runs, std::int64_t size, int rounds) {
  const auto rates = [&](Sender sender) {
    std::vector<double> list;
    for (const auto& run : runs) {
      if (run.sender == sender) list.push_back(static_cast<double>(size) / run.seconds / 1e6);
    }
    return list;
  };
  const auto best = [](const std::vector<double>& list) { return *std::max_element(list.begin(), list.end()); };
  const auto job = rates(Sender::kJob), bare = rates(Sender::kBare), lp = rates(Sender::kLp);
  double stall = 0;
  long growth = 0;
  for (const auto& run : runs) {
    if (run.sender != Sender::kJob) continue;
    stall = std::max(stall, run.stall_ms);
    growth = std::max(growth, run.growth_kib);
  }
  std::printf("\n                     median      best   (MB/s, %d runs each)\n", rounds);
  for (const Sender sender : kSenders) {
    std::printf("  %-18s %8.1f  %8.1f\n", SenderName(sender), Median(rates(sender)), best(rates(sender)));
  }
  const double over_lp = Median(job) / Median(lp), of_bare = Median(job) / Median(bare);
  const bool aims[] = {of_bare >= kAimOfBare, growth < kAimGrowthKib, stall <= kAimStallMs};
  std::printf("  job / lp -o raw    %8.2f  %8.2f\n", over_lp, best(job) / best(lp));
  std::printf("  job / bare libcups %8.2f  %8.2f   aim >= %.2f: %s\n", of_bare, best(job) / best(bare), kAimOfBare,
              Verdict(aims[0]));
  // What sending as the job does reaches at best: the bare sender over lp.
  std::printf("  (bare / lp -o raw  %8.2f  %8.2f)\n", Median(bare) / Median(lp), best(bare) / best(lp));
  std::printf("  peak memory growth of the job  %ld KiB   aim < %ld KiB: %s\n", growth, kAimGrowthKib,
              Verdict(aims[1]));
  std::printf("  longest event-loop stall       %.1f ms   aim <= %.0f ms: %s\n", stall, kAimStallMs, Verdict(aims[2]));
  std::printf("load average at the end: %s", LoadAverage().c_str());
  std::printf(
      "(memory: VmHWM, reset through /proc/self/clear_refs just before each job, or else VmRSS\n"
      " sampled every 100 ms during it, less VmRSS before it; the largest of the counted jobs)\n");
  return std::all_of(std::begin(aims), std::end(aims), [](bool met) { return met; });
}

int Bench(const Options& options) {
  const std::int64_t size = options.mib * static_cast<std::int64_t>(kBlock);
  const TempFolder folder(options.folder);
  const fs::path file = folder.Path() / "bench.prn";
  std::printf("writing %lld MiB of pseudo-random data to %s\n", static_cast<long long>(options.mib), file.c_str());
  WriteTestFile(file, size);

  testsupport::PrivateCups cups;
  const fs::path capture = cups.AddQueue(kQueue);
  const pid_t cupsd = SchedulerPid(cups);
  if (options.cupsd_timer_slack_ns) SetTimerSlackNs(cupsd, *options.cupsd_timer_slack_ns);
  Window window(folder.Path(), file);

  const auto send = [&](Sender sender) {
    EvictFromCache(file);
    const double cupsd_before = ProcessCpuSeconds(cupsd);
    std::string title;
    Run run;
    switch (sender) {
      case Sender::kJob:
        title = file.filename().string();
        run = window.PrintOnce();
        break;
      case Sender::kBare:
        title = "bare-libcups";
        run = SendBare(file, title);
        break;
      case Sender::kLp:
        title = "lp-raw";
        run = SendWithLp(file, title);
        break;
    }
    run.sender = sender;
    run.cupsd_cpu = ProcessCpuSeconds(cupsd) - cupsd_before;
    CheckAndClear(cups, capture, file, title);
    return run;
  };

  std::printf(
      "%lld MiB through one raw queue of a private cupsd (its backend copies each document to disk),\n"
      "%d round(s) after a warm-up; every transfer checked byte for byte; cupsd timer slack %ld ns;\n"
      "window platform %s; load average %s",
      static_cast<long long>(options.mib), options.rounds, TimerSlackNs(cupsd),
      QGuiApplication::platformName().toStdString().c_str(), LoadAverage().c_str());
  const bool met = Summarize(RunRounds(options.rounds, size, send), size, options.rounds);
  return options.check && !met ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  try {
    return Bench(ParseOptions(argc, argv));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench_print: %s\n", error.what());
    return 1;
  }
}
