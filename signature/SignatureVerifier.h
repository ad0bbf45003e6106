#pragma once
// The one place that says who signed a file: SignatureVerifier checks a file
// through the platform and keeps the verdict for the session, keyed by path,
// size and last write time, so a file that changes is checked again and an
// unchanged one never twice. VerifyQueue runs a batch of paths on a worker
// thread and hands each verdict to the caller's callback, because a check
// takes milliseconds (a catalog lookup reads the whole file) and the list
// must show at once. Pure code.
#include "signature/SignaturePlatform.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv {

class SignatureVerifier {
  public:
    explicit SignatureVerifier(SignaturePlatform& platform = WindowsSignaturePlatform());

    // Thread-safe. The path is located first (SignaturePlatform::Locate),
    // so a command's program may come as the command names it. A missing file is NotCheckable and
    // is not remembered, nor is a file that could not be opened (a lock is usually brief).
    SignatureVerdict Verify(const std::string& path);

    // How often the platform was asked, for the cache's tests.
    size_t Checks() const;

  private:
    struct Known {
        FileStamp stamp;
        SignatureVerdict verdict;
    };
    SignaturePlatform& platform_;
    mutable std::mutex mutex_;
    std::map<std::string, Known> known_; // by the path's upper-case form
    size_t checks_ = 0;
};

// One worker thread, one batch at a time. The callback runs on the worker
// thread: a window posts the result to itself (PostMessage), never sends it,
// and drops results whose batch is not the one it started last, because
// posted results of a cancelled batch may still be waiting in its queue.
class VerifyQueue {
  public:
    using Batch = uint64_t;
    using ResultFn = std::function<void(Batch batch, size_t index, const std::string& path,
                                        const SignatureVerdict& verdict)>;
    using DoneFn = std::function<void(Batch batch)>;

    explicit VerifyQueue(SignatureVerifier& verifier);
    ~VerifyQueue(); // cancels
    VerifyQueue(const VerifyQueue&) = delete;
    VerifyQueue& operator=(const VerifyQueue&) = delete;

    // Cancels the batch running, then verifies the paths in order; each
    // verdict goes to onResult with the path's index, then onDone once the
    // batch is through (not when it is cancelled). Returns the batch's number,
    // never 0.
    Batch Start(std::vector<std::string> paths, ResultFn onResult, DoneFn onDone = {});
    // Stops the running batch after the file being checked and waits for the
    // worker: once it returns, no callback of that batch runs any more. Call
    // it when the group changes or the window closes; never from a callback.
    void Cancel();
    // Asks the batch to stop without waiting; Cancel or Start waits.
    void RequestCancel();
    // True while a batch is being worked through.
    bool Busy() const;
    // True once the running batch was asked to stop (a platform may end a
    // long check early).
    bool Cancelling() const { return cancel_; }

  private:
    void Run(Batch batch, std::vector<std::string> paths, ResultFn onResult, DoneFn onDone);

    SignatureVerifier& verifier_;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> busy_{false};
    Batch last_ = 0;
};

} // namespace qv
