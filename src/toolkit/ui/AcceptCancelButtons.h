#pragma once

class QDialog;
class QDialogButtonBox;

// "Aceptar" and "Cancelar" for a dialog laid out with Qt's own layouts, wired to accept and reject;
// the caller places the box.
QDialogButtonBox* AcceptCancelButtons(QDialog* dialog);
