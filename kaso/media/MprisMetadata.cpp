#include "kaso/media/MprisMetadata.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace kaso::media::mpris {

char const* introspection_xml()
{
    return R"(<node>
  <interface name="org.mpris.MediaPlayer2">
    <method name="Raise"/>
    <method name="Quit"/>
    <property name="CanQuit" type="b" access="read"/>
    <property name="CanRaise" type="b" access="read"/>
    <property name="HasTrackList" type="b" access="read"/>
    <property name="Identity" type="s" access="read"/>
    <property name="SupportedUriSchemes" type="as" access="read"/>
    <property name="SupportedMimeTypes" type="as" access="read"/>
  </interface>
  <interface name="org.mpris.MediaPlayer2.Player">
    <method name="Next"/>
    <method name="Previous"/>
    <method name="Pause"/>
    <method name="PlayPause"/>
    <method name="Stop"/>
    <method name="Play"/>
    <method name="Seek"><arg direction="in" name="Offset" type="x"/></method>
    <method name="SetPosition">
      <arg direction="in" name="TrackId" type="o"/>
      <arg direction="in" name="Position" type="x"/>
    </method>
    <method name="OpenUri"><arg direction="in" name="Uri" type="s"/></method>
    <signal name="Seeked"><arg name="Position" type="x"/></signal>
    <property name="PlaybackStatus" type="s" access="read"/>
    <property name="Rate" type="d" access="read"/>
    <property name="Metadata" type="a{sv}" access="read"/>
    <property name="Volume" type="d" access="read"/>
    <property name="Position" type="x" access="read"/>
    <property name="MinimumRate" type="d" access="read"/>
    <property name="MaximumRate" type="d" access="read"/>
    <property name="CanGoNext" type="b" access="read"/>
    <property name="CanGoPrevious" type="b" access="read"/>
    <property name="CanPlay" type="b" access="read"/>
    <property name="CanPause" type="b" access="read"/>
    <property name="CanSeek" type="b" access="read"/>
    <property name="CanControl" type="b" access="read"/>
  </interface>
</node>)";
}

std::string track_id(NowPlaying const* item)
{
    if (!item || item->video_id.empty())
        return no_track;
    // Letters and digits as they are, every other byte as "_" and two hex digits: a valid object
    // path element, and two ids never share a path (YouTube ids differ by "-" and "_" alone).
    std::string path = "/org/kaso/media/track/";
    for (unsigned char c : item->video_id) {
        if (std::isalnum(c)) {
            path += static_cast<char>(c);
        } else {
            static constexpr char hex[] = "0123456789abcdef";
            path += '_';
            path += hex[c >> 4];
            path += hex[c & 0xf];
        }
    }
    return path;
}

int64_t microseconds(uint64_t milliseconds)
{
    constexpr uint64_t limit = std::numeric_limits<int64_t>::max() / 1000;
    return static_cast<int64_t>(std::min(milliseconds, limit) * 1000);
}

GVariant* metadata(NowPlaying const* item)
{
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("a{sv}"));
    auto path = track_id(item);
    g_variant_builder_add(&builder, "{sv}", "mpris:trackid", g_variant_new_object_path(path.c_str()));
    if (item) {
        // Texts from outside may not be valid UTF-8, which GVariant strings must be.
        auto text = [](std::string const& value) {
            gchar* valid = g_utf8_make_valid(value.c_str(), static_cast<gssize>(value.size()));
            GVariant* variant = g_variant_new_string(valid);
            g_free(valid);
            return variant;
        };
        g_variant_builder_add(&builder, "{sv}", "xesam:title", text(item->title));
        GVariantBuilder artists;
        g_variant_builder_init(&artists, G_VARIANT_TYPE("as"));
        g_variant_builder_add_value(&artists, text(item->artist));
        g_variant_builder_add(&builder, "{sv}", "xesam:artist", g_variant_builder_end(&artists));
        if (!item->art_url.empty())
            g_variant_builder_add(&builder, "{sv}", "mpris:artUrl", text(item->art_url));
        if (item->length_ms)
            g_variant_builder_add(&builder, "{sv}", "mpris:length", g_variant_new_int64(microseconds(*item->length_ms)));
    }
    return g_variant_builder_end(&builder);
}

std::string bus_name(std::string const& service_name)
{
    std::string element;
    for (unsigned char c : service_name)
        element += (std::isalnum(c) || c == '_' || c == '-') ? static_cast<char>(c) : '_';
    if (element.empty() || std::isdigit(static_cast<unsigned char>(element.front())))
        element.insert(element.begin(), '_');
    return std::string("org.mpris.MediaPlayer2.") + element;
}

}
