#include "receivables/ui/RegDoc.h"

#include "receivables/PaymentStore.h"

#include "catalogs/ui/ComboTabla.h"
#include "invoice/MoneyText.h"
#include "printing/ui/Copias.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>

namespace {

// Client area and control rectangles, dialog units.
constexpr int kClientWidth = 192;
constexpr int kClientHeight = 132;
constexpr int kLabelX = 16;
constexpr int kFieldX = 62;
constexpr int kTimbrarHeight = 16;

} // namespace

CRegDoc::CRegDoc(Database& db, double total, QWidget* parent, bool offerTimbrar)
    : CTolDialog(parent), m_total(total) {
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint | Qt::FramelessWindowHint);
    setModal(true);
    setWindowTitle(QStringLiteral("Registro de Documentos"));
    // The stamping choice takes a line of its own above the buttons.
    const int below = offerTimbrar ? kTimbrarHeight : 0;
    setClientSize(dialogSize(kClientWidth, kClientHeight + below));

    // Every control is a sibling of the group frames, as in a dialog template; the groups are
    // created first so that they lie beneath, and the tab order follows the order of creation.
    auto label = [this](const QString& text, int y) {
        auto* l = new QLabel(text, this);
        place(l, kLabelX, y, kFieldX - kLabelX - 2, 12);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };

    m_pagoGroup = new QGroupBox(QStringLiteral("Registrar pago"), this);
    setId(m_pagoGroup, kPagoGroupId);
    m_pagoGroup->setCheckable(true);
    m_pagoGroup->setChecked(true);
    place(m_pagoGroup, 7, 4, 178, 50);
    QLabel* pagoLabel = label(QStringLiteral("Pago:"), 18);
    m_pago = new CTolEdit(this);
    setId(m_pago, kPagoId);
    m_pago->setAlignment(Qt::AlignRight);
    m_pago->setText(QString::fromStdString(FormatMoney(total)));
    place(m_pago, kFieldX, 18, 70, 12);
    QLabel* referenciaLabel = label(QStringLiteral("Referencia:"), 34);
    m_referencia = new CTolEdit(this);
    setId(m_referencia, kReferenciaId);
    m_referencia->setMaxLength(kReferenciaLength);
    place(m_referencia, kFieldX, 34, 115, 12);

    m_imprimirGroup = new QGroupBox(QStringLiteral("Imprimir al registrar"), this);
    setId(m_imprimirGroup, kImprimirGroupId);
    m_imprimirGroup->setCheckable(true);
    m_imprimirGroup->setChecked(false);
    place(m_imprimirGroup, 7, 58, 178, 50);
    QLabel* formatoLabel = label(QStringLiteral("Formato:"), 72);
    m_formato = new CComboTabla(this);
    setId(m_formato, kFormatoId);
    place(m_formato, kFieldX, 72, 115, 13);
    QLabel* copiasLabel = label(QStringLiteral("Copias:"), 89);
    m_copias = NewCopiasEdit(this);
    setId(m_copias, kCopiasId);
    place(m_copias, kFieldX, 89, 24, 12);

    if (offerTimbrar) {
        m_timbrar = new QCheckBox(QStringLiteral("Timbrar factura electrónica"), this);
        setId(m_timbrar, kTimbrarId);
        m_timbrar->setChecked(true);
        place(m_timbrar, 10, 113, 175, 12);
    }
    auto* registrar = new CTolButton(QStringLiteral("Registrar"), this);
    setId(registrar, kRegistrarId);
    place(registrar, 81, 114 + below, 50, 14);
    auto* cancelar = new CTolButton(QStringLiteral("Cancelar"), this);
    setId(cancelar, kCancelarId);
    place(cancelar, 135, 114 + below, 50, 14);
    connect(registrar, &QPushButton::clicked, this, &CRegDoc::onRegistrar);
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);

    // A group's fields take part only while its box is checked.
    auto follow = [](QGroupBox* group, const QList<QWidget*>& fields) {
        auto apply = [fields](bool on) {
            for (QWidget* field : fields)
                field->setEnabled(on);
        };
        apply(group->isChecked());
        QObject::connect(group, &QGroupBox::toggled, group, apply);
    };
    follow(m_pagoGroup, {pagoLabel, m_pago, referenciaLabel, m_referencia});
    follow(m_imprimirGroup, {formatoLabel, m_formato, copiasLabel, m_copias});

    FillPageFormats(*m_formato, db);

    m_pago->setFocus();
    m_pago->selectAll();
}

void CRegDoc::refuse(const QString& message, QWidget* field) {
    TolMessage(message);
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
}

void CRegDoc::onRegistrar() {
    RegDocResult result;
    result.registrarPago = m_pagoGroup->isChecked();
    if (result.registrarPago) {
        const QString typed = m_pago->text().trimmed();
        // An emptied box is a payment of nothing, which a checked group still records.
        const std::optional<double> amount = typed.isEmpty() ? 0.0 : TryParseMoney(typed.toStdString());
        if (!amount) {
            refuse(QStringLiteral("Please enter a currency."), m_pago);
            return;
        }
        // A negative first payment would raise the balance instead of settling it (a document
        // whose own total is negative is left to the save, which cuts the payment to the total).
        if (*amount < 0 && !(m_total < 0)) {
            refuse(QStringLiteral("- El pago no puede ser negativo -"), m_pago);
            return;
        }
        // More than the total is cut to it where the operator sees it, as in Cobranza; pressed
        // again, "Registrar" registers that.
        if (m_total > 0 && *amount > m_total + CPaymentStore::kCent) {
            const QString cut = QString::fromStdString(FormatMoney(m_total));
            m_pago->setText(cut);
            refuse(QStringLiteral("- La cantidad excede el saldo: se registrará %1 -").arg(cut), m_pago);
            return;
        }
        result.importe = *amount;
        result.referencia = m_referencia->text().left(kReferenciaLength);
    }

    result.imprimir = m_imprimirGroup->isChecked();
    if (result.imprimir) {
        const std::optional<int> copies = CheckCopias(*m_copias);
        if (!copies)
            return;
        const std::optional<std::int32_t> formato = SelectedPageFormat(*m_formato);
        if (!formato)
            return;
        result.copias = *copies;
        result.formatoId = *formato;
    }

    result.timbrar = m_timbrar && m_timbrar->isChecked();
    m_result = result;
    accept();
}

std::optional<RegDocResult> CRegDoc::Run(Database& db, double total, QWidget* parent, bool offerTimbrar) {
    CRegDoc dialog(db, total, parent, offerTimbrar);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.result();
}
