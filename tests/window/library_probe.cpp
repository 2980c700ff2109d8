// Prints what a library document file holds, one item a line, in the document's order: the
// shared watch queue's video ids, or with --subscriptions the subscribed channel ids. The window
// tests read back with it what the application wrote while it ran.
//   library_probe [--subscriptions] FILE
#include <cstdio>
#include <string_view>

#include "kaso/actions/LibraryStore.h"
#include "src/actions/LibraryReader.h"

int main(int argc, char** argv)
{
    bool const subscriptions = argc == 3 && std::string_view(argv[1]) == "--subscriptions";
    if (argc != 2 && !subscriptions) {
        std::fprintf(stderr, "usage: library_probe [--subscriptions] FILE\n");
        return 2;
    }
    auto store = kaso::actions::LibraryStore::open_at(argv[argc - 1]);
    auto snapshot = vexa::library_snapshot(store.document());
    auto const& items = subscriptions ? snapshot.subscriptions : snapshot.queue;
    if (items)
        for (auto const& id : *items)
            std::printf("%s\n", id.c_str());
    return 0;
}
