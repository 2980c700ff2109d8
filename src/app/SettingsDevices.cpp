#include "src/app/SettingsDevices.h"

#include "kaso/platform/Clock.h"

namespace vexa {

DeviceSectionInput device_section_input(DeviceSyncHandle const& handle)
{
    DeviceSectionInput input;
    input.status = handle.status();
    input.pairing_invite = handle.pairing_invite();
    input.now_seconds = kaso::platform::unix_time_seconds();
    return input;
}

}
