#pragma once

#include <optional>
#include <vector>

#include "src/model/Route.h"

namespace vexa {

// The route on screen and the routes that Back returns to, oldest first. The stack has no size
// limit.
struct NavigationHistory {
    Route current { Route::home() };
    std::vector<Route> back_stack;

    // Makes `route` current without stacking the old one; a last back-stack entry equal to it
    // is dropped, so going back never returns to the route on screen.
    void set_current_route(Route route);
    // Stacks the current route and makes `route` current, unless it is already current.
    void push_route(Route route);
    // Returns to the last stacked route, which it answers; none when the stack is empty.
    std::optional<Route> go_back();
};

}
