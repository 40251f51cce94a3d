#include "printing/TicketPort.h"

namespace {

constexpr const char* kTcpPrefix = "tcp://";

// "HOST:PORT", "[v6]:PORT"; the port defaults to 9100, the raw printing port.
void splitHostPort(const std::string& address, std::string& host, std::string& service) {
    std::string rest = address;
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    std::string::size_type colon = std::string::npos;
    if (!rest.empty() && rest.front() == '[') {
        const auto close = rest.find(']');
        host = rest.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (close != std::string::npos && close + 1 < rest.size() && rest[close + 1] == ':')
            colon = close + 1;
    } else {
        colon = rest.rfind(':');
        host = rest.substr(0, colon);
    }
    service = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
    if (service.empty())
        service = "9100";
}

} // namespace

TicketPort TicketPort::ForSettings(const TicketSettings& settings) {
    TicketPort port;
    switch (settings.pPos) {
    case 1: port.name = "LPT2"; port.device = settings.dispositivoLpt2; break;
    case 2: port.name = "COM1"; port.device = settings.dispositivoCom1; port.kind = Kind::Serial; break;
    case 3: port.name = "COM2"; port.device = settings.dispositivoCom2; port.kind = Kind::Serial; break;
    default: port.name = "LPT1"; port.device = settings.dispositivoLpt1; break;
    }
    if (port.device.rfind(kTcpPrefix, 0) == 0) {
        port.kind = Kind::Network;
        splitHostPort(port.device.substr(std::char_traits<char>::length(kTcpPrefix)), port.host, port.service);
    }
    return port;
}

std::string TicketPort::description() const { return name + " (" + device + ")"; }

std::string ExpandLineFeeds(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16);
    for (const char c : bytes) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}
