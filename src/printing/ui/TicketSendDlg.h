#pragma once

#include "printing/TicketOutput.h"
#include "toolkit/ui/TolDialog.h"

#include <QString>

#include <functional>

class QLabel;
class QTimer;
struct TransferControl;

// "Imprimiendo ticket…": shown while a ticket that takes longer than a second goes out on a worker
// thread. It follows the bytes the printer takes; "Cancelar" (or Escape, or closing it) asks the
// transfer to stop and waits the moment it takes. It closes itself when the transfer ends.
class CTicketSendDlg final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTicketSendDlg)
public:
    static constexpr int kDialogId = 190;
    static constexpr int kTextId = 1190;
    static constexpr int kCancelarId = 2;
    // The window appears when the ticket has not gone out after this long.
    static constexpr int kShowAfterMs = 1000;

    // `finished` answers whether the transfer has ended; `total` is the ticket's size in bytes.
    CTicketSendDlg(TransferControl& control, std::function<bool()> finished, std::size_t total, const QString& printer,
                   QWidget* parent = nullptr);

    void reject() override; // Cancelar, Escape and the close button

private:
    void refresh();
    void showProgress();

    TransferControl& m_control;
    std::function<bool()> m_finished;
    std::size_t m_total;
    QString m_printer;
    QLabel* m_text = nullptr;
    QTimer* m_timer = nullptr;
};

// Sends `bytes` to the ticket printer on a worker thread while the window's event loop keeps
// turning (repaints, timers; typing waits). After kShowAfterMs the waiting window lets the operator
// cancel. Returns what the transfer came to; nothing is shown here.
TicketOutput::Result SendTicketWaiting(const TicketOutput::Bytes& bytes, const TicketSettings& settings,
                                       QWidget* parent);

// The operator's words for a cancelled transfer: how much of the ticket the printer got.
QString CancelledMessage(const TicketOutput::Result& result);
