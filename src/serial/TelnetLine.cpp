#include "serial/TelnetLine.h"

namespace serial {

namespace {

constexpr char kSignature[] = "Ostrevane800";

// Options we will perform ourselves, and options we let the server perform. Echo is
// refused: a server echoing the requests would put them in front of every reply.
bool weWill(uint8_t option)
{
    return option == TelnetLine::BINARY || option == TelnetLine::SUPPRESS_GO_AHEAD || option == TelnetLine::COM_PORT;
}
bool theyMay(uint8_t option) { return option == TelnetLine::BINARY || option == TelnetLine::SUPPRESS_GO_AHEAD; }

std::string verb(uint8_t what, uint8_t option)
{
    return {static_cast<char>(TelnetLine::IAC), static_cast<char>(what), static_cast<char>(option)};
}

// IAC SB COM-PORT command value IAC SE, with 0xFF in the value doubled.
std::string comPortFrame(uint8_t command, const std::string& value)
{
    std::string frame = {static_cast<char>(TelnetLine::IAC), static_cast<char>(TelnetLine::SB),
                         static_cast<char>(TelnetLine::COM_PORT), static_cast<char>(command)};
    frame += TelnetLine::escape(reinterpret_cast<const uint8_t*>(value.data()), static_cast<uint32_t>(value.size()));
    frame += {static_cast<char>(TelnetLine::IAC), static_cast<char>(TelnetLine::SE)};
    return frame;
}

}  // namespace

std::string TelnetLine::opening()
{
    local_[BINARY].requested = remote_[BINARY].requested = local_[COM_PORT].requested = true;
    return verb(WILL, BINARY) + verb(DO, BINARY) + verb(WILL, COM_PORT);
}

std::string TelnetLine::settingsFrames(const LineSettings& settings)
{
    // The option's codes: parity 1 none .. 5 space (ours + 1); stop bits 1 one, 2 two, 3 one and a half.
    constexpr uint8_t kStopSizes[] = {1, 3, 2};
    if (settings.dataBits < 5 || settings.dataBits > 8 || settings.parity > 4 || settings.stopBits > 2) return {};
    const uint32_t rate = settings.baudRate;
    const std::string rateBytes = {static_cast<char>(rate >> 24), static_cast<char>(rate >> 16),
                                   static_cast<char>(rate >> 8), static_cast<char>(rate)};
    return comPortFrame(SET_BAUDRATE, rateBytes) +
           comPortFrame(SET_DATASIZE, std::string(1, static_cast<char>(settings.dataBits))) +
           comPortFrame(SET_PARITY, std::string(1, static_cast<char>(settings.parity + 1))) +
           comPortFrame(SET_STOPSIZE, std::string(1, static_cast<char>(kStopSizes[settings.stopBits])));
}

std::string TelnetLine::escape(const uint8_t* bytes, uint32_t count)
{
    std::string escaped;
    escaped.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        escaped.push_back(static_cast<char>(bytes[i]));
        if (bytes[i] == IAC) escaped.push_back(static_cast<char>(IAC));
    }
    return escaped;
}

void TelnetLine::receive(const uint8_t* bytes, size_t count, std::string& data, std::string& answers)
{
    for (size_t i = 0; i < count; ++i) {
        const uint8_t byte = bytes[i];
        switch (state_) {
        case State::Data:
            if (byte == IAC) {
                state_ = State::Command;
            } else {
                data.push_back(static_cast<char>(byte));
            }
            break;
        case State::Command: command(byte, data); break;
        case State::Verb:
            negotiate(verb_, byte, answers);
            state_ = State::Data;
            break;
        case State::Subnegotiation:
            if (byte == IAC) {
                state_ = State::SubnegotiationCommand;
            } else if (subnegotiation_.size() < kLongestSubnegotiation) {
                subnegotiation_.push_back(static_cast<char>(byte));
            }
            break;
        case State::SubnegotiationCommand:
            if (byte == IAC) {  // a doubled 0xFF inside the subnegotiation
                if (subnegotiation_.size() < kLongestSubnegotiation) subnegotiation_.push_back(static_cast<char>(IAC));
                state_ = State::Subnegotiation;
            } else if (byte == SE) {
                subnegotiationEnded(answers);
                state_ = State::Data;
            } else {
                // A command inside a subnegotiation ends it unfinished; the command itself counts.
                command(byte, data);
            }
            break;
        }
    }
}

void TelnetLine::command(uint8_t byte, std::string& data)
{
    state_ = State::Data;
    if (byte == IAC) {
        data.push_back(static_cast<char>(IAC));
    } else if (byte >= WILL && byte <= DONT) {
        verb_ = byte;
        state_ = State::Verb;
    } else if (byte == SB) {
        subnegotiation_.clear();
        state_ = State::Subnegotiation;
    }
    // Anything else (no operation, go ahead, data mark, break, ...) carries nothing for the line.
}

// Agreement without loops: a request for a state the option is already in gets no
// answer, and an answer to our own request is not answered again.
void TelnetLine::negotiate(uint8_t what, uint8_t option, std::string& answers)
{
    const bool offer = what == WILL || what == DO;
    const bool theirs = what == WILL || what == WONT;  // about the server's side of the option
    Side& side = theirs ? remote_[option] : local_[option];
    const bool wasRequested = side.requested;
    side.requested = false;
    if (offer) {
        const bool accepted = theirs ? theyMay(option) : weWill(option);
        if (!accepted) {
            answers += verb(theirs ? DONT : WONT, option);
            return;
        }
        if (side.enabled) return;
        side.enabled = true;
        if (!wasRequested) answers += verb(theirs ? DO : WILL, option);
        if (!theirs && option == COM_PORT) settingsOwed_ = true;
        return;
    }
    if (!theirs && option == COM_PORT && (side.enabled || wasRequested)) comPortRefused_ = true;
    if (side.enabled && !wasRequested) answers += verb(theirs ? DONT : WONT, option);
    side.enabled = false;
}

void TelnetLine::subnegotiationEnded(std::string& answers)
{
    if (subnegotiation_.size() < 2 || static_cast<uint8_t>(subnegotiation_[0]) != COM_PORT) return;
    const auto code = static_cast<uint8_t>(subnegotiation_[1]);
    const std::string value = subnegotiation_.substr(2);
    if (code == kServerOffset + SET_BAUDRATE && value.size() == 4) {
        serverBaudRate_ = 0;
        for (char byte : value) serverBaudRate_ = serverBaudRate_ << 8 | static_cast<uint8_t>(byte);
    } else if (code == kServerOffset + SIGNATURE && value.empty()) {
        // The server asks who we are.
        answers += comPortFrame(SIGNATURE, kSignature);
    }
    // Line and modem state reports and flow control notices change nothing for a poll.
}

}  // namespace serial
