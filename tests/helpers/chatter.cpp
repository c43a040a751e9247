// A stand-in console program for the runner's tests. It works through its arguments in order:
//   text STRING   write STRING and a newline
//   bytes N       write N bytes ('a'..'z' repeating) in one go
//   hex HEX       write raw bytes given as hex digits (e.g. e69c88 for one UTF-8 character)
//   sleep MS      sleep MS milliseconds
//   exit CODE     exit with CODE
//   ignoreterm 0  ignore SIGTERM from now on
//   detach 0      fork: the program ends at once (status 0) and a child of the same name goes on
//                 with the rest of the arguments
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

void writeAll(const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, data.data() + done, data.size() - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<size_t>(n);
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string command = argv[i];
        const std::string value = argv[i + 1];
        if (command == "text") {
            writeAll(value + "\n");
        } else if (command == "bytes") {
            std::string data(std::stoul(value), ' ');
            for (size_t k = 0; k < data.size(); ++k) {
                data[k] = static_cast<char>('a' + static_cast<int>(k % 26));
            }
            writeAll(data);
        } else if (command == "hex") {
            std::string data;
            for (size_t k = 0; k + 1 < value.size(); k += 2) {
                data += static_cast<char>(std::stoi(value.substr(k, 2), nullptr, 16));
            }
            writeAll(data);
        } else if (command == "sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stol(value)));
        } else if (command == "exit") {
            return std::atoi(value.c_str());
        } else if (command == "ignoreterm") {
            std::signal(SIGTERM, SIG_IGN);
        } else if (command == "detach") {
            if (::fork() != 0) {
                return 0;
            }
        }
    }
    return 0;
}
