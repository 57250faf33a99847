#include "link/SystemErrors.h"

#include <cerrno>
#include <cstring>

#include <windows.h>

// Windows gives access to a port by session, not by group: there is no group to advise.
DeviceAccess WhoMayOpen(const std::string&) { return {}; }

std::string SystemErrorText(int systemError) {
  // The C library's texts are English on Windows, whatever the user's language.
  if (const char* text = std::strerror(systemError)) return text;
  return "error " + std::to_string(systemError);
}

int LastFileError() {
  switch (const DWORD error = GetLastError()) {
    case ERROR_SUCCESS: return errno;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_CANNOT_MAKE: return EACCES;
    case ERROR_WRITE_PROTECT: return EROFS;
    // Another program holds the file (an editor, a backup or antivirus program).
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE: return EBUSY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY: return EINVAL;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    default: return error ? EIO : errno;
  }
}

void ClearLastFileError() {
  SetLastError(ERROR_SUCCESS);
  errno = 0;
}

std::string WindowsErrorText(unsigned long windowsError, bool usersLanguage) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      windowsError, usersLanguage ? 0 : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string result;
  if (length && text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    result.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), result.data(), size, nullptr, nullptr);
  }
  if (text) LocalFree(text);
  while (!result.empty() &&
         (result.back() == '\n' || result.back() == '\r' || result.back() == '.' || result.back() == ' '))
    result.pop_back();
  return result.empty() ? "Windows error " + std::to_string(windowsError) : result;
}
