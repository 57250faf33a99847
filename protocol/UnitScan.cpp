#include "protocol/UnitScan.h"

#include "link/PortNames.h"
#include "link/Probe.h"
#include "link/Speeds.h"
#include "link/UniUSB.h"
#include "protocol/ReplyForm.h"
#include "protocol/UnitProtocol.h"

#include <algorithm>

namespace {

// What the probes have put in place so far, in the order of the targets.
template <typename T>
std::vector<T> Present(const std::vector<std::optional<T>>& results) {
  std::vector<T> present;
  for (const auto& result : results)
    if (result) present.push_back(*result);
  return present;
}

}  // namespace

std::vector<int32_t> ScanSpeeds(int32_t chosen) {
  std::vector<int32_t> speeds;
  if (std::find(std::begin(kLinkSpeeds), std::end(kLinkSpeeds), chosen) != std::end(kLinkSpeeds))
    speeds.push_back(chosen);
  for (int32_t s : kLinkSpeeds)
    if (s != chosen) speeds.push_back(s);
  return speeds;
}

std::vector<ScanTarget> ScanTargets(const OpenPort& open) {
  return ScanTargetsAmong(PortNames::PortIdentities(), ListFtdiDevices().value_or(std::vector<FtdiDevice>{}),
                          open);
}

std::vector<ScanTarget> ScanTargetsAmong(const QList<PortIdentity>& coms,
                                         const std::vector<FtdiDevice>& devices, const OpenPort& open) {
  std::vector<ScanTarget> targets;
  std::vector<QString> seen;
  std::vector<std::string> ftdiSerialsOnCom;
  for (const PortIdentity& identity : coms) {
    if (!identity.present) continue;
    const QString real = PortNames::RealPath(identity.device);
    if (std::find(seen.begin(), seen.end(), real) != seen.end()) continue;
    seen.push_back(real);
    ScanTarget target{ScanTarget::Kind::Serial, identity.name.toStdString(), identity.device.toStdString()};
    if (open.open && !open.usb && PortNames::RealPath(QString::fromStdString(open.device)) == real) {
      target.openInProgram = true;
      target.openBaud = open.baud;
    }
    if (identity.hasUsbId && identity.vendorId == kFtdiVendorId && !identity.serialNumber.isEmpty())
      ftdiSerialsOnCom.push_back(identity.serialNumber.toStdString());
    targets.push_back(target);
  }
  bool openUsbFound = false;
  for (std::size_t index = 0; index < devices.size(); ++index) {
    const FtdiDevice& device = devices[index];
    if (device.accessError) {
      // Its strings say nothing, so the list's name for it; a unit may be behind it.
      targets.push_back(
          {ScanTarget::Kind::Usb, "Device " + std::to_string(index + 1), {}, false, 0, device.accessError});
      continue;
    }
    if (std::find(ftdiSerialsOnCom.begin(), ftdiSerialsOnCom.end(), device.serialNumber) !=
        ftdiSerialsOnCom.end())
      continue;
    ScanTarget target{ScanTarget::Kind::Usb, device.description, device.serialNumber};
    // The program opened it by its serial number, or else by its description: the first device
    // with that description.
    const bool isOpen = open.serialNumber.empty() ? device.description == open.device.substr(0, 49)
                                                  : device.serialNumber == open.serialNumber;
    if (open.open && open.usb && !openUsbFound && isOpen) {
      openUsbFound = true;
      target.openInProgram = true;
      target.openBaud = open.baud;
    }
    // Without a serial number the device cannot be opened on its own.
    if (device.serialNumber.empty() && !target.openInProgram) continue;
    targets.push_back(target);
  }
  return targets;
}

UnitScan::UnitScan(std::vector<ScanTarget> targets, int32_t chosenBaud, int replyLimitMs)
    : targets_(std::move(targets)),
      speeds_(ScanSpeeds(chosenBaud)),
      replyLimitMs_(replyLimitMs),
      found_(targets_.size()),
      unopened_(targets_.size()) {}

