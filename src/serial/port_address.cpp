#include "serial/port_address.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace serial {

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

struct Scheme {
    std::string_view prefix;
    bool telnet;
};
constexpr std::array<Scheme, 2> kSchemes = {{{"tcp://", false}, {"rfc2217://", true}}};

// "HOST:PORT" or "[HOST]:PORT" with a port of 1..65535.
bool splitHostPort(std::string_view text, NetworkAddress& address)
{
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon + 1 >= text.size() || text.size() - colon > 6) return false;
    std::string_view host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    if (host.empty() || host.find_first_of("[]/ ") != std::string_view::npos) return false;
    uint32_t port = 0;
    for (char c : text.substr(colon + 1)) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        port = port * 10 + static_cast<uint32_t>(c - '0');
    }
    if (port == 0 || port > 65535) return false;
    address.host = std::string(host);
    address.port = static_cast<uint16_t>(port);
    return true;
}

}  // namespace

std::string portNumber(const std::string& portName)
{
    if (!startsWithNoCase(portName, "com")) return {};
    std::string digits = portName.substr(3);
    if (digits.empty() || digits.size() > 3 || digits[0] == '0') return {};
    for (char c : digits)
        if (!std::isdigit(static_cast<unsigned char>(c))) return {};
    return digits;
}

std::string portMapping(const std::string& portName)
{
    const std::string digits = portNumber(portName);
    if (digits.empty()) return {};
    const char* mapping = std::getenv(("OSTREVANE800_COM" + digits).c_str());
    return mapping != nullptr ? mapping : "";
}

MappingKind classifyMapping(const std::string& mapping, NetworkAddress& address)
{
    for (const Scheme& scheme : kSchemes) {
        if (!startsWithNoCase(mapping, scheme.prefix)) continue;
        address.telnet = scheme.telnet;
        return splitHostPort(std::string_view(mapping).substr(scheme.prefix.size()), address) ? MappingKind::Network
                                                                                              : MappingKind::Malformed;
    }
    return MappingKind::Device;
}

}  // namespace serial
