#include "print/print_queue.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

#include "print/print_limits.h"
#include "print/print_messages.h"

namespace ostrane {

std::string OpenFailureText(const CPrintChannel::OpenResult& result) {
  switch (result.status) {
    case CPrintChannel::OpenStatus::kOpened:
      break;
    case CPrintChannel::OpenStatus::kCannotSetup:
      return std::string(kTextCannotSetupPrinter);
    case CPrintChannel::OpenStatus::kCannotStart:
      return std::string(kTextCannotStartPrintJob);
    case CPrintChannel::OpenStatus::kCannotInitialize:
      return CannotInitializePrinterText(result.error);
  }
  return {};
}

DocumentResult PrintDocumentOn(IPrintDevices& devices, const PrintSetup& setup,
                               const std::vector<std::u16string>& lines,
                               platform::CPrintCancel& cancel) {
  std::unique_ptr<IPageDevice> page = devices.OpenPageDevice(setup.printer, setup.font, cancel);
  const std::optional<PageLayout> layout =
      page ? LayoutFor(page->Metrics()) : std::optional<PageLayout>();
  if (!layout) return {false, std::string(kTextCannotSetupPrinter)};
  switch (PrintDocument(*page, *layout, setup.title, lines)) {
    case PrintResult::kPrinted:
      return {true, {}};
    case PrintResult::kCannotStart:
      return {false, std::string(kTextCannotStartPrintJob)};
    case PrintResult::kPageFailed:
      break;
  }
  return {};
}

struct CPrintQueue::Op {
  enum class Kind { kOpen, kBytes, kChars, kLine, kClose, kAbandon, kDocument };
  Kind kind;
  JobId job = 0;
  PrintSetup setup{};
  std::string bytes{};
  std::u16string text{};
  std::vector<std::u16string> lines{};

  // What the op holds of the queue's bound.
  size_t Size() const {
    size_t size = bytes.size() + text.size() * sizeof(char16_t);
    for (const std::u16string& line : lines) size += line.size() * sizeof(char16_t);
    return size;
  }
};

// Held by the queue and by its thread, so that a thread left behind by Stop still has it.
struct CPrintQueue::Shared {
  std::mutex mutex;
  std::condition_variable changed;  // ops queued, stop or abandon asked
  std::condition_variable settled;  // the thread ran out of ops, or ended
  IPrintDevices* devices;
  std::deque<Op> ops;
  size_t queued = 0;
  JobId lastJob = 0;
  // The newest job known to have failed; older jobs no longer matter to the session.
  JobId failedJob = 0;
  JobId openFailedJob = 0;
  // The cancel of the job or document the thread has open now, for Stop and overflow.
  std::shared_ptr<platform::CPrintCancel> running;
  JobId runningJob = 0;
  bool busy = false;
  bool stopping = false;
  bool abandon = false;
  bool exited = false;
  // The user was told the printer is not taking output; not again until the queue empties.
  bool fullReported = false;
  // The print thread's alone.
  CPrintChannel channel;

  explicit Shared(IPrintDevices& d) : devices(&d) {}

  // Output of a job joins the output of its kind just before it, so that the printer gets it
  // in large writes.
  template <class Text, class Char>
  void JoinLocked(JobId job, Op::Kind kind, Text Op::*field, std::basic_string_view<Char> text) {
    if (!ops.empty() && ops.back().job == job && ops.back().kind == kind) {
      ops.back().*field += text;
      return;
    }
    Op op{.kind = kind, .job = job};
    op.*field = Text(text);
    ops.push_back(std::move(op));
  }

