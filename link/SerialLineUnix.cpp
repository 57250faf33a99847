#include "link/SerialLine.h"
#include "link/SerialPortUnix.h"

#include <QDir>
#include <QSerialPort>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

bool TakePortLock(const QSerialPort& port) {
  // The device's own lock, whatever path led to it and whoever runs the program: the exclusive
  // open does not stop root, and the port object's lock file is named after the path.
  return ::flock(static_cast<int>(port.handle()), LOCK_EX | LOCK_NB) == 0;
}

OpenFailure SerialOpenFailure(const std::string& portName, const QString& device, const QSerialPort& port) {
  const std::string path = device.toStdString();
  switch (port.error()) {
    case QSerialPort::DeviceNotFoundError: return ClassifyOpenFailure(portName, path, ENOENT);
    case QSerialPort::PermissionError:
      // Refused to this user, or locked by another program that has it open.
      if (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES)
        return ClassifyOpenFailure(portName, path, EACCES);
      return ClassifyOpenFailure(portName, path, EBUSY);
    default: {
      OpenFailure failure = ClassifyOpenFailure(portName, path, EIO);
      failure.detail = port.errorString().toStdString();
      return failure;
    }
  }
}

QSerialPort::Parity ParityOfControlFlags(unsigned int cflag) {
  if (!(cflag & PARENB)) return QSerialPort::NoParity;
#ifdef CMSPAR
  if (cflag & CMSPAR) return (cflag & PARODD) ? QSerialPort::MarkParity : QSerialPort::SpaceParity;
#endif
  return (cflag & PARODD) ? QSerialPort::OddParity : QSerialPort::EvenParity;
}

namespace {

constexpr std::size_t kChunk = 256;

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

// The parity a device has right now, read before the port object applies its own settings, so
// that a letter outside the table really leaves the device's parity as it was.
QSerialPort::Parity DeviceParity(const std::string& device) {
  QSerialPort::Parity parity = QSerialPort::NoParity;
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return parity;
  termios tio{};
  if (::tcgetattr(fd, &tio) == 0) parity = ParityOfControlFlags(tio.c_cflag);
  ::close(fd);
  return parity;
}

// The port object opens and sets up the device; bytes then go straight through its descriptor:
// the object's own buffers and waits cost a poll per command.
class UnixSerialLine final : public SerialLine {
 public:
  UnixSerialLine(const std::string& device, QSerialPort::Parity parity) : device_(device), parity_(parity) {
    port_.setPortName(QString::fromStdString(device));
  }

  bool Open(const std::string& portName, OpenFailure& failure) {
    // The device by its full path: the port object keeps only its short name.
    const QString device = QString::fromStdString(device_);
    // Settings the port object applies while opening; Configure sets them again after the open.
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setParity(parity_);
    if (!port_.open(QIODevice::ReadWrite)) {
      failure = SerialOpenFailure(portName, device, port_);
      return false;
    }
    if (!TakePortLock(port_)) {
      failure = ClassifyOpenFailure(portName, device.toStdString(), EBUSY);
      return false;
    }
    port_.setDataTerminalReady(false);
    port_.setRequestToSend(false);
    port_.clearError();
    return true;
  }

  void Configure(int32_t baudRate, uint8_t dataBits, char parity, float stopBits) override {
    ParityFor(parity, parity_);
    port_.setBaudRate(baudRate);
    port_.setDataBits(static_cast<QSerialPort::DataBits>(dataBits));
    port_.setParity(parity_);
    port_.setStopBits(StopBitsFor(stopBits));
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setDataTerminalReady(false);
    port_.setRequestToSend(false);
    port_.clearError();
  }

  void Purge() override {
    port_.clear();
    port_.readAll();
  }

  std::string ReadWaiting(std::size_t max) override {
    // What the port object took in while an event loop ran (between exchanges) comes first.
    std::string bytes = port_.read(static_cast<qint64>(max)).toStdString();
    // Asked first: a read on a terminal with nothing waiting waits for the terminal's own buffer
    // work, which costs more than the exchange's whole turnaround.
    int waiting = 0;
    if (bytes.size() < max && ::ioctl(Fd(), FIONREAD, &waiting) == 0 && waiting > 0) {
      char buffer[kChunk];
      const ssize_t got = ::read(Fd(), buffer, std::min(max - bytes.size(), kChunk));
      if (got > 0) bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
  }

  Wait WaitForBytes(std::chrono::microseconds limit) override {
    if (port_.bytesAvailable() > 0) return Wait::Readable;
    // A signal (Ctrl-C in vorkactl monitor) interrupts the wait, not the reply: wait out the rest.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      pollfd readable{Fd(), POLLIN, 0};
      const auto left =
          std::max(std::chrono::steady_clock::duration::zero(), deadline - std::chrono::steady_clock::now());
      const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
      const timespec wait{static_cast<time_t>(seconds.count()),
                          static_cast<long>(std::chrono::nanoseconds(left - seconds).count())};
      const int ready = ::ppoll(&readable, 1, &wait, nullptr);
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0) return Wait::Failed;
      if (ready == 0) return Wait::Limit;
      // A reply may stand before the hang-up: read it first.
      int waiting = 0;
      if ((readable.revents & POLLIN) && ::ioctl(readable.fd, FIONREAD, &waiting) == 0 && waiting > 0)
        return Wait::Readable;
      return readable.revents & (POLLHUP | POLLERR | POLLNVAL) ? Wait::Failed : Wait::Readable;
    }
  }

  bool Write(const std::string& bytes, int boundMs) override {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(Fd(), bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) return false;
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
              .count();
      pollfd writable{Fd(), POLLOUT, 0};
      if (left <= 0 || ::poll(&writable, 1, static_cast<int>(left)) <= 0) return false;
    }
    return true;
  }

 private:
  int Fd() const { return static_cast<int>(port_.handle()); }

  std::string device_;
  QSerialPort port_;
  QSerialPort::Parity parity_;
};

}  // namespace

std::unique_ptr<SerialLine> OpenSerialLine(const std::string& portName, const std::string& given,
                                           OpenFailure& failure) {
  // A relative path ("c1/port") is a file here, not a name under /dev, where Qt would look for it.
  const QString path = QString::fromStdString(given);
  const std::string device = path.contains(u'/') && QDir::isRelativePath(path)
                                 ? QDir::current().absoluteFilePath(path).toStdString()
                                 : given;
  auto line = std::make_unique<UnixSerialLine>(device, DeviceParity(device));
  return line->Open(portName, failure) ? std::move(line) : nullptr;
}
