#include "cfdi/ui/ComplementoPagoDlg.h"

#include "cfdi/CfdiSealAndStamp.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/PacClient.h"
#include "cfdi/PaymentCfdiBuilder.h"
#include "cfdi/SatCatalogs.h"
#include "cfdi/ui/CfdiDlg.h"
#include "cfdi/ui/DatosFiscalesDlg.h"
#include "cfdi/ui/PacWait.h"
#include "cfdi/ui/SatCombo.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/ui/DbErrorMessage.h"
#include "invoice/MoneyText.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QLabel>
#include <QLineEdit>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// The formas a received payment can have: every one but "por definir".
std::span<const SatCatalogs::Entry> formasRecibidas() {
    static const std::vector<SatCatalogs::Entry> formas = [] {
        std::vector<SatCatalogs::Entry> v;
        for (const SatCatalogs::Entry& e : SatCatalogs::formasPago())
            if (std::string(e.clave) != "99")
                v.push_back(e);
        return v;
    }();
    return formas;
}

CCfdiSealAndStamp::Request requestWith(const std::string& forma, const std::string& password) {
    CCfdiSealAndStamp::Request request;
    request.fiscal.formaPago = forma;
    request.password = password;
    request.folder = CDatosFiscalesDlg::xmlFolder().toStdString();
    return request;
}

} // namespace

bool CComplementoPagoDlg::Offer(Database& db, const CfdiKey& key, QWidget* parent) {
    try {
        if (!CPaymentCfdiBuilder::OwesComplements(db, key.idDocumento))
            return false;
        CFiscalStore(db).notePayment(key, "01");
    } catch (const DbError& e) {
        ShowDbError(e);
        return false;
    }
    CComplementoPagoDlg dlg(db, key, parent);
    return dlg.exec() == QDialog::Accepted;
}

QString CComplementoPagoDlg::StampOwed(Database& db, const std::vector<CfdiKey>& keys, const std::string& password,
                                       QWidget* parent) {
    if (keys.empty())
        return {};
    const PacConfig config = CFiscalStore(db).pac();
    const std::unique_ptr<CPacClient> pac = CPacClient::Create(config);
    int stamped = 0;
    QString problems;
    if (pac) {
        CPacWait wait(*pac, parent, QStringLiteral("Timbrando los complementos de pago..."));
        for (std::size_t i = 0; i < keys.size(); ++i) {
            wait.setLabel(QStringLiteral("Timbrando el complemento del pago %1 (%2 de %3)...")
                              .arg(keys[i].numPago).arg(i + 1).arg(keys.size()));
            const auto r = CCfdiSealAndStamp(db, wait).Run(keys[i], requestWith("", password));
            if (r.state == CCfdiStamper::State::Stamped)
                ++stamped;
            else
                problems += QStringLiteral("\n- Pago %1: %2").arg(keys[i].numPago).arg(q(r.errors.empty() ? r.message : r.errors.front()));
        }
        wait.finish();
    }
    QString text = QStringLiteral("Los pagos ya recibidos llevan complemento de pago: %1 de %2 timbrados.")
                       .arg(stamped).arg(keys.size());
    if (!problems.isEmpty() || !pac)
        text += problems + QStringLiteral("\nLos que faltan quedan en Utilerias → Facturas por timbrar.");
    return text;
}

