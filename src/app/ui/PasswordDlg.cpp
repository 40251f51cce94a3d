#include "app/ui/PasswordDlg.h"

#include "db/DbError.h"
#include "db/ui/DbErrorMessage.h"
#include "platform/ApplicationState.h"
#include "platform/SharedValues.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace {
constexpr int kStripHeight = 54;
}

CPasswordDlg::CPasswordDlg(Database& db, QWidget* parent) : CTolDialog(parent), m_db(db) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setDragAnywhere(true);
    setWindowTitle(QStringLiteral("Clave de acceso"));
    setFixedSize(240, 160);

    auto* band = new QLabel(QStringLiteral("Clave de acceso"), this);
    band->setGeometry(20, kStripHeight + 14, 200, 20);
    band->setAlignment(Qt::AlignCenter);
    band->setStyleSheet(QStringLiteral("background:#000080; color:white; font-weight:bold;"));

    m_password = new QLineEdit(this);
    setId(m_password, kPasswordId);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMaxLength(40);
    m_password->setGeometry(20, kStripHeight + 34, 200, 24);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    setId(ok, kOkId);
    ok->setGeometry(160, 160 - 32, 60, 24);
    connect(ok, &QPushButton::clicked, this, &CPasswordDlg::onOk);

    m_password->setFocus();
}

void CPasswordDlg::onOk() {
    bool accepted = false;
    try {
        accepted = IsAccessPassword(m_db, m_password->text().toStdString());
    } catch (const DbError& e) {
        if (ShowDbError(e, true))
            onOk();
        return;
    }
    if (accepted) {
        accept();
        return;
    }
    TolMessage(QStringLiteral("- Clave incorrecta -"));
    m_password->selectAll();
    m_password->setFocus();
}

void CPasswordDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(236, 233, 216));
    QLinearGradient strip(0, 0, width(), 0);
    strip.setColorAt(0, QColor(0, 0, 128));
    strip.setColorAt(1, QColor(16, 132, 208));
    p.fillRect(QRect(0, 0, width(), kStripHeight), strip);
    QFont title(QStringLiteral("Arial"));
    title.setPixelSize(22);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRect(2, 2, width(), kStripHeight), Qt::AlignCenter, QString::fromUtf8(kApplicationTitle));
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, width(), kStripHeight), Qt::AlignCenter, QString::fromUtf8(kApplicationTitle));
    p.setPen(QColor(64, 64, 64));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}


