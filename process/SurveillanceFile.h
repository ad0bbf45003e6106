#pragma once
// procsurv.dat in the application directory: read at every fill of the
// process page, written after every change the user makes to the list.
#include "process/Surveillance.h"

#include <string>

namespace qv {

std::string SurveillanceFilePath(const std::string& appDir);

// Replaces the list's entries with the file's lines, every tick cleared. A
// missing file gives an empty list. A file that exists but cannot be read
// leaves the list empty and marked, so that it is never saved over the
// unread lines, and throws AppError for the general error handler.
void LoadSurveillanceList(SurveillanceList& list, const std::string& appDir);

// Writes every entry in displayed order, replacing the file atomically.
// Throws AppError ("Datei %s kann nicht erstellt werden") when the file
// cannot be written, and refuses with an AppError when the list is marked as
// not read; the old file stays as it was.
void SaveSurveillanceList(const SurveillanceList& list, const std::string& appDir);

} // namespace qv
