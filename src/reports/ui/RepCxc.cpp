#include "reports/ui/RepCxc.h"

#include "app/ApplicationState.h"
#include "catalogs/ui/CatClientes.h"
#include "db/DbError.h"
#include "db/ValueFunctions.h"
#include "reports/ReceivablesReport.h"
#include "reports/RepData.h"
#include "reports/ui/RepDlg.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

CRepCxc::CRepCxc(Database& db, const ApplicationState& state, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_state(state) {
    setWindowTitle(QStringLiteral("Cuentas por cobrar"));
    setClientSize(dialogSize(250, 150));
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

    auto* orient = new QGroupBox(QStringLiteral("Orientación del papel"), this);
    place(orient, 0, 5, 68, 118, 50);
    m_vertical = new QRadioButton(QStringLiteral("Vertical"), orient);
    setId(m_vertical, kVerticalId);
    m_vertical->move(dialogSize(7, 14).width(), dialogSize(7, 14).height());
    auto* horizontal = new QRadioButton(QStringLiteral("Horizontal"), orient);
    setId(horizontal, kHorizontalId);
    horizontal->move(dialogSize(7, 31).width(), dialogSize(7, 31).height());
    m_vertical->setChecked(true);
    auto* contenido = new QGroupBox(QStringLiteral("Contenido"), this);
    place(contenido, 0, 127, 68, 118, 50);
    auto* todas = new QRadioButton(QStringLiteral("Todas"), contenido);
    setId(todas, kTodasId);
    todas->move(dialogSize(7, 14).width(), dialogSize(7, 14).height());
    m_vencidas = new QRadioButton(QStringLiteral("Vencidas"), contenido);
    setId(m_vencidas, kVencidasId);
    m_vencidas->move(dialogSize(7, 31).width(), dialogSize(7, 31).height());
    todas->setChecked(true);

    auto* generar = new QPushButton(QStringLiteral("Generar"), this);
    place(generar, kGenerarId, 130, 128, 55, 15);
    auto* salir = new QPushButton(QStringLiteral("Salir"), this);
    place(salir, kSalirId, 190, 128, 55, 15);
    connect(generar, &QPushButton::clicked, this, [this] { sendCommand(kGenerarId); });
    connect(salir, &QPushButton::clicked, this, [this] { sendCommand(kSalirId); });
}

void CRepCxc::onCommand(int id) {
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

void CRepCxc::generate() {
    CxcFilter f;
    f.clienteId = m_clienteId;
    f.clienteNombre = m_cliente->text().toStdString();
    f.serie = m_serie->text().trimmed().toStdString();
    f.folio = ParseFolioText(m_folio->text().toStdString());
    if (f.folio != 0)
        m_folio->setText(QString::fromStdString(NumberToPaddedText(f.folio)));
    f.vencidas = m_vencidas->isChecked();
    CRepData data;
    std::string message;
    try {
        if (!BuildReceivablesReport(m_db, f, OleDate::now(), data, message)) {
            TolMessage(QString::fromStdString(message));
            return;
        }
    } catch (const DbError& e) {
        TolMessage(QString::fromStdString(e.what()));
        return;
    }
    CRepDlg viewer(data, QString::fromStdString(m_state.nombre), QString::fromUtf8(kReceivablesTitle),
                   m_vertical->isChecked(), false, this);
    viewer.exec();
}
