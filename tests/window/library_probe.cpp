// Prints the shared watch queue that a library document file holds, one video id a line, in the
// document's order. The window tests read back with it what the application wrote while it ran.
//   library_probe FILE
#include <cstdio>

#include "kaso/actions/LibraryStore.h"
#include "src/actions/LibraryReader.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: library_probe FILE\n");
        return 2;
    }
    auto store = kaso::actions::LibraryStore::open_at(argv[1]);
    auto queue = vexa::library_snapshot(store.document()).queue;
    if (queue)
        for (auto const& id : *queue)
            std::printf("%s\n", id.c_str());
    return 0;
}
