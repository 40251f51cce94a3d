#pragma once

#include <string>

// What the ticket output needs of the workstation settings: the port choice pPos (0 LPT1, 1 LPT2,
// 2 COM1, 3 COM2), the device each port stands for, and the byte commands sent after the ticket.
struct TicketSettings {
    static constexpr const char* kDefaultLpt1 = "/dev/lp0";
    static constexpr const char* kDefaultLpt2 = "/dev/lp1";
    static constexpr const char* kDefaultCom1 = "/dev/ttyS0";
    static constexpr const char* kDefaultCom2 = "/dev/ttyS1";

    int pPos = 0;
    // A device path, a plain file, or tcp://HOST:PORT for a network receipt printer.
    std::string dispositivoLpt1 = kDefaultLpt1;
    std::string dispositivoLpt2 = kDefaultLpt2;
    std::string dispositivoCom1 = kDefaultCom1;
    std::string dispositivoCom2 = kDefaultCom2;
    std::string comando;      // cash drawer, e.g. "27,112,0,25,250"
    std::string comandoCorte; // paper cutter, same syntax; empty for none
    std::string comandoInicial; // sent byte for byte before the first line, same syntax
    // Characters a printed line holds: 40, 32 on 58 mm paper, 42 or 48 on 80 mm paper.
    int columnas = kDefaultColumns;
    // An ESC/POS printer also gets the logo at the top and a stamped document's QR at the end,
    // as raster pictures.
    bool escPos = false;
    std::string logo; // the logo picture's path

    static constexpr int kDefaultColumns = 40;
    static constexpr int kMinColumns = 16;
    static constexpr int kMaxColumns = 80;
    // A setting out of range (typed by hand) prints at the default width.
    int Columns() const { return columnas >= kMinColumns && columnas <= kMaxColumns ? columnas : kDefaultColumns; }
};
