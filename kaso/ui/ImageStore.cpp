#include "kaso/ui/ImageStore.h"

#include <tuple>

#include "kaso/platform/Log.h"
#include "kaso/ui/ImageDecode.h"
#include "kaso/ui/WakeHandle.h"

namespace kaso::ui::image_store {

ImageStore::ImageStore(FetchFunction fetch, ImageStoreOptions options)
    : m_fetch(std::move(fetch))
    , m_options(options)
{
    std::tie(m_sender, m_receiver) = unbounded_queue<std::string>();
    std::size_t count = std::max<std::size_t>(1, m_options.workers);
    for (std::size_t i = 0; i < count; ++i)
        m_workers.emplace_back([this] { work(); });
}

ImageStore::~ImageStore()
{
    // Workers drop what is still waiting unfetched, and end once the queue is drained.
    m_stopping = true;
    m_sender = Sender<std::string> {};
    for (auto& worker : m_workers)
        worker.join();
}

ImageAnswer ImageStore::get(std::string const& address)
{
    std::unique_lock lock(m_mutex);
    auto found = m_entries.find(address);
    if (found != m_entries.end()) {
        auto& entry = found->second;
        if (entry.state == LoadState::Loaded)
            m_recency.splice(m_recency.begin(), m_recency, entry.recency);
        return ImageAnswer { entry.state, entry.image };
    }
    if (address.empty()) {
        m_entries.emplace(address, Entry { LoadState::Failed, nullptr, {} });
        return ImageAnswer { LoadState::Failed, nullptr };
    }
    m_entries.emplace(address, Entry {});
    ++m_waiting;
    lock.unlock();
    m_sender.send(address);
    return ImageAnswer {};
}

std::size_t ImageStore::pending() const
{
    std::lock_guard lock(m_mutex);
    return m_waiting + m_in_flight;
}

bool ImageStore::block_until_idle(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, timeout, [&] { return m_waiting == 0 && m_in_flight == 0; });
}

std::size_t ImageStore::cached_bytes() const
{
    std::lock_guard lock(m_mutex);
    return m_cached_bytes;
}

std::size_t ImageStore::cached_count() const
{
    std::lock_guard lock(m_mutex);
    return m_recency.size();
}

void ImageStore::work()
{
    while (true) {
        auto taken = m_receiver.receive();
        if (!taken || m_stopping)
            return;
        std::string address = std::move(*taken);
        {
            std::lock_guard lock(m_mutex);
            --m_waiting;
            ++m_in_flight;
        }
        std::optional<ImageHandle> result;
        auto bytes = m_fetch ? m_fetch(address) : std::nullopt;
        if (!bytes) {
            kaso::log::target("kaso::images")->debug("image not fetched address={}", kaso::debug_text(address));
        } else if (bytes->size() > m_options.max_body_bytes) {
            kaso::log::target("kaso::images")->warn("image refused size={} address={}", bytes->size(), kaso::debug_text(address));
        } else if (auto decoded = decode_image(std::as_bytes(std::span(*bytes)))) {
            result = std::make_shared<Image const>(std::move(*decoded));
        } else {
            kaso::log::target("kaso::images")->warn("image not decoded error={} address={}", kaso::debug_text(decoded.error().message), kaso::debug_text(address));
        }
        finish(address, std::move(result));
    }
}

void ImageStore::finish(std::string const& address, std::optional<ImageHandle> image)
{
    {
        std::lock_guard lock(m_mutex);
        --m_in_flight;
        auto found = m_entries.find(address);
        if (found != m_entries.end()) {
            auto& entry = found->second;
            if (image && *image) {
                entry.state = LoadState::Loaded;
                entry.image = *image;
                m_recency.push_front(address);
                entry.recency = m_recency.begin();
                m_cached_bytes += (*image)->byte_size();
                evict_over_budget();
            } else {
                entry.state = LoadState::Failed;
            }
        }
        if (m_waiting == 0 && m_in_flight == 0)
            m_idle.notify_all();
    }
    wake::WakeHandle().wake();
}

void ImageStore::evict_over_budget()
{
    // The newest picture always stays, even when it alone is over the budget.
    while (m_cached_bytes > m_options.memory_budget && m_recency.size() > 1) {
        auto address = m_recency.back();
        m_recency.pop_back();
        auto found = m_entries.find(address);
        if (found == m_entries.end())
            continue;
        m_cached_bytes -= found->second.image ? found->second.image->byte_size() : 0;
        // Forgotten entirely: a later `get` fetches it again.
        m_entries.erase(found);
    }
}

}
