#pragma once
#include "link/OpenFailure.h"

#include <string>

// What the system can tell about a failed open, one implementation per system.

// The group that may open the device node and its owner (PermissionDenied's advice). A group that
// may not read and write the node is no advice: joining it would not help.
void NoteWhoMayOpen(const std::string& device, OpenFailure& failure);
// The system's own words for an error number, the same whatever the locale (vorkactl speaks English).
std::string SystemErrorText(int systemError);
