#include "cfdi/ui/CancelarCfdiDlg.h"

#include "cfdi/CfdiCanceller.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/PacClient.h"
#include "cfdi/ui/CfdiDlg.h"
#include "cfdi/ui/DatosFiscalesDlg.h"
#include "cfdi/ui/PacWait.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/ui/DbErrorMessage.h"
#include "invoice/DocumentStore.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

CCancelarCfdiDlg::CCancelarCfdiDlg(Database& db, std::int32_t idDocumento, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_id(idDocumento) {
    setWindowTitle(QStringLiteral("Cancelar ante el SAT"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setClientSize(dialogSize(270, 150));

    auto row = [this](const QString& text, int y, QWidget* w, int id, int width = 180) {
        auto* l = new QLabel(text, this);
        place(l, 7, y + 2, 78, 9);
        setId(w, id);
        place(w, 84, y, width, 13);
    };
    m_comprobante = new QComboBox(this);
    row(QStringLiteral("Comprobante:"), 6, m_comprobante, kComprobanteId);
    try {
        CFiscalStore store(db);
        if (const auto c = store.cfdi(idDocumento); c && c->estado == CFiscalStore::kTimbrado) {
            m_keys.emplace_back(idDocumento);
            m_comprobante->addItem(QStringLiteral("Factura, folio fiscal %1").arg(q(c->uuid)));
        }
        for (const CfdiKey& k : store.paymentsOf(idDocumento))
            if (const auto c = store.cfdi(k); c && c->estado == CFiscalStore::kTimbrado) {
                m_keys.push_back(k);
                m_comprobante->addItem(QStringLiteral("Complemento del pago %1, folio fiscal %2").arg(k.numPago).arg(q(c->uuid)));
            }
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    connect(m_comprobante, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { showState(); });
    m_estado = new QLabel(this);
    setId(m_estado, kEstadoId);
    m_estado->setWordWrap(true);
    place(m_estado, 7, 22, 256, 20);

    m_motivo = new QComboBox(this);
    for (const auto& [clave, texto] : CCfdiCanceller::Motivos())
        m_motivo->addItem(q(clave + " - " + texto), q(clave));
    m_motivo->setCurrentIndex(1);
    row(QStringLiteral("Motivo:"), 46, m_motivo, kMotivoId);
    m_serie = new QLineEdit(this);
    m_serie->setMaxLength(5);
    row(QStringLiteral("La sustituye (01):"), 62, m_serie, kSerieId, 30);
    auto* folioLabel = new QLabel(QStringLiteral("Folio:"), this);
    place(folioLabel, 120, 64, 24, 9);
    m_folio = new QLineEdit(this);
    setId(m_folio, kFolioId);
    place(m_folio, 146, 62, 60, 13);
    const auto replacementOnlyFor01 = [this] {
        const bool with = m_motivo->currentData().toString() == QLatin1String("01");
        m_serie->setEnabled(with);
        m_folio->setEnabled(with);
    };
    connect(m_motivo, qOverload<int>(&QComboBox::currentIndexChanged), this, replacementOnlyFor01);
    replacementOnlyFor01();
    m_clave = new QLineEdit(this);
    m_clave->setEchoMode(QLineEdit::Password);
    m_clave->setText(CCfdiDlg::keptPassword());
    row(QStringLiteral("Contraseña de la llave:"), 80, m_clave, kClaveId, 120);
    auto* note = new QLabel(QStringLiteral("El documento queda cancelado en el programa cuando el SAT confirma la "
                                           "cancelación (Consultar estado)."), this);
    note->setWordWrap(true);
    place(note, 7, 98, 256, 18);

    auto* cancelarBtn = new CTolButton(QStringLiteral("Cancelar ante el SAT"), this);
    setId(cancelarBtn, kCancelarId);
    place(cancelarBtn, 7, 128, 90, 14);
    connect(cancelarBtn, &QPushButton::clicked, this, [this] { cancelar(); });
    auto* consultarBtn = new CTolButton(QStringLiteral("Consultar estado"), this);
    setId(consultarBtn, kConsultarId);
    place(consultarBtn, 102, 128, 80, 14);
    connect(consultarBtn, &QPushButton::clicked, this, [this] { consultar(); });
    auto* salir = new CTolButton(QStringLiteral("Salir"), this);
    setId(salir, kSalirId);
    place(salir, 211, 128, 52, 14);
    connect(salir, &QPushButton::clicked, this, &QDialog::reject);
    showState();
    m_motivo->setFocus();
}

CfdiKey CCancelarCfdiDlg::chosen() const {
    const int i = m_comprobante->currentIndex();
    return i >= 0 && i < static_cast<int>(m_keys.size()) ? m_keys[static_cast<std::size_t>(i)] : CfdiKey();
}

void CCancelarCfdiDlg::showState() {
    QString text = QStringLiteral("El documento no tiene factura electrónica timbrada.");
    try {
        if (const auto c = CFiscalStore(m_db).cfdi(chosen()); c && chosen().idDocumento != 0) {
            text = c->cancelacion.empty() ? QStringLiteral("Timbrado, vigente.") +
                                                (c->estatusSat.empty() ? QString() : QStringLiteral(" ") + q(c->estatusSat))
                                          : QStringLiteral("%1%2").arg(q(c->cancelacion),
                                                                       c->estatusSat.empty() ? QString()
                                                                                             : QStringLiteral(" (%1)").arg(q(c->estatusSat)));
        }
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    m_estado->setText(QStringLiteral("Estado: ") + text);
}

bool CCancelarCfdiDlg::cancelar() {
    if (chosen().idDocumento == 0) {
        TolMessage(QStringLiteral("El documento no tiene factura electrónica timbrada: no hay nada que cancelar ante el SAT."));
        return false;
    }
    const PacConfig config = CFiscalStore(m_db).pac();
    const std::unique_ptr<CPacClient> pac = CPacClient::Create(config);
    if (!pac) {
        TolMessage(QStringLiteral("Configure el PAC en Configurar → Datos fiscales para cancelar."));
        return false;
    }
    CCfdiCanceller::Request request;
    request.motivo = m_motivo->currentData().toString().toStdString();
    request.password = m_clave->text().toStdString();
    QString text;
    CCfdiCanceller::Result r;
    try {
        CPacWait wait(*pac, this, QStringLiteral("Solicitando la cancelación a %1...").arg(q(CPacClient::Describe(config))));
        if (request.motivo == "01" && !m_folio->text().trimmed().isEmpty()) {
            const auto sustituto = CDocumentStore(m_db).Find(m_serie->text().trimmed().toUpper().toStdString(),
                                                             m_folio->text().trimmed().toInt());
            if (!sustituto) {
                wait.finish();
                TolMessage(QStringLiteral("No existe el documento que la sustituye (%1%2).").arg(m_serie->text(), m_folio->text()));
                return false;
            }
            request.sustituto = *sustituto;
            // The replacement is stamped first, naming the CFDI it replaces.
            CCfdiCanceller canceller(m_db, wait);
            if (canceller.ReplacementPending(chosen(), *sustituto)) {
                wait.finish();
                if (TolMessage(QStringLiteral("El documento %1%2 todavía no está timbrado. ¿Sellarlo y timbrarlo ahora como "
                                              "sustituto (relación 04) de la factura %3?")
                                   .arg(m_serie->text().trimmed().toUpper(), m_folio->text().trimmed(),
                                        q(CFiscalStore(m_db).cfdi(chosen())->uuid)),
                               true) != 1)
                    return false;
                const auto s = canceller.StampReplacement(chosen(), *sustituto, request.password,
                                                          CDatosFiscalesDlg::xmlFolder().toStdString());
                if (s.state != CCfdiStamper::State::Stamped) {
                    wait.finish();
                    TolMessage(QStringLiteral("No se timbró el sustituto:\n%1").arg(q(s.errors.empty() ? s.message : s.errors.front())));
                    return false;
                }
                text = QStringLiteral("Sustituto timbrado, folio fiscal %1.\n\n").arg(q(s.uuid));
            }
        }
        r = CCfdiCanceller(m_db, wait).Cancel(chosen(), request);
        wait.finish();
    } catch (const DbError& e) {
        ShowDbError(e);
        return false;
    }
    if (r.state != CCfdiCanceller::State::Refused)
        CCfdiDlg::keepPassword(m_clave->text());
    TolMessage(text + q(r.message));
    showState();
    return r.state == CCfdiCanceller::State::Requested;
}

bool CCancelarCfdiDlg::consultar() {
    const PacConfig config = CFiscalStore(m_db).pac();
    const std::unique_ptr<CPacClient> pac = CPacClient::Create(config);
    if (!pac || chosen().idDocumento == 0) {
        TolMessage(pac ? QStringLiteral("El documento no tiene factura electrónica timbrada.")
                       : QStringLiteral("Configure el PAC en Configurar → Datos fiscales para consultar."));
        return false;
    }
    CCfdiCanceller::Status st;
    try {
        CPacWait wait(*pac, this, QStringLiteral("Consultando el estado en el SAT..."));
        st = CCfdiCanceller(m_db, wait).CheckStatus(chosen());
        wait.finish();
    } catch (const DbError& e) {
        ShowDbError(e);
        return false;
    }
    TolMessage(q(st.message));
    showState();
    return st.asked;
}

void CCancelarCfdiDlg::CheckAtStart(Database& db, QWidget* parent) {
    std::vector<CfdiKey> inProcess;
    std::unique_ptr<CPacClient> pac;
    try {
        inProcess = CFiscalStore(db).cancellationsInProcess();
        if (inProcess.empty())
            return;
        pac = CPacClient::Create(CFiscalStore(db).pac());
    } catch (const DbError&) {
        return;  // a file without the fiscal tables has nothing in process
    }
    if (!pac)
        return;
    std::size_t before = inProcess.size(), after = before;
    try {
        CPacWait wait(*pac, parent, QStringLiteral("Consultando en el SAT las cancelaciones en proceso..."));
        CCfdiCanceller(db, wait).CheckInProcess();
        wait.finish();
        after = CFiscalStore(db).cancellationsInProcess().size();
    } catch (const DbError& e) {
        ShowDbError(e);
        return;
    }
    if (after < before)
        TolMessage(QStringLiteral("El SAT resolvió %1 de las cancelaciones en proceso; siguen en proceso: %2.")
                       .arg(before - after)
                       .arg(after));
}
