#pragma once
// The plainest client of the virtual unit's line: raw mode, write, poll, read until CR. The link
// and the window are measured beside it.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "protocol/UnitProtocol.h"

// The wire time of one poll of the inputs at `baud`: two commands with prefix and CR, two replies
// of "0,XX" with CR, ten bit times a byte.
inline double PollWireMs(int baud) {
  double ms = 0;
  for (const char* command : kInputCommands)
    ms += double(std::strlen(kUnitPrefix) + std::strlen(command) + 1 + std::strlen("0,00") + 1) * 10.0 /
          baud * 1000.0;
  return ms;
}

inline int OpenRaw(const std::string& device) {
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios tio{};
  ::tcgetattr(fd, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(fd, TCSANOW, &tio);
  return fd;
}

inline std::string RawExchange(int fd, const std::string& line) {
  const std::string framed = line + "\r";
  [[maybe_unused]] auto n = ::write(fd, framed.data(), framed.size());
  std::string reply;
  while (reply.find('\r') == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 1000) <= 0) break;
    char buffer[256];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) reply.append(buffer, std::size_t(got));
  }
  return reply;
}