UnitScan::~UnitScan() {
  Cancel();
  for (const auto& thread : threads_) thread->wait();
}

void UnitScan::Start() {
  for (std::size_t i = 0; i < targets_.size(); ++i) {
    threads_.emplace_back(QThread::create([this, i] { Probe(i); }));
    threads_.back()->start();
  }
}

void UnitScan::Cancel() { cancel_ = true; }

bool UnitScan::Finished() const { return done_ == Total(); }

int UnitScan::WorstCaseMs() const { return static_cast<int>(speeds_.size()) * replyLimitMs_; }

std::vector<OpenFailure> UnitScan::Unopened() const {
  const std::lock_guard lock(mutex_);
  return Present(unopened_);
}

std::vector<ScanFound> UnitScan::Found() const {
  const std::lock_guard lock(mutex_);
  return Present(found_);
}

std::vector<ScanTarget> UnitScan::OpenInProgram() const {
  std::vector<ScanTarget> open;
  for (const ScanTarget& target : targets_)
    if (target.openInProgram) open.push_back(target);
  return open;
}

void UnitScan::Probe(std::size_t index) {
  const ScanTarget& target = targets_[index];
  std::optional<ScanFound> result;
  std::optional<OpenFailure> unopened;
  if (target.accessError) {
    unopened = ClassifyUsbOpenFailure(target.port, FT_DEVICE_NOT_OPENED, target.accessError);
  } else if (!target.openInProgram) {
    OpenFailure failure;
    const std::unique_ptr<ProbeLink> link = target.kind == ScanTarget::Kind::Serial
                                                ? OpenSerialProbe(target.port, target.device, failure)
                                                : OpenUsbProbe(target.port, target.device, failure);
    // A device that went away meanwhile is no news; one that refused may hide a unit.
    if (!link && failure.kind != OpenFailure::Kind::NoDevice) unopened = failure;
    for (std::size_t s = 0; link && s < speeds_.size() && !cancel_; ++s) {
      std::string replyQ, replyVersion;
      if (!link->SetSpeed(speeds_[s])) break;
      if (!link->Ask(std::string(kUnitPrefix) + kIdentifierCommand, replyLimitMs_, replyQ, cancel_)) continue;
      if (!link->Ask(std::string(kUnitPrefix) + kVersionCommand, replyLimitMs_, replyVersion, cancel_))
        continue;
      // A reply of the other question's form came out of step (a late one): no identity from it.
      if (!ReplyFitsCommand(kIdentifierCommand, replyQ) || !ReplyFitsCommand(kVersionCommand, replyVersion))
        continue;
      const Identity identity = IdentityFromReplies(replyQ, replyVersion);
      if (!identity.present) continue;
      // A unit that answers late answers the previous question: ask once more on a line that has
      // been quiet for twice the limit, and take the speed only when the unit says the same again
      // in time. Only a port that answered pays for it.
      std::string again;
      link->Settle(2 * replyLimitMs_, 6 * replyLimitMs_, cancel_);
      if (!link->Ask(std::string(kUnitPrefix) + kIdentifierCommand, replyLimitMs_, again, cancel_) ||
          again != replyQ)
        continue;
      result = ScanFound{target, speeds_[s], identity};
      break;
    }
  }
  {
    const std::lock_guard lock(mutex_);
    found_[index] = result;
    unopened_[index] = unopened;
  }
  ++done_;
}

std::vector<ScanFound> ScanForUnits(const std::vector<ScanTarget>& targets, int32_t chosenBaud,
                                    std::vector<OpenFailure>* unopened) {
  UnitScan scan(targets, chosenBaud);
  scan.Start();
  while (!scan.Finished()) QThread::msleep(5);
  if (unopened) *unopened = scan.Unopened();
  return scan.Found();
}
