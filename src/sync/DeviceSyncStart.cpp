#include "src/sync/DeviceSyncStart.h"

#include "src/sync/PeerStore.h"

namespace vexa::sync {

namespace {

DeviceSyncStart failed_start(std::string message)
{
    DeviceSyncStart start;
    start.status.message = std::move(message);
    start.status.state = DeviceSyncState::Unavailable;
    return start;
}

}

DeviceSyncStart start_device_sync_worker(std::string const& device_name, DeviceSyncSeams seams)
{
    // Everything up to the worker's loop runs on the worker's thread: the secret portal answers
    // only once the desktop has looked, and the caller is about to paint its first frame.
    ProviderTimeouts timeouts;
    timeouts.pull_window = seams.pull_window;
    auto setup = [device_name, secrets = std::move(seams.secrets), make_provider = std::move(seams.provider),
                     store_path = std::move(seams.peer_store_path), timeouts]() -> base::ErrorOr<DeviceSyncIdentity, std::string> {
        auto key = derive_device_key(secrets ? secrets : desktop_secret_source(), device_name);
        if (!key)
            return std::unexpected(key.error().display());
        DeviceSyncIdentity identity;
        identity.local_key = key->public_key_base64();
        if (make_provider)
            identity.provider = make_provider(std::move(*key), device_name, timeouts);
        else
            identity.provider = std::make_unique<GrayjaySyncProvider>(std::move(*key), device_name, timeouts);
        auto path = store_path ? SyncErrorOr<std::filesystem::path>(*store_path) : peer_store_path();
        if (!path)
            return std::unexpected(path.error().display());
        identity.peer_store_path = std::move(*path);
        return identity;
    };

    DeviceSyncWorkerOptions options { {}, seams.pass_interval, std::move(seams.spawn) };
    auto worker = DeviceSyncWorker::start(DeviceSyncSetup(std::move(setup)), std::move(options));
    if (!worker)
        return failed_start(worker.error());

    // The key is not known yet: the worker's first status brings it, or says why there is none.
    DeviceSyncStart start;
    start.worker = std::move(*worker);
    start.status = { "Loading approved devices…", {}, std::nullopt, DeviceSyncState::Ready };
    return start;
}

}
