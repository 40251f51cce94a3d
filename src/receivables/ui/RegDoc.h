#pragma once

#include "toolkit/ui/TolDialog.h"

#include <QString>

#include <cstdint>
#include <optional>

class CComboTabla;
class CTolButton;
class CTolEdit;
class Database;
class QCheckBox;
class QGroupBox;
class QLabel;

// What the operator chose in the registration dialog, read by the save.
// importe and referencia are read only when registrarPago is set (0 and empty otherwise);
// formatoId and copias only when imprimir is set (-1 and 1 otherwise).
struct RegDocResult {
    bool registrarPago = true;   // "Registrar pago" checked: add the first payment
    double importe = 0.0;        // "Pago:" as typed; the save cuts it to the total
    QString referencia;          // "Referencia:", at most 35 characters
    bool imprimir = false;       // "Imprimir al registrar" checked
    std::int32_t formatoId = -1; // Id_Formato of the chosen format; -1 when the list is empty
    int copias = 1;              // 1 to 5
    bool timbrar = false;        // "Timbrar factura electrónica" checked (offered only when it can be)
};

// "Registro de Documentos": shown by the save before anything is written. It proposes the
// document's total as the first payment and offers to print the document at once with one of the
// page-printer formats (never a ticket format). "Registrar" validates and closes with OK;
// "Cancelar", Escape and the caption's close button store nothing.
class CRegDoc final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRegDoc)
public:
    static constexpr int kDialogId = 154;
    static constexpr int kPagoGroupId = 1097;
    static constexpr int kPagoId = 1076;
    static constexpr int kReferenciaId = 1096;
    static constexpr int kImprimirGroupId = 1102;
    static constexpr int kCopiasId = 1098;
    static constexpr int kFormatoId = 1093;
    static constexpr int kRegistrarId = 1100;
    static constexpr int kCancelarId = 1067;
    static constexpr int kTimbrarId = 1104;

    static constexpr int kReferenciaLength = 35;

    // `total` is the document's total (the proposed payment). The format list is filled here; a
    // database error is shown and leaves the list empty.
    // `offerTimbrar` adds "Timbrar factura electrónica", checked.
    CRegDoc(Database& db, double total, QWidget* parent = nullptr, bool offerTimbrar = false);

    // The choices; meaningful after the dialog closed with OK.
    const RegDocResult& result() const { return m_result; }

    // Runs the dialog modally: the choices on "Registrar", nothing when cancelled.
    static std::optional<RegDocResult> Run(Database& db, double total, QWidget* parent = nullptr,
                                           bool offerTimbrar = false);

private:
    void onRegistrar();
    // Refuses with the operator's message and puts the focus on `field`.
    void refuse(const QString& message, QWidget* field);

    QGroupBox* m_pagoGroup;
    CTolEdit* m_pago;
    CTolEdit* m_referencia;
    QGroupBox* m_imprimirGroup;
    CComboTabla* m_formato;
    CTolEdit* m_copias;
    QCheckBox* m_timbrar = nullptr;
    double m_total;
    RegDocResult m_result;
};
