// Arbitrary bytes as vorkactl's command line (arguments split at line ends): the parser must
// neither crash nor hang, and what it accepts is a known command with a speed and limit in range.
#include "protocol/CtlArguments.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
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
  const auto commands = CtlCommands();
  const std::size_t index = static_cast<std::size_t>(options.command);
  if (index >= commands.size() || commands[index].command != options.command) std::abort();
  if (std::find(std::begin(kLinkSpeeds), std::end(kLinkSpeeds), options.baud) == std::end(kLinkSpeeds) ||
      options.timeoutMs == 0 || options.timeoutMs > 60000 || options.port.empty())
    std::abort();
  if (commands[index].files > 0 && options.file.empty()) std::abort();
  // A second port only where the command takes several, and never the same one twice.
  if (options.ports.size() > 1 && !commands[index].severalPorts) std::abort();
  for (std::size_t i = 0; i < options.ports.size(); ++i)
    if (std::count(options.ports.begin(), options.ports.end(), options.ports[i]) > 1) std::abort();
  if (options.command == CtlCommand::Series && options.records.empty()) std::abort();
  if ((options.noBackup && options.command != CtlCommand::Write) ||
      (options.allUnits && options.command != CtlCommand::Backups))
    std::abort();
  return 0;
}
