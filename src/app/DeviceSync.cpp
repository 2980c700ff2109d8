#include "src/app/DeviceSync.h"

namespace vexa {

DeviceSyncHandle unavailable_device_sync()
{
    DeviceSyncHandle handle;
    handle.status.message = "Start the live app to initialize device sync.";
    handle.status.state = DeviceSyncState::Unavailable;
    return handle;
}

DeviceSyncHandle demo_device_sync()
{
    DeviceSyncHandle handle;
    handle.status.message = "Two devices are ready; one awaits your approval.";
    handle.status.state = DeviceSyncState::Ready;
    handle.status.local_key = "VX7K2M9QPL4RT8WN3HJD";
    return handle;
}

}
