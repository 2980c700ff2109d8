#include "kaso/ui/TextEditor.h"

#include <algorithm>

namespace kaso::ui {

namespace {

bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xc0) == 0x80; }

// The length of the valid UTF-8 sequence starting at `offset`, or 0 when it is not one.
std::size_t sequence_length(std::string_view text, std::size_t offset)
{
    auto lead = static_cast<unsigned char>(text[offset]);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xe ? 3 : (lead >> 3) == 0x1e ? 4 : 0;
    if (length == 0 || offset + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if (!is_continuation(text[offset + i]))
            return 0;
    auto second = static_cast<unsigned char>(length > 1 ? text[offset + 1] : 0);
    // Overlong forms, surrogates and values past U+10FFFF.
    if ((length == 2 && lead < 0xc2) || (length == 3 && lead == 0xe0 && second < 0xa0) || (length == 3 && lead == 0xed && second >= 0xa0)
        || (length == 4 && lead == 0xf0 && second < 0x90) || (length == 4 && (lead > 0xf4 || (lead == 0xf4 && second >= 0x90))))
        return 0;
    return length;
}

}

std::pair<std::size_t, std::size_t> TextEditor::selection() const { return std::minmax(m_caret, m_anchor); }

std::string TextEditor::selected_text() const
{
    auto [first, last] = selection();
    return m_text.substr(first, last - first);
}

void TextEditor::set_text(std::string text)
{
    m_text = cleaned(text, max_bytes);
    m_caret = floor_boundary(m_text, std::min(m_caret, m_text.size()));
    m_anchor = floor_boundary(m_text, std::min(m_anchor, m_text.size()));
}

void TextEditor::set_caret(std::size_t offset, Extend extend) { collapse_to(floor_boundary(m_text, std::min(offset, m_text.size())), extend); }

void TextEditor::set_selection(std::size_t anchor, std::size_t caret)
{
    m_anchor = floor_boundary(m_text, std::min(anchor, m_text.size()));
    m_caret = floor_boundary(m_text, std::min(caret, m_text.size()));
}

void TextEditor::select_all()
{
    m_anchor = 0;
    m_caret = m_text.size();
}

bool TextEditor::insert(std::string_view text)
{
    auto [first, last] = selection();
    std::size_t room = max_bytes - (m_text.size() - (last - first));
    std::string clean = cleaned(text, room);
    if (clean.empty() && first == last)
        return false;
    m_text.replace(first, last - first, clean);
    m_caret = m_anchor = first + clean.size();
    return true;
}

bool TextEditor::delete_selection()
{
    if (!has_selection())
        return false;
    auto [first, last] = selection();
    m_text.erase(first, last - first);
    m_caret = m_anchor = first;
    return true;
}

bool TextEditor::backspace()
{
    if (delete_selection())
        return true;
    if (m_caret == 0)
        return false;
    std::size_t from = previous_boundary(m_text, m_caret);
    m_text.erase(from, m_caret - from);
    m_caret = m_anchor = from;
    return true;
}

bool TextEditor::delete_forward()
{
    if (delete_selection())
        return true;
    if (m_caret >= m_text.size())
        return false;
    m_text.erase(m_caret, next_boundary(m_text, m_caret) - m_caret);
    m_anchor = m_caret;
    return true;
}

void TextEditor::move_left(Extend extend)
{
    if (has_selection() && extend == Extend::No)
        return collapse_to(selection().first, extend);
    collapse_to(previous_boundary(m_text, m_caret), extend);
}

void TextEditor::move_right(Extend extend)
{
    if (has_selection() && extend == Extend::No)
        return collapse_to(selection().second, extend);
    collapse_to(next_boundary(m_text, m_caret), extend);
}

void TextEditor::move_home(Extend extend) { collapse_to(0, extend); }

void TextEditor::move_end(Extend extend) { collapse_to(m_text.size(), extend); }

void TextEditor::collapse_to(std::size_t offset, Extend extend)
{
    m_caret = offset;
    if (extend == Extend::No)
        m_anchor = offset;
}

std::size_t TextEditor::previous_boundary(std::string_view text, std::size_t offset)
{
    offset = std::min(offset, text.size());
    if (offset == 0)
        return 0;
    --offset;
    while (offset > 0 && is_continuation(text[offset]))
        --offset;
    return offset;
}

std::size_t TextEditor::next_boundary(std::string_view text, std::size_t offset)
{
    if (offset >= text.size())
        return text.size();
    ++offset;
    while (offset < text.size() && is_continuation(text[offset]))
        ++offset;
    return offset;
}

std::size_t TextEditor::floor_boundary(std::string_view text, std::size_t offset)
{
    offset = std::min(offset, text.size());
    while (offset > 0 && offset < text.size() && is_continuation(text[offset]))
        --offset;
    return offset;
}

std::string TextEditor::cleaned(std::string_view text, std::size_t room)
{
    std::string out;
    out.reserve(std::min(text.size(), room));
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = sequence_length(text, i);
        if (length == 0) {
            ++i;
            continue;
        }
        if (length == 1) {
            char c = text[i];
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
                continue;
            }
            if (c == '\n' || c == '\r' || c == '\t')
                c = ' ';
            else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                ++i;
                continue;
            }
            if (out.size() + 1 > room)
                break;
            out.push_back(c);
        } else {
            if (out.size() + length > room)
                break;
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

}
