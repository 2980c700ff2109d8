#pragma once

#include <vector>

#include "src/model/Route.h"

namespace vexa {

// The route on screen and the routes that Back returns to, most recent last.
struct NavigationHistory {
    Route current { Route::home() };
    std::vector<Route> back_stack;
};

}
