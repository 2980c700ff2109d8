#include "src/app/NavigationHistory.h"

namespace vexa {

void NavigationHistory::set_current_route(Route route)
{
    if (!back_stack.empty() && back_stack.back() == route)
        back_stack.pop_back();
    current = std::move(route);
}

void NavigationHistory::push_route(Route route)
{
    if (route == current)
        return;
    back_stack.push_back(std::move(current));
    current = std::move(route);
}

std::optional<Route> NavigationHistory::go_back()
{
    if (back_stack.empty())
        return std::nullopt;
    current = std::move(back_stack.back());
    back_stack.pop_back();
    return current;
}

}
