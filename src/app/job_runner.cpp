#include "app/job_runner.h"

namespace app {
namespace {

// About one display frame: the window shows the job's state this often.
constexpr int kFrameMs = 16;

}  // namespace

JobRunner::JobRunner(JobWindow window, const std::atomic<bool>& stop)
    : window_(std::move(window)), stop_(stop), ticker_(kFrameMs, [this] { Deliver(); }) {}

JobRunner::~JobRunner() {
  if (worker_.joinable()) worker_.join();
}

void JobRunner::Start(platform::Spooler& spooler, printing::PrintRequest request) {
  running_ = true;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    ended_ = false;
    message_.clear();
  }
  ticker_.Start();
  worker_ = std::thread([this, &spooler, request = std::move(request)] {
    std::string failure;
    std::vector<printing::SentDocument> sent;
    try {
      sent = printing::RunPrintJob(*this, spooler, request).sent;
    } catch (const std::exception& error) {
      failure = std::string("The print job failed: ") + error.what();
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!failure.empty()) message_ = failure;
    sent_ = std::move(sent);
    ended_ = true;
  });
}

void JobRunner::SelectLine(std::size_t index, const std::string& path) {
  Post([this, index, path] { window_.mark_line(index, path, true); });
}

void JobRunner::DeselectLine(std::size_t index, const std::string& path) {
  Post([this, index, path] { window_.mark_line(index, path, false); });
}

void JobRunner::SetProgress(std::int64_t done, std::int64_t total) {
  const std::lock_guard<std::mutex> lock(mutex_);
  progress_ = {done, total};
}

void JobRunner::ShowMessage(const std::string& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  message_ = text;
}

void JobRunner::SetPrintEnabled(bool enabled) {
  Post([this, enabled] { window_.set_print_enabled(enabled); });
}

void JobRunner::Post(std::function<void()> update) {
  const std::lock_guard<std::mutex> lock(mutex_);
  updates_.push_back(std::move(update));
}

void JobRunner::Deliver() {
  std::vector<std::function<void()>> updates;
  std::optional<std::pair<std::int64_t, std::int64_t>> progress;
  std::string message;
  std::vector<printing::SentDocument> sent;
  bool ended = false;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    updates.swap(updates_);
    progress.swap(progress_);
    ended = ended_;
    if (ended) {
      message.swap(message_);
      sent.swap(sent_);
    }
  }
  for (const auto& update : updates) update();
  if (progress) window_.show_progress(progress->first, progress->second);
  if (!ended) return;
  ticker_.Stop();
  worker_.join();
  running_ = false;
  window_.follow(std::move(sent));
  if (message.empty()) {
    window_.all_sent();
  } else {
    window_.show_message(message);
  }
}

}  // namespace app
