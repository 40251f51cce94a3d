#include "reports/ui/RepEdo.h"

#include "app/ApplicationState.h"
#include "catalogs/ui/CatClientes.h"
#include "db/DbError.h"
#include "db/ui/OleDateQt.h"
#include "reports/CustomerStatement.h"
#include "reports/RepData.h"
#include "reports/ui/RepDlg.h"
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QApplication>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

CRepEdo::CRepEdo(Database& db, const ApplicationState& state, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_state(state) {
    setWindowTitle(QStringLiteral("Moviientos de Clientes"));
    setClientSize(dialogSize(250, 150));
    auto place = [this](QWidget* w, int id, int x, int y, int width, int height) {
        if (id)
            setId(w, id);
        w->setGeometry(dialogRect(x, y, width, height));
    };
    place(new QLabel(QStringLiteral("Cliente:"), this), 0, 8, 9, 30, 10);
    m_cliente = new CTolEdit(this);
    m_cliente->setReadOnly(true);
    m_cliente->setLookup(kLookupId);
    place(m_cliente, kClienteId, 40, 7, 205, 13);

    place(new QGroupBox(QStringLiteral("Por periodo"), this), 0, 5, 26, 240, 36);
    place(new QLabel(QStringLiteral("Desde:"), this), 0, 12, 41, 25, 10);
    m_desde = new CTolDatePicker(this);
    place(m_desde, kDesdeId, 40, 39, 70, 13);
    place(new QLabel(QStringLiteral("Hasta:"), this), 0, 125, 41, 25, 10);
    m_hasta = new CTolDatePicker(this);
    place(m_hasta, kHastaId, 152, 39, 70, 13);
    m_desde->setDateTime(QDateTime::currentDateTime());
    m_hasta->setDateTime(QDateTime::currentDateTime());

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
    auto* resumido = new QRadioButton(QStringLiteral("Resumido"), contenido);
    setId(resumido, kResumidoId);
    resumido->move(dialogSize(7, 14).width(), dialogSize(7, 14).height());
    m_detallado = new QRadioButton(QStringLiteral("Detallado"), contenido);
    setId(m_detallado, kDetalladoId);
    m_detallado->move(dialogSize(7, 31).width(), dialogSize(7, 31).height());
    resumido->setChecked(true);

    auto* generar = new QPushButton(QStringLiteral("Generar"), this);
    place(generar, kGenerarId, 130, 128, 55, 15);
    auto* salir = new QPushButton(QStringLiteral("Salir"), this);
    place(salir, kSalirId, 190, 128, 55, 15);
    connect(generar, &QPushButton::clicked, this, [this] { sendCommand(kGenerarId); });
    connect(salir, &QPushButton::clicked, this, [this] { sendCommand(kSalirId); });
}

void CRepEdo::onCommand(int id) {
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

void CRepEdo::generate() {
    StatementFilter f;
    f.clienteId = m_clienteId;
    f.clienteNombre = m_cliente->text().toStdString();
    f.desde = FromQDateTime(m_desde->dateTime());
    f.hasta = FromQDateTime(m_hasta->dateTime());
    f.detallado = m_detallado->isChecked();
    CRepData data;
    std::string message;
    bool built = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        built = BuildCustomerStatement(m_db, f, OleDate::now(), data, message);
    } catch (const DbError& e) {
        message = e.what();
    }
    QApplication::restoreOverrideCursor();
    if (!built) {
        TolMessage(QString::fromStdString(message));
        return;
    }
    CRepDlg viewer(data, QString::fromStdString(m_state.nombre), QString::fromUtf8(kStatementTitle),
                   m_vertical->isChecked(), false, this);
    viewer.exec();
}
