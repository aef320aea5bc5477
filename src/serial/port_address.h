// Where a port name leads: the mapping a COM port may have in the environment, and the
// serial device server such a mapping may name instead of a device.
#pragma once
#include <cstdint>
#include <string>

namespace serial {

// The number of a port name ("Com1".."Com999", any case) as written; empty for a name
// that is no port.
std::string portNumber(const std::string& portName);
// What OSTREVANE800_COMn holds for the port; empty when unset or for a name that is no port.
std::string portMapping(const std::string& portName);

// A line reached over TCP: "tcp://HOST:PORT" is the server's raw byte stream,
// "rfc2217://HOST:PORT" Telnet with the COM port control option. An IPv6 host is
// written in brackets ("tcp://[::1]:2001").
struct NetworkAddress {
    bool telnet = false;
    std::string host;
    uint16_t port = 0;
};
enum class MappingKind { Device, Network, Malformed };
// Device for a mapping that names no network line (a device path, or nothing); Network
// with `address` filled in; Malformed for a network scheme without a usable host and port.
MappingKind classifyMapping(const std::string& mapping, NetworkAddress& address);

}  // namespace serial
