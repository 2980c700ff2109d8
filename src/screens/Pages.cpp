#include "src/screens/Pages.h"

#include "src/screens/RouteTable.h"

namespace vexa {

kaso::ui::Scrollable route_screen(VexaModel const& model, kaso::ui::Theme const& theme, float scale, OperationQueueHandle const& queue,
    ImageStoreHandle const& images, Route const& route, WatchSurface const& watch, DeviceSectionInput const& devices)
{
    return route_kind_info(route.kind).build_page(PageInputs { model, theme, scale, queue, images, route, watch, devices });
}

}
