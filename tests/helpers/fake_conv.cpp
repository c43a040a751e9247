// Stands in for data/conv in the conversion run's tests: takes the mencoder-style command line
// (INPUT ... -o OUTPUT), prints status lines with its position in parentheses and writes its
// output. An input whose name contains "fail" says why and writes nothing; one whose name
// contains "stop-ends-well" waits for SIGTERM, then writes its output and exits with success.
#include <csignal>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    const std::string input = argc > 1 ? argv[1] : "";
    const std::string output = argc > 1 ? argv[argc - 1] : "";
    if (input.find("fail") != std::string::npos) {
        std::cout << "conv: conversion failed: " << input << ": no video stream" << std::endl;
        return 1;
    }
    if (input.find("stop-ends-well") != std::string::npos) {
        sigset_t term;
        sigemptyset(&term);
        sigaddset(&term, SIGTERM);
        sigprocmask(SIG_BLOCK, &term, nullptr);
        std::cout << "Pos:   0.1s      2f ( 0%)  0.00fps Trem:   0min   0mb" << std::endl;
        int signal = 0;
        sigwait(&term, &signal);
        std::ofstream(output) << "intermediate of " << input;
        return 0;
    }
    std::cout << "Pos:   0.1s      2f ( 0%)  0.00fps Trem:   0min   0mb" << std::endl;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::cout << "Pos:   1.5s     37f (50%) 25.00fps Trem:   0min   0mb" << std::endl;
    std::ofstream(output) << "intermediate of " << input;
    std::cout << "Pos:   3.0s     75f (100%) 25.00fps Trem:   0min   0mb" << std::endl;
    return 0;
}
