#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace kaso::ui {

// Whether a caret movement extends the selection (shift held) or collapses it.
enum class Extend {
    No,
    Yes,
};

// The editing state of a one-line text field: the text, the caret and the selection anchor as
// byte offsets that always sit on code point boundaries. Inserted text is cleaned first: invalid
// UTF-8 is dropped, line breaks and tabs become spaces, other control characters are dropped,
// and the text never grows past `max_bytes` (what does not fit is cut at a code point).
class TextEditor {
public:
    static constexpr std::size_t max_bytes = 16 * 1024;

    std::string const& text() const { return m_text; }
    std::size_t caret() const { return m_caret; }
    std::size_t anchor() const { return m_anchor; }
    bool has_selection() const { return m_caret != m_anchor; }
    // The selected byte range [first, second).
    std::pair<std::size_t, std::size_t> selection() const;
    std::string selected_text() const;

    // Replaces the whole text, as when the application published a new one. The caret and the
    // anchor stay where they still fit, else move to the end.
    void set_text(std::string text);
    // Moves the caret to the nearest boundary at or before `offset` (clamped to the text).
    void set_caret(std::size_t offset, Extend extend);
    void set_selection(std::size_t anchor, std::size_t caret);
    void select_all();

    // Each answers whether the text changed.
    bool insert(std::string_view text);
    bool delete_selection();
    bool backspace();
    bool delete_forward();

    void move_left(Extend extend);
    void move_right(Extend extend);
    void move_home(Extend extend);
    void move_end(Extend extend);

    // Offsets of the code point boundaries around `offset` (which need not be one).
    static std::size_t previous_boundary(std::string_view text, std::size_t offset);
    static std::size_t next_boundary(std::string_view text, std::size_t offset);
    static std::size_t floor_boundary(std::string_view text, std::size_t offset);
    // `text` cleaned for insertion, at most `room` bytes long.
    static std::string cleaned(std::string_view text, std::size_t room);

private:
    void collapse_to(std::size_t offset, Extend extend);

    std::string m_text;
    std::size_t m_caret { 0 };
    std::size_t m_anchor { 0 };
};

}
