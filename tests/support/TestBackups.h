#pragma once
#include "protocol/settings/Backups.h"

// The backups the tested programs keep: the user's folder, which the suite's main puts into a
// temporary folder of its own (XDG_DATA_HOME), where vorkactl started by a test finds it too.
inline BackupStore TestBackups() { return BackupStore(BackupStore::DefaultFolder()); }
