#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Cuts a byte stream that arrives in arbitrary chunks into lines. "\n", "\r\n" and a lone "\r"
// each end a line; the terminator is not part of the line. A line longer than the limit is
// handed over in pieces, so a stream without line ends cannot grow the buffer without bound.
class LineSplitter {
public:
    using LineHandler = std::function<void(std::string_view)>;

    explicit LineSplitter(LineHandler handler, std::size_t maxLineBytes = 64 * 1024);

    void feed(std::string_view chunk);

    // Hands over the unterminated rest, if any (call at end of stream).
    void finish();

private:
    void emit();

    LineHandler m_handler;
    std::size_t m_maxLineBytes;
    std::string m_pending;
    bool m_afterCarriageReturn = false;
    bool m_justCut = false;  // the last piece was handed over for reaching the limit
};
