#pragma once

#include <atomic>
#include <memory>
#include <shared_mutex>
#include <string>

#include "kaso/ui/TextCell.h"
#include "kaso/ui/WakeHandle.h"

namespace vexa {

// A text shared between the application and one text input (the search box, the palette's
// query). Either side may publish; the generation counts publications so each side can tell
// whether the other changed the text since it last looked.
class SharedText final : public kaso::ui::TextCell {
public:
    static std::shared_ptr<SharedText> create();

    std::string text() const override;
    uint64_t generation() const override { return m_generation.load(std::memory_order_acquire); }

    // Replaces the text when the cell's wake handle authorizes publication; false otherwise.
    bool publish(std::string text) override;

    kaso::ui::wake::WakeHandle const& wake_handle() const { return m_wake; }

private:
    mutable std::shared_mutex m_lock;
    std::string m_text;          // protected by m_lock
    std::atomic<uint64_t> m_generation { 0 };
    kaso::ui::wake::WakeHandle m_wake;
};

}
