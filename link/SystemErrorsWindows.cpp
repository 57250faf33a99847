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

namespace {

// Windows' file errors as the errno values the messages name.
struct FileErrorOfWindows {
  DWORD windows;
  int error;
};
constexpr FileErrorOfWindows kFileErrors[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT},
    {ERROR_PATH_NOT_FOUND, ENOENT},
    {ERROR_INVALID_DRIVE, ENOENT},
    {ERROR_BAD_NETPATH, ENOENT},
    {ERROR_BAD_NET_NAME, ENOENT},
    {ERROR_ACCESS_DENIED, EACCES},
    {ERROR_PRIVILEGE_NOT_HELD, EACCES},
    {ERROR_CANNOT_MAKE, EACCES},
    {ERROR_WRITE_PROTECT, EROFS},
    // Another program holds the file (an editor, a backup or antivirus program).
    {ERROR_SHARING_VIOLATION, EBUSY},
    {ERROR_LOCK_VIOLATION, EBUSY},
    {ERROR_USER_MAPPED_FILE, EBUSY},
    {ERROR_DISK_FULL, ENOSPC},
    {ERROR_HANDLE_DISK_FULL, ENOSPC},
    {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
    {ERROR_INVALID_NAME, EINVAL},
    {ERROR_BAD_PATHNAME, EINVAL},
    {ERROR_DIRECTORY, EINVAL},
    {ERROR_FILE_EXISTS, EEXIST},
    {ERROR_ALREADY_EXISTS, EEXIST},
};

}  // namespace

int LastFileError() {
  const DWORD error = GetLastError();
  if (error == ERROR_SUCCESS) return errno;
  for (const FileErrorOfWindows& known : kFileErrors)
    if (known.windows == error) return known.error;
  return EIO;
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
