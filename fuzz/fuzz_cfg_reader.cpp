// Arbitrary bytes as a configuration file: the reader must neither crash, hang nor read out of
// bounds; names stay within 20 bytes.
#include "entry/CfgReader.h"
#include "entry/Cp1250.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int fd = ::memfd_create("cfg", 0);
  if (fd < 0) std::abort();
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  CfgTables tables;
  std::size_t fields = 0;
  ReadCfgFile("/proc/self/fd/" + std::to_string(fd), tables, [&](const char*, const std::string& value) {
    if (value.size() > 255) std::abort();
    ++fields;
  });
  for (const std::string& name : tables.names) {
    if (name.size() > 20) std::abort();
    (void)Cp1250ToUtf16(name);
  }
  return 0;
}
