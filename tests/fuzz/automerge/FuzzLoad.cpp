// libFuzzer target for automerge::Document::load. Whatever loads must read, save and load again
// to the same heads and values; anything else must fail with an error value.

#include "automerge/Document.h"
#include "automerge/storage/Chunk.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

using namespace automerge;

static void walk(Document const& document, ObjId obj, int depth)
{
    auto keys = document.keys(obj);
    if (!keys || depth > 100)
        return;
    for (auto const& key : *keys) {
        auto all = document.get_all(obj, key);
        if (!all || all->empty())
            abort();
        for (auto const& value : *all) {
            if (value.is_map())
                walk(document, value.object, depth + 1);
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size)
{
    LoadOptions options;
    options.actor = ActorId(std::vector<uint8_t>(16, 0x42));
    options.max_inflated_bytes = 8u << 20;
    options.max_ops = 1u << 16;
    options.max_changes = 1u << 16;
    // An input not starting with the magic bytes is taken as a document chunk's body and given a
    // valid header and checksum, so mutations reach the document parser instead of stopping at
    // the checksum.
    std::vector<uint8_t> wrapped;
    std::span<const uint8_t> input(data, size);
    if (size > 0 && data[0] != 0x85) {
        wrapped = storage::write_chunk(storage::ChunkType::Document, input);
        input = wrapped;
    }
    auto loaded = Document::load(input, options);
    if (!loaded) {
        if (loaded.error().message.empty())
            abort();
        return 0;
    }
    walk(*loaded, ROOT, 0);
    auto saved = loaded->save();
    auto reloaded = Document::load(saved, options);
    if (!reloaded || reloaded->heads() != loaded->heads() || reloaded->save() != saved)
        abort();
    // A write on top must work too.
    if (!loaded->put(ROOT, "fuzz", ScalarValue::integer(1)))
        abort();
    return 0;
}
