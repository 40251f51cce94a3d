#include "invoice/ui/NotasDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kCaptionBand = 21;

} // namespace

CNotasDlg::CNotasDlg(const QString& text, QWidget* parent) : CTolDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setDragAnywhere(true);
    setModal(true);
    setWindowTitle(QStringLiteral("Observaciones"));

    // The edit carries its caption in a band across its top, as the form's captioned edits do.
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* caption = new QLabel(QStringLiteral("Observaciones"), frame);
    caption->setFixedHeight(kCaptionBand);
    caption->setAlignment(Qt::AlignCenter);
    caption->setAutoFillBackground(true);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    caption->setStyleSheet(QStringLiteral("background: #404040; color: white;"));
    m_edit = new QPlainTextEdit(frame);
    setId(m_edit, kEditId);
    m_edit->setPlainText(text);
    m_edit->setTabChangesFocus(true);
    m_edit->setFrameShape(QFrame::NoFrame);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->setSpacing(0);
    frameLayout->addWidget(caption);
    frameLayout->addWidget(m_edit, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    setId(ok, kOkId);
    auto* cancel = new QPushButton(QStringLiteral("Cancelar"), this);
    setId(cancel, kCancelId);
    // Enter belongs to the edit and to the button that has the focus, never to a default button.
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);
    resize(360, 220);

    m_edit->setFocus();
    m_edit->moveCursor(QTextCursor::End);
}

QString CNotasDlg::text() const { return m_edit->toPlainText(); }

std::optional<QString> CNotasDlg::Edit(const QString& text, QWidget* parent) {
    CNotasDlg dialog(text, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.text();
}
