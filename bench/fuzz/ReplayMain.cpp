// Replays fuzz inputs through a target without libFuzzer, so that the normal
// test build checks every kept input: each file named on the command line,
// and every file in each folder named there, once, in name order. A folder
// without files fails the run, so a lost corpus cannot pass unnoticed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path p(argv[i]);
        std::error_code ec;
        if (!fs::is_directory(p, ec)) {
            inputs.push_back(p);
            continue;
        }
        const size_t before = inputs.size();
        for (const auto& e : fs::recursive_directory_iterator(p, ec))
            if (e.is_regular_file()) inputs.push_back(e.path());
        if (inputs.size() == before) {
            std::fprintf(stderr, "replay: no inputs in %s\n", argv[i]);
            return 2;
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "usage: %s folder-or-file...\n", argv[0]);
        return 2;
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& p : inputs) {
        std::ifstream f(p, std::ios::binary);
        if (!f) {
            std::fprintf(stderr, "replay: cannot read %s\n", p.c_str());
            return 2;
        }
        const std::string bytes((std::istreambuf_iterator<char>(f)),
                                std::istreambuf_iterator<char>());
        // The target sees a buffer of exactly the input's size, as under libFuzzer.
        std::vector<uint8_t> copy(bytes.begin(), bytes.end());
        LLVMFuzzerTestOneInput(copy.data(), copy.size());
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return 0;
}
