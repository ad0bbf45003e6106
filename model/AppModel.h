#pragma once
// What a program of Quorvik works on, in one object its start-up owns: the
// autostart entries, the known-entries database, the process table, the
// program's folder, the language table and the system folders. The domain
// functions take the parts they need from it; whoever completes a change
// tells the subscribers which part changed.
#include "autostart/AutostartEntry.h"
#include "autostart/Inactive.h"
#include "base/LanguageFile.h"
#include "database/KnownEntries.h"
#include "process/ProcessTable.h"
#include "signature/SignatureVerifier.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qv {

// The parts a subscriber can be told about.
enum class ModelChange { Entries, KnownEntries, Processes, Language };

class AppModel {
  public:
    using Listener = std::function<void(ModelChange)>;

    // Ends its subscription when it goes (or when reset); it may outlive the
    // model.
    class Subscription {
      public:
        Subscription() = default;
        void reset() { listener_.reset(); }
        explicit operator bool() const { return listener_ != nullptr; }

      private:
        friend class AppModel;
        explicit Subscription(std::shared_ptr<Listener> listener)
            : listener_(std::move(listener)) {}
        std::shared_ptr<Listener> listener_;
    };

    AppModel() = default;
    AppModel(const AppModel&) = delete;
    AppModel& operator=(const AppModel&) = delete;

    // The listener hears of every change until the token goes.
    [[nodiscard]] Subscription Subscribe(Listener listener);
    // Tells every live subscriber, in the order they subscribed. One that
    // subscribes or goes during the call is not told this time.
    void Changed(ModelChange change);

    // The scanned entries followed by the deactivated ones: the model of the
    // autostart list. Each list row's index into it belongs to the list's
    // owner. At most kMaxEntries.
    std::vector<AutostartEntry> ASEntries;
    // The entries the user has accepted.
    KnownEntryDB ASEntryDB;
    // The processes shown by the process page, and their number.
    std::vector<ProcessEntry> ProcessTable;
    uint16_t ProcessCount = 0;
    // The folder every data file of the program lives in, with a trailing
    // backslash.
    std::string AppDir;
    // The lines of AppDir + "qv6.lng".
    LanguageFile LanguageTable;
    // The Windows directory and the system directory, each with a trailing
    // backslash; refreshed at the start of every scan.
    std::string WindowsDir;
    std::string SystemDir;
    // What the deactivation keeps beside the entries.
    InactiveState Inactive;
    // Who signed a file, remembered for the session; made on first use by
    // Verifier(). Tests put one with a platform of their own here first.
    std::unique_ptr<SignatureVerifier> Signatures;
    SignatureVerifier& Verifier();

  private:
    std::vector<std::weak_ptr<Listener>> listeners_;
};

} // namespace qv
