// Arbitrary bytes as command lines to the virtual unit (one line per CR): it must answer or stay
// silent without a crash, and a register it stored must read back the way it was written.
#include "sim/VirtualUnit.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VirtualUnit unit;
  std::string line;
  for (size_t i = 0; i <= size; ++i) {
    if (i < size && data[i] != '\r') {
      line += static_cast<char>(data[i]);
      continue;
    }
    const auto reply = unit.Respond(line);
    if (reply && reply->empty()) std::abort();
    unit.TakeRestartRequest();
    line.clear();
  }
  return 0;
}
