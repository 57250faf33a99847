#include "link/OpenFailure.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace {

// The group that may open the node ("dialout" on Debian, "uucp" elsewhere), and its owner. A
// group that may not read and write it is no advice: joining it would not help.
void GroupOf(const std::string& device, OpenFailure& failure) {
  struct stat info {};
  if (::stat(device.c_str(), &info) != 0) {
    failure.group = "dialout";
    return;
  }
  const passwd* user = ::getpwuid(info.st_uid);
  failure.owner = user ? user->pw_name : std::to_string(info.st_uid);
  if ((info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) return;
  const group* g = ::getgrgid(info.st_gid);
  failure.group = g ? g->gr_name : std::to_string(info.st_gid);
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
      GroupOf(device, failure);
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

OpenFailure ClassifyUsbOpenFailure(const std::string& description, uint32_t status, int systemError) {
  constexpr uint32_t kDeviceNotFound = 2;  // FT_DEVICE_NOT_FOUND
  OpenFailure failure =
      ClassifyOpenFailure(description, description, status == kDeviceNotFound ? ENOENT : systemError);
  failure.usb = true;
  // The udev rule gives FTDI devices to this group, whatever group owns the node today.
  if (failure.kind == OpenFailure::Kind::PermissionDenied) failure.group = "plugdev";
  if (failure.kind == OpenFailure::Kind::Other && systemError == 0)
    failure.detail = "D2XX status " + std::to_string(status);
  return failure;
}

namespace {

std::string CzechUsbText(const OpenFailure& f) {
  switch (f.kind) {
    case OpenFailure::Kind::NoDevice: return "Převodník FTDI \"" + f.port + "\" není připojen.";
    case OpenFailure::Kind::PermissionDenied:
      return "Přístup k převodníku FTDI odepřen: je třeba pravidlo udev 99-vorka-ftdi.rules (instaluje ho "
             "balíček) a členství ve skupině " +
             f.group + ":\n    sudo usermod -aG " + f.group + " $USER\npak se přihlaste znovu.";
    case OpenFailure::Kind::InUse: return "Převodník FTDI používá jiný program.";
    case OpenFailure::Kind::Other: return "Převodník FTDI nelze otevřít: " + f.detail;
  }
  return {};
}

std::string EnglishUsbText(const OpenFailure& f) {
  switch (f.kind) {
    case OpenFailure::Kind::NoDevice: return "the FTDI device \"" + f.port + "\" is not attached";
    case OpenFailure::Kind::PermissionDenied:
      return "permission denied: install the udev rule 99-vorka-ftdi.rules (the package does) and join the "
             "group with `sudo usermod -aG " +
             f.group + " $USER`, then log in again";
    case OpenFailure::Kind::InUse: return "another program is using the FTDI device";
    case OpenFailure::Kind::Other: return "the FTDI device did not open: " + f.detail;
  }
  return {};
}

}  // namespace

std::string CzechText(const OpenFailure& f) {
  if (f.usb) return CzechUsbText(f);
  switch (f.kind) {
    case OpenFailure::Kind::NoDevice:
      return "Port " + Named(f) + " nelze otevřít: takové zařízení není (převodník není připojen?).";
    case OpenFailure::Kind::PermissionDenied:
      if (f.group.empty())
        return "Port " + Named(f) + " nelze otevřít: přístup odepřen.\nOtevřít ho smí jen jeho vlastník (" +
               f.owner + ").";
      return "Port " + Named(f) + " nelze otevřít: přístup odepřen.\nPřidejte se do skupiny " + f.group +
             " příkazem\n    sudo usermod -aG " + f.group + " $USER\na přihlaste se znovu.";
    case OpenFailure::Kind::InUse:
      return "Port " + Named(f) + " nelze otevřít: používá ho jiný program (terminál, ModemManager).";
    case OpenFailure::Kind::Other: return "Port " + Named(f) + " nelze otevřít: " + f.detail;
  }
  return {};
}

std::string CzechReason(const OpenFailure& f) {
  switch (f.kind) {
    case OpenFailure::Kind::NoDevice: return "takové zařízení není";
    case OpenFailure::Kind::PermissionDenied:
      return f.group.empty() ? "přístup odepřen (jen vlastník " + f.owner + ")"
                             : "přístup odepřen (skupina " + f.group + ")";
    case OpenFailure::Kind::InUse: return "používá ho jiný program";
    case OpenFailure::Kind::Other: return f.detail;
  }
  return {};
}

std::string EnglishText(const OpenFailure& f) {
  if (f.usb) return EnglishUsbText(f);
  switch (f.kind) {
    case OpenFailure::Kind::NoDevice: return "cannot open " + Named(f) + ": no such device";
    case OpenFailure::Kind::PermissionDenied:
      if (f.group.empty())
        return "cannot open " + Named(f) + ": permission denied; only its owner (" + f.owner +
               ") may open it";
      return "cannot open " + Named(f) + ": permission denied; join the group with `sudo usermod -aG " +
             f.group + " $USER`, then log in again";
    case OpenFailure::Kind::InUse: return "cannot open " + Named(f) + ": another program is using it";
    case OpenFailure::Kind::Other: return "cannot open " + Named(f) + ": " + f.detail;
  }
  return {};
}
