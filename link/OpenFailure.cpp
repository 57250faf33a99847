#include "link/OpenFailure.h"

#include <grp.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace {

// The group that may open the node ("dialout" on Debian, "uucp" elsewhere).
std::string GroupOf(const std::string& device) {
  struct stat info {};
  if (::stat(device.c_str(), &info) != 0) return "dialout";
  if (const group* g = ::getgrgid(info.st_gid)) return g->gr_name;
  return std::to_string(info.st_gid);
}

std::string Named(const OpenFailure& f) {
  return f.device.empty() || f.device == f.port ? f.port : f.port + " (" + f.device + ")";
}

}  // namespace

OpenFailure ClassifyOpenFailure(const std::string& port, const std::string& device, int systemError) {
  OpenFailure failure;
  failure.port = port;
  failure.device = device;
  switch (systemError) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR: failure.kind = OpenFailure::Kind::NoDevice; break;
    case EACCES:
    case EPERM:
      failure.kind = OpenFailure::Kind::PermissionDenied;
      failure.group = GroupOf(device);
      break;
    case EBUSY: failure.kind = OpenFailure::Kind::InUse; break;
    default:
      failure.kind = OpenFailure::Kind::Other;
      // The system's own words, the same whatever the locale (vorkactl speaks English).
      if (const char* text = ::strerrordesc_np(systemError))
        failure.detail = text;
      else
        failure.detail = "error " + std::to_string(systemError);
      break;
  }
  if (device.empty()) failure.kind = OpenFailure::Kind::NoDevice;
  return failure;
}

std::string CzechText(const OpenFailure& f) {
  switch (f.kind) {
    case OpenFailure::Kind::NoDevice:
      return "Port " + Named(f) + " nelze otevřít: takové zařízení není (převodník není připojen?).";
    case OpenFailure::Kind::PermissionDenied:
      return "Port " + Named(f) + " nelze otevřít: přístup odepřen.\nPřidejte se do skupiny " + f.group +
             " příkazem\n    sudo usermod -aG " + f.group + " $USER\na přihlaste se znovu.";
    case OpenFailure::Kind::InUse:
      return "Port " + Named(f) + " nelze otevřít: používá ho jiný program (terminál, ModemManager).";
    case OpenFailure::Kind::Other: return "Port " + Named(f) + " nelze otevřít: " + f.detail;
  }
  return {};
}

std::string EnglishText(const OpenFailure& f) {
  switch (f.kind) {
    case OpenFailure::Kind::NoDevice: return "cannot open " + Named(f) + ": no such device";
    case OpenFailure::Kind::PermissionDenied:
      return "cannot open " + Named(f) + ": permission denied; join the group with\n    sudo usermod -aG " +
             f.group + " $USER\nand log in again";
    case OpenFailure::Kind::InUse: return "cannot open " + Named(f) + ": another program is using it";
    case OpenFailure::Kind::Other: return "cannot open " + Named(f) + ": " + f.detail;
  }
  return {};
}
