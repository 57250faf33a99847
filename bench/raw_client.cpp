// The least possible client as a process of its own, for comparing vorkactl with it: opens the
// device raw and sends the identification and the 29 register reads with write, poll, read.
#include "protocol/RegisterMap.h"
#include "protocol/UnitProtocol.h"

#include "bench/RawLine.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const int fd = OpenRaw(argv[1]);
  if (fd < 0) return 3;
  for (const char* line : {"!0Q", "!0?"}) RawExchange(fd, line);
  for (const std::string& line : BuildReadScript(true)) RawExchange(fd, kUnitPrefix + line);
  ::close(fd);
  return 0;
}
