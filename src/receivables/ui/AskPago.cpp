#include "receivables/ui/AskPago.h"

#include "db/ui/OleDateQt.h"
#include "invoice/MoneyText.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "toolkit/ui/TolTextEdit.h"

#include <QApplication>
#include <QLabel>

namespace {

// Client area, dialog units.
constexpr int kClientWidth = 196;
constexpr int kClientHeight = 148;
constexpr int kLabelX = 8;
constexpr int kFieldX = 72;

QString moneyText(double value) { return QString::fromStdString(FormatMoney(value)); }

} // namespace

CAskPago::CAskPago(double balance, QWidget* parent) : CTolDialog(parent), m_balance(balance) {
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint | Qt::FramelessWindowHint);
    setModal(true);
    setWindowTitle(QStringLiteral("Recepción de pagos"));
    setClientSize(dialogSize(kClientWidth, kClientHeight));

    auto label = [this](const QString& text, int y) {
        auto* l = new QLabel(text, this);
        place(l, kLabelX, y, kFieldX - kLabelX - 2, 12);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    };

    label(QStringLiteral("Fecha de pago:"), 8);
    m_fecha = new CTolDatePicker(this);
    setId(m_fecha, kFechaId);
    m_fecha->setDateTime(QDateTime::currentDateTime());
    place(m_fecha, kFieldX, 8, 72, 12);

    label(QStringLiteral("Cantidad a pagar:"), 25);
    m_cantidad = new CTolEdit(this);
    setId(m_cantidad, kCantidadId);
    m_cantidad->setAlignment(Qt::AlignRight);
    m_cantidad->setText(moneyText(balance));
    place(m_cantidad, kFieldX, 25, 72, 12);
    connect(m_cantidad, &QLineEdit::editingFinished, this, &CAskPago::amountLeft);
    connect(m_cantidad, &QLineEdit::textEdited, this, [this] { markAmount(false); });

    label(QStringLiteral("Referencia:"), 42);
    m_referencia = new CTolEdit(this);
    setId(m_referencia, kReferenciaId);
    m_referencia->setMaxLength(static_cast<int>(CPaymentStore::kReferenciaLength));
    place(m_referencia, kFieldX, 42, 116, 12);

    m_observaciones = new CTolTextEdit(this);
    setId(m_observaciones, kObservacionesId);
    m_observaciones->setCaption(QStringLiteral("Observaciones"));
    place(m_observaciones, kLabelX, 60, 180, 62);

    auto* registrar = m_registrar = new CTolButton(QStringLiteral("Registrar"), this);
    setId(registrar, kRegistrarId);
    place(registrar, 84, 128, 50, 14);
    auto* salir = new CTolButton(QStringLiteral("Salir"), this);
    setId(salir, kSalirId);
    place(salir, 138, 128, 50, 14);
    connect(registrar, &QPushButton::clicked, this, &CAskPago::onRegistrar);
    connect(salir, &QPushButton::clicked, this, &QDialog::reject);

    m_cantidad->setFocus();
    m_cantidad->selectAll();
}

CAskPago::~CAskPago() {
    // ~QDialog hides a visible dialog, and the amount box losing the focus then emits
    // editingFinished: by that time only the QDialog part is left, so our slot must not run.
    m_cantidad->disconnect(this);
}

void CAskPago::amountLeft() {
    // What was typed stays as typed: replacing an unreadable or zero amount by the balance, or
    // cutting a larger one, out of the operator's sight would register what nobody chose. An amount
    // that cannot be registered as it stands is marked; "Registrar" says why.
    const std::optional<double> typed = TryParseMoney(m_cantidad->text().toStdString());
    markAmount(!typed || !(*typed > 0) || *typed > m_balance + CPaymentStore::kCent);
}

bool CAskPago::amountMarked() const { return m_cantidad->property("marked").toBool(); }

void CAskPago::markAmount(bool on) {
    m_cantidad->setStyleSheet(on ? QStringLiteral("QLineEdit { background: #ffd7d7; }") : QString());
    m_cantidad->setProperty("marked", on);
}

void CAskPago::onRegistrar() {
    const std::optional<double> typed = TryParseMoney(m_cantidad->text().toStdString());
    // The box shows the amount rounded to cents; the balance itself is what it stands for.
    const double amount = typed && moneyText(*typed) == moneyText(m_balance) ? m_balance : typed.value_or(0.0);
    const std::optional<double> registered = CPaymentStore::AmountToRegister(amount, m_balance);
    if (!registered || amount > m_balance) {
        // No amount is asked for; more than the balance is cut to it where the operator sees it,
        // and "Registrar" pressed again registers that.
        if (registered) {
            m_cantidad->setText(moneyText(*registered));
            markAmount(false);
            TolMessage(QStringLiteral("- La cantidad excede el saldo: se registrará %1 -").arg(moneyText(*registered)));
        } else {
            markAmount(true);
            TolMessage(QStringLiteral("- Escriba la cantidad a pagar -"));
        }
        m_cantidad->setFocus();
        m_cantidad->selectAll();
        return;
    }
    m_payment.fecha = FromQDateTime(m_fecha->dateTime());
    m_payment.importe = *registered;
    m_payment.referencia = m_referencia->text().toStdString();
    m_payment.observaciones = m_observaciones->toPlainText().toStdString();
    accept();
}

std::optional<Payment> CAskPago::Ask(double balance, QWidget* parent) {
    CAskPago dialog(balance, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.payment();
}
