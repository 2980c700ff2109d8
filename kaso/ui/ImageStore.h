#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "kaso/platform/Queue.h"
#include "kaso/ui/Image.h"

namespace kaso::ui::image_store {

// How a picture the store was asked for stands.
enum class LoadState {
    Loading,
    Loaded,
    Failed,
};

struct ImageAnswer {
    LoadState state { LoadState::Loading };
    ImageHandle image; // when loaded
};

// Fetches the bytes of a picture; none when it cannot. Called on the store's own threads,
// possibly several at once.
using FetchFunction = std::function<std::optional<std::vector<uint8_t>>(std::string_view address)>;

struct ImageStoreOptions {
    std::size_t workers { 4 };                       // fetches and decodes at once
    std::size_t memory_budget { 48u * 1024 * 1024 }; // decoded bytes kept before the least recently used go
    std::size_t max_body_bytes { 16u * 1024 * 1024 }; // a larger body is a failure
};

// Pictures by address, fetched and decoded off the UI thread. `get` never blocks: it answers
// what is known and starts loading what is not. A failed address is remembered and not fetched
// again. Decoded pictures are kept within a memory budget, least recently used dropped first.
// Every picture that arrives wakes the UI thread's event loop.
class ImageStore {
public:
    explicit ImageStore(FetchFunction fetch, ImageStoreOptions options = {});
    ~ImageStore();
    ImageStore(ImageStore const&) = delete;
    ImageStore& operator=(ImageStore const&) = delete;

    ImageAnswer get(std::string const& address);
    // Addresses asked for and not yet loaded or failed.
    std::size_t pending() const;
    // Waits until nothing is pending, at most `timeout`; answers whether that happened.
    bool block_until_idle(std::chrono::milliseconds timeout);

    std::size_t cached_bytes() const;
    std::size_t cached_count() const;

private:
    struct Entry {
        LoadState state { LoadState::Loading };
        ImageHandle image;
        std::list<std::string>::iterator recency; // valid while loaded
    };

    void work();
    void finish(std::string const& address, std::optional<ImageHandle> image);
    void evict_over_budget();

    FetchFunction m_fetch;
    ImageStoreOptions m_options;

    // Addresses waiting for a worker. Every worker takes from the one receiving end, whose
    // calls are all made under the queue's own lock.
    Sender<std::string> m_sender;
    Receiver<std::string> m_receiver;
    std::atomic<bool> m_stopping { false };

    mutable std::mutex m_mutex;               // guards everything below
    std::condition_variable m_idle;
    std::unordered_map<std::string, Entry> m_entries;
    std::list<std::string> m_recency;         // loaded addresses, most recent first
    std::size_t m_waiting { 0 };              // addresses sent and not yet taken by a worker
    std::size_t m_in_flight { 0 };
    std::size_t m_cached_bytes { 0 };

    std::vector<std::thread> m_workers;
};

using SharedImageStore = std::shared_ptr<ImageStore>;

}
