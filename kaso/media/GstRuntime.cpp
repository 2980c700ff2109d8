#include "kaso/media/GstRuntime.h"

#include <mutex>
#include <string>

#include <gst/gst.h>

#include "kaso/platform/Log.h"

namespace kaso::media::gst_runtime {

ErrorOr<void> ensure_started()
{
    static std::once_flag s_once;
    static ErrorOr<void> s_outcome;
    std::call_once(s_once, [] {
        GError* error = nullptr;
        if (gst_init_check(nullptr, nullptr, &error)) {
            gchar* version = gst_version_string();
            kaso::log::target("kaso::media")->debug("GStreamer started version={}", version);
            g_free(version);
            return;
        }
        std::string message = error ? error->message : "unknown reason";
        if (error)
            g_error_free(error);
        s_outcome = std::unexpected(Error::format("MediaEngine: GStreamer could not start: {}", message));
    });
    return s_outcome;
}

ErrorOr<void> require_elements(std::initializer_list<std::string_view> names)
{
    TRY(ensure_started());
    for (auto name : names) {
        std::string element(name);
        GstElementFactory* factory = gst_element_factory_find(element.c_str());
        if (!factory)
            return std::unexpected(Error::format("MediaEngine: the GStreamer element \"{}\" is not installed", element));
        gst_object_unref(factory);
    }
    return {};
}

}
