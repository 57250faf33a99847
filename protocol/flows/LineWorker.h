#pragma once
#include <QEventLoop>
#include <QObject>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>

// Thrown on the line's thread by a call to the window once the line is closing: the flow that
// made it ends there, between two exchanges.
struct LineClosing : std::exception {
  const char* what() const noexcept override { return "the line is closing"; }
};

// The window's side of a line: an object of the window's thread that runs what the line posted
// there when told to (by its name: the message carries nothing the line wrote).
class LineWindowSide : public QObject {
  Q_OBJECT

 public:
  explicit LineWindowSide(std::function<void()> drain) : drain_(std::move(drain)) {}

 public slots:
  void Drain() { drain_(); }

 private:
  std::function<void()> drain_;
};

// The thread that talks to the unit for a window, which itself never waits on the line: a unit
// that stays silent holds this thread for its reply limit, not the window. The window posts work
// (a flow, what the line must know); the work runs here one piece at a time, in the order posted,
// and reaches the window only through WindowCall (waited for: a value of a control, a question, a
// box) and WindowPost (not waited for: what the debug page and the lanes show). No widget is
// touched here. Work goes each way through a queue of its own under a lock, so that a race
// detector sees every hand-over (Qt's event queue it cannot see into).
class LineWorker {
 public:
  using Clock = std::chrono::steady_clock;

  // Made on the window's thread: what the line posts to the window runs there.
  LineWorker();
  // Closes (the last work: none) and waits for the thread.
  ~LineWorker();
  LineWorker(const LineWorker&) = delete;
  LineWorker& operator=(const LineWorker&) = delete;

  // ---- On the window's thread ----

  // `job` runs on the line's thread, then `done` on the window's, whatever ended the job: an
  // exception it threw has been shown in the general error box first. Once closing, nothing posted
  // runs, and no `done` either.
  void Post(std::function<void()> job, std::function<void()> done = {});
  // Runs f on the line's thread after what was posted before it, as no work of the window's to
  // wait for: what the line must know (the page shown, the port opened).
  void Queue(std::function<void()> f);
  // Runs f on the line's thread and returns once it ran: for what must happen on the thread the
  // line's objects live on (opening and closing its port) and takes a moment. The window goes on
  // painting and answering the line meanwhile, but takes no input.
  void RunAndWait(const std::function<void()>& f);
  // Work posted whose `done` has not run yet.
  int Pending() const { return pending_; }
  // A call of the line's thread is running on the window's (a box of a flow is open).
  bool InWindowCall() const { return runningCalls_ > 0; }
  // Ends the line: a reply awaited is given up, a call to the window not begun yet is not made,
  // work posted and not begun is dropped; `last` (closing the port) then runs on the line's thread
  // and the thread ends. Waits for that, unless a call of the line is open on the window's thread
  // further down (a box a flow opened): then the thread ends once that call returns.
  void Close(std::function<void()> last);
  bool Closed() const { return closing_.load(); }

  // ---- On the line's thread ----

  // Set once closing: the exchanges give up their waits at once (CommandExchange::SetAbandon).
  const std::atomic<bool>& Closing() const { return closing_; }
  // Runs f on the window's thread and waits for its value; an exception it throws comes back
  // here. Throws LineClosing once the line is closing (f then does not run).
  template <class F>
  auto WindowCall(F&& f) -> std::invoke_result_t<F&> {
    using R = std::invoke_result_t<F&>;
    if constexpr (std::is_void_v<R>) {
      CallOnWindow([&] { f(); });
    } else {
      std::optional<R> value;
      CallOnWindow([&] { value.emplace(f()); });
      return std::move(*value);
    }
  }
  // Runs f on the window's thread later, after everything posted or called before it.
  void WindowPost(std::function<void()> f);
  // Runs on the line's thread before each WindowCall: what the window must know first (set once,
  // before anything is posted).
  void BeforeWindowCalls(std::function<void()> f) { beforeCalls_ = std::move(f); }
  // The line's one alarm: `fired` runs on the line's thread at `at`, after the work posted before
  // then; a new time replaces the one set, none stops it.
  void SetAlarm(std::optional<Clock::time_point> at, std::function<void()> fired = {});

 private:
  struct Call {
    std::mutex mutex;
    std::condition_variable changed;
    enum class State { Posted, Running, Done, Dropped } state = State::Posted;
    const std::function<void()>* run = nullptr;  // on the line's stack, waiting for the call
    std::exception_ptr error;
  };
  void Run();
  // Tells the window's side to run what waits for it.
  void WakeWindow();
  void ToLine(std::function<void()> f);
  void ToWindow(std::function<void()> f);
  // Runs what the line posted to the window, one at a time (a box among them may run the
  // window's events again meanwhile).
  void DrainWindow();
  void CallOnWindow(const std::function<void()>& f);
  void RunCall(const std::shared_ptr<Call>& call);
  // Waits for the thread unless a call is open on the window's thread further down.
  void Join();

  std::function<void()> beforeCalls_;
  std::atomic<bool> closing_{false};

  // To the line's thread.
  std::mutex lineMutex_;
  std::condition_variable lineChanged_;
  std::deque<std::function<void()>> toLine_;
  std::optional<Clock::time_point> alarmAt_;
  std::function<void()> alarm_;
  std::function<void()> last_;
  bool ending_ = false;    // last_ is set: run it and end
  bool finished_ = false;  // the thread ran its last work

  // To the window's thread.
  std::mutex windowMutex_;
  std::deque<std::function<void()>> toWindow_;
  bool woken_ = false;  // a wake-up of the window's side is on its way

  std::mutex callMutex_;
  std::shared_ptr<Call> current_;  // the call the line's thread waits for

  LineWindowSide windowSide_;
  std::unique_ptr<QThread> thread_;
  // Window's thread only.
  int pending_ = 0;
  int runningCalls_ = 0;
  bool lastPosted_ = false;
  QEventLoop* waiting_ = nullptr;  // RunAndWait's
};
