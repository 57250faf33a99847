#include "sim/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace {
constexpr std::size_t kMaxPartialLine = 4096;
constexpr auto kIdleWake = std::chrono::milliseconds(50);
constexpr auto kSpinBelow = std::chrono::microseconds(200);
}  // namespace

PtyServer::PtyServer(VirtualUnit& unit) : unit_(unit) {}

PtyServer::~PtyServer() { Stop(); }

bool PtyServer::Start() {
  // Never inherited by a program the tests start (vorkactl): its copy would keep the line alive
  // after Stop, and a pulled plug would not hang up.
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) return false;
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return false;
  const char* name = ::ptsname(master_);
  if (!name) return false;
  slavePath_ = name;
  slaveHold_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  // Raw from the start: CR must reach the unit as CR, whatever the program sets later.
  termios tio{};
  if (::tcgetattr(slaveHold_, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(slaveHold_, TCSANOW, &tio);
  }
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  if (::pipe2(wake_, O_CLOEXEC) != 0) return false;
  ::fcntl(wake_[0], F_SETFL, O_NONBLOCK);
  running_ = true;
  thread_ = std::thread([this] { Run(); });
  return true;
}

void PtyServer::Stop() {
  if (running_.exchange(false)) {
    const char c = 0;
    [[maybe_unused]] auto n = ::write(wake_[1], &c, 1);
  }
  if (thread_.joinable()) thread_.join();
  CloseLine();
  for (int& fd : wake_) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void PtyServer::SendRaw(const std::string& bytes) {
  {
    std::lock_guard lock(rawMutex_);
    raw_ += bytes;
  }
  const char c = 0;
  [[maybe_unused]] auto n = ::write(wake_[1], &c, 1);
}

void PtyServer::RemoveOnClose(const std::string& name) {
  std::lock_guard lock(rawMutex_);
  removeOnClose_ = name;
}

bool PtyServer::LineSettings(termios& settings) const {
  return slaveHold_ >= 0 && ::tcgetattr(slaveHold_, &settings) == 0;
}

void PtyServer::CloseLine() {
  if (master_ >= 0) ::close(master_);
  if (slaveHold_ >= 0) ::close(slaveHold_);
  master_ = slaveHold_ = -1;
}

PtyServer::Clock::duration PtyServer::ByteTime() const {
  const int baud = unit_.Baud();
  if (baud <= 0) return Clock::duration::zero();
  return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(10'000'000'000LL / baud));
}

void PtyServer::Run() {
  // Paced bytes leave at their due time, not up to the default 50 us later.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
  while (running_) {
    const auto now = Clock::now();
    auto next = now + kIdleWake;
    if (!jobs_.empty()) next = std::min(next, jobs_.front().due);
    if (!later_.empty()) next = std::min(next, later_.front().due);
    if (!out_.empty()) next = std::min(next, out_.front().due);
    auto wait = std::max(Clock::duration::zero(), next - now);
    // A paced line's next byte is due within a wake-up latency: wait for it on the processor, so
    // the bytes keep the wire's rhythm rather than the scheduler's.
    if (wait > Clock::duration::zero() && wait < kSpinBelow && (!jobs_.empty() || !out_.empty())) {
      while (Clock::now() < next) std::this_thread::yield();
      wait = Clock::duration::zero();
    }
    timespec ts{};
    ts.tv_sec = std::chrono::duration_cast<std::chrono::seconds>(wait).count();
    ts.tv_nsec = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count() % 1'000'000'000;

    pollfd fds[2] = {{wake_[0], POLLIN, 0}, {master_, POLLIN, 0}};
    const nfds_t count = master_ >= 0 ? 2 : 1;
    ::ppoll(fds, count, &ts, nullptr);
    if (fds[0].revents & POLLIN) {
      char sink[64];
      while (::read(wake_[0], sink, sizeof sink) > 0) {
      }
    }
    if (master_ < 0) continue;
    {
      std::string raw;
      {
        std::lock_guard lock(rawMutex_);
        raw.swap(raw_);
      }
      if (!raw.empty()) Queue(raw, Clock::now());
    }
    if (fds[1].revents & POLLIN) ReadInput(Clock::now());
    ProcessDueJobs(Clock::now());
    if (master_ >= 0) WriteDueBytes(Clock::now());
  }
}

bool PtyServer::SpeedMatches() const {
  const int wanted = unit_.LineSpeed();
  if (wanted == 0) return true;
  termios settings{};
  if (!LineSettings(settings)) return false;
  const speed_t speed = ::cfgetospeed(&settings);
  constexpr std::pair<speed_t, int> kRates[] = {{B19200, 19200},   {B38400, 38400},   {B57600, 57600},
                                                {B115200, 115200}, {B230400, 230400}, {B460800, 460800}};
  for (const auto& [code, rate] : kRates)
    if (speed == code) return rate == wanted;
  // A rate outside the table (921000 is set as a custom one): only such a unit hears it.
  return std::none_of(std::begin(kRates), std::end(kRates),
                      [&](const auto& r) { return r.second == wanted; });
}

void PtyServer::ReadInput(Clock::time_point now) {
  char buffer[512];
  const auto byteTime = ByteTime();
  for (;;) {
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) break;
    // Sent at another speed than the unit's: noise that ends no line.
    if (!SpeedMatches()) {
      partial_.clear();
      continue;
    }
    for (ssize_t i = 0; i < n; ++i) {
      if (now < ignoreUntil_) continue;  // restarting: the line is dead
      // A byte counts as received once its wire time has passed after the one before it.
      const auto at = std::max(now, rxFreeAt_) + byteTime;
      rxFreeAt_ = at;
      if (buffer[i] == '\r') {
        jobs_.push_back({at, partial_});
        partial_.clear();
      } else if (partial_.size() < kMaxPartialLine) {
        partial_ += buffer[i];
      }
    }
  }
}

void PtyServer::ProcessDueJobs(Clock::time_point now) {
  while (!jobs_.empty() && jobs_.front().due <= now) {
    const std::string line = jobs_.front().line;
    jobs_.pop_front();
    const auto reply = unit_.Respond(line);
    if (unit_.TakeCloseRequest()) {
      {
        std::lock_guard lock(rawMutex_);
        if (!removeOnClose_.empty()) ::unlink(removeOnClose_.c_str());
      }
      CloseLine();
      jobs_.clear();
      later_.clear();
      out_.clear();
      return;
    }
    if (unit_.TakeRestartRequest()) {
      ignoreUntil_ = now + std::chrono::milliseconds(unit_.RestartMs());
      jobs_.clear();
      partial_.clear();
    }
    if (reply) {
      const std::string ending = unit_.CrLf() ? "\r\n" : "\r";
      const auto due = now + std::chrono::milliseconds(unit_.DelayFor(line));
      const auto repeat = unit_.TakeRepeat();
      // A copy at once goes out in the same write as the reply.
      Later({due, *reply + ending + (repeat && repeat->ms == 0 ? repeat->reply + ending : std::string())});
      if (repeat && repeat->ms > 0)
        Later({due + std::chrono::milliseconds(repeat->ms), repeat->reply + ending});
    }
  }
  while (!later_.empty() && later_.front().due <= now) {
    Queue(later_.front().line, now);
    later_.pop_front();
  }
}

void PtyServer::Later(const Job& reply) {
  // By when each is due: a reply held back does not hold back one due before it.
  later_.insert(std::upper_bound(later_.begin(), later_.end(), reply,
                                 [](const Job& a, const Job& b) { return a.due < b.due; }),
                reply);
}

void PtyServer::Queue(const std::string& bytes, Clock::time_point from) {
  const auto byteTime = ByteTime();
  for (char c : bytes) {
    const auto at = std::max(from, txFreeAt_) + byteTime;
    txFreeAt_ = at;
    out_.push_back({at, c});
  }
}

void PtyServer::WriteDueBytes(Clock::time_point now) {
  std::string chunk;
  while (!out_.empty() && out_.front().due <= now) {
    chunk += out_.front().byte;
    out_.pop_front();
  }
  std::size_t done = 0;
  while (done < chunk.size()) {
    const ssize_t n = ::write(master_, chunk.data() + done, chunk.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      pollfd p{master_, POLLOUT, 0};
      ::poll(&p, 1, 10);
      if (!running_) return;
    } else {
      return;
    }
  }
}
