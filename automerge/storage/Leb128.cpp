#include "automerge/storage/Leb128.h"

namespace automerge::storage {

// Most numbers in columns fit one byte; longer ones are formed apart and appended at once.
size_t write_uleb(std::vector<uint8_t>& out, uint64_t value)
{
    if (value < 0x80) {
        out.push_back(static_cast<uint8_t>(value));
        return 1;
    }
    uint8_t buffer[10];
    size_t written = 0;
    do {
        uint8_t byte = value & 0x7f;
        value >>= 7;
        if (value != 0)
            byte |= 0x80;
        buffer[written++] = byte;
    } while (value != 0);
    out.insert(out.end(), buffer, buffer + written);
    return written;
}

size_t write_sleb(std::vector<uint8_t>& out, int64_t value)
{
    if (value >= -64 && value < 64) {
        out.push_back(static_cast<uint8_t>(value & 0x7f));
        return 1;
    }
    uint8_t buffer[10];
    size_t written = 0;
    bool more = true;
    while (more) {
        uint8_t byte = value & 0x7f;
        value >>= 7; // arithmetic shift: GCC and Clang define it for negative values
        if ((value == 0 && !(byte & 0x40)) || (value == -1 && (byte & 0x40)))
            more = false;
        else
            byte |= 0x80;
        buffer[written++] = byte;
    }
    out.insert(out.end(), buffer, buffer + written);
    return written;
}

size_t uleb_size(uint64_t value)
{
    size_t size = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++size;
    }
    return size;
}

void write_length_prefixed(std::vector<uint8_t>& out, std::span<const uint8_t> bytes)
{
    write_uleb(out, bytes.size());
    out.insert(out.end(), bytes.begin(), bytes.end());
}

}
