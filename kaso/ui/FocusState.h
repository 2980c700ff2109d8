#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kaso::ui {

// What must outlive a whole-tree rebuild of the widgets, keyed by element id: which element has
// the keyboard focus and where each text input's caret and selection were. Widgets are rebuilt
// from scratch whenever the structure changes; a new widget with the same id picks its state up
// from here. One registry per UI thread.
class FocusState {
public:
    struct Caret {
        std::size_t caret { 0 };  // byte offset, on a code point boundary
        std::size_t anchor { 0 }; // the other end of the selection; equal to caret for none
        bool operator==(Caret const&) const = default;
    };

    static FocusState& current();

    std::optional<std::string> const& focused_id() const { return m_focused; }
    bool is_focused(std::string_view id) const { return m_focused && *m_focused == id; }
    void set_focused(std::string id) { m_focused = std::move(id); }
    // Forgets the focus when `id` holds it.
    void clear_focus(std::string_view id);

    std::optional<Caret> caret(std::string_view id) const;
    void set_caret(std::string const& id, Caret caret);

    // Forgets everything (a new window, or a test starting afresh).
    void reset();

private:
    std::optional<std::string> m_focused;
    std::map<std::string, Caret, std::less<>> m_carets;
};

}