  // Under the lock, so that Stop can be sure no message goes out after it gave up the thread.
  void PostLocked(const std::string& text) {
    if (!abandon) devices->PostMessage(text);
  }
  // The printer did not take enough of job: its queued output goes, the job is cancelled.
  void OverflowLocked(JobId job) {
    failedJob = std::max(failedJob, job);
    bool openQueued = false;
    for (auto it = ops.begin(); it != ops.end();) {
      if (it->job != job) {
        ++it;
        continue;
      }
      openQueued = openQueued || it->kind == Op::Kind::kOpen;
      queued -= it->Size();
      it = ops.erase(it);
    }
    if (!openQueued) ops.push_back({.kind = Op::Kind::kAbandon, .job = job});
    if (runningJob == job && running) running->Cancel();
    ReportFullLocked();
  }
  void ReportFullLocked() {
    if (std::exchange(fullReported, true)) return;
    PostLocked(std::string(kTextPrinterNotTakingOutput));
  }
};

CPrintQueue::CPrintQueue(IPrintDevices& devices) : shared_(std::make_shared<Shared>(devices)) {}

void CPrintQueue::SetDevices(IPrintDevices& devices) {
  std::lock_guard lock(shared_->mutex);
  shared_->devices = &devices;
}

bool CPrintQueue::AdmitLocked(JobId job, bool document, size_t size) {
  Shared& s = *shared_;
  if (s.stopping || (!document && job == s.failedJob)) return false;
  if (s.queued + size > kPrintQueueBytes) {
    if (document)
      s.ReportFullLocked();
    else
      s.OverflowLocked(job);
    s.changed.notify_all();
    return false;
  }
  s.queued += size;
  // Started on first use: most sessions never print.
  if (!thread_.joinable()) thread_ = std::thread([shared = shared_] { Run(shared); });
  s.changed.notify_all();
  return true;
}

CPrintQueue::JobId CPrintQueue::Open(const PrintSetup& setup) {
  std::lock_guard lock(shared_->mutex);
  const JobId job = ++shared_->lastJob;
  if (AdmitLocked(job, false, 0))
    shared_->ops.push_back({.kind = Op::Kind::kOpen, .job = job, .setup = setup});
  return job;
}

void CPrintQueue::Bytes(JobId job, std::string_view bytes) {
  std::lock_guard lock(shared_->mutex);
  if (AdmitLocked(job, false, bytes.size()))
    shared_->JoinLocked(job, Op::Kind::kBytes, &Op::bytes, bytes);
}

void CPrintQueue::Chars(JobId job, std::u16string_view chars) {
  std::lock_guard lock(shared_->mutex);
  if (AdmitLocked(job, false, chars.size() * sizeof(char16_t)))
    shared_->JoinLocked(job, Op::Kind::kChars, &Op::text, chars);
}

void CPrintQueue::Line(JobId job, std::u16string_view text) {
  std::lock_guard lock(shared_->mutex);
  if (AdmitLocked(job, false, text.size() * sizeof(char16_t)))
    shared_->ops.push_back({.kind = Op::Kind::kLine, .job = job, .text = std::u16string(text)});
}

void CPrintQueue::Close(JobId job) {
  std::lock_guard lock(shared_->mutex);
  if (AdmitLocked(job, false, 0)) shared_->ops.push_back({.kind = Op::Kind::kClose, .job = job});
}

bool CPrintQueue::Failed(JobId job) {
  std::lock_guard lock(shared_->mutex);
  return job == shared_->failedJob;
}

bool CPrintQueue::OpenFailed(JobId job) {
  std::lock_guard lock(shared_->mutex);
  return job == shared_->openFailedJob;
}

void CPrintQueue::Document(const PrintSetup& setup, std::vector<std::u16string> lines) {
  std::lock_guard lock(shared_->mutex);
  Op op{.kind = Op::Kind::kDocument, .setup = setup, .lines = std::move(lines)};
  op.job = ++shared_->lastJob;
  if (AdmitLocked(op.job, true, op.Size())) shared_->ops.push_back(std::move(op));
}

void CPrintQueue::Run(const std::shared_ptr<Shared>& shared) {
  Shared& s = *shared;
  // The job the channel has open and its cancel, which the job's output refers to until the
  // job ends.
  std::shared_ptr<platform::CPrintCancel> jobCancel;
  JobId openJob = 0;
  std::unique_lock lock(s.mutex);
  for (;;) {
    s.busy = false;
    s.running = jobCancel;
    s.runningJob = openJob;
    if (s.ops.empty()) {
      s.fullReported = false;
      s.settled.notify_all();
    }
    s.changed.wait(lock, [&] { return !s.ops.empty() || s.stopping || s.abandon; });
    if (s.abandon || s.ops.empty()) break;
    Op op = std::move(s.ops.front());
    s.ops.pop_front();
    s.queued -= op.Size();
    s.busy = true;
    std::shared_ptr<platform::CPrintCancel> cancel = jobCancel;
    if (op.kind == Op::Kind::kOpen || op.kind == Op::Kind::kDocument) {
      cancel = std::make_shared<platform::CPrintCancel>();
      s.running = cancel;
      s.runningJob = op.job;
    }
    IPrintDevices& devices = *s.devices;
    lock.unlock();

    std::string message;
    switch (op.kind) {
      case Op::Kind::kOpen:
        // Every job is closed before the next opens; this only guards the channel's output.
        if (s.channel.IsOpen()) s.channel.Abandon();
        jobCancel = cancel;
        openJob = op.job;
        message = OpenFailureText(s.channel.Open(devices, op.setup, *jobCancel));
        break;
      case Op::Kind::kBytes:
        s.channel.Write(op.bytes);
        break;
      case Op::Kind::kChars:
        s.channel.PutChars(op.text);
        break;
      case Op::Kind::kLine:
        s.channel.PutLine(op.text);
        break;
      case Op::Kind::kClose:
        s.channel.Close();
        break;
      case Op::Kind::kAbandon:
        s.channel.Abandon();
        break;
      case Op::Kind::kDocument:
        message = PrintDocumentOn(devices, op.setup, op.lines, *cancel).message;
        break;
    }

    lock.lock();
    // A job cancelled meanwhile was reported as such, or the session is closing.
    const bool cancelled = cancel && cancel->Cancelled();
    if (!message.empty() && !cancelled) s.PostLocked(message);
    if (!s.channel.IsOpen()) {
      if (op.kind == Op::Kind::kOpen) {
        s.failedJob = std::max(s.failedJob, op.job);
        if (!cancelled) s.openFailedJob = op.job;
      }
      jobCancel.reset();
      openJob = 0;
    }
  }
  s.running.reset();
  lock.unlock();
  s.channel.Abandon();
  jobCancel.reset();
  lock.lock();
  s.exited = true;
  s.settled.notify_all();
}

void CPrintQueue::Stop() {
  Shared& s = *shared_;
  std::unique_lock lock(s.mutex);
  s.stopping = true;
  if (!thread_.joinable()) return;
  s.changed.notify_all();
  const auto drained = [&] { return s.exited || (s.ops.empty() && !s.busy); };
  if (!s.settled.wait_for(lock, std::chrono::milliseconds(kPrintCloseGraceMs), drained)) {
    s.abandon = true;
    if (s.running) s.running->Cancel();
    s.changed.notify_all();
  }
  const bool ended = s.settled.wait_for(lock, std::chrono::milliseconds(kPrintStopWaitMs),
                                        [&] { return s.exited; });
  lock.unlock();
  if (ended)
    thread_.join();
  else
    thread_.detach();
}

}  // namespace ostrane
