#pragma once
#include <string>

// What the system can tell about a failed open, one implementation per system.

// The group that may open the device node and its owner (a refused open's advice). A group that
// may not read and write the node is no advice (empty): joining it would not help.
struct DeviceAccess {
  std::string group, owner;
};
DeviceAccess WhoMayOpen(const std::string& device);
// The system's own words for an error number, the same whatever the locale (vorkactl speaks English).
std::string SystemErrorText(int systemError);

// The error of the last failed file call, as an errno value. Windows' own calls (which Qt's files
// make there) set no errno: their error is translated, so that a missing file, a denied folder and
// a file another program holds are named as on Linux. Cleared before the call it is to tell about.
int LastFileError();
void ClearLastFileError();

// A Windows error in the system's own words: in English, or in the user's language. Empty elsewhere.
std::string WindowsErrorText(unsigned long windowsError, bool usersLanguage);
