#include "cfdi/ui/CfdiDlg.h"

#include "cfdi/CfdiBuilder.h"
#include "cfdi/CfdiIssuer.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/SatCatalogs.h"
#include "cfdi/ui/DatosFiscalesDlg.h"
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

void CCfdiDlg::forgetPassword() { rememberedPassword().clear(); }

CCfdiDlg::CCfdiDlg(Database& db, std::int32_t idDocumento, const QString& folder, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_id(idDocumento), m_folder(folder) {
    setWindowTitle(QStringLiteral("Factura electrónica"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setClientSize(dialogSize(260, 128));

    QString title, sealedBefore;
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
        if (CFiscalStore(db).cfdi(idDocumento))
            sealedBefore = QStringLiteral("Ya tiene factura sellada; sellar de nuevo la reemplaza.");
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    auto* doc = new QLabel(title, this);
    place(doc, 7, 6, 246, 9);
    auto* before = new QLabel(sealedBefore, this);
    place(before, 7, 16, 246, 9);
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

    auto* sellar = new CTolButton(QStringLiteral("Sellar"), this);
    setId(sellar, kSellarId);
    place(sellar, 144, 106, 52, 14);
    connect(sellar, &QPushButton::clicked, this, [this] {
        if (seal())
            accept();
    });
    auto* salir = new CTolButton(QStringLiteral("Salir"), this);
    setId(salir, kSalirId);
    place(salir, 201, 106, 52, 14);
    connect(salir, &QPushButton::clicked, this, &QDialog::reject);
    (m_clave->text().isEmpty() ? static_cast<QWidget*>(m_clave) : m_forma)->setFocus();
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
