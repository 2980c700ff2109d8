#include "src/sync/DeviceSyncWorker.h"

#include <pthread.h>
#include <system_error>
#include <thread>

#include "kaso/platform/Log.h"
#include "src/sync/DeviceSyncWorkerLoop.h"
#include "src/sync/WorkerLifetime.h"

namespace vexa::sync {

namespace {

void spawn_detached(std::function<void()> body)
{
    std::thread(std::move(body)).detach();
}

}

std::string system_thread_name(std::string_view name)
{
    return std::string(name.substr(0, 15));
}

base::ErrorOr<DeviceSyncWorker, std::string> DeviceSyncWorker::start(std::unique_ptr<SyncProvider> provider, std::string local_key,
    DeviceSyncWorkerOptions options)
{
    auto [command_sender, command_receiver] = kaso::bounded_queue<DeviceSyncCommand>(command_capacity);
    auto [update_sender, update_receiver] = kaso::unbounded_queue<DeviceSyncUpdate>();
    auto lifetime = std::make_shared<detail::WorkerLifetime>();
    auto loop = std::make_shared<DeviceSyncWorkerLoop>(std::move(provider), std::move(options.peer_store_path), std::move(local_key),
        options.pass_interval, std::move(command_receiver), std::move(update_sender), lifetime);
    return launch(std::move(loop), std::move(command_sender), std::move(update_receiver), std::move(lifetime), options.spawn);
}

base::ErrorOr<DeviceSyncWorker, std::string> DeviceSyncWorker::start(DeviceSyncSetup setup, DeviceSyncWorkerOptions options)
{
    auto [command_sender, command_receiver] = kaso::bounded_queue<DeviceSyncCommand>(command_capacity);
    auto [update_sender, update_receiver] = kaso::unbounded_queue<DeviceSyncUpdate>();
    auto lifetime = std::make_shared<detail::WorkerLifetime>();
    auto loop = std::make_shared<DeviceSyncWorkerLoop>(std::move(setup), options.pass_interval, std::move(command_receiver),
        std::move(update_sender), lifetime);
    return launch(std::move(loop), std::move(command_sender), std::move(update_receiver), std::move(lifetime), options.spawn);
}

base::ErrorOr<DeviceSyncWorker, std::string> DeviceSyncWorker::launch(std::shared_ptr<DeviceSyncWorkerLoop> loop,
    kaso::Sender<DeviceSyncCommand> commands, kaso::Receiver<DeviceSyncUpdate> updates, std::shared_ptr<detail::WorkerLifetime> lifetime,
    ThreadSpawner const& spawn)
{
    auto body = [loop, lifetime]() mutable {
        // Naming is a courtesy to debuggers: a failure changes nothing.
        (void)::pthread_setname_np(::pthread_self(), system_thread_name(thread_name).c_str());
        loop->run();
        // The queues' ends go with the loop, before the end is announced.
        loop.reset();
        lifetime->mark_ended();
    };
    try {
        if (spawn)
            spawn(std::move(body));
        else
            spawn_detached(std::move(body));
    } catch (std::system_error const& failure) {
        kaso::log::target("vexa::device_sync")->error("could not start the device-sync worker error={}", failure.what());
        return std::unexpected(std::string("Could not start the device-sync worker."));
    }
    return DeviceSyncWorker(std::move(commands), std::move(updates), std::move(lifetime));
}

DeviceSyncWorker::DeviceSyncWorker(kaso::Sender<DeviceSyncCommand> commands, kaso::Receiver<DeviceSyncUpdate> updates,
    std::shared_ptr<detail::WorkerLifetime> lifetime)
    : m_commands(std::move(commands))
    , m_updates(std::move(updates))
    , m_lifetime(std::move(lifetime))
{
}

DeviceSyncWorker::DeviceSyncWorker(DeviceSyncWorker&&) noexcept = default;

DeviceSyncWorker& DeviceSyncWorker::operator=(DeviceSyncWorker&& other) noexcept
{
    if (this != &other) {
        shutdown();
        m_commands = std::move(other.m_commands);
        m_updates = std::move(other.m_updates);
        m_lifetime = std::move(other.m_lifetime);
    }
    return *this;
}

DeviceSyncWorker::~DeviceSyncWorker()
{
    shutdown();
}

bool DeviceSyncWorker::send(DeviceSyncCommand command)
{
    if (has_ended())
        return false;
    return m_commands.try_send(std::move(command)) == kaso::SendResult::Sent;
}

std::vector<DeviceSyncUpdate> DeviceSyncWorker::take_updates()
{
    std::vector<DeviceSyncUpdate> updates;
    while (auto update = m_updates.try_receive())
        updates.push_back(std::move(*update));
    return updates;
}

void DeviceSyncWorker::shutdown()
{
    if (m_lifetime)
        m_lifetime->stop_requested = true;
    m_commands = {};
}

std::pair<kaso::Sender<DeviceSyncCommand>, kaso::Receiver<DeviceSyncUpdate>> DeviceSyncWorker::release_queues() &&
{
    m_lifetime.reset();
    return { std::move(m_commands), std::move(m_updates) };
}

bool DeviceSyncWorker::has_ended() const
{
    if (!m_lifetime)
        return true;
    std::lock_guard lock(m_lifetime->mutex);
    return m_lifetime->ended;
}

bool DeviceSyncWorker::wait_until_ended(std::chrono::milliseconds timeout) const
{
    if (!m_lifetime)
        return true;
    std::unique_lock lock(m_lifetime->mutex);
    return m_lifetime->ended_changed.wait_for(lock, timeout, [&] { return m_lifetime->ended; });
}

}
