// Stands in for data/coder in the conversion run's tests: takes the same command line
// (-i INPUT ... OUTPUT), prints a banner and two progress reports, and writes a small output
// file. An input whose name contains "fail" writes part of its output, says why, and exits 1;
// one containing "silent" writes its output and nothing else.
#include <chrono>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    std::string input;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "-i") {
            input = argv[i + 1];
        }
    }
    const std::string output = argc > 1 ? argv[argc - 1] : "";
    if (input.find("silent") != std::string::npos) {
        std::ofstream(output) << "mp3";
        return 0;
    }
    std::cout << "  Duration: 00:00:02.00, start: 0.000000, bitrate: 800 kb/s" << std::endl;
    std::cout << "time=1.00 speed=10x" << std::endl;
    std::ofstream(output) << "partial";
    if (input.find("fail") != std::string::npos) {
        std::cout << "coder: conversion failed: " << input << ": Invalid data" << std::endl;
        return 1;
    }
    // Long enough apart for the runner to read the two reports in different passes.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::cout << "time=2.00 speed=10x" << std::endl;
    return 0;
}
