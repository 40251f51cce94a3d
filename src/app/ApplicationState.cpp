#include "app/ApplicationState.h"

void ApplySettings(const Settings& s, ApplicationState& state) {
    state.prcAiva = s.prcAiva;
    state.pWin = s.pWin;
    state.pPos = s.pPos;
    state.rapido = s.rapido;
    state.askPrinter = s.askPrinter;
    state.impuesto = s.impuesto;
    state.comando = s.comando;
    state.logo = s.logo;
}
