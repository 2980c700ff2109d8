#include "kaso/actions/Identifiers.h"

#include <cctype>
#include <vector>

namespace kaso::actions {

namespace {

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_word_character(char c) { return is_upper(c) || is_lower(c) || is_digit(c) || static_cast<unsigned char>(c) >= 0x80; }

}

std::string humanize_identifier(std::string_view identifier)
{
    std::vector<std::string> words;
    std::string word;
    auto finish = [&] {
        if (!word.empty())
            words.push_back(std::move(word));
        word.clear();
    };
    for (size_t i = 0; i < identifier.size(); ++i) {
        char c = identifier[i];
        if (!is_word_character(c)) {
            finish();
            continue;
        }
        if (!word.empty()) {
            char previous = identifier[i - 1];
            bool next_lower = i + 1 < identifier.size() && is_lower(identifier[i + 1]);
            bool breaks = (is_upper(c) && (is_lower(previous) || is_digit(previous)))
                || (is_upper(c) && is_upper(previous) && next_lower)
                || (is_digit(c) && (is_lower(previous) || is_upper(previous)));
            if (breaks)
                finish();
        }
        word.push_back(c);
    }
    finish();

    std::string out;
    for (size_t index = 0; index < words.size(); ++index) {
        if (index > 0)
            out.push_back(' ');
        for (size_t i = 0; i < words[index].size(); ++i) {
            char c = words[index][i];
            if (index == 0 && i == 0)
                out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
            else
                out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        }
    }
    return out;
}

ErrorOr<EncodedAction> enforce_operation_type(EncodedAction action, std::string_view operation_kind)
{
    if (action.kind != operation_kind)
        return make_error(fmt::format("action: an operation of the namespace {} was encoded as {}", debug_text(operation_kind), debug_text(action.kind)));
    return action;
}

}
