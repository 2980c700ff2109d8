#pragma once

#include <memory>

#include "kaso/ui/Icons.h"
#include "kaso/ui/TextCell.h"
#include "kaso/ui/Theme.h"
#include "src/model/VexaModel.h"
#include "src/screens/ControlBindings.h"
#include "src/widgets/Flex.h"

namespace vexa {

// The bar above every page: navigation toggle, back button (only with somewhere to go back
// to), the search box (or, compact, a button opening the palette) and the connection pill. The
// navigation toggle acts through the sidebar-toggle binding of `bindings`.
Flex top_bar(VexaModel const& model, kaso::ui::Theme const& theme, OperationQueueHandle const& queue, bool has_back,
    kaso::ui::TextCellHandle search_text, bool compact, ControlBindings const& bindings = {});

// The rail beside every page: the logo, the title when wide, one item per main route and
// Settings at the bottom. Wide means a rail wider than 86. Each item opens its route through the
// navigation binding of `bindings`.
Flex nav_rail(Route const& current, double rail_width, kaso::ui::Theme const& theme, ControlBindings const& bindings = {});
Flex nav_item(kaso::ui::Theme const& theme, kaso::ui::Icon glyph, std::string const& label, Route route, bool active, bool wide,
    ControlBindings const& bindings = {});

}
