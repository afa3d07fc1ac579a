// Runs a fuzz target over every file of the folders or files named on the command
// line, so that the seed corpus is checked by CTest with any compiler.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) __attribute__((weak));

namespace {

bool runFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    // Copy into an exact-size buffer so that ASan sees any read past the end.
    std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize) {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    int files = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path root(argv[i]);
        if (std::filesystem::is_directory(root)) {
            for (const auto &entry : std::filesystem::recursive_directory_iterator(root)) {
                if (entry.is_regular_file()) {
                    ok = runFile(entry.path()) && ok;
                    ++files;
                }
            }
        } else {
            ok = runFile(root) && ok;
            ++files;
        }
    }
    // Empty input and a lone byte are always worth a run.
    LLVMFuzzerTestOneInput(nullptr, 0);
    const std::uint8_t zero = 0;
    LLVMFuzzerTestOneInput(&zero, 1);
    std::printf("replayed %d inputs\n", files);
    return ok && files > 0 ? 0 : 1;
}
