// Runs a fuzz target without libFuzzer: every file of the given folders once, then, with
// `--mutate SECONDS`, random mutations of them (bit flips, byte changes, cuts, splices and
// repeats) from a fixed seed for that long. Used where clang's libFuzzer is not built.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, std::size_t size);

int main(int argc, char** argv)
{
    std::vector<std::vector<uint8_t>> corpus;
    double seconds = 0;
    for (int i = 1; i < argc; ++i) {
        std::string const argument = argv[i];
        if (argument == "--mutate" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
            continue;
        }
        for (auto const& entry : std::filesystem::recursive_directory_iterator(argument)) {
            if (!entry.is_regular_file())
                continue;
            std::ifstream file(entry.path(), std::ios::binary);
            corpus.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
    }
    for (auto const& input : corpus)
        LLVMFuzzerTestOneInput(input.data(), input.size());
    std::printf("replayed %zu inputs\n", corpus.size());
    if (seconds <= 0 || corpus.empty())
        return 0;

    std::mt19937_64 random(20261210);
    auto const deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::size_t runs = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        auto input = corpus[random() % corpus.size()];
        int const edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits; ++e) {
            switch (random() % 6) {
            case 0:
                if (!input.empty())
                    input[random() % input.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
                break;
            case 1:
                if (!input.empty())
                    input[random() % input.size()] = static_cast<uint8_t>(random());
                break;
            case 2:
                if (!input.empty())
                    input.resize(random() % input.size());
                break;
            case 3: {
                auto const& other = corpus[random() % corpus.size()];
                if (!other.empty()) {
                    std::size_t const from = random() % other.size();
                    input.insert(input.begin() + static_cast<std::ptrdiff_t>(input.empty() ? 0 : random() % input.size()),
                        other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
                }
                break;
            }
            case 4:
                if (!input.empty() && input.size() < 100'000) {
                    std::size_t const at = random() % input.size();
                    input.insert(input.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::size_t>(random() % 64), input[at]);
                }
                break;
            default:
                input.push_back(static_cast<uint8_t>(random()));
            }
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
        ++runs;
    }
    std::printf("ran %zu mutated inputs\n", runs);
    return 0;
}
