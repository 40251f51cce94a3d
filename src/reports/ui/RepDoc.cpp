#include "reports/ui/RepDoc.h"

#include "app/ApplicationState.h"
#include "catalogs/ui/CatClientes.h"
#include "db/DbError.h"
#include "db/ValueFunctions.h"
#include "db/ui/OleDateQt.h"
#include "reports/DocumentsJournal.h"
#include "reports/RepData.h"
#include "reports/ui/RepDlg.h"
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QCheckBox>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

CRepDoc::CRepDoc(Database& db, const ApplicationState& state, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_state(state) {
    setWindowTitle(QStringLiteral("Reporte de documentos"));
    setClientSize(dialogSize(250, 190));
    auto place = [this](QWidget* w, int id, int x, int y, int width, int height) {
        if (id)
            setId(w, id);
        w->setGeometry(dialogRect(x, y, width, height));
    };
    place(new QGroupBox(QStringLiteral("Filtrar por:"), this), 0, 5, 3, 240, 60);
    place(new QLabel(QStringLiteral("Cliente:"), this), 0, 12, 16, 30, 10);
    m_cliente = new CTolEdit(this);
    m_cliente->setReadOnly(true);
    m_cliente->setLookup(kLookupId);
    place(m_cliente, kClienteId, 45, 14, 190, 13);
    place(new QLabel(QStringLiteral("Serie:"), this), 0, 12, 38, 30, 10);
    m_serie = new CTolEdit(this);
    m_serie->setMaxLength(2);
    place(m_serie, kSerieId, 45, 36, 30, 13);
    place(new QLabel(QStringLiteral("Folio:"), this), 0, 90, 38, 25, 10);
    m_folio = new CTolEdit(this);
    m_folio->setAcceptedChars(QStringLiteral("0123456789"));
    m_folio->setMaxLength(9);
    place(m_folio, kFolioId, 118, 36, 60, 13);

    place(new QGroupBox(QStringLiteral("Por periodo"), this), 0, 5, 66, 240, 40);
    m_porPeriodo = new QCheckBox(QStringLiteral("Por periodo"), this);
    place(m_porPeriodo, kPorPeriodoId, 12, 80, 55, 12);
    place(new QLabel(QStringLiteral("Desde:"), this), 0, 72, 81, 25, 10);
    m_desde = new CTolDatePicker(this);
    place(m_desde, kDesdeId, 98, 79, 60, 13);
    place(new QLabel(QStringLiteral("Hasta:"), this), 0, 162, 81, 22, 10);
    m_hasta = new CTolDatePicker(this);
    place(m_hasta, kHastaId, 184, 79, 58, 13);
    m_desde->setDate(QDate::currentDate());
    m_hasta->setDate(QDate::currentDate());

    place(new QGroupBox(QStringLiteral("Orientación del papel"), this), 0, 5, 110, 118, 50);
    m_vertical = new QRadioButton(QStringLiteral("Vertical"), this);
    place(m_vertical, kVerticalId, 12, 123, 100, 12);
    auto* horizontal = new QRadioButton(QStringLiteral("Horizontal"), this);
    place(horizontal, kHorizontalId, 12, 140, 100, 12);
    m_vertical->setChecked(true);
    auto* contenido = new QGroupBox(QStringLiteral("Contenido"), this);
    place(contenido, 0, 127, 110, 118, 50);
    auto* resumido = new QRadioButton(QStringLiteral("Resumido"), contenido);
    setId(resumido, kResumidoId);
    resumido->move(dialogSize(7, 13).width(), dialogSize(7, 13).height());
    m_detallado = new QRadioButton(QStringLiteral("Detallado"), contenido);
    setId(m_detallado, kDetalladoId);
    m_detallado->move(dialogSize(7, 30).width(), dialogSize(7, 30).height());
    resumido->setChecked(true);

    auto* generar = new QPushButton(QStringLiteral("Generar"), this);
    place(generar, kGenerarId, 130, 168, 55, 15);
    auto* salir = new QPushButton(QStringLiteral("Salir"), this);
    place(salir, kSalirId, 190, 168, 55, 15);
    connect(generar, &QPushButton::clicked, this, [this] { sendCommand(kGenerarId); });
    connect(salir, &QPushButton::clicked, this, [this] { sendCommand(kSalirId); });
}

void CRepDoc::onCommand(int id) {
    switch (id) {
    case kLookupId:
        if (const auto chosen = CCatClientes::Choose(m_db, this); chosen && chosen->idCliente != 0) {
            m_clienteId = chosen->idCliente;
            m_cliente->setText(chosen->nombre);
        }
        break;
    case kGenerarId: generate(); break;
    case kSalirId: reject(); break;
    default: CTolDialog::onCommand(id); break;
    }
}

void CRepDoc::generate() {
    JournalFilter f;
    f.clienteId = m_clienteId;
    f.clienteNombre = m_cliente->text().toStdString();
    f.serie = m_serie->text().trimmed().toStdString();
    f.folio = ParseFolioText(m_folio->text().toStdString());
    if (f.folio != 0)
        m_folio->setText(QString::fromStdString(NumberToPaddedText(f.folio)));
    f.porPeriodo = m_porPeriodo->isChecked();
    f.desde = FromQDateTime(m_desde->dateTime());
    f.hasta = FromQDateTime(m_hasta->dateTime());
    f.detallado = m_detallado->isChecked();
    CRepData data;
    std::string message;
    try {
        if (!BuildDocumentsJournal(m_db, f, OleDate::now(), data, message)) {
            TolMessage(QString::fromStdString(message));
            return;
        }
    } catch (const DbError& e) {
        TolMessage(QString::fromStdString(e.what()));
        return;
    }
    CRepDlg viewer(data, QString::fromStdString(m_state.nombre), QString::fromUtf8(kJournalTitle),
                   m_vertical->isChecked(), f.detallado, this);
    viewer.exec();
}
