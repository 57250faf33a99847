#include "protocol/flows/LineWorker.h"

#include "protocol/MessageSeam.h"

namespace {

// What a flow tells on the line's thread is told by the window's boxes, in their language.
class LineMessages : public MessageSeam {
 public:
  explicit LineMessages(LineWorker& line) : line_(line) {}
  void Message(const QString& text) override {
    line_.WindowCall([&] { Messages().Message(text); });
  }
  void ErrorBox(const QString& text) override {
    line_.WindowCall([&] { Messages().ErrorBox(text); });
  }
  void GeneralError(const QString& text) override {
    line_.WindowCall([&] { Messages().GeneralError(text); });
  }
  bool Question(const QString& text) override {
    return line_.WindowCall([&] { return Messages().Question(text); });
  }
  Language Speaks() const override {
    return line_.WindowCall([] { return Messages().Speaks(); });
  }

 private:
  LineWorker& line_;
};

// A piece of work as a handler runs: what it throws is shown in the general error box, and a line
// that is closing ends it without a word.
void RunAsHandler(const std::function<void()>& job) {
  try {
    job();
  } catch (const LineClosing&) {
  } catch (const std::exception& e) {
    try {
      Messages().GeneralError(WithFullStop(QString::fromUtf8(e.what())));
    } catch (const LineClosing&) {
    }
  }
}

}  // namespace

LineWorker::LineWorker() : windowSide_([this] { DrainWindow(); }) {
  // A thread of Qt's, so that the port object made on it finds an event dispatcher; it runs no
  // event loop: the line's queue is its loop.
  thread_.reset(QThread::create([this] { Run(); }));
  thread_->setObjectName(QStringLiteral("line"));
  thread_->start();
}

LineWorker::~LineWorker() { Close({}); }

void LineWorker::Run() {
  LineMessages messages(*this);
  SetThreadMessages(&messages);
  for (;;) {
    std::function<void()> work;
    bool end = false;
    {
      std::unique_lock lock(lineMutex_);
      const auto ready = [&] {
        return ending_ || !toLine_.empty() || (alarmAt_ && Clock::now() >= *alarmAt_);
      };
      if (alarmAt_)
        lineChanged_.wait_until(lock, *alarmAt_, ready);
      else
        lineChanged_.wait(lock, ready);
      if (ending_) {
        work = std::move(last_);
        end = true;
      } else if (!toLine_.empty()) {
        // What was posted comes before the alarm: a poll never starves a flow.
        work = std::move(toLine_.front());
        toLine_.pop_front();
      } else if (alarmAt_ && Clock::now() >= *alarmAt_) {
        alarmAt_.reset();
        work = alarm_;
      }
    }
    if (work) RunAsHandler(work);
    if (end) break;
  }
  SetThreadMessages(nullptr);
  // Everything this thread did is the window's to see once it waited for this (Join).
  // Told under the lock: once the window sees it, this thread touches nothing of the worker's.
  const std::lock_guard lock(lineMutex_);
  finished_ = true;
  lineChanged_.notify_all();
}

void LineWorker::ToLine(std::function<void()> f) {
  {
    const std::lock_guard lock(lineMutex_);
    toLine_.push_back(std::move(f));
  }
  lineChanged_.notify_all();
}

void LineWorker::SetAlarm(std::optional<Clock::time_point> at, std::function<void()> fired) {
  {
    const std::lock_guard lock(lineMutex_);
    alarmAt_ = at;
    if (fired) alarm_ = std::move(fired);
  }
  lineChanged_.notify_all();
}

void LineWorker::Post(std::function<void()> job, std::function<void()> done) {
  if (closing_) return;
  ++pending_;
  ToLine([this, job = std::move(job), done = std::move(done)]() mutable {
    if (closing_) return;
    RunAsHandler(job);
    ToWindow([this, done = std::move(done)] {
      if (closing_) return;
      --pending_;
      if (done) RunGuarded(done);
    });
  });
}

void LineWorker::Queue(std::function<void()> f) {
  if (closing_) return;
  ToLine([this, f = std::move(f)] {
    if (!closing_) RunAsHandler(f);
  });
}

