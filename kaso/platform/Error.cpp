#include "kaso/platform/Error.h"

namespace kaso {

std::string debug_text(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (unsigned char c : text) {
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
