// SPDX-License-Identifier: Apache-2.0
#pragma once
// Stand-ins for the print job's two partners. The spooler is a fake because
// refusals, short and idle writes and failed removals cannot be had on
// demand from a real one; the view records what a window would show. Both
// write to one journal, so tests see the order of everything the job did.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/spooler/spooler.h"
#include "printing/print_job.h"
#include "support/enum_names.h"

namespace printing_test {

using Journal = std::vector<std::string>;

// OverClaims: a send says it took one byte more than it was given.
enum class Fault { None, CreateJob, Send, IdleSends, OverClaims, Finish };

struct FakeDoc {
  std::string name;
  int job_id = 0;
  std::string bytes;
  std::vector<std::size_t> writes;  // bytes taken by each send
  bool ended = false;
  bool cancelled = false;
  std::string stopped_because;  // waits on a printer stopped for this reason
};

// A spooler's port that keeps every document in memory: the thinnest back
// end, for the faults a real spooler does not produce on demand.
class FakeSpooler : public platform::Spooler {
 public:
  explicit FakeSpooler(Journal& journal) : journal_(journal) {}

  // Faults, set before the job runs. By document name:
  std::map<std::string, Fault> faults;
  bool open_fails = false;
  bool close_fails = false;
  bool discard_fails = false;
  std::size_t max_take = 0;       // a send takes at most this much (0: all)
  int idle_writes_per_call = 0;   // sends taking nothing before one that takes
  bool keep_bytes = true;         // off for very large files: count only

  // Runs at every call on the printer, with its journal entry.
  std::function<void(const std::string& event)> on_event;

  std::vector<FakeDoc> docs;
  std::vector<std::string> opened;
  long long bytes_taken = 0;

  platform::StatusOr<std::unique_ptr<platform::PrinterPort>> Open(const std::string& name,
                                                                   platform::StopCheck) override {
    journal_.push_back("open " + name);
    opened.push_back(name);
    if (open_fails) return platform::Status::Fail("no such printer");
    return std::unique_ptr<platform::PrinterPort>(std::make_unique<Port>(*this));
  }
  platform::PrinterListing PrinterNames(platform::StopCheck) override { return {{"Fake"}, {}}; }
  // Each document's own state; gone for a job id it never gave.
  platform::DocumentStatus DocumentStatusOf(const std::string&, int job_id, platform::StopCheck) override {
    platform::DocumentStatus status;
    for (const auto& doc : docs) {
      if (doc.job_id != job_id) continue;
      status.state = doc.ended       ? platform::DocumentState::Completed
                     : doc.cancelled ? platform::DocumentState::Cancelled
                                     : platform::DocumentState::Pending;
      status.printer_stopped = !doc.stopped_because.empty();
      status.stopped_reason = doc.stopped_because;
    }
    return status;
  }
  platform::DefaultPrinter DefaultPrinterName(platform::StopCheck) override { return {}; }

 private:
  class Port : public platform::PrinterPort {
   public:
    explicit Port(FakeSpooler& s) : s_(s) {}
    platform::StatusOr<int> CreateJob(const std::string& name) override {
      Log("create-job " + name);
      if (FaultIs(name, Fault::CreateJob)) return Refuse();
      const int job_id = static_cast<int>(s_.docs.size()) + 1;
      s_.docs.push_back({name, job_id, {}, {}, false, false, {}});
      idle_left_ = s_.idle_writes_per_call;
      return job_id;
    }
    platform::Status Send(const void* data, std::size_t size, std::size_t& written) override {
      Log("send " + std::to_string(size));
      written = 0;
      if (FaultIs(Doc().name, Fault::Send)) return Refuse();
      if (FaultIs(Doc().name, Fault::IdleSends)) return {};
      if (FaultIs(Doc().name, Fault::OverClaims)) {
        written = size + 1;
        return {};
      }
      if (idle_left_ > 0) {
        --idle_left_;
        return {};
      }
      idle_left_ = s_.idle_writes_per_call;
      written = s_.max_take != 0 && size > s_.max_take ? s_.max_take : size;
      if (s_.keep_bytes) Doc().bytes.append(static_cast<const char*>(data), written);
      Doc().writes.push_back(written);
      s_.bytes_taken += static_cast<long long>(written);
      return {};
    }
    platform::Status Finish() override {
      Log("finish");
      if (FaultIs(Doc().name, Fault::Finish)) return Refuse();
      Doc().ended = true;
      return {};
    }
    platform::Status Discard() override {
      Log("discard");
      if (s_.discard_fails) return platform::Status::Fail("discard refused");
      Doc().cancelled = true;
      return {};
    }
    platform::Status Close() override {
      Log("close");
      return s_.close_fails ? platform::Status::Fail("close refused") : platform::Status::Ok();
    }

   private:
    void Log(const std::string& event) {
      s_.journal_.push_back(event);
      if (s_.on_event) s_.on_event(event);
    }
    FakeDoc& Doc() { return s_.docs.back(); }
    bool FaultIs(const std::string& name, Fault fault) const {
      const auto it = s_.faults.find(name);
      return it != s_.faults.end() && it->second == fault;
    }
    static platform::Status Refuse() { return platform::Status::Fail("refused"); }

    FakeSpooler& s_;
    int idle_left_ = 0;
  };

  Journal& journal_;
};

class RecordingView : public printing::PrintJobView {
 public:
  explicit RecordingView(Journal& journal) : journal_(journal) {}

  bool stop = false;
  // Runs at every progress update, as other window events would.
  std::function<void()> on_progress;
  std::vector<std::string> messages;
  std::vector<std::string> sent;  // "index path job-id", as each document ended

  void SelectLine(std::size_t index, const std::string&) override {
    journal_.push_back("select " + std::to_string(index));
  }
  void DeselectLine(std::size_t index, const std::string&) override {
    journal_.push_back("deselect " + std::to_string(index));
  }
  void SetProgress(std::int64_t done, std::int64_t total) override {
    journal_.push_back("progress " + std::to_string(done) + "/" + std::to_string(total));
    if (on_progress) on_progress();
  }
  void ShowMessage(const std::string& text) override {
    journal_.push_back("message");
    messages.push_back(text);
  }
  void DocumentSent(std::size_t index, const std::string& path, int job_id) override {
    sent.push_back(std::to_string(index) + " " + path + " " + std::to_string(job_id));
  }
  void SetPrintEnabled(bool enabled) override { journal_.push_back(enabled ? "print on" : "print off"); }
  bool StopRequested() const override { return stop; }

 private:
  Journal& journal_;
};

}  // namespace printing_test
