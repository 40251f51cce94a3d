#pragma once

#include "cfdi/FiscalData.h"
#include "cfdi/PacClient.h"

#include <QGroupBox>

class CTolEdit;
class QComboBox;

// The PAC that stamps the business's CFDIs, in "Datos fiscales": provider, environment, the
// technician's base address, user and password. A stored password is never shown again: the box
// stays empty, and left empty keeps it. "Probar conexión" asks the PAC, off the window's thread.
class CPacBox final : public QGroupBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPacBox)
public:
    static constexpr int kPacId = 1340;
    static constexpr int kAmbienteId = 1341;
    static constexpr int kUrlId = 1342;
    static constexpr int kUsuarioId = 1343;
    static constexpr int kClaveId = 1344;
    static constexpr int kProbarId = 1345;

    explicit CPacBox(QWidget* parent = nullptr);

    void setValue(const PacConfig& stored);
    // What the fields say, with the stored password where none was typed.
    PacConfig value() const;
    // Why the fields cannot be saved (Spanish), empty when they can.
    QString problem() const;
    // "Probar conexión": asks the PAC with what the fields say and tells the operator.
    PacCheck test();

private:
    PacConfig m_stored;
    QComboBox* m_pac;
    QComboBox* m_ambiente;
    CTolEdit* m_url;
    CTolEdit* m_usuario;
    CTolEdit* m_clave;
};
