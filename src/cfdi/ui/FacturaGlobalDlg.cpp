#include "cfdi/ui/FacturaGlobalDlg.h"

#include "cfdi/CfdiSealAndStamp.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/PacClient.h"
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
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

OleDate dayOf(const QDate& d) { return d.isValid() ? OleDate::fromDate(d.year(), d.month(), d.day()) : OleDate(); }

} // namespace

void CFacturaGlobalDlg::Run(Database& db, QWidget* parent) { CFacturaGlobalDlg(db, parent).exec(); }

CFacturaGlobalDlg::CFacturaGlobalDlg(Database& db, QWidget* parent) : CTolDialog(parent), m_db(db) {
    setWindowTitle(QStringLiteral("Factura global"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setClientSize(dialogSize(250, 146));
    auto row = [this](const QString& text, int y, QWidget* w, int id, int width) {
        auto* l = new QLabel(text, this);
        place(l, 7, y + 2, 80, 9);
        setId(w, id);
        place(w, 90, y, width, 13);
    };
    auto* intro = new QLabel(QStringLiteral("Factura al público en general (RFC XAXX010101000) las ventas del periodo "
                                            "que no tienen factura propia ni están canceladas."), this);
    intro->setWordWrap(true);
    place(intro, 7, 5, 236, 18);
    // The month before this one, the usual monthly global invoice.
    const QDate first = QDate::currentDate().addMonths(-1);
    m_desde = new CTolDatePicker(this);
    m_desde->setDate(QDate(first.year(), first.month(), 1));
    row(QStringLiteral("Desde:"), 26, m_desde, kDesdeId, 80);
    m_hasta = new CTolDatePicker(this);
    m_hasta->setDate(QDate(first.year(), first.month(), first.daysInMonth()));
    row(QStringLiteral("Hasta:"), 42, m_hasta, kHastaId, 80);
    m_periodicidad = new QComboBox(this);
    for (const auto& [clave, texto] : {std::pair{"01", "Diaria"}, {"02", "Semanal"}, {"03", "Quincenal"},
                                       {"04", "Mensual"}, {"05", "Bimestral"}})
        m_periodicidad->addItem(QStringLiteral("%1 - %2").arg(QLatin1String(clave), QLatin1String(texto)), QLatin1String(clave));
    m_periodicidad->setCurrentIndex(3);
    row(QStringLiteral("Periodicidad:"), 58, m_periodicidad, kPeriodicidadId, 100);
    m_forma = new CSatCombo(SatCatalogs::formasPago(), false, false, this);
    m_forma->setValue("01");
    row(QStringLiteral("Forma de pago:"), 74, m_forma, kFormaPagoId, 153);
    m_clave = new QLineEdit(this);
    m_clave->setEchoMode(QLineEdit::Password);
    m_clave->setText(CCfdiDlg::keptPassword());
    row(QStringLiteral("Contraseña de la llave:"), 90, m_clave, kClaveId, 100);
    m_resumen = new QLabel(this);
    setId(m_resumen, kResumenId);
    m_resumen->setWordWrap(true);
    place(m_resumen, 7, 107, 236, 16);
    connect(m_desde, &CTolDatePicker::dateChanged, this, [this] { count(); });
    connect(m_hasta, &CTolDatePicker::dateChanged, this, [this] { count(); });

    auto* timbrar = new CTolButton(QStringLiteral("Timbrar"), this);
    setId(timbrar, kTimbrarId);
    place(timbrar, 134, 126, 52, 14);
    connect(timbrar, &QPushButton::clicked, this, [this] {
        if (stamp())
            accept();
    });
    auto* salir = new CTolButton(QStringLiteral("Salir"), this);
    setId(salir, kSalirId);
    place(salir, 191, 126, 52, 14);
    connect(salir, &QPushButton::clicked, this, &QDialog::reject);
    count();
    m_desde->setFocus();
}

CGlobalInvoice::Period CFacturaGlobalDlg::period() const {
    CGlobalInvoice::Period p;
    p.desde = dayOf(m_desde->date());
    p.hasta = dayOf(m_hasta->date());
    p.periodicidad = m_periodicidad->currentData().toString().toStdString();
    p.formaPago = m_forma->value();
    return p;
}

void CFacturaGlobalDlg::count() {
    try {
        const CGlobalInvoice::Candidates c = CGlobalInvoice(m_db).Find(period());
        m_resumen->setText(c.documents.empty()
                               ? QStringLiteral("No hay ventas sin factura en el periodo.")
                               : QStringLiteral("%1 ventas sin factura en el periodo, por %2.")
                                     .arg(c.documents.size())
                                     .arg(q(FormatMoney(static_cast<double>(c.total) / 100))));
    } catch (const DbError& e) {
        ShowDbError(e);
    }
}

bool CFacturaGlobalDlg::stamp() {
    const PacConfig config = CFiscalStore(m_db).pac();
    const std::unique_ptr<CPacClient> pac = CPacClient::Create(config);
    if (!pac) {
        TolMessage(QStringLiteral("Configure el PAC en Configurar → Datos fiscales para timbrar."));
        return false;
    }
    CGlobalInvoice::Created made;
    CCfdiSealAndStamp::Result r;
    std::string name;
    try {
        CGlobalInvoice global(m_db);
        made = global.Create(period(), m_clave->text().toStdString());
        if (!made.ok()) {
            QString text = QStringLiteral("No se hizo la factura global:");
            for (const std::string& e : made.errors)
                text += QStringLiteral("\n- ") + q(e);
            TolMessage(text);
            return false;
        }
        CCfdiDlg::keepPassword(m_clave->text());
        name = global.Name(made.key.idGlobal);
        CPacWait wait(*pac, this, QStringLiteral("Timbrando la factura global %1 con %2...").arg(q(name), q(CPacClient::Describe(config))));
        CCfdiSealAndStamp::Request request;
        request.password = m_clave->text().toStdString();
        request.folder = CDatosFiscalesDlg::xmlFolder().toStdString();
        r = CCfdiSealAndStamp(m_db, wait).Run(made.key, request);
        wait.finish();
    } catch (const DbError& e) {
        ShowDbError(e);
        return false;
    }
    if (r.state == CCfdiStamper::State::Stamped) {
        TolMessage(QStringLiteral("Factura global %1 timbrada: %2 ventas.\nFolio fiscal: %3%4")
                       .arg(q(name))
                       .arg(made.documents)
                       .arg(q(r.uuid), r.file.empty() ? QString() : QStringLiteral("\n") + q(r.file.string())));
        return true;
    }
    TolMessage(QStringLiteral("La factura global %1 quedó sellada pero no timbrada:\n%2\n\nQuedó en Utilerias → Facturas "
                              "por timbrar.")
                   .arg(q(name), q(r.errors.empty() ? r.message : r.errors.front())));
    count();
    return false;
}
