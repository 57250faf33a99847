// A Windows test tool, never shipped: writes what the console it runs in shows, one UTF-8 line per
// row up to the cursor, to standard output. Run after a program in the same console, it tells
// whether that program's letters arrived whole, whatever the console's code page.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <string>

int main() {
  _setmode(_fileno(stdout), _O_BINARY);  // lines end in LF, as the check reads them
  HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (screen == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(screen, &info)) {
    std::fputs("console_screen: not in a console\n", stderr);
    return 2;
  }
  std::array<WCHAR, 1024> row{};
  const DWORD width = std::min<DWORD>(static_cast<DWORD>(info.dwSize.X), row.size());
  for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
    DWORD read = 0;
    if (!ReadConsoleOutputCharacterW(screen, row.data(), width, COORD{0, y}, &read)) return 3;
    while (read > 0 && row[read - 1] == L' ') --read;
    std::string utf8(static_cast<std::size_t>(read) * 4, '\0');
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, row.data(), static_cast<int>(read), utf8.data(),
                                          static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(bytes));
    utf8 += '\n';
    if (std::fwrite(utf8.data(), 1, utf8.size(), stdout) != utf8.size()) return 4;
  }
  return std::fflush(stdout) == 0 && std::fclose(stdout) == 0 ? 0 : 4;
}
