#include "link/SystemErrors.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

DeviceAccess WhoMayOpen(const std::string& device) {
  DeviceAccess access;
  struct stat info {};
  if (::stat(device.c_str(), &info) != 0) {
    access.group = "dialout";  // the group of serial devices on Debian ("uucp" elsewhere)
    return access;
  }
  const passwd* user = ::getpwuid(info.st_uid);
  access.owner = user ? user->pw_name : std::to_string(info.st_uid);
  if ((info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) return access;
  const group* g = ::getgrgid(info.st_gid);
  access.group = g ? g->gr_name : std::to_string(info.st_gid);
  return access;
}

std::string SystemErrorText(int systemError) {
  if (const char* text = ::strerrordesc_np(systemError)) return text;
  return "error " + std::to_string(systemError);
}

int LastFileError() { return errno; }
void ClearLastFileError() { errno = 0; }

std::string WindowsErrorText(unsigned long, bool) { return {}; }
