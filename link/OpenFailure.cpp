#include "link/OpenFailure.h"

#include "common/Language.h"
#include "link/SystemErrors.h"

#include <cerrno>

namespace {

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
    case EPERM: {
      failure.kind = OpenFailure::Kind::PermissionDenied;
      DeviceAccess access = WhoMayOpen(device);
      failure.group = std::move(access.group);
      failure.owner = std::move(access.owner);
      break;
    }
    case EBUSY: failure.kind = OpenFailure::Kind::InUse; break;
    default:
      failure.kind = OpenFailure::Kind::Other;
      failure.detail = SystemErrorText(systemError);
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

OpenFailure UsbLibraryMissing() {
  OpenFailure failure;
  failure.kind = OpenFailure::Kind::NoLibrary;
  failure.port = "ftd2xx.dll";
  failure.usb = true;
  return failure;
}

namespace {

// Each kind of failure in both languages: of a serial port and of an FTDI converter.
struct FailureTexts {
  Twin serial, usb;
};
const FailureTexts kNoDevice{
    {"Port {port} nelze otevřít: takové zařízení není (převodník není připojen?).",
     "cannot open {port}: no such device"},
    {"Převodník FTDI \"{port}\" není připojen.", "the FTDI device \"{port}\" is not attached"}};
const FailureTexts kGroupMayOpen{
    {"Port {port} nelze otevřít: přístup odepřen.\n"
     "Přidejte se do skupiny {group} příkazem\n    sudo usermod -aG {group} $USER\na přihlaste se znovu.",
     "cannot open {port}: permission denied; "
     "join the group with `sudo usermod -aG {group} $USER`, then log in again"},
    {"Přístup k převodníku FTDI odepřen: je třeba pravidlo udev 99-vorka-ftdi.rules (instaluje ho balíček) "
     "a členství ve skupině {group}:\n    sudo usermod -aG {group} $USER\npak se přihlaste znovu.",
     "permission denied: install the udev rule 99-vorka-ftdi.rules (the package does) "
     "and join the group with `sudo usermod -aG {group} $USER`, then log in again"}};
const FailureTexts kOwnerOnly{
    {"Port {port} nelze otevřít: přístup odepřen.\nOtevřít ho smí jen jeho vlastník ({owner}).",
     "cannot open {port}: permission denied; only its owner ({owner}) may open it"},
    kGroupMayOpen.usb};
// Who holds a port, as each system has it.
#ifdef _WIN32
#define VORKA_PORT_HOLDERS "terminál, program výrobce převodníku"
#else
#define VORKA_PORT_HOLDERS "terminál, ModemManager"
#endif
const FailureTexts kInUse{
    {"Port {port} nelze otevřít: používá ho jiný program (" VORKA_PORT_HOLDERS ").",
     "cannot open {port}: another program is using it"},
    {"Převodník FTDI používá jiný program.", "another program is using the FTDI device"}};
const FailureTexts kNoLibrary{
    {"Port {port} nelze otevřít: chybí knihovna ovladače.",
     "cannot open {port}: a driver library is missing"},
    {"Ovladač FTDI (ftd2xx.dll) není nainstalován, převodník USB nelze použít.\n"
     "Sériové porty COM fungují i bez něj; ovladač D2XX nabízí výrobce převodníku (FTDI).",
     "the FTDI driver (ftd2xx.dll) is not installed, so no USB converter can be used; "
     "the COM ports work without it"}};
const FailureTexts kOther{
    {"Port {port} nelze otevřít: {detail}", "cannot open {port}: {detail}"},
    {"Převodník FTDI nelze otevřít: {detail}", "the FTDI device did not open: {detail}"}};

std::string FailureIn(const OpenFailure& f, Language language) {
  const FailureTexts* texts = &kOther;
  switch (f.kind) {
    case OpenFailure::Kind::NoDevice: texts = &kNoDevice; break;
    case OpenFailure::Kind::PermissionDenied: texts = f.group.empty() ? &kOwnerOnly : &kGroupMayOpen; break;
    case OpenFailure::Kind::InUse: texts = &kInUse; break;
    case OpenFailure::Kind::NoLibrary: texts = &kNoLibrary; break;
    case OpenFailure::Kind::Other: break;
  }
  const std::string& detail =
      language == Language::Czech && !f.usersDetail.empty() ? f.usersDetail : f.detail;
  return Filled(
      (f.usb ? texts->usb : texts->serial).In(language),
      {{"port", f.usb ? f.port : Named(f)}, {"group", f.group}, {"owner", f.owner}, {"detail", detail}});
}

}  // namespace

std::string CzechText(const OpenFailure& f) { return FailureIn(f, Language::Czech); }

std::string EnglishText(const OpenFailure& f) { return FailureIn(f, Language::English); }

std::string CzechReason(const OpenFailure& f) {
  switch (f.kind) {
    case OpenFailure::Kind::NoDevice: return "takové zařízení není";
    case OpenFailure::Kind::PermissionDenied:
      return f.group.empty() ? "přístup odepřen (jen vlastník " + f.owner + ")"
                             : "přístup odepřen (skupina " + f.group + ")";
    case OpenFailure::Kind::InUse: return "používá ho jiný program";
    case OpenFailure::Kind::NoLibrary: return "ovladač FTDI (ftd2xx.dll) není nainstalován";
    case OpenFailure::Kind::Other: return f.usersDetail.empty() ? f.detail : f.usersDetail;
  }
  return {};
}
