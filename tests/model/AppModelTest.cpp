// The model's change list: who hears of a change and for how long.
#include "model/AppModel.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace qv {
namespace {

TEST(AppModel, ChangesReachTheLiveSubscribersInTheirOrderAndNoOneElse) {
    AppModel model;
    std::vector<int> heard;
    std::optional<AppModel::Subscription> first(
        model.Subscribe([&](ModelChange c) { heard.push_back(10 + int(c)); }));
    AppModel::Subscription second =
        model.Subscribe([&](ModelChange c) { heard.push_back(20 + int(c)); });
    AppModel::Subscription later;
    AppModel::Subscription third = model.Subscribe([&](ModelChange c) {
        heard.push_back(30 + int(c));
        // Made while it is told: heard from the next change on.
        if (!later) later = model.Subscribe([&](ModelChange d) { heard.push_back(40 + int(d)); });
    });

    model.Changed(ModelChange::Processes);
    EXPECT_EQ(heard, (std::vector<int>{12, 22, 32}));

    // A token that has gone, and one that was reset, hear nothing more.
    heard.clear();
    first.reset();
    second.reset();
    EXPECT_FALSE(second);
    model.Changed(ModelChange::Language);
    EXPECT_EQ(heard, (std::vector<int>{33, 43}));

    // A token may outlive its model.
    AppModel::Subscription outliving;
    {
        AppModel other;
        outliving = other.Subscribe([&](ModelChange) { heard.push_back(99); });
    }
    EXPECT_TRUE(outliving);
}

} // namespace
} // namespace qv
