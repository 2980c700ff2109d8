#include "src/app/SettingsDevices.h"

namespace vexa {

DeviceSectionInput device_section_input(DeviceSyncHandle const& handle)
{
    DeviceSectionInput input;
    DeviceStatusView status;
    status.state = uint8_t(handle.status.state);
    status.message = handle.status.message;
    status.local_key = handle.status.local_key;
    // FIXME: the peers and the pairing-invite buffer come from the handle once it carries them;
    // until then the section shows its header only.
    input.status = std::move(status);
    input.now_seconds = device_clock_now_seconds();
    return input;
}

}
