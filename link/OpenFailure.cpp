#include "link/OpenFailure.h"

#include "common/Wording.h"
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

// Each kind of failure: of a serial port and of an FTDI converter.
struct FailureTexts {
  Said serial, usb;
};
constexpr FailureTexts kNoDevice{Said::PortNoDevice, Said::UsbNotAttached};
constexpr FailureTexts kGroupMayOpen{Said::PortGroupMayOpen, Said::UsbGroupMayOpen};
constexpr FailureTexts kOwnerOnly{Said::PortOwnerOnly, Said::UsbGroupMayOpen};
constexpr FailureTexts kInUse{Said::PortInUse, Said::UsbInUse};
constexpr FailureTexts kNoLibrary{Said::PortNoLibrary, Said::UsbNoLibrary};
constexpr FailureTexts kOther{Said::PortOther, Said::UsbOther};

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
  return Words(
      f.usb ? texts->usb : texts->serial, language,
      {{"port", f.usb ? f.port : Named(f)}, {"group", f.group}, {"owner", f.owner}, {"detail", detail}});
}

}  // namespace

std::string CzechText(const OpenFailure& f) { return FailureIn(f, Language::Czech); }

std::string EnglishText(const OpenFailure& f) { return FailureIn(f, Language::English); }

std::string CzechReason(const OpenFailure& f) {
  switch (f.kind) {
    case OpenFailure::Kind::NoDevice: return Words(Said::ReasonNoDevice, Language::Czech);
    case OpenFailure::Kind::PermissionDenied:
      return f.group.empty() ? Words(Said::ReasonOwnerOnly, Language::Czech, {{"owner", f.owner}})
                             : Words(Said::ReasonGroup, Language::Czech, {{"group", f.group}});
    case OpenFailure::Kind::InUse: return Words(Said::ReasonInUse, Language::Czech);
    case OpenFailure::Kind::NoLibrary: return Words(Said::ReasonNoLibrary, Language::Czech);
    case OpenFailure::Kind::Other: return f.usersDetail.empty() ? f.detail : f.usersDetail;
  }
  return {};
}
