#include "link/Async.h"

#include "link/PortNames.h"

#include <QSerialPort>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

constexpr std::size_t kMaxLine = 255;
constexpr qint64 kChunk = 256;
// A write normally completes at once; the bound only keeps a wedged driver from freezing the window.
constexpr int kWriteBoundMs = 5000;

std::unique_ptr<QSerialPort> g_port;
std::string g_device;
std::optional<OpenFailure> g_openFailure;
// The parity the link last put on a port; kept when a caller passes a letter outside the table.
QSerialPort::Parity g_parity = QSerialPort::NoParity;

bool PortUsable() { return g_port && g_port->isOpen(); }

QSerialPort::StopBits StopBitsFor(float stopBits) {
  if (stopBits <= 1.0f) return QSerialPort::OneStop;
  if (stopBits < 2.0f) return QSerialPort::OneAndHalfStop;
  return QSerialPort::TwoStop;
}

bool ParityFor(char letter, QSerialPort::Parity& parity) {
  switch (letter) {
    case 'e': parity = QSerialPort::EvenParity; return true;
    case 'm': parity = QSerialPort::MarkParity; return true;
    case 'n': parity = QSerialPort::NoParity; return true;
    case 'o': parity = QSerialPort::OddParity; return true;
    case 's': parity = QSerialPort::SpaceParity; return true;
    default: return false;
  }
}

#ifdef Q_OS_UNIX
// The parity a device has right now, read before the port object applies its own settings, so
// that a letter outside the table really leaves the device's parity as it was.
void ReadDeviceParity(const QString& device) {
  const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return;
  termios tio{};
  if (::tcgetattr(fd, &tio) == 0) g_parity = ParityOfControlFlags(tio.c_cflag);
  ::close(fd);
}
#endif

// One read that returns at once with what is waiting (at most max bytes); a failed read is none.
QByteArray ReadWaiting(qint64 max) {
  if (!PortUsable()) return {};
#ifdef Q_OS_UNIX
  // What the port object took in while the event loop ran (between exchanges) comes first; then
  // one read straight from the device, which the port opened non-blocking.
  QByteArray bytes = g_port->read(max);
  // Asked first: a read on a terminal with nothing waiting waits for the terminal's own buffer
  // work, which costs more than the exchange's whole turnaround.
  int waiting = 0;
  const int fd = static_cast<int>(g_port->handle());
  if (bytes.size() < max && ::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0) {
    char buffer[kChunk];
    const ssize_t got =
        ::read(fd, buffer, static_cast<std::size_t>(std::min<qint64>(max - bytes.size(), kChunk)));
    if (got > 0) bytes.append(buffer, got);
  }
  return bytes;
#else
  if (g_port->bytesAvailable() == 0) g_port->waitForReadyRead(0);
  return g_port->read(max);
#endif
}

enum class Wait { Readable, Limit, Failed };

// Waits at most ms for bytes to read. A device that hung up or failed says so at once: it would
// otherwise poll as readable and spin until the limit.
Wait WaitForBytes(int ms) {
  if (!PortUsable()) return Wait::Failed;
  if (g_port->bytesAvailable() > 0) return Wait::Readable;
#ifdef Q_OS_UNIX
  // poll and read, as the plainest client does: the port object's wait adds calls per reply.
  // A signal (Ctrl-C in vorkactl monitor) interrupts the wait, not the reply: wait out the rest.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    pollfd readable{static_cast<int>(g_port->handle()), POLLIN, 0};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const int ready = ::poll(&readable, 1, static_cast<int>(std::max<long long>(0, left.count())));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return Wait::Failed;
    if (ready == 0) return Wait::Limit;
    // A reply may stand before the hang-up: read it first.
    int waiting = 0;
    if ((readable.revents & POLLIN) && ::ioctl(readable.fd, FIONREAD, &waiting) == 0 && waiting > 0)
      return Wait::Readable;
    return readable.revents & (POLLHUP | POLLERR | POLLNVAL) ? Wait::Failed : Wait::Readable;
  }
#else
  return g_port->waitForReadyRead(ms) ? Wait::Readable : Wait::Limit;
#endif
}

// Writes the whole line, waiting at most the bound for a full transmit buffer.
void WriteLine(const std::string& bytes) {
#ifdef Q_OS_UNIX
  // Straight to the device: the port object's write buffer and its wait cost a poll per command.
  const int fd = static_cast<int>(g_port->handle());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteBoundMs);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return;  // not detected: the reply will not come
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    pollfd writable{fd, POLLOUT, 0};
    if (left <= 0 || ::poll(&writable, 1, static_cast<int>(left)) <= 0) return;
  }
#else
  g_port->write(bytes.data(), static_cast<qint64>(bytes.size()));
  g_port->waitForBytesWritten(kWriteBoundMs);
#endif
}

}  // namespace

std::optional<OpenFailure> ComOpenFailure() { return g_openFailure; }

bool TakePortLock(const QSerialPort& port) {
#ifdef Q_OS_UNIX
  // The device's own lock, whatever path led to it and whoever runs the program: the exclusive
  // open does not stop root, and the port object's lock file is named after the path.
  return ::flock(static_cast<int>(port.handle()), LOCK_EX | LOCK_NB) == 0;
#else
  (void)port;
  return true;  // the system's open is exclusive
#endif
}