CComplementoPagoDlg::CComplementoPagoDlg(Database& db, const CfdiKey& key, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_key(key) {
    setWindowTitle(QStringLiteral("Complemento de pago"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setClientSize(dialogSize(240, 100));

    QString title;
    std::string forma = "01";
    try {
        Statement s = db.prepare("SELECT d.Serie, d.Folio, d.Nombre, c.Importe FROM Documentos d JOIN Cobros c ON "
                                 "c.Id_Documento = d.Id_Documento WHERE d.Id_Documento = ? AND c.NumPago = ?");
        s.bind(1, std::int64_t{key.idDocumento}).bind(2, std::int64_t{key.numPago});
        if (s.step())
            title = QStringLiteral("Documento %1%2, %3\nPago %4 de %5")
                        .arg(q(s.text(0)))
                        .arg(s.integer(1), 6, 10, QLatin1Char('0'))
                        .arg(q(s.text(2)))
                        .arg(key.numPago)
                        .arg(q(FormatMoney(s.real(3))));
        if (const std::string noted = CFiscalStore(db).paymentForma(key); !noted.empty() && noted != "99")
            forma = noted;
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    auto* doc = new QLabel(title, this);
    place(doc, 7, 6, 226, 18);
    m_state = new QLabel(QStringLiteral("La factura es de pago en parcialidades (PPD): cada pago lleva su CFDI."), this);
    setId(m_state, kEstadoId);
    m_state->setWordWrap(true);
    place(m_state, 7, 25, 226, 16);
    auto row = [this](const QString& text, int y, QWidget* w, int id) {
        auto* l = new QLabel(text, this);
        place(l, 7, y + 2, 80, 9);
        setId(w, id);
        place(w, 90, y, 143, 13);
    };
    m_forma = new CSatCombo(formasRecibidas(), false, false, this);
    m_forma->setValue(forma);
    row(QStringLiteral("Forma de pago:"), 44, m_forma, kFormaPagoId);
    m_clave = new QLineEdit(this);
    m_clave->setEchoMode(QLineEdit::Password);
    m_clave->setText(CCfdiDlg::keptPassword());
    row(QStringLiteral("Contraseña de la llave:"), 60, m_clave, kClaveId);

    auto* timbrar = new CTolButton(QStringLiteral("Timbrar"), this);
    setId(timbrar, kTimbrarId);
    place(timbrar, 124, 80, 52, 14);
    connect(timbrar, &QPushButton::clicked, this, [this] {
        if (stamp())
            accept();
    });
    auto* despues = new CTolButton(QStringLiteral("Después"), this);
    setId(despues, kDespuesId);
    place(despues, 181, 80, 52, 14);
    connect(despues, &QPushButton::clicked, this, [this] {
        // The forma chosen stays with the owed complement for when it is stamped.
        try {
            CFiscalStore(m_db).setPaymentForma(m_key, m_forma->value());
        } catch (const DbError& e) {
            ShowDbError(e);
        }
        reject();
    });
    if (!CCfdiDlg::CanStamp(db)) {
        timbrar->setEnabled(false);
        m_state->setText(QStringLiteral("Configure el PAC en Configurar → Datos fiscales: el complemento queda en "
                                        "Facturas por timbrar."));
    }
    if (m_clave->text().isEmpty())
        m_clave->setFocus();
    else
        timbrar->setFocus();  // Enter stamps
}

bool CComplementoPagoDlg::stamp() {
    const PacConfig config = CFiscalStore(m_db).pac();
    const std::unique_ptr<CPacClient> pac = CPacClient::Create(config);
    if (!pac) {
        TolMessage(QStringLiteral("Configure el PAC en Configurar → Datos fiscales para timbrar."));
        return false;
    }
    CCfdiSealAndStamp::Result r;
    try {
        CPacWait wait(*pac, this, QStringLiteral("Timbrando el complemento de pago con %1...").arg(q(CPacClient::Describe(config))));
        r = CCfdiSealAndStamp(m_db, wait).Run(m_key, requestWith(m_forma->value(), m_clave->text().toStdString()));
        wait.finish();
    } catch (const DbError& e) {
        ShowDbError(e);
        return false;
    }
    if (r.sealedNow)
        CCfdiDlg::keepPassword(m_clave->text());
    QString text;
    if (!r.errors.empty()) {
        text = QStringLiteral("No se selló el complemento de pago:");
        for (const std::string& e : r.errors)
            text += QStringLiteral("\n- ") + q(e);
    } else if (r.state == CCfdiStamper::State::Stamped) {
        text = QStringLiteral("Complemento de pago timbrado.\nFolio fiscal: %1").arg(q(r.uuid));
        if (!r.file.empty())
            text += QStringLiteral("\n%1").arg(q(r.file.string()));
    } else if (r.state == CCfdiStamper::State::Pending) {
        text = QStringLiteral("No se sabe si el PAC lo timbró:\n%1\n\nQuedó en Utilerias → Facturas por timbrar, donde "
                              "se envía otra vez el mismo comprobante.").arg(q(r.message));
    } else {
        text = QStringLiteral("No se timbró el complemento de pago:\n%1").arg(q(r.message));
    }
    TolMessage(text);
    return r.state == CCfdiStamper::State::Stamped;
}
