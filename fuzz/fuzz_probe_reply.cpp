// Arbitrary bytes as what a port answered to the unit search: the reply found must be the text
// before the first CR, without leading line feeds, and never hold a CR itself.
#include "link/Probe.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<std::string> reply = ReplyLineIn(bytes);
  const auto cr = bytes.find('\r');
  if (reply.has_value() != (cr != std::string::npos)) std::abort();
  if (!reply) return 0;
  if (reply->find('\r') != std::string::npos || reply->size() > cr) std::abort();
  if (!reply->empty() && (reply->front() == '\n' || bytes.find(*reply) == std::string::npos)) std::abort();
  return 0;
}