OpenFailure SerialOpenFailure(const std::string& portName, const QString& device, const QSerialPort& port) {
  const std::string path = device.toStdString();
  switch (port.error()) {
    case QSerialPort::DeviceNotFoundError: return ClassifyOpenFailure(portName, path, ENOENT);
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
      // Refused to this user, or locked by another program that has it open.
      if (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES)
        return ClassifyOpenFailure(portName, path, EACCES);
#endif
      return ClassifyOpenFailure(portName, path, EBUSY);
    default: {
      OpenFailure failure = ClassifyOpenFailure(portName, path, EIO);
      failure.detail = port.errorString().toStdString();
      return failure;
    }
  }
}

#ifdef Q_OS_UNIX
QSerialPort::Parity ParityOfControlFlags(unsigned int cflag) {
  if (!(cflag & PARENB)) return QSerialPort::NoParity;
#ifdef CMSPAR
  if (cflag & CMSPAR) return (cflag & PARODD) ? QSerialPort::MarkParity : QSerialPort::SpaceParity;
#endif
  return (cflag & PARODD) ? QSerialPort::OddParity : QSerialPort::EvenParity;
}
#endif

bool ComOpen(const std::string& portName, int32_t baudRate, char parity, uint8_t dataBits, float stopBits) {
  g_port.reset();
  g_device.clear();
  g_openFailure.reset();
  const QString device = PortNames::DeviceFor(QString::fromStdString(portName));
  if (device.isEmpty()) {
    g_openFailure = ClassifyOpenFailure(portName, {}, ENOENT);
    return false;
  }
#ifdef Q_OS_UNIX
  if (!ParityFor(parity, g_parity)) ReadDeviceParity(device);
#else
  ParityFor(parity, g_parity);
#endif
  auto port = std::make_unique<QSerialPort>();
  port->setPortName(device);
  // Settings the port object applies while opening; the ones below are set again after the open,
  // where a refusal (a rate the driver cannot make, a pseudo-terminal without modem lines) is
  // ignored and leaves what the port had.
  port->setFlowControl(QSerialPort::NoFlowControl);
  port->setParity(g_parity);
  if (!port->open(QIODevice::ReadWrite)) {
    g_openFailure = SerialOpenFailure(portName, device, *port);
    return false;
  }
  port->setBaudRate(baudRate);
  port->setDataBits(static_cast<QSerialPort::DataBits>(dataBits));
  port->setParity(g_parity);
  port->setStopBits(StopBitsFor(stopBits));
  port->setFlowControl(QSerialPort::NoFlowControl);
  port->setDataTerminalReady(false);
  port->setRequestToSend(false);
  port->clearError();
  if (!TakePortLock(*port)) {
    g_openFailure = ClassifyOpenFailure(portName, device.toStdString(), EBUSY);
    return false;
  }
  g_port = std::move(port);
  g_device = device.toStdString();
  return true;
}

void ComClose() {
  if (g_port) g_port->close();
  g_port.reset();
  g_device.clear();
}

void ComSendLine(const std::string& line) {
  ReadWaiting(kChunk);  // stale input, such as the rest of an earlier reply
  std::string framed = line + '\r';
  if (framed.size() > kMaxLine) framed.resize(kMaxLine);
  if (!PortUsable()) return;
  WriteLine(framed);
}

bool ComReceiveLine(uint32_t timeLimitMs, std::string& reply, std::size_t capacity) {
  using Clock = std::chrono::steady_clock;
  reply.clear();
  const auto start = Clock::now();
  const std::size_t limit = std::min(kMaxLine, capacity);
  // The device is read once the bounded wait below says there is something; that wait also sees a
  // reply that is complete already (a limit of 0 still waits one millisecond for it).
  bool readable = PortUsable() && g_port->bytesAvailable() > 0;
  for (;;) {
    const QByteArray bytes = readable ? ReadWaiting(kChunk) : QByteArray();
    const qsizetype nul = bytes.indexOf('\0');
    reply.append(bytes.constData(), static_cast<std::size_t>(nul < 0 ? bytes.size() : nul));
    if (reply.size() > limit) reply.resize(limit);

    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    if (static_cast<long long>(timeLimitMs) < elapsedMs) break;
    if (!reply.empty() && reply.find('\r') != std::string::npos) break;

    // Wait for the next bytes instead of spinning, but never past the limit: a reply is still
    // seen the moment it arrives, and a silent unit costs no processor time.
    const int remaining = static_cast<int>(static_cast<long long>(timeLimitMs) - elapsedMs + 1);
    const Wait wait = WaitForBytes(remaining);
    if (wait == Wait::Failed) {
      // No port at all waits out the limit as a silent line does; a device that hung up or
      // failed ends the wait at once, as a reply that did not come.
      if (!PortUsable()) QThread::msleep(static_cast<unsigned long>(remaining));
      break;
    }
    readable = wait == Wait::Readable;
  }
  const auto cr = reply.find('\r');
  if (cr == std::string::npos) return false;
  reply.resize(cr);
  return true;
}

std::string ComDevice() { return g_device; }
