#include "platform/ApplicationState.h"

void ApplySettings(const Settings& s, ApplicationState& state) {
    state.prcAiva = s.prcAiva;
    state.pWin = s.pWin;
    state.pPos = s.pPos;
    state.rapido = s.rapido;
    state.askPrinter = s.askPrinter;
    state.impuesto = s.impuesto;
    state.comando = s.comando;
    state.logo = s.logo;
    state.dispositivoLpt1 = s.dispositivoLpt1;
    state.dispositivoLpt2 = s.dispositivoLpt2;
    state.dispositivoCom1 = s.dispositivoCom1;
    state.dispositivoCom2 = s.dispositivoCom2;
    state.comandoCorte = s.comandoCorte;
    state.comandoInicial = s.comandoInicial;
    state.columnasTicket = s.columnasTicket;
    state.impresoraEscPos = s.impresoraEscPos;
}