void LineWorker::RunAndWait(const std::function<void()>& f) {
  if (closing_) return;
  struct Wait {
    std::atomic<bool> ran{false};
    QEventLoop* loop = nullptr;  // the window's thread's, while it waits
  };
  auto wait = std::make_shared<Wait>();
  QEventLoop loop;
  wait->loop = &loop;
  QEventLoop* outer = std::exchange(waiting_, &loop);
  ToLine([this, f, wait] {
    if (!closing_) RunAsHandler(f);
    wait->ran = true;
    ToWindow([wait] {
      if (wait->loop) wait->loop->quit();
    });
  });
  while (!wait->ran && !closing_) loop.exec(QEventLoop::ExcludeUserInputEvents);
  wait->loop = nullptr;
  waiting_ = outer;
}

void LineWorker::WindowPost(std::function<void()> f) {
  if (closing_) return;
  ToWindow(std::move(f));
}

void LineWorker::ToWindow(std::function<void()> f) {
  bool wake = false;
  {
    const std::lock_guard lock(windowMutex_);
    toWindow_.push_back(std::move(f));
    wake = !std::exchange(woken_, true);
  }
  if (wake) WakeWindow();
}

void LineWorker::WakeWindow() { QMetaObject::invokeMethod(&windowSide_, "Drain", Qt::QueuedConnection); }

void LineWorker::DrainWindow() {
  std::function<void()> f;
  bool more = false;
  {
    const std::lock_guard lock(windowMutex_);
    if (toWindow_.empty()) {
      woken_ = false;
      return;
    }
    f = std::move(toWindow_.front());
    toWindow_.pop_front();
    more = !toWindow_.empty();
    woken_ = more;
  }
  // The rest has a wake-up of its own: this one may open a dialog whose loop runs it meanwhile.
  if (more) WakeWindow();
  f();
}

void LineWorker::CallOnWindow(const std::function<void()>& f) {
  if (beforeCalls_) beforeCalls_();
  auto call = std::make_shared<Call>();
  {
    const std::lock_guard lock(call->mutex);
    call->run = &f;
  }
  {
    const std::lock_guard lock(callMutex_);
    if (closing_) throw LineClosing();
    current_ = call;
  }
  ToWindow([this, call] { RunCall(call); });
  Call::State state;
  std::exception_ptr error;
  {
    std::unique_lock lock(call->mutex);
    call->changed.wait(
        lock, [&] { return call->state == Call::State::Done || call->state == Call::State::Dropped; });
    state = call->state;
    error = call->error;
  }
  {
    const std::lock_guard lock(callMutex_);
    current_.reset();
  }
  if (state == Call::State::Dropped) throw LineClosing();
  if (error) std::rethrow_exception(error);
}

void LineWorker::RunCall(const std::shared_ptr<Call>& call) {
  const std::function<void()>* run = nullptr;
  {
    const std::lock_guard lock(call->mutex);
    if (call->state != Call::State::Posted) return;  // dropped: the line is closing
    call->state = Call::State::Running;
    run = call->run;
  }
  ++runningCalls_;
  std::exception_ptr error;
  try {
    (*run)();
  } catch (...) {
    error = std::current_exception();
  }
  --runningCalls_;
  {
    const std::lock_guard lock(call->mutex);
    call->error = error;
    call->state = Call::State::Done;
  }
  call->changed.notify_all();
}

void LineWorker::Close(std::function<void()> last) {
  if (!lastPosted_) {
    lastPosted_ = true;
    {
      const std::lock_guard lock(callMutex_);
      closing_ = true;
      // A call not begun is not made; one that runs (a box further down this thread) ends first.
      if (current_) {
        const std::lock_guard callLock(current_->mutex);
        if (current_->state == Call::State::Posted) {
          current_->state = Call::State::Dropped;
          current_->changed.notify_all();
        }
      }
    }
    pending_ = 0;
    if (waiting_) waiting_->quit();
    {
      const std::lock_guard lock(lineMutex_);
      last_ = last ? std::move(last) : [] {};
      ending_ = true;
    }
    lineChanged_.notify_all();
  }
  Join();
}

void LineWorker::Join() {
  if (runningCalls_ > 0) return;
  {
    std::unique_lock lock(lineMutex_);
    lineChanged_.wait(lock, [this] { return finished_; });
  }
  thread_->wait();
}
