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

LineWorker::LineWorker(QObject* window) : window_(window), context_(new QObject) {
  thread_.setObjectName(QStringLiteral("line"));
  context_->moveToThread(&thread_);
  // Deleted on its own thread as that ends.
  QObject::connect(&thread_, &QThread::finished, context_, &QObject::deleteLater);
  thread_.start();
  QMetaObject::invokeMethod(
      context_,
      [this] {
        static thread_local std::unique_ptr<LineMessages> messages;
        messages = std::make_unique<LineMessages>(*this);
        SetThreadMessages(messages.get());
      },
      Qt::QueuedConnection);
}

LineWorker::~LineWorker() { Close({}); }

void LineWorker::Post(std::function<void()> job, std::function<void()> done) {
  if (closing_) return;
  ++pending_;
  QMetaObject::invokeMethod(
      context_,
      [this, job = std::move(job), done = std::move(done)]() mutable {
        if (closing_) return;
        RunAsHandler(job);
        if (closing_) return;
        QMetaObject::invokeMethod(
            window_,
            [this, done = std::move(done)] {
              if (closing_) return;
              --pending_;
              if (done) RunGuarded(done);
            },
            Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
}

void LineWorker::Queue(std::function<void()> f) {
  if (closing_) return;
  QMetaObject::invokeMethod(
      context_,
      [this, f = std::move(f)] {
        if (!closing_) RunAsHandler(f);
      },
      Qt::QueuedConnection);
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
  QMetaObject::invokeMethod(
      context_,
      [this, f, wait] {
        if (!closing_) RunAsHandler(f);
        wait->ran = true;
        WindowPost([wait] {
          if (wait->loop) wait->loop->quit();
        });
      },
      Qt::QueuedConnection);
  while (!wait->ran && !closing_) loop.exec(QEventLoop::ExcludeUserInputEvents);
  wait->loop = nullptr;
  waiting_ = outer;
}

void LineWorker::WindowPost(std::function<void()> f) {
  if (closing_) return;
  QMetaObject::invokeMethod(window_, std::move(f), Qt::QueuedConnection);
}

void LineWorker::CallOnWindow(const std::function<void()>& f) {
  if (beforeCalls_) beforeCalls_();
  auto call = std::make_shared<Call>();
  call->run = &f;
  {
    const std::lock_guard lock(mutex_);
    if (closing_) throw LineClosing();
    current_ = call;
  }
  QMetaObject::invokeMethod(
      window_, [this, call] { RunCall(call); }, Qt::QueuedConnection);
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
    const std::lock_guard lock(mutex_);
    current_.reset();
  }
  if (state == Call::State::Dropped) throw LineClosing();
  if (error) std::rethrow_exception(error);
}

void LineWorker::RunCall(const std::shared_ptr<Call>& call) {
  {
    const std::lock_guard lock(call->mutex);
    if (call->state != Call::State::Posted) return;  // dropped: the line is closing
    call->state = Call::State::Running;
  }
  ++runningCalls_;
  std::exception_ptr error;
  try {
    (*call->run)();
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
      const std::lock_guard lock(mutex_);
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
    QMetaObject::invokeMethod(
        context_,
        [this, last = std::move(last)] {
          RunAsHandler(last ? last : [] {});
          SetThreadMessages(nullptr);
          thread_.quit();
        },
        Qt::QueuedConnection);
  }
  Join();
}

void LineWorker::Join() {
  if (runningCalls_ > 0) return;
  thread_.wait();
}
