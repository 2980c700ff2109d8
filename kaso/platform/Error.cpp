#include "kaso/platform/Error.h"

namespace kaso {

std::string debug_text(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        // C1 controls (U+0080 to U+009F) are two bytes in UTF-8, C2 80 to C2 9F.
        if (c == 0xC2 && i + 1 < text.size()) {
            auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                out += fmt::format("\\u{{{:x}}}", next);
                ++i;
                continue;
            }
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\0': out += "\\0"; break;
        default:
            if (c < 0x20 || c == 0x7f)
                out += fmt::format("\\u{{{:x}}}", c);
            else
                out.push_back(static_cast<char>(c));
        }
    }
    out.push_back('"');
    return out;
}

}
