#include "LineSplitter.h"

#include <utility>

LineSplitter::LineSplitter(LineHandler handler, std::size_t maxLineBytes)
    : m_handler(std::move(handler)), m_maxLineBytes(maxLineBytes == 0 ? 1 : maxLineBytes) {}

void LineSplitter::feed(std::string_view chunk) {
    for (char c : chunk) {
        if (c == '\n' && m_afterCarriageReturn) {
            m_afterCarriageReturn = false;  // second half of "\r\n": the line was handed over
            continue;
        }
        m_afterCarriageReturn = c == '\r';
        if (c == '\n' || c == '\r') {
            // A line cut at the limit just before its end has been handed over already.
            if (!m_justCut) {
                emit();
            }
            m_justCut = false;
            continue;
        }
        m_justCut = false;
        m_pending.push_back(c);
        if (m_pending.size() >= m_maxLineBytes) {
            emit();
            m_justCut = true;
        }
    }
}

void LineSplitter::finish() {
    if (!m_pending.empty()) {
        emit();
    }
    m_afterCarriageReturn = false;
    m_justCut = false;
}

void LineSplitter::emit() {
    const std::string line = std::move(m_pending);
    m_pending.clear();
    if (m_handler) {
        m_handler(line);
    }
}
