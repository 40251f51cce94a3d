#include "app/ui/BareMainDlg.h"

#include "app/ApplicationState.h"
#include "app/ui/Help.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CBareMainDlg::CBareMainDlg(const ApplicationState& state, QWidget* parent) : CTolDialog(parent) {
    setWindowTitle(QStringLiteral("Quintaleva"));
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(state.nombre.empty() ? QStringLiteral("Quintaleva 2")
                                                 : QString::fromStdString(state.nombre), this);
    QFont big = name->font();
    big.setPointSize(16);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);
    auto* buttons = new QHBoxLayout;
    auto* help = new QPushButton(QStringLiteral("Ayuda"), this);
    auto* quit = new QPushButton(QStringLiteral("Salir"), this);
    setId(help, 1009);
    setId(quit, 2);
    buttons->addStretch();
    buttons->addWidget(help);
    buttons->addWidget(quit);
    layout->addLayout(buttons);
    connect(help, &QPushButton::clicked, this, [] { ShowHelp(); });
    connect(quit, &QPushButton::clicked, this, &QDialog::accept);
    resize(480, 200);
}

void CBareMainDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        ShowHelp();
        return;
    }
    CTolDialog::keyPressEvent(event);
}
