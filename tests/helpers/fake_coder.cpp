// Stands in for data/coder in the conversion run's tests: takes the same command line
// (-i INPUT ... OUTPUT), writes its file beside the output as ".<name>.part" and moves it onto
// the output when done, as the real adapter does, printing a banner and progress on the way.
// The input's name picks a behaviour:
//   fail      writes part of its file, says why, exits 1 (and leaves the part behind)
//   silent    publishes its file and prints nothing
//   hang      prints nothing and never ends
//   slow      reports progress every 100 ms for 5 s before publishing
//   stubborn  as slow, but shrugs off SIGTERM
//   nap       takes 400 ms
// With FAKE_CODER_LOG set, it appends "<input> <start ms> <end ms>" (steady clock) to that file.
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

namespace {

bool has(const std::string& text, const char* word) {
    return text.find(word) != std::string::npos;
}

std::string partialPath(const std::string& output) {
    const std::size_t slash = output.rfind('/');
    const std::size_t cut = slash == std::string::npos ? 0 : slash + 1;
    return output.substr(0, cut) + "." + output.substr(cut) + ".part";
}

void logTimes(const std::string& input, std::chrono::steady_clock::time_point start) {
    const char* log = std::getenv("FAKE_CODER_LOG");
    if (log == nullptr) {
        return;
    }
    const auto ms = [](std::chrono::steady_clock::time_point t) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
    };
    std::ofstream(log, std::ios::app)
        << input << ' ' << ms(start) << ' ' << ms(std::chrono::steady_clock::now()) << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    std::string input;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "-i") {
            input = argv[i + 1];
        }
    }
    const std::string output = argc > 1 ? argv[argc - 1] : "";
    const std::string part = partialPath(output);
    const std::string name = input.substr(input.rfind('/') + 1);
    if (has(name, "hang")) {
        std::this_thread::sleep_for(std::chrono::hours(1));
        return 0;
    }
    if (has(name, "stubborn")) {
        std::signal(SIGTERM, SIG_IGN);
    }
    if (!has(name, "silent")) {
        std::cout << "  Duration: 00:00:02.00, start: 0.000000, bitrate: 800 kb/s" << std::endl;
    }
    std::ofstream(part) << "partial";
    if (has(name, "fail")) {
        logTimes(input, started);
        std::cout << "coder: conversion failed: " << input << ": Invalid data" << std::endl;
        return 1;
    }
    if (has(name, "slow") || has(name, "stubborn")) {
        std::cout << "time=1.00 speed=10x" << std::endl;
        for (int tick = 0; tick < 50; ++tick) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            std::cout << "time=" << 1.0 + tick / 50.0 << " speed=10x" << std::endl;
        }
    } else if (has(name, "nap")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        std::cout << "time=2.00 speed=10x" << std::endl;
    } else if (!has(name, "silent")) {
        // One report, at the end: however the lines arrive, the display ends complete.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::cout << "time=2.00 speed=10x" << std::endl;
    }
    std::ofstream(part, std::ios::app) << " and the rest";
    logTimes(input, started);
    return std::rename(part.c_str(), output.c_str()) == 0 ? 0 : 1;
}
