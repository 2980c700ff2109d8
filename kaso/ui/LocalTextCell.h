#pragma once

#include "kaso/ui/TextCell.h"

namespace kaso::ui {

// A text cell held in memory on the UI thread; every publication is taken.
class LocalTextCell final : public TextCell {
public:
    explicit LocalTextCell(std::string text = {})
        : m_text(std::move(text))
    {
    }
    static std::shared_ptr<LocalTextCell> create(std::string text = {}) { return std::make_shared<LocalTextCell>(std::move(text)); }

    std::string text() const override { return m_text; }
    uint64_t generation() const override { return m_generation; }
    bool publish(std::string text) override
    {
        m_text = std::move(text);
        ++m_generation;
        return true;
    }

private:
    std::string m_text;
    uint64_t m_generation { 0 };
};

}
