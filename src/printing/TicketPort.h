#pragma once

#include "printing/TicketSettings.h"

#include <string>

// Where the ticket goes for a port choice: the port's name, the device configured for it and how
// that device is driven.
struct TicketPort {
    enum class Kind {
        Serial,  // a tty opened with the fixed line settings; bytes go out unchanged
        Stream,  // a parallel or USB printer device, or a plain file; LF becomes CR LF
        Network, // tcp://HOST:PORT, raw TCP; LF becomes CR LF
    };

    Kind kind = Kind::Stream;
    std::string name;   // "LPT1" … "COM2"
    std::string device; // as configured
    std::string host;   // Network only
    std::string service;

    // pPos 0 and 1 are LPT1 and LPT2, 2 and 3 COM1 and COM2; any other value is LPT1. A device
    // given as tcp://HOST:PORT is a network printer whatever the port.
    static TicketPort ForSettings(const TicketSettings& settings);

    // Every LF becomes CR LF on every side but the serial one.
    bool translatesLineFeeds() const { return kind != Kind::Serial; }
    // "LPT1 (/dev/lp0)": how messages name the printer.
    std::string description() const;
};

// `bytes` with every LF turned into CR LF, as the parallel port's text stream does.
std::string ExpandLineFeeds(const std::string& bytes);
