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
    auto const secrets = seams.secrets ? seams.secrets : desktop_secret_source();
    auto key = derive_device_key(secrets, device_name);
    if (!key)
        return failed_start(key.error().display());
    auto local_key = key->public_key_base64();

    ProviderTimeouts timeouts;
    timeouts.pull_window = seams.pull_window;
    std::unique_ptr<SyncProvider> provider;
    if (seams.provider)
        provider = seams.provider(std::move(*key), device_name, timeouts);
    else
        provider = std::make_unique<GrayjaySyncProvider>(std::move(*key), device_name, timeouts);

    auto path = seams.peer_store_path ? SyncErrorOr<std::filesystem::path>(*seams.peer_store_path) : peer_store_path();
    if (!path)
        return failed_start(path.error().display());

    DeviceSyncWorkerOptions options { std::move(*path), seams.pass_interval, std::move(seams.spawn) };
    auto worker = DeviceSyncWorker::start(std::move(provider), local_key, std::move(options));
    if (!worker)
        return failed_start(worker.error());

    DeviceSyncStart start;
    start.worker = std::move(*worker);
    start.status = { "Loading approved devices…", {}, std::move(local_key), DeviceSyncState::Ready };
    return start;
}

}
