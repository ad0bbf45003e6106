#include "signature/SignatureVerifier.h"

#include "base/Text.h"

#include <utility>

namespace qv {

SignatureVerifier::SignatureVerifier(SignaturePlatform& platform) : platform_(platform) {}

SignatureVerdict SignatureVerifier::Verify(const std::string& named) {
    const std::string path = platform_.Locate(named);
    std::optional<FileStamp> stamp = platform_.Stamp(path);
    if (!stamp) return {};
    // Non-ASCII letters stay as they are: the same file under two spellings
    // is merely checked twice.
    std::string key = UpperAscii(path);
    {
        std::lock_guard lock(mutex_);
        auto it = known_.find(key);
        if (it != known_.end() && it->second.stamp == *stamp) return it->second.verdict;
    }
    // The check itself runs unlocked: the window's thread may ask for a
    // cached verdict while the worker reads a large file.
    SignatureVerdict verdict = platform_.Check(path);
    std::lock_guard lock(mutex_);
    ++checks_;
    if (verdict.state == SignatureState::NotCheckable)
        known_.erase(key);
    else
        known_[key] = {*stamp, verdict};
    return verdict;
}

size_t SignatureVerifier::Checks() const {
    std::lock_guard lock(mutex_);
    return checks_;
}

VerifyQueue::VerifyQueue(SignatureVerifier& verifier) : verifier_(verifier) {}

VerifyQueue::~VerifyQueue() {
    Cancel();
}

VerifyQueue::Batch VerifyQueue::Start(std::vector<std::string> paths, ResultFn onResult,
                                      DoneFn onDone) {
    Cancel();
    cancel_ = false;
    busy_ = true;
    Batch batch = ++last_;
    worker_ = std::thread(&VerifyQueue::Run, this, batch, std::move(paths), std::move(onResult),
                          std::move(onDone));
    return batch;
}

void VerifyQueue::RequestCancel() {
    cancel_ = true;
}

void VerifyQueue::Cancel() {
    RequestCancel();
    if (worker_.joinable()) worker_.join();
    busy_ = false;
}

bool VerifyQueue::Busy() const {
    return busy_;
}

void VerifyQueue::Run(Batch batch, std::vector<std::string> paths, ResultFn onResult,
                      DoneFn onDone) {
    bool through = true;
    for (size_t i = 0; i < paths.size() && through; ++i) {
        SignatureVerdict verdict;
        if (!cancel_) verdict = verifier_.Verify(paths[i]);
        // Asked to stop while the file was being checked: its verdict stays
        // in the cache, but the caller has moved on.
        through = !cancel_;
        if (through && onResult) onResult(batch, i, paths[i], verdict);
    }
    busy_ = false;
    if (through && onDone) onDone(batch);
}

} // namespace qv
