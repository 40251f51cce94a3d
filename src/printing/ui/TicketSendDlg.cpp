#include "printing/ui/TicketSendDlg.h"

#include "printing/TicketPort.h"
#include "printing/TransferControl.h"
#include "toolkit/ui/TolButton.h"

#include <QEventLoop>
#include <QLabel>
#include <QLocale>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

namespace {

constexpr int kClientWidth = 230;
constexpr int kClientHeight = 74;
constexpr int kRefreshMs = 50;

QString number(std::size_t n) { return QLocale(QLocale::Spanish, QLocale::Mexico).toString(qulonglong(n)); }

} // namespace

CTicketSendDlg::CTicketSendDlg(TransferControl& control, std::function<bool()> finished, std::size_t total,
                               const QString& printer, QWidget* parent)
    : CTolDialog(parent), m_control(control), m_finished(std::move(finished)), m_total(total), m_printer(printer) {
    setWindowTitle(QStringLiteral("Imprimiendo ticket…"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setId(this, kDialogId);
    setClientSize(dialogSize(kClientWidth, kClientHeight));
    m_text = new QLabel(this);
    setId(m_text, kTextId);
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(m_text, 7, 7, kClientWidth - 14, 40);
    auto* cancel = new CTolButton(QStringLiteral("Cancelar"), this);
    setId(cancel, kCancelarId);
    place(cancel, (kClientWidth - 60) / 2, kClientHeight - 21, 60, 14);
    connect(cancel, &QPushButton::clicked, this, &CTicketSendDlg::reject);
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &CTicketSendDlg::refresh);
    m_timer->start(kRefreshMs);
    showProgress();
}

void CTicketSendDlg::refresh() {
    if (m_finished()) {
        m_timer->stop();
        done(m_control.Cancelled() ? Rejected : Accepted);
        return;
    }
    showProgress();
}

void CTicketSendDlg::showProgress() {
    const std::size_t written = std::min(m_control.written.load(), m_total);
    QString text;
    if (m_control.Cancelled())
        text = QStringLiteral("Cancelando el envío a la impresora de tickets %1…").arg(m_printer);
    else if (written >= m_total)
        // All of it left us: a serial line may still hold it queued, a network printer has yet
        // to say it read it.
        text = QStringLiteral("Esperando a que la impresora de tickets %1 reciba el final del ticket. Si no "
                              "avanza, revise que tenga papel y la tapa cerrada.")
                   .arg(m_printer);
    else
        text = QStringLiteral("Enviando el ticket a la impresora de tickets %1. Si no avanza, revise que tenga "
                              "papel y la tapa cerrada.")
                   .arg(m_printer);
    text += QStringLiteral("\n\nEnviados %1 de %2 bytes.").arg(number(written), number(m_total));
    m_text->setText(text);
}

void CTicketSendDlg::reject() {
    // The window closes when the worker has stopped, not before: the port is released by then.
    m_control.cancel = true;
    if (auto* cancel = findChild<QWidget*>(QString::number(kCancelarId)))
        cancel->setEnabled(false);
    showProgress();
}

TicketOutput::Result SendTicketWaiting(const TicketOutput::Bytes& bytes, const TicketSettings& settings,
                                       QWidget* parent) {
    TransferControl control;
    std::atomic<bool> finished{false};
    TicketOutput::Result result;
    std::thread worker([&] {
        result = TicketOutput::Send(bytes, settings, &control);
        finished = true;
    });
    auto isFinished = [&finished] { return finished.load(); };

    // The first second: the windows repaint and timers run, typing waits for the ticket.
    {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (isFinished())
                loop.quit();
        });
        poll.start(10);
        QTimer::singleShot(CTicketSendDlg::kShowAfterMs, &loop, &QEventLoop::quit);
        if (!isFinished())
            loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!isFinished()) {
        const TicketPort port = TicketPort::ForSettings(settings);
        CTicketSendDlg dialog(control, isFinished, TicketOutput::Wire(bytes, port.translatesLineFeeds()).size(),
                              QString::fromStdString(port.description()), parent);
        dialog.exec();
    }
    worker.join();
    return result;
}

QString CancelledMessage(const TicketOutput::Result& result) {
    if (result.sent == 0)
        return QStringLiteral("- Impresión cancelada: la impresora no recibió nada del ticket -");
    return QStringLiteral("- Impresión cancelada: la impresora recibió %1 de %2 bytes; el ticket quedó incompleto -")
        .arg(number(result.sent), number(result.total));
}
