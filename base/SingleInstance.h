#pragma once
// One process per executable path: a second start of the same file ends
// silently, a copy in another directory runs.
#include "base/Handles.h"

#include <string>
#include <string_view>

namespace qv {

// A kernel object name cannot hold a backslash (it separates namespaces), so
// the path's backslashes become forward slashes, which no Windows path holds:
// different paths keep different names. Everything else stays character for
// character, as the process knows its path.
std::string InstanceMutexName(std::string_view exePath);

// Holds the named mutex for the executable path for as long as it lives
// (the program's start-up owns it). Acquired() is false when another
// process held it already; the caller then ends with exit code 0.
class SingleInstance {
  public:
    explicit SingleInstance(const std::string& exePath);
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    bool Acquired() const { return acquired_; }
    // Lets the mutex go, so that a new start of the program (the same one
    // as administrator) can run, and takes it again when that start did not
    // happen.
    void Release();
    bool Reacquire();

  private:
    std::string name_;
    UniqueHandle mutex_;
    bool acquired_ = false;
};

} // namespace qv
