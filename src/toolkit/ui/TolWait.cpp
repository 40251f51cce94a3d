#include "toolkit/ui/TolWait.h"

#include <QApplication>
#include <QProgressDialog>

#include <algorithm>

namespace {

// Events are handled this often while the work runs, so the window repaints and
// "Cancelar" answers without slowing the work down.
constexpr qint64 kEventsEveryMs = 50;

} // namespace

CTolWait::CTolWait(QWidget* parent, QString title, QString label, int delayMs)
    : CTolWait(parent, std::move(title), std::move(label), Options{.delayMs = delayMs}) {}

CTolWait::CTolWait(QWidget* parent, QString title, QString label, Options options)
    : m_parent(parent), m_title(std::move(title)), m_label(std::move(label)), m_options(options) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_cursor = true;
    m_clock.start();
}

CTolWait::~CTolWait() { finish(); }

void CTolWait::finish() {
    if (m_cursor) {
        QApplication::restoreOverrideCursor();
        m_cursor = false;
    }
    m_dialog.reset();
}

CTolWait::Progress CTolWait::progress() {
    return [this](std::int64_t done, std::int64_t total) { return step(done, total); };
}

std::function<bool()> CTolWait::keepGoing() {
    return [this] { return step(0, 0); };
}

void CTolWait::setLabel(const QString& label) {
    if (label == m_label)
        return;
    m_label = label;
    if (m_dialog)
        m_dialog->setLabelText(m_label);
}

void CTolWait::show() {
    m_dialog = std::make_unique<QProgressDialog>(m_label, QStringLiteral("Cancelar"), 0, 0, m_parent);
    if (!m_options.cancel)
        m_dialog->setCancelButton(nullptr);
    m_dialog->setWindowTitle(m_title);
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setMinimumDuration(0);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    if (m_options.minimumWidth > 0)
        m_dialog->setMinimumWidth(m_options.minimumWidth);
    // The operator needs the arrow to reach "Cancelar".
    if (m_cursor && m_options.cancel) {
        QApplication::restoreOverrideCursor();
        m_cursor = false;
    }
    m_dialog->show();
    m_lastEvents = -kEventsEveryMs;
}

bool CTolWait::step(std::int64_t done, std::int64_t total) {
    if (m_cancelled)
        return false;
    const qint64 elapsed = m_clock.elapsed();
    if (elapsed < m_options.delayMs)
        return true;
    if (!m_dialog)
        show();
    if (elapsed - m_lastEvents < kEventsEveryMs)
        return true;
    m_lastEvents = elapsed;
    if (total > 0) {
        m_dialog->setMaximum(1000);
        m_dialog->setValue(static_cast<int>(std::clamp<std::int64_t>(done * 1000 / total, 0, 1000)));
    }
    if (!m_options.cancel) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    }
    QCoreApplication::processEvents();
    m_cancelled = m_dialog->wasCanceled();
    return !m_cancelled;
}
