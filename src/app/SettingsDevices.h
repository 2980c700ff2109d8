#pragma once

#include "src/app/DeviceSync.h"
#include "src/screens/DeviceSection.h"

namespace vexa {

// What the settings page shows of the device-sync handle: its current status and pairing-invite
// buffer, and the system clock's time for the ages of the last syncs.
DeviceSectionInput device_section_input(DeviceSyncHandle const& handle);

}
