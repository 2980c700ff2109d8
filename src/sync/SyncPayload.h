#pragma once

#include <string>
#include <vector>

namespace vexa::sync {

// One sync pass's data, both ways: channel addresses of subscriptions and video addresses of
// watched items. Pushing reads only `subscriptions`; a pull fills both.
// FIXME: carry the local settings here once the worker hands them over; the provider never reads
// or sends them.
struct SyncPayload {
    std::vector<std::string> subscriptions;
    std::vector<std::string> history;

    bool empty() const { return subscriptions.empty() && history.empty(); }
    bool operator==(SyncPayload const&) const = default;
};

}
