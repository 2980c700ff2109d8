#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexa::sync {

// What a session's receive returns: a data message (its type and decompressed payload), the
// peer's authorized notice with its device name, or its unauthorized notice.
struct SyncMessage {
    enum class Kind {
        Data,
        Authorized,
        Unauthorized,
    };

    Kind kind { Kind::Data };
    uint8_t data_type { 0 };
    std::vector<uint8_t> payload;
    std::string device_name;
};

}
