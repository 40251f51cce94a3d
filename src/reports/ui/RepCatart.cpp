#include "reports/ui/RepCatart.h"

#include "app/ApplicationState.h"
#include "db/DbError.h"
#include "reports/CatalogReports.h"
#include "reports/RepData.h"
#include "reports/ui/RepDlg.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

CRepCatart::CRepCatart(Database& db, const ApplicationState& state, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_state(state) {
    setWindowTitle(QStringLiteral("Catalogo de artículos"));
    setClientSize(dialogSize(190, 85));
    auto* orient = new QGroupBox(QStringLiteral("Orientación del papel"), this);
    orient->setGeometry(dialogRect(5, 3, 88, 50));
    m_vertical = new QRadioButton(QStringLiteral("Vertical"), orient);
    setId(m_vertical, kVerticalId);
    m_vertical->move(dialogSize(7, 14).width(), dialogSize(7, 14).height());
    auto* horizontal = new QRadioButton(QStringLiteral("Horizontal"), orient);
    setId(horizontal, kHorizontalId);
    horizontal->move(dialogSize(7, 31).width(), dialogSize(7, 31).height());
    m_vertical->setChecked(true);
    auto* order = new QGroupBox(QStringLiteral("Ordenar por:"), this);
    order->setGeometry(dialogRect(97, 3, 88, 50));
    auto* clave = new QRadioButton(QStringLiteral("Clave"), order);
    setId(clave, kClaveId);
    clave->move(dialogSize(7, 14).width(), dialogSize(7, 14).height());
    m_descripcion = new QRadioButton(QStringLiteral("Descripcion"), order);
    setId(m_descripcion, kDescripcionId);
    m_descripcion->move(dialogSize(7, 31).width(), dialogSize(7, 31).height());
    clave->setChecked(true);
    auto* generar = new QPushButton(QStringLiteral("Generar"), this);
    setId(generar, kGenerarId);
    generar->setGeometry(dialogRect(70, 62, 55, 15));
    auto* salir = new QPushButton(QStringLiteral("Salir"), this);
    setId(salir, kSalirId);
    salir->setGeometry(dialogRect(130, 62, 55, 15));
    connect(generar, &QPushButton::clicked, this, [this] { sendCommand(kGenerarId); });
    connect(salir, &QPushButton::clicked, this, [this] { sendCommand(kSalirId); });
}

void CRepCatart::onCommand(int id) {
    if (id == kSalirId) {
        reject();
        return;
    }
    if (id != kGenerarId) {
        CTolDialog::onCommand(id);
        return;
    }
    CRepData data;
    std::string message;
    try {
        if (!BuildArticlesCatalog(m_db, m_descripcion->isChecked(), OleDate::today(), data, message)) {
            TolMessage(QString::fromStdString(message));
            return;
        }
    } catch (const DbError& e) {
        TolMessage(QString::fromStdString(e.what()));
        return;
    }
    CRepDlg viewer(data, QString::fromStdString(m_state.nombre), QString::fromUtf8(kArticlesTitle),
                   m_vertical->isChecked(), false, this);
    viewer.exec();
}
