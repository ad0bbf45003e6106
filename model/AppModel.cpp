#include "model/AppModel.h"

#include <algorithm>

namespace qv {

AppModel::Subscription AppModel::Subscribe(Listener listener) {
    auto shared = std::make_shared<Listener>(std::move(listener));
    // Tokens that have gone leave their slots behind; they are dropped here
    // so that a long-lived model does not grow with every page made.
    std::erase_if(listeners_, [](const std::weak_ptr<Listener>& w) { return w.expired(); });
    listeners_.push_back(shared);
    return Subscription(std::move(shared));
}

void AppModel::Changed(ModelChange change) {
    // A listener may subscribe or unsubscribe while it is told: work on a
    // copy, and lock each one only when its turn comes.
    const std::vector<std::weak_ptr<Listener>> now = listeners_;
    for (const auto& weak : now)
        if (std::shared_ptr<Listener> listener = weak.lock()) (*listener)(change);
}

SignatureVerifier& AppModel::Verifier() {
    if (!Signatures) Signatures = std::make_unique<SignatureVerifier>();
    return *Signatures;
}

} // namespace qv
