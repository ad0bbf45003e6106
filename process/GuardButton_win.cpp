// The real guard: its process looked for by path in a table of its own, its
// window told to stop, its executable opened with the shell.
#include "process/GuardButton.h"

#include "process/FunctionUnit.h"
#include "process/GuardInterface.h"
#include "process/ProcessTable.h"

namespace qv {

namespace {

class SystemGuardControl : public GuardControl {
  public:
    explicit SystemGuardControl(std::string appDir) : appDir_(std::move(appDir)) {}

    bool IsRunning() override { return IsGuardRunning(appDir_); }
    bool NotifyStop() override { return NotifyGuard(GuardMsgStop); }
    void Start() override { ShellOpen(appDir_ + kGuardExeName); }

  private:
    std::string appDir_;
};

} // namespace

std::unique_ptr<GuardControl> MakeSystemGuardControl(const std::string& appDir) {
    return std::make_unique<SystemGuardControl>(appDir);
}

} // namespace qv
