#include "cfdi/ui/CfdiDlg.h"

#include "cfdi/CfdiBuilder.h"
#include "cfdi/CfdiIssuer.h"
#include "cfdi/CfdiSealAndStamp.h"
#include "cfdi/PacClient.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/SatCatalogs.h"
#include "cfdi/ui/CancelarCfdiDlg.h"
#include "cfdi/ui/ComplementoPagoDlg.h"
#include "cfdi/ui/DatosFiscalesDlg.h"
#include "cfdi/ui/PacWait.h"
#include "cfdi/ui/SatCombo.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/ui/DbErrorMessage.h"
#include "invoice/DocumentStore.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QLabel>
#include <QLineEdit>

namespace {

// Kept for the run only, so the operator types it once a day rather than once an invoice.
QString& rememberedPassword() {
    static QString password;
    return password;
}

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

void CCfdiDlg::Run(Database& db, const std::string& serie, std::int32_t folio, QWidget* parent) {
    std::optional<std::int32_t> id;
    try {
        if (folio > 0)
            id = CDocumentStore(db).Find(serie, folio);
    } catch (const DbError& e) {
        ShowDbError(e);
        return;
    }
    if (!id) {
        TolMessage(QStringLiteral("Registre primero el documento (F3) para hacer su factura electrónica."));
        return;
    }
    CCfdiDlg(db, *id, CDatosFiscalesDlg::xmlFolder(), parent).exec();
}

bool CCfdiDlg::StampSaved(Database& db, std::int32_t idDocumento, QWidget* parent) {
    CCfdiDlg dlg(db, idDocumento, CDatosFiscalesDlg::xmlFolder(), parent);
    dlg.exec();
    return !dlg.m_uuid.empty();
}

bool CCfdiDlg::CanStamp(Database& db) {
    try {
        CFiscalStore store(db);
        const EmisorFiscal e = store.emisor();
        return !e.rfc.empty() && !e.certificado.empty() && !e.llavePrivada.empty() &&
               store.pac().pac != PacProveedor::Ninguno;
    } catch (const DbError&) {
        return false;  // the dialog itself will say what is wrong
    }
}

void CCfdiDlg::forgetPassword() { rememberedPassword().clear(); }
QString CCfdiDlg::keptPassword() { return rememberedPassword(); }
void CCfdiDlg::keepPassword(const QString& password) { rememberedPassword() = password; }

CCfdiDlg::CCfdiDlg(Database& db, std::int32_t idDocumento, const QString& folder, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_id(idDocumento), m_folder(folder) {
    setWindowTitle(QStringLiteral("Factura electrónica"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setClientSize(dialogSize(260, 128));

    QString title;
    DocumentoFiscal proposal;
    std::string regimen;  // the customer's, which limits the usos offered
    try {
        Statement s = db.prepare("SELECT Serie, Folio, Nombre, Id_Cliente FROM Documentos WHERE Id_Documento = ?");
        s.bind(1, std::int64_t{idDocumento});
        if (s.step()) {
            title = QStringLiteral("Documento %1%2, %3").arg(q(s.text(0))).arg(s.integer(1), 6, 10, QLatin1Char('0')).arg(q(s.text(2)));
            if (const auto cliente = CFiscalStore(db).cliente(static_cast<std::int32_t>(s.integer(3))))
                regimen = cliente->regimenFiscal;
        }
        proposal = CCfdiBuilder(db).Proposal(idDocumento);
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    auto* doc = new QLabel(title, this);
    place(doc, 7, 6, 246, 9);
    m_state = new QLabel(this);
    setId(m_state, kEstadoId);
    m_state->setWordWrap(true);
    place(m_state, 7, 15, 246, 12);
    auto row = [this](const QString& text, int y, QWidget* w, int id) {
        auto* l = new QLabel(text, this);
        place(l, 7, y + 2, 70, 9);
        setId(w, id);
        place(w, 80, y, 173, 13);
    };
    m_forma = new CSatCombo(SatCatalogs::formasPago(), false, false, this);
    row(QStringLiteral("Forma de pago:"), 28, m_forma, kFormaPagoId);
    m_forma->setValue(proposal.formaPago.empty() ? "01" : proposal.formaPago);
    m_metodo = new CSatCombo(SatCatalogs::metodosPago(), false, false, this);
    row(QStringLiteral("Método de pago:"), 44, m_metodo, kMetodoPagoId);
    m_metodo->setValue(proposal.metodoPago);
    m_uso = new CSatCombo(SatCatalogs::usosForInvoice(regimen), true, false, this);
    row(QStringLiteral("Uso del CFDI:"), 60, m_uso, kUsoId);
    m_uso->setValue(proposal.usoCfdi);
    m_clave = new QLineEdit(this);
    m_clave->setEchoMode(QLineEdit::Password);
    m_clave->setText(rememberedPassword());
    row(QStringLiteral("Contraseña de la llave:"), 80, m_clave, kClaveId);
    // Deferred payment is always "por definir" (99).
    connect(m_metodo, qOverload<int>(&QComboBox::activated), this, [this] {
        if (m_metodo->value() == "PPD")
            m_forma->setValue("99");
    });

    m_canStamp = CanStamp(db);
    auto* timbrar = new CTolButton(QStringLiteral("Timbrar"), this);
    setId(timbrar, kTimbrarId);
    place(timbrar, 87, 106, 52, 14);
    connect(timbrar, &QPushButton::clicked, this, [this] {
        if (stamp())
            accept();
    });
    m_timbrar = timbrar;
    auto* sellar = new CTolButton(QStringLiteral("Sellar"), this);
    setId(sellar, kSellarId);
    place(sellar, 144, 106, 52, 14);
    connect(sellar, &QPushButton::clicked, this, [this] {
        if (seal())
            accept();
    });
    m_sellar = sellar;
    // A stamped invoice is corrected only by cancelling it before the SAT (and following its status).
    auto* cancelar = new CTolButton(QStringLiteral("Cancelar ante el SAT..."), this);
    setId(cancelar, kCancelarSatId);
    place(cancelar, 7, 106, 75, 14);
    connect(cancelar, &QPushButton::clicked, this, [this] {
        CCancelarCfdiDlg(m_db, m_id, this).exec();
        showState();
    });
    m_cancelar = cancelar;
    auto* salir = new CTolButton(QStringLiteral("Salir"), this);
    setId(salir, kSalirId);
    place(salir, 201, 106, 52, 14);
    connect(salir, &QPushButton::clicked, this, &QDialog::reject);
    showState();
    if (m_clave->isEnabled() && m_clave->text().isEmpty())
        m_clave->setFocus();
    else if (m_timbrar->isVisibleTo(this) && m_timbrar->isEnabled())
        m_timbrar->setFocus();  // Enter stamps
    else if (m_forma->isEnabled())
        m_forma->setFocus();
    else
        salir->setFocus();
}

void CCfdiDlg::showState() {
    std::optional<CFiscalStore::StoredCfdi> stored;
    try {
        stored = CFiscalStore(m_db).cfdi(m_id);
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    const std::string estado = stored ? stored->estado : std::string();
    const bool stamped = estado == CFiscalStore::kTimbrado;
    const bool pending = estado == CFiscalStore::kPendiente;
    QString text;
    if (stamped)
        text = QStringLiteral("Timbrada. Folio fiscal: %1").arg(q(stored->uuid)) +
               (stored->cancelacion.empty() ? QString() : QStringLiteral(" (%1)").arg(q(stored->cancelacion)));
    else if (pending)
        text = QStringLiteral("Timbrado pendiente: se envía otra vez el mismo comprobante, sin sellarlo de nuevo.");
    else if (stored)
        text = m_canStamp ? QStringLiteral("Sellada sin timbrar: al timbrar se sella de nuevo con estos datos.")
                          : QStringLiteral("Ya tiene factura sellada; sellar de nuevo la reemplaza.");
    else if (!m_canStamp)
        text = QStringLiteral("Sin PAC en Datos fiscales: se sella, pero no se timbra.");
    m_state->setText(text);
    // What the PAC may hold or holds cannot change any more.
    for (QWidget* w : {static_cast<QWidget*>(m_forma), static_cast<QWidget*>(m_metodo), static_cast<QWidget*>(m_uso)})
        w->setEnabled(!stamped && !pending);
    m_clave->setEnabled(!stamped && !pending);
    m_timbrar->setVisible(m_canStamp);
    m_timbrar->setEnabled(!stamped);
    if (m_cancelar)
        m_cancelar->setVisible(stamped);
    m_sellar->setEnabled(!stamped && !pending);
    if (stamped)
        m_uuid = stored->uuid;
}

bool CCfdiDlg::stamp() {
    const PacConfig config = CFiscalStore(m_db).pac();
    const std::unique_ptr<CPacClient> pac = CPacClient::Create(config);
    if (!pac) {
        TolMessage(QStringLiteral("Configure el PAC en Configurar → Datos fiscales para timbrar."));
        return false;
    }
    CCfdiSealAndStamp::Request request;
    request.fiscal.formaPago = m_forma->value();
    request.fiscal.metodoPago = m_metodo->value();
    request.fiscal.usoCfdi = m_uso->value();
    request.fiscal.exportacion = "01";
    request.password = m_clave->text().toStdString();
    request.folder = m_folder.toStdString();
    request.sealAgain = true;  // a CFDI no PAC holds takes what the operator chose now
    CCfdiSealAndStamp::Result r;
    try {
        CPacWait wait(*pac, this, QStringLiteral("Timbrando la factura con %1...").arg(q(CPacClient::Describe(config))));
        r = CCfdiSealAndStamp(m_db, wait).Run(m_id, request);
        wait.finish();
    } catch (const DbError& e) {
        ShowDbError(e);
        showState();
        return false;
    }
    if (r.sealedNow)
        rememberedPassword() = m_clave->text();
    if (!r.file.empty())
        m_written = QString::fromStdString(r.file.string());
    QString text;
    if (!r.notice.empty())
        text = q(r.notice) + QStringLiteral("\n\n");
    if (!r.errors.empty()) {
        text += QStringLiteral("No se selló la factura:");
        for (const std::string& e : r.errors)
            text += QStringLiteral("\n- ") + q(e);
    } else if (r.state == CCfdiStamper::State::Stamped) {
        m_uuid = r.uuid;
        text += QStringLiteral("Factura electrónica timbrada.\nFolio fiscal: %1").arg(q(r.uuid));
        if (!m_written.isEmpty())
            text += QStringLiteral("\n%1").arg(m_written);
        if (!r.message.empty() && r.message.find("archivo") != std::string::npos)
            text += QStringLiteral("\n\n") + q(r.message);
        if (!r.owedPayments.empty()) {
            try {
                text += QStringLiteral("\n\n") + CComplementoPagoDlg::StampOwed(m_db, r.owedPayments, request.password, this);
            } catch (const DbError& e) {
                ShowDbError(e);
            }
        }
    } else if (r.state == CCfdiStamper::State::Pending) {
        text += QStringLiteral("No se sabe si el PAC la timbró:\n%1\n\nQuedó en Utilerias → Facturas por timbrar, "
                               "donde se envía otra vez el mismo comprobante.").arg(q(r.message));
    } else {
        text += QStringLiteral("No se timbró la factura:\n%1").arg(q(r.message));
    }
    TolMessage(text);
    showState();
    return r.state == CCfdiStamper::State::Stamped;
}

bool CCfdiDlg::seal() {
    DocumentoFiscal fiscal;
    fiscal.formaPago = m_forma->value();
    fiscal.metodoPago = m_metodo->value();
    fiscal.usoCfdi = m_uso->value();
    fiscal.exportacion = "01";
    const std::string password = m_clave->text().toStdString();
    try {
        CCfdiIssuer issuer(m_db);
        const CCfdiIssuer::Sealed sealed = issuer.Seal(m_id, fiscal, password);
        if (!sealed.ok()) {
            QString text = QStringLiteral("No se selló la factura:");
            for (const std::string& e : sealed.errors)
                text += QStringLiteral("\n- ") + q(e);
            TolMessage(text);
            return false;
        }
        rememberedPassword() = m_clave->text();
        if (!sealed.notice.empty())
            TolMessage(q(sealed.notice));
        const std::filesystem::path file = CCfdiIssuer::PathIn(m_folder.toStdString(), sealed);
        std::string error;
        if (!issuer.Save(m_id, sealed, file, error)) {
            TolMessage(q(error));
            return false;
        }
        m_written = QString::fromStdString(file.string());
    } catch (const DbError& e) {
        ShowDbError(e);
        return false;
    }
    TolMessage(QStringLiteral("Factura electrónica sellada (todavía sin timbrar):\n%1").arg(m_written));
    return true;
}
