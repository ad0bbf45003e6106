#pragma once
#include <string>

namespace qv {

// Copies the files of the user's and the common startup folder into
// appDir + "backup\". Cumulative: a name already in the backup is never
// replaced. Subfolders, missing folders and failed copies are skipped silently.
void BackupStartupFolders(const std::string& appDir);

} // namespace qv
