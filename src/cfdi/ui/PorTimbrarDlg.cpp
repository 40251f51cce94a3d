#include "cfdi/ui/PorTimbrarDlg.h"

#include "cfdi/CfdiSealAndStamp.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/PacClient.h"
#include "cfdi/ui/CfdiDlg.h"
#include "cfdi/XmlDocument.h"
#include "cfdi/ui/ComplementoPagoDlg.h"
#include "cfdi/ui/DatosFiscalesDlg.h"
#include "cfdi/ui/PacWait.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/OleDate.h"
#include "db/Statement.h"
#include "db/ui/DbErrorMessage.h"
#include "invoice/MoneyText.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QLabel>

#include <QLineEdit>

#include <cstdlib>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QString dayText(double ole) {
    const auto c = OleDate{ole}.split();
    return c ? QStringLiteral("%1/%2/%3").arg(c->day, 2, 10, QLatin1Char('0')).arg(c->month, 2, 10, QLatin1Char('0')).arg(c->year)
             : QString();
}

QString documentText(const std::string& serie, std::int64_t folio) {
    return q(serie) + QStringLiteral("%1").arg(folio, 6, 10, QLatin1Char('0'));
}

} // namespace

CPorTimbrarDlg::CPorTimbrarDlg(Database& db, QWidget* parent) : CTolDialog(parent), m_db(db) {
    setWindowTitle(QStringLiteral("Facturas por timbrar"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setClientSize(dialogSize(440, 222));

    m_resumen = new QLabel(this);
    setId(m_resumen, kResumenId);
    m_resumen->setWordWrap(true);
    place(m_resumen, 7, 5, 426, 18);

    m_grid = new CTolGrid(this, kGridId, this);
    m_grid->setGeometry(dialogRect(7, 25, 426, 150));
    m_grid->setColumnCount(6);
    m_grid->setColumn(1, QStringLiteral("Documento"), 80, true);
    m_grid->setColumn(2, QStringLiteral("Fecha"), 75, true);
    m_grid->setColumn(3, QStringLiteral("Cliente"), 190, true);
    m_grid->setColumn(4, QStringLiteral("Total"), 85, true, CTolGrid::AlignRight);
    m_grid->setColumn(5, QStringLiteral("Estado"), 170, true);
    m_grid->setColumn(6, QStringLiteral("Último error"), 700, true);
    m_grid->setRowSelect(true);
    m_grid->setReadOnly(true);

    auto* claveLabel = new QLabel(QStringLiteral("Contraseña de la llave (para sellar de nuevo):"), this);
    place(claveLabel, 7, 182, 160, 9);
    m_clave = new QLineEdit(this);
    setId(m_clave, kClaveId);
    m_clave->setEchoMode(QLineEdit::Password);
    m_clave->setText(CCfdiDlg::keptPassword());
    place(m_clave, 168, 180, 100, 13);

    auto* timbrar = new CTolButton(QStringLiteral("Timbrar"), this);
    setId(timbrar, kTimbrarId);
    place(timbrar, 324, 202, 52, 14);
    connect(timbrar, &QPushButton::clicked, this, &CPorTimbrarDlg::stampAll);
    auto* salir = new CTolButton(QStringLiteral("Salir"), this);
    setId(salir, kSalirId);
    place(salir, 381, 202, 52, 14);
    connect(salir, &QPushButton::clicked, this, &QDialog::reject);

    load();
    timbrar->setFocus();
}

void CPorTimbrarDlg::load() {
    m_ids.clear();
    m_rows.clear();
    try {
        CFiscalStore store(m_db);
        for (const std::int32_t id : store.toStamp())
            m_ids.emplace_back(id);
        const std::vector<CfdiKey> payments = store.paymentsToStamp();
        m_ids.insert(m_ids.end(), payments.begin(), payments.end());
        const std::vector<CfdiKey> globals = store.globalsToStamp();
        m_ids.insert(m_ids.end(), globals.begin(), globals.end());
        Statement global = m_db.prepare("SELECT Serie, Folio, Desde, 'PUBLICO EN GENERAL', 0, Estado, UltimoError, Xml "
                                        "FROM FacturasGlobales WHERE Id = ?");
        Statement invoice = m_db.prepare("SELECT d.Serie, d.Folio, d.Fecha, d.Nombre, d.Total, c.Estado, c.UltimoError "
                                         "FROM Cfdis c JOIN Documentos d ON d.Id_Documento = c.Id_Documento "
                                         "WHERE c.Id_Documento = ?");
        Statement payment = m_db.prepare(
            "SELECT d.Serie, d.Folio, k.Fecha, d.Nombre, k.Importe, c.Estado, c.UltimoError FROM CfdisPago c "
            "JOIN Documentos d ON d.Id_Documento = c.Id_Documento JOIN Cobros k ON k.Id_Documento = c.Id_Documento "
            "AND k.NumPago = c.NumPago WHERE c.Id_Documento = ? AND c.NumPago = ?");
        for (const CfdiKey& key : m_ids) {
            Statement& s = key.isGlobal() ? global : key.isPayment() ? payment : invoice;
            s.reset();
            s.bind(1, std::int64_t{key.isGlobal() ? key.idGlobal : key.idDocumento});
            if (key.isPayment())
                s.bind(2, std::int64_t{key.numPago});
            QStringList row;
            if (s.step()) {
                QString error = q(s.text(6));
                error.replace(QLatin1Char('\n'), QLatin1Char(' '));
                QString name = key.isGlobal() ? QStringLiteral("Global %1 %2").arg(q(s.text(0))).arg(s.integer(1))
                                              : documentText(s.text(0), s.integer(1));
                if (key.isPayment())
                    name += QStringLiteral(" pago %1").arg(key.numPago);
                double amount = s.real(4);
                if (key.isGlobal()) {
                    const DbValue v = s.column(7);
                    const Blob* xml = std::get_if<Blob>(&v);
                    const CXmlDocument doc(xml ? std::string(xml->begin(), xml->end()) : std::string());
                    amount = doc.ok() ? std::atof(CXmlDocument::attribute(doc.root(), "Total").c_str()) : 0.0;
                }
                row << name << dayText(s.real(2)) << q(s.text(3)) << q(FormatMoney(amount)) << q(s.text(5)) << error;
            }
            m_rows.push_back(row);
        }
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    m_grid->setRowCount(static_cast<int>(m_ids.size()));
    const auto pending = static_cast<int>(std::count_if(m_rows.begin(), m_rows.end(), [](const QStringList& r) {
        return r.size() > 4 && r[4] == QLatin1String(CFiscalStore::kPendiente);
    }));
    m_resumen->setText(m_ids.empty()
                           ? QStringLiteral("No hay facturas ni complementos de pago por timbrar.")
                           : QStringLiteral("%1 por timbrar. Las pendientes (%2) pudieron quedar timbradas: se envía "
                                            "otra vez el mismo comprobante y el PAC devuelve el mismo timbre.")
                                 .arg(m_ids.size())
                                 .arg(pending));
    m_grid->viewport()->update();
}

void CPorTimbrarDlg::tgmGetCellText(int, TolGridCell& cell) {
    const auto row = static_cast<std::size_t>(cell.row - 1);
    if (row < m_rows.size() && cell.column >= 1 && cell.column <= m_rows[row].size())
        cell.text = m_rows[row][cell.column - 1];
}

void CPorTimbrarDlg::tgmRowActivate(int, int row) {
    if (row < 1 || row > static_cast<int>(m_ids.size()))
        return;
    const CfdiKey key = m_ids[static_cast<std::size_t>(row - 1)];
    if (key.isGlobal())
        return;  // "Timbrar" sends it; there is nothing to choose for it
    if (key.isPayment())
        CComplementoPagoDlg(m_db, key, this).exec();
    else
        CCfdiDlg(m_db, key.idDocumento, CDatosFiscalesDlg::xmlFolder(), this).exec();
    load();
}

void CPorTimbrarDlg::stampAll() {
    if (m_ids.empty())
        return;
    std::unique_ptr<CPacClient> pac;
    try {
        pac = CPacClient::Create(CFiscalStore(m_db).pac());
    } catch (const DbError& e) {
        ShowDbError(e);
        return;
    }
    if (!pac) {
        TolMessage(QStringLiteral("Configure el PAC en Configurar → Datos fiscales para timbrar."));
        return;
    }
    CCfdiSealAndStamp::Request request;
    request.password = m_clave->text().toStdString();
    request.folder = CDatosFiscalesDlg::xmlFolder().toStdString();
    int stamped = 0;
    QStringList left;
    {
        CPacWait wait(*pac, this, QString());
        const std::vector<CfdiKey> ids = m_ids;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const QString name = m_rows[i].isEmpty() ? QString::number(ids[i].idDocumento) : m_rows[i][0];
            wait.setLabel(QStringLiteral("Timbrando %1 (%2 de %3)...").arg(name).arg(i + 1).arg(ids.size()));
            try {
                const CCfdiSealAndStamp::Result r = CCfdiSealAndStamp(m_db, wait).Run(ids[i], request);
                if (r.sealedNow)
                    CCfdiDlg::keepPassword(m_clave->text());
                if (r.state == CCfdiStamper::State::Stamped)
                    ++stamped;
                else
                    left << name + QStringLiteral(": ") + q(r.errors.empty() ? r.message : r.errors.front());
            } catch (const DbError& e) {
                wait.finish();
                ShowDbError(e);
                break;
            }
        }
        wait.finish();
    }
    load();
    QString text = QStringLiteral("Timbradas: %1.").arg(stamped);
    if (!left.isEmpty())
        text += QStringLiteral("\nSiguen sin timbrar: %1\n\n%2").arg(left.size()).arg(left.mid(0, 5).join(QLatin1Char('\n')));
    TolMessage(text);
}

void CPorTimbrarDlg::Run(Database& db, QWidget* parent) { CPorTimbrarDlg(db, parent).exec(); }

void CPorTimbrarDlg::WarnAtStart(Database& db, QWidget* parent) {
    std::size_t pending = 0;
    try {
        CFiscalStore store(db);
        pending = store.pendingStamps().size() + store.pendingPayments();
    } catch (const DbError&) {
        return;  // a file without the fiscal tables has nothing pending
    }
    if (pending == 0)
        return;
    const QString text = pending == 1 ? QStringLiteral("Hay 1 factura con timbrado pendiente: el PAC pudo haberla timbrado sin que llegara su respuesta.")
                                      : QStringLiteral("Hay %1 facturas con timbrado pendiente: el PAC pudo haberlas timbrado sin que llegara su respuesta.").arg(pending);
    if (TolMessage(text + QStringLiteral("\n¿Desea verlas y timbrarlas ahora? (Utilerias → Facturas por timbrar)"), true) == 1)
        Run(db, parent);
}
