// Runs a fuzz target without libFuzzer, with any compiler: every seed file once as it is, then a
// number of variants of each made by a random generator with a fixed seed, so a run is the same
// every time. ctest runs this in the normal and the sanitizer builds; ./test.sh --fuzz runs the
// libFuzzer build of the same target source instead.
//
//   fuzz_NAME [--mutations N] [--seed S] PATH...    (PATH: a file, or a folder of seed files)
//
// When a target fails, the input that did it is printed in hexadecimal before the program dies.

#include "FuzzCheck.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The input being run, for the failure handler (which may only use what is already there).
const Bytes* g_current = nullptr;

void writeAll(const char* text, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(STDERR_FILENO, text, size);
        if (written <= 0) {
            return;
        }
        text += written;
        size -= static_cast<std::size_t>(written);
    }
}

extern "C" void printFailingInput(int signalNumber) {
    static const char kHeader[] = "\nfailing input (hex):\n";
    static const char kDigits[] = "0123456789abcdef";
    writeAll(kHeader, sizeof kHeader - 1);
    if (g_current) {
        char line[65];
        std::size_t used = 0;
        for (const std::uint8_t b : *g_current) {
            line[used++] = kDigits[b >> 4];
            line[used++] = kDigits[b & 0x0f];
            if (used == 64) {
                line[used++] = '\n';
                writeAll(line, used);
                used = 0;
            }
        }
        line[used++] = '\n';
        writeAll(line, used);
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

bool readFile(const std::filesystem::path& path, Bytes& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Bytes that steer parsers: quotes, backslashes, blanks, line ends, separators, digits, signs,
// and the lead bytes of multi-byte UTF-8 (a byte-order mark among them).
constexpr std::uint8_t kTelling[] = {'"',  '\\', ' ',  '\t', '\r', '\n', ',',  '.',  ':',
                                     '=',  '-',  '+',  '0',  '1',  '5',  '9',  0x00, 0x7f,
                                     0x80, 0xbf, 0xc3, 0xe2, 0xef, 0xbb, 0xf0, 0xff};

std::uint8_t someByte(std::mt19937& random) {
    if (random() % 2 == 0) {
        return kTelling[random() % std::size(kTelling)];
    }
    return static_cast<std::uint8_t>(random());
}

// One to four random edits: change, insert, delete, repeat a stretch, or splice in another seed.
Bytes mutate(const Bytes& seed, const std::vector<Bytes>& seeds, std::mt19937& random) {
    Bytes data = seed;
    const unsigned edits = 1 + random() % 4;
    for (unsigned e = 0; e < edits; ++e) {
        const std::size_t size = data.size();
        const std::size_t at = size == 0 ? 0 : random() % (size + 1);
        switch (random() % 6) {
            case 0:
                if (at < size) {
                    data[at] = someByte(random);
                }
                break;
            case 1:
                if (at < size) {
                    data[at] = static_cast<std::uint8_t>(data[at] ^ (1u << (random() % 8)));
                }
                break;
            case 2:
                data.insert(data.begin() + static_cast<std::ptrdiff_t>(at), 1 + random() % 4,
                            someByte(random));
                break;
            case 3: {
                const std::size_t length = std::min<std::size_t>(size - at, 1 + random() % 16);
                data.erase(data.begin() + static_cast<std::ptrdiff_t>(at),
                           data.begin() + static_cast<std::ptrdiff_t>(at + length));
                break;
            }
            case 4: {
                const std::size_t length = std::min<std::size_t>(size - at, 1 + random() % 32);
                const Bytes stretch(data.begin() + static_cast<std::ptrdiff_t>(at),
                                    data.begin() + static_cast<std::ptrdiff_t>(at + length));
                data.insert(data.begin() + static_cast<std::ptrdiff_t>(at), stretch.begin(),
                            stretch.end());
                break;
            }
            default: {
                const Bytes& other = seeds[random() % seeds.size()];
                const std::size_t from = other.empty() ? 0 : random() % other.size();
                const std::size_t length =
                    std::min<std::size_t>(other.size() - from, 1 + random() % 64);
                data.insert(data.begin() + static_cast<std::ptrdiff_t>(at),
                            other.begin() + static_cast<std::ptrdiff_t>(from),
                            other.begin() + static_cast<std::ptrdiff_t>(from + length));
                break;
            }
        }
    }
    return data;
}

void run(const Bytes& input) {
    g_current = &input;
    LLVMFuzzerTestOneInput(input.data(), input.size());
    g_current = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long mutations = 1000;
    unsigned long seed = 1;
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--mutations" && i + 1 < argc) {
            mutations = std::stoul(argv[++i]);
        } else if (arg == "--seed" && i + 1 < argc) {
            seed = std::stoul(argv[++i]);
        } else if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg)) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
        } else {
            files.emplace_back(arg);
        }
    }
    // The folder order is whatever the file system gives; sorted, the run is the same anywhere.
    std::sort(files.begin(), files.end());

    std::vector<Bytes> seeds;
    for (const auto& file : files) {
        Bytes bytes;
        if (!readFile(file, bytes)) {
            std::cerr << "cannot read " << file << '\n';
            return 2;
        }
        seeds.push_back(std::move(bytes));
    }
    if (seeds.empty()) {
        std::cerr << "usage: " << argv[0] << " [--mutations N] [--seed S] PATH...\n";
        return 2;
    }

    std::signal(SIGABRT, printFailingInput);
    std::signal(SIGSEGV, printFailingInput);

    run(Bytes());
    for (const Bytes& bytes : seeds) {
        run(bytes);
    }
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
    for (const Bytes& bytes : seeds) {
        for (unsigned long m = 0; m < mutations; ++m) {
            run(mutate(bytes, seeds, random));
        }
    }
    std::cout << "ran " << seeds.size() << " seed files and " << seeds.size() * mutations
              << " variants of them\n";
    return 0;
}
