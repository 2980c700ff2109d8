#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kaso::ui {

// A text shared between a text input and the application. Either side may publish; the
// generation counts accepted publications, so each side can tell whether the other changed the
// text since it last looked. The application's own cells adapt this interface; `LocalTextCell`
// is the plain in-memory one.
class TextCell {
public:
    virtual ~TextCell() = default;

    virtual std::string text() const = 0;
    virtual uint64_t generation() const = 0;
    // Replaces the text; false when the cell refused it (the text is then unchanged).
    virtual bool publish(std::string text) = 0;
};

using TextCellHandle = std::shared_ptr<TextCell>;

}
