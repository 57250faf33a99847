#include "common/ProgramEnd.h"

#ifdef _WIN32
#include <cstdio>
#include <cstdlib>

#include <windows.h>

// The runtime's unloading has nothing of ours left to do, and it may never end: a thread that ran
// a unit's line (the window's, or one per port in vorkactl) leaves destructors of its thread data
// with the C++ runtime (Qt's regular expressions keep a stack per thread), and unloading then
// waits for a lock of thread keys that nothing frees. Under wine the window never ended after it
// was closed, and vorkactl.exe with two ports printed everything and hung in most runs; with Qt's
// expression compiler off, neither ever did.
int ProgramEnd(int code) {
  std::fflush(nullptr);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
  std::_Exit(code);
}
#else
int ProgramEnd(int code) { return code; }
#endif
