// Bytes from a serial device server through the Telnet layer into line data, in pieces
// as a connection delivers them. Input: one byte giving the piece size (1..64), then the
// server's bytes. Besides memory faults it catches answers that are no whole Telnet
// command, and line data that does not come back unchanged through the wire's escaping.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "serial/TelnetLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using serial::TelnetLine;

// Answers are IAC verb option, or IAC SB ... IAC SE.
bool wholeCommands(const std::string& answers)
{
    for (size_t at = 0; at < answers.size();) {
        if (at + 2 >= answers.size() || static_cast<uint8_t>(answers[at]) != TelnetLine::IAC) return false;
        const auto verb = static_cast<uint8_t>(answers[at + 1]);
        if (verb >= TelnetLine::WILL && verb <= TelnetLine::DONT) {
            at += 3;
            continue;
        }
        const size_t end = answers.find("\xFF\xF0", at + 2);
        if (verb != TelnetLine::SB || end == std::string::npos) return false;
        at = end + 2;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const size_t piece = data[0] % 64 + 1;
    TelnetLine line;
    line.opening();
    std::string received, answers;
    for (size_t at = 1; at < size; at += piece) line.receive(data + at, std::min(piece, size - at), received, answers);
    if (!wholeCommands(answers)) std::abort();

    const std::string wire =
        TelnetLine::escape(reinterpret_cast<const uint8_t*>(received.data()), static_cast<uint32_t>(received.size()));
    TelnetLine again;
    std::string back, none;
    again.receive(reinterpret_cast<const uint8_t*>(wire.data()), wire.size(), back, none);
    if (back != received || !none.empty()) std::abort();
    return 0;
}
