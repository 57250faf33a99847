// Arbitrary bytes as vorkactl's command line (arguments split at line ends): the parser must
// neither crash nor hang, and what it accepts is a known command with a speed and limit in range.
#include "protocol/CtlArguments.h"

#include <cstdlib>
#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QStringList arguments;
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      arguments << QString::fromUtf8(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  arguments << QString::fromUtf8(current);
  const CtlOptions options = ParseCtlArguments(arguments);
  if (options.help || !options.error.empty()) return 0;
  static const std::set<std::string> commands = {"ports", "scan",     "identify", "read",    "write",
                                                 "diff",  "defaults", "reset",    "monitor", "backups"};
  static const std::set<int32_t> speeds = {19200, 38400, 57600, 115200, 230400, 460800, 921000};
  if (!commands.count(options.command) || !speeds.count(options.baud) || options.timeoutMs == 0 ||
      options.timeoutMs > 60000 || options.port.empty())
    std::abort();
  if ((options.command == "write" || options.command == "diff") && options.file.empty()) std::abort();
  if ((options.noBackup && options.command != "write") || (options.allUnits && options.command != "backups"))
    std::abort();
  return 0;
}
