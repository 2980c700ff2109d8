#include "src/app/Operations.h"

namespace vexa {

std::optional<ControlInvocation> ControlInvocations::take()
{
    if (m_waiting.empty())
        return std::nullopt;
    auto first = std::move(m_waiting.front());
    m_waiting.pop_front();
    return first;
}

}
