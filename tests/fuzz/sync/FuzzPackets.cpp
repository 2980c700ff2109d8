// Fuzz target of the packet and stream layer: the input is a run of packets, each preceded by a
// 2-byte little-endian length, fed to one receiver as decrypted frames would be.
#include <cstddef>
#include <cstdint>
#include <set>
#include <span>

#include "src/sync/MessageReceiver.h"
#include "src/sync/Packet.h"

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, std::size_t size)
{
    std::span<uint8_t const> input(data, size);
    vexa::sync::MessageReceiver receiver;
    // Half the inputs drain unused kinds, so both paths are explored.
    if (size > 0 && (data[0] & 1))
        receiver.set_used_data_types(std::set<uint8_t> { 202, 203 });
    while (input.size() >= 2) {
        std::size_t const length = std::min<std::size_t>(input[0] | input[1] << 8, input.size() - 2);
        auto const packet = input.subspan(2, length);
        input = input.subspan(2 + length);
        (void)vexa::sync::parse_stream_segment_header(packet);
        if (!receiver.handle_packet(packet))
            break;
    }
    return 0;
}
