#include "watch/recording_spooler.h"

namespace watch {
namespace {

using platform::Status;

class RecordingPort final : public platform::PrinterPort {
 public:
  RecordingPort(std::unique_ptr<platform::PrinterPort> inner, const JobHooks& hooks)
      : inner_(std::move(inner)), hooks_(hooks) {}

  platform::StatusOr<int> CreateJob(const std::string& job_name) override {
    if (auto ready = hooks_.before_job(); !ready.IsOk()) return ready;
    auto made = inner_->CreateJob(job_name);
    if (made.IsOk()) hooks_.job_made(made.Value());
    return made;
  }
  Status Send(const void* data, std::size_t size, std::size_t& written) override {
    return inner_->Send(data, size, written);
  }
  Status Finish() override { return inner_->Finish(); }
  Status Discard() override { return inner_->Discard(); }
  Status Close() override { return inner_->Close(); }
  bool PrintCopies(int copies) override { return inner_->PrintCopies(copies); }

 private:
  std::unique_ptr<platform::PrinterPort> inner_;
  const JobHooks& hooks_;
};

class RecordingSpooler final : public platform::Spooler {
 public:
  RecordingSpooler(platform::Spooler& inner, JobHooks hooks) : inner_(inner), hooks_(std::move(hooks)) {}

  platform::StatusOr<std::unique_ptr<platform::PrinterPort>> Open(const std::string& printer_name,
                                                                  platform::StopCheck stop) override {
    auto opened = inner_.Open(printer_name, std::move(stop));
    if (!opened.IsOk()) return opened;
    return std::unique_ptr<platform::PrinterPort>(std::make_unique<RecordingPort>(std::move(opened.Value()), hooks_));
  }
  platform::PrinterListing PrinterNames(platform::StopCheck stop) override { return inner_.PrinterNames(std::move(stop)); }
  platform::DocumentStatus DocumentStatusOf(const std::string& printer_name, int job_id,
                                            platform::StopCheck stop) override {
    return inner_.DocumentStatusOf(printer_name, job_id, std::move(stop));
  }
  std::string Unfollowable(const std::string& printer_name) override { return inner_.Unfollowable(printer_name); }
  platform::DefaultPrinter DefaultPrinterName(platform::StopCheck stop) override {
    return inner_.DefaultPrinterName(std::move(stop));
  }
  Status UsePrintServer(const std::string& server) override { return inner_.UsePrintServer(server); }

 private:
  platform::Spooler& inner_;
  JobHooks hooks_;
};

}  // namespace

std::unique_ptr<platform::Spooler> MakeRecordingSpooler(platform::Spooler& inner, JobHooks hooks) {
  return std::make_unique<RecordingSpooler>(inner, std::move(hooks));
}

}  // namespace watch
