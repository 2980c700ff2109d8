// The texts of the resource tree taken from content: cleaned labels, comment labels and the
// stable comment ids.

#include <algorithm>

#include <fmt/format.h>

#include "src/app/ActionTree.h"
#include "src/model/Comment.h"
#include "src/model/Text.h"

namespace vexa {

namespace {

constexpr std::size_t max_label_characters = 160;
constexpr std::size_t comment_label_limit = 49; // from this many characters on, a comment is cut
constexpr std::size_t comment_label_kept = 45;
constexpr std::string_view ellipsis = "…";

constexpr uint64_t fnv_offset_basis = 0xcbf29ce484222325ull;
constexpr uint64_t fnv_prime = 0x100000001b3ull;

// The byte length of the code point starting with `lead` in valid UTF-8.
std::size_t sequence_length(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead < 0xe0)
        return 2;
    if (lead < 0xf0)
        return 3;
    return 4;
}

bool is_control(std::string_view code_point)
{
    auto lead = static_cast<unsigned char>(code_point[0]);
    if (code_point.size() == 1)
        return lead < 0x20 || lead == 0x7f;
    // U+0080 to U+009F: C2 80 to C2 9F.
    return code_point.size() == 2 && lead == 0xc2 && static_cast<unsigned char>(code_point[1]) <= 0x9f;
}

// The byte offset after the first `count` code points of valid UTF-8 (the size when shorter).
std::size_t prefix_bytes(std::string_view text, std::size_t count)
{
    std::size_t offset = 0;
    for (std::size_t i = 0; i < count && offset < text.size(); ++i)
        offset += sequence_length(static_cast<unsigned char>(text[offset]));
    return std::min(offset, text.size());
}

std::size_t character_count(std::string_view text)
{
    std::size_t count = 0;
    for (char c : text)
        count += (static_cast<unsigned char>(c) & 0xc0) != 0x80;
    return count;
}

void hash_field(uint64_t& hash, std::string_view bytes)
{
    for (char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= fnv_prime;
    }
    hash ^= 0xff;
    hash *= fnv_prime;
}

}

std::string clean_resource_label(std::string_view text)
{
    // Most labels are short ASCII without control characters: they come out unchanged.
    bool plain = text.size() <= max_label_characters;
    for (std::size_t i = 0; plain && i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        plain = byte >= 0x20 && byte < 0x7f;
    }
    if (plain)
        return std::string(text);

    auto valid = text::make_valid_utf8(text);
    std::string label;
    label.reserve(std::min(valid.size(), max_label_characters * 4) + ellipsis.size());
    std::size_t offset = 0;
    std::size_t characters = 0;
    while (offset < valid.size()) {
        if (characters == max_label_characters) {
            label += ellipsis;
            break;
        }
        auto length = std::min(sequence_length(static_cast<unsigned char>(valid[offset])), valid.size() - offset);
        auto code_point = std::string_view(valid).substr(offset, length);
        if (is_control(code_point))
            label += ' ';
        else
            label += code_point;
        offset += length;
        ++characters;
    }
    return label;
}

std::string comment_resource_id(std::string_view video_id, Comment const& comment)
{
    uint64_t hash = fnv_offset_basis;
    for (std::string_view field : { std::string_view(video_id), std::string_view(comment.author), std::string_view(comment.initials),
             std::string_view(comment.text), std::string_view(comment.time_ago) })
        hash_field(hash, field);
    return fmt::format("{}#{:016x}", video_id, hash);
}

namespace {

// White space among ASCII characters, as the model's word splitting finds it.
bool is_ascii_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// The words of a text joined by single spaces. ASCII text, nearly every comment, is collapsed in
// one pass; any other goes through the model's Unicode word splitting.
std::string collapsed_words(std::string_view text)
{
    std::string collapsed;
    if (std::ranges::all_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        collapsed.reserve(text.size());
        bool pending_space = false;
        for (char c : text) {
            if (is_ascii_space(c)) {
                pending_space = !collapsed.empty();
                continue;
            }
            if (pending_space)
                collapsed += ' ';
            pending_space = false;
            collapsed += c;
        }
        return collapsed;
    }
    for (auto const& word : text::split_words(text)) {
        if (!collapsed.empty())
            collapsed += ' ';
        collapsed += word;
    }
    return collapsed;
}

}

std::string comment_resource_label(Comment const& comment)
{
    auto collapsed = collapsed_words(comment.text);
    if (character_count(collapsed) >= comment_label_limit) {
        collapsed.resize(prefix_bytes(collapsed, comment_label_kept));
        collapsed += ellipsis;
    }
    if (!comment.author.empty())
        collapsed.insert(0, comment.author + ": ");
    return clean_resource_label(collapsed);
}

}
