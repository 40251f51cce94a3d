#include "reports/ui/FontsizeDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

CFontsizeDlg::CFontsizeDlg(int percent, QWidget* parent) : CTolDialog(parent), m_percent(percent) {
    setWindowTitle(QStringLiteral("Tamaño de la fuente"));
    setClientSize(dialogSize(150, 52));
    auto* label = new QLabel(QStringLiteral("Tamaño en porcentaje:"), this);
    label->setGeometry(dialogRect(7, 9, 80, 10));
    m_edit = new QLineEdit(QString::number(percent), this);
    setId(m_edit, kSizeId);
    m_edit->setGeometry(dialogRect(88, 7, 50, 13));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    setId(ok, 1);
    ok->setGeometry(dialogRect(30, 30, 50, 14));
    auto* cancel = new QPushButton(QStringLiteral("Cancelar"), this);
    setId(cancel, 2);
    cancel->setGeometry(dialogRect(88, 30, 50, 14));
    connect(ok, &QPushButton::clicked, this, &CFontsizeDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CFontsizeDlg::reject);
    m_edit->selectAll();
    m_edit->setFocus();
}

void CFontsizeDlg::accept() {
    bool ok = false;
    const int value = m_edit->text().trimmed().toInt(&ok);
    if (!ok || value < kMin || value > kMax) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Please enter an integer between %1 and %2.").arg(kMin).arg(kMax));
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    m_percent = value;
    CTolDialog::accept();
}
