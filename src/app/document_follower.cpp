#include "app/document_follower.h"

namespace app {
namespace {

// How often each followed document is asked about. A second tells a
// failure within a couple of seconds, while a round of questions (one short
// request per document on the local spooler) costs next to nothing.
constexpr auto kPollPeriod = std::chrono::seconds(1);
// How often a waiting follower looks at the stop flag.
constexpr auto kStopSlice = std::chrono::milliseconds(100);
// News that comes within this much of other news makes one message:
// longer than a round, so that documents failing one after the other on
// the same printer are told together.
constexpr auto kGather = std::chrono::milliseconds(1500);
// How often the window thread collects the verdicts.
constexpr int kCollectMs = 100;

}  // namespace

DocumentFollower::DocumentFollower(platform::Spooler& spooler, const std::atomic<bool>& stop,
                                   std::function<void(const std::string& text)> show_message)
    : spooler_(spooler), stop_(stop), show_message_(std::move(show_message)), ticker_(kCollectMs, [this] { Collect(); }) {}

DocumentFollower::~DocumentFollower() {
  if (thread_.joinable()) thread_.join();
}

void DocumentFollower::Follow(std::vector<printing::SentDocument> documents) {
  if (documents.empty() || stop_) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  for (auto& document : documents) followed_.push_back({std::move(document)});
  joined_ = true;
  wake_.notify_one();
  if (!running_) {
    // A thread that found nothing left to follow has ended, or is ending.
    if (thread_.joinable()) thread_.join();
    running_ = true;
    thread_ = std::thread([this] { Run(); });
  }
  ticker_.Start();
}

void DocumentFollower::Run() {
  const platform::StopCheck stop = [this] { return stop_.load(); };
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_ && !followed_.empty()) {
    std::vector<printing::FollowedDocument> asked;
    asked.swap(followed_);
    joined_ = false;
    lock.unlock();
    const auto news = printing::FollowOnce(spooler_, asked, stop);
    lock.lock();
    // Documents that joined meanwhile come after those already followed.
    followed_.insert(followed_.begin(), asked.begin(), asked.end());
    news_.Add(news);
    // New documents are asked about at once.
    const auto next = Clock::now() + kPollPeriod;
    while (!stop_ && !joined_ && Clock::now() < next) wake_.wait_for(lock, kStopSlice);
  }
  running_ = false;
}

void DocumentFollower::Collect() {
  bool following = false;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!news_.Empty()) {
      untold_.Add(news_);
      news_ = {};
      last_news_ = Clock::now();
    }
    following = running_;
  }
  // A closing window tells nothing more.
  if (stop_) untold_ = {};
  if (untold_.Empty()) {
    if (!following || stop_) ticker_.Stop();
    return;
  }
  // One message at a time: this one waits while another box is open.
  if (Clock::now() - last_news_ < kGather || platform::ModalOpen()) return;
  const std::string text = printing::FollowReport(untold_);
  untold_ = {};
  show_message_(text);
}

}  // namespace app
