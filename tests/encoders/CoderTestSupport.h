#pragma once

#include "TestProcess.h"
#include "common/ExecutableLookup.h"

#include <cstdlib>
#include <string>
#include <vector>

// What the coder tests share: where coder and the fixtures are, and reading its output.

inline const std::string kCoderPath = CODER_PATH;

inline std::string apeFixture(const std::string& name) {
    return std::string(FIXTURES_DIR) + "/ape/" + name;
}

inline std::string benchFixture(const std::string& name) {
    return std::string(FIXTURES_DIR) + "/bench/" + name;
}

// Where a tool such as ffmpeg is on $PATH (its bare name when it is not found).
inline std::string tool(const char* name) {
    const char* path = std::getenv("PATH");
    return findExecutable(name, path != nullptr ? path : "/usr/bin:/bin").value_or(name);
}

inline std::string lastLine(const ProcessResult& result) {
    const std::vector<std::string> lines = result.outLines();
    return lines.empty() ? std::string() : lines.back();
}

inline bool startsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

inline int countLines(const ProcessResult& result, const std::string& line) {
    int count = 0;
    for (const std::string& l : result.outLines()) {
        count += l == line ? 1 : 0;
    }
    return count;
}
