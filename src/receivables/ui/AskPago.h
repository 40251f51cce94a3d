#pragma once

#include "receivables/PaymentStore.h"
#include "toolkit/ui/TolDialog.h"

#include <optional>

class CTolButton;
class CTolDatePicker;
class CTolEdit;
class CTolTextEdit;

// "Recepción de pagos": one payment against a document's balance. The amount box proposes the
// whole balance; leaving it keeps what was typed, marked when it cannot be registered as it stands
// (unreadable, not positive, above the balance). "Registrar" refuses an amount that is not
// positive ("- Escriba la cantidad a pagar -"), cuts an amount above the balance to it on screen
// (and tells so) without closing, and otherwise closes with OK and the payment; "Salir" and
// Escape close with nothing.
class CAskPago final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAskPago)
public:
    static constexpr int kDialogId = 163;
    static constexpr int kFechaId = 1005;
    static constexpr int kCantidadId = 1076;
    static constexpr int kReferenciaId = 1096;
    static constexpr int kObservacionesId = 1029;
    static constexpr int kRegistrarId = 1100;
    static constexpr int kSalirId = 1067;

    // `balance` is the document's Total − YaPagado, in pesos: the proposed amount and the most a
    // payment may be.
    explicit CAskPago(double balance, QWidget* parent = nullptr);
    ~CAskPago() override;

    double balance() const { return m_balance; }
    // The payment; meaningful after the dialog closed with OK.
    const Payment& payment() const { return m_payment; }

    // Runs the dialog modally: the payment on "Registrar", nothing on "Salir" or Escape.
    static std::optional<Payment> Ask(double balance, QWidget* parent = nullptr);

    // What leaving the amount box for another field does.
    void amountLeft();
    // Whether the amount box is marked as holding an amount that cannot be registered.
    bool amountMarked() const;

private:
    void onRegistrar();
    void markAmount(bool on);

    double m_balance;
    Payment m_payment;
    CTolDatePicker* m_fecha;
    CTolEdit* m_cantidad;
    CTolEdit* m_referencia;
    CTolButton* m_registrar = nullptr;
    CTolTextEdit* m_observaciones;
};
