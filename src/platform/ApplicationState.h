#pragma once

#include <string>

class Database;

// The application title (string 57344): window captions, the message box heading, and the key
// with which the access password is scrambled.
inline constexpr const char* kApplicationTitle = "Quintaleva 2";

// Workstation settings as stored in the settings group "Config", with their defaults.
struct Settings {
    std::string path;
    int prcAiva = 0;
    int pWin = 1;
    int pPos = 0;
    int rapido = 0;
    int askPrinter = 0;
    int impuesto = 0;
    std::string comando;
    std::string logo;
    // The ticket printer's device for each port, and the paper-cutter command.
    std::string dispositivoLpt1 = "/dev/lp0";
    std::string dispositivoLpt2 = "/dev/lp1";
    std::string dispositivoCom1 = "/dev/ttyS0";
    std::string dispositivoCom2 = "/dev/ttyS1";
    std::string comandoCorte;
    // The ticket: start command, characters a line holds, ESC/POS pictures (logo and QR).
    std::string comandoInicial;
    int columnasTicket = 40;
    int impresoraEscPos = 0;
};

// What the whole program reads for the whole run: the open database, the settings, the default
// tax rate and the business name. The start-up object owns the database; this only points at it.
struct ApplicationState {
    Database* database = nullptr;
    int prcAiva = 0;          // 1: line prices are typed before taxes
    int pWin = 1;             // 1: page printer; 0: ticket printer
    int rapido = 0;           // quick capture mode of the detail grid
    int askPrinter = 0;       // 1: choose the printer before printing
    int impuesto = 0;         // Id_Impuesto of the default tax of new articles
    double defaultTaxRate = 0; // that tax as a fraction (0.16); 0 when it does not exist
    std::string comando;      // cash-drawer command of the ticket printer
    std::string logo;         // full path of the logo picture
    std::string nombre;       // business name, first heading line of every report
    int pPos = 0;             // ticket port: 0 LPT1, 1 LPT2, 2 COM1, 3 COM2
    // Device behind each ticket port: a path, a plain file or tcp://HOST:PORT.
    std::string dispositivoLpt1 = "/dev/lp0";
    std::string dispositivoLpt2 = "/dev/lp1";
    std::string dispositivoCom1 = "/dev/ttyS0";
    std::string dispositivoCom2 = "/dev/ttyS1";
    std::string comandoCorte; // paper-cutter command sent after the drawer command
    std::string comandoInicial; // sent before the ticket's first line (reset, code page)
    int columnasTicket = 40;    // characters a ticket line holds: 32 on 58 mm paper, 42 or 48 on 80 mm
    int impresoraEscPos = 0;    // 1: the ticket printer takes ESC/POS raster pictures
    // Set by the main window that closed because its database file was replaced (a backup
    // restored): the program opens the file again and shows a new main window.
    bool reopenDatabase = false;
};

// Copies the settings that ApplicationState carries.
void ApplySettings(const Settings& settings, ApplicationState& state);
