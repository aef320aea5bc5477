// The client's side of a Telnet connection to a serial device server with the COM port
// control option (RFC 2217): the server's byte stream split into line data and Telnet
// commands, the answers owed to its negotiation, and the frames that set the line.
// No method waits for the server: a server that never answers leaves the line as it is.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "serial/serial_port.h"

namespace serial {

class TelnetLine {
public:
    // What a client says first: it will send and wants to receive binary data, and it
    // will use the COM port option.
    std::string opening();
    // The line settings as COM port option frames (baud rate, data bits, parity, stop
    // bits); empty when the option cannot express them (four data bits).
    static std::string settingsFrames(const LineSettings& settings);
    // Line data as it goes on the connection: every 0xFF doubled.
    static std::string escape(const uint8_t* bytes, uint32_t count);

    // Takes bytes from the server: line data is appended to `data`, the Telnet answers
    // the client owes to `answers`. A command split between calls is completed later.
    void receive(const uint8_t* bytes, size_t count, std::string& data, std::string& answers);

    // The server turned the COM port option down: its own line settings hold.
    bool comPortRefused() const { return comPortRefused_; }
    // The server agreed to the COM port option after the settings had gone out: they
    // must be sent again, as a server may drop them before the agreement.
    bool settingsOwed() const { return settingsOwed_; }
    void settingsSent() { settingsOwed_ = false; }
    // The baud rate the server last reported for its port; 0 before it did.
    uint32_t serverBaudRate() const { return serverBaudRate_; }

    static constexpr uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
    static constexpr uint8_t BINARY = 0, SUPPRESS_GO_AHEAD = 3, COM_PORT = 44;
    // Client to server; a server answers each with the same code plus 100.
    static constexpr uint8_t SIGNATURE = 0, SET_BAUDRATE = 1, SET_DATASIZE = 2, SET_PARITY = 3, SET_STOPSIZE = 4;
    static constexpr uint8_t kServerOffset = 100;
    static constexpr size_t kLongestSubnegotiation = 64;  // longer ones are cut: nothing we read is longer

private:
    enum class State : uint8_t { Data, Command, Verb, Subnegotiation, SubnegotiationCommand };
    // One side of an option: enabled, and whether our own request for it is still unanswered.
    struct Side {
        bool enabled = false;
        bool requested = false;
    };
    void negotiate(uint8_t what, uint8_t option, std::string& answers);
    void subnegotiationEnded(std::string& answers);
    void command(uint8_t byte, std::string& data);

    State state_ = State::Data;
    uint8_t verb_ = 0;
    std::string subnegotiation_;
    std::array<Side, 256> local_{}, remote_{};
    bool comPortRefused_ = false;
    bool settingsOwed_ = false;
    uint32_t serverBaudRate_ = 0;
};

}  // namespace serial
