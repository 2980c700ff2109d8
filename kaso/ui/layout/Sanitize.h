#pragma once

#include "kaso/ui/layout/Style.h"

namespace kaso::layout::detail {

// A copy of the style with bad numbers replaced (see `Style`), so the solver can trust it:
// every length finite and at most `max_length`, every size, padding, gap and factor at least 0.
Style sanitized(Style style);

// A measured or computed value made safe: NaN, infinite and negative values become 0, and
// values above `max_length` become `max_length`.
float sanitized_length(float value);

}
