#pragma once

#include "cfdi/PacClient.h"
#include "toolkit/ui/TolWait.h"

#include <QString>

class QWidget;

// A PAC whose requests run off the window's thread while a wait window says what is being done:
// the screens stay painted through the PAC's seconds (a minute, at worst), and the database is
// still used from the window's thread only. A request must end whole, so there is no "Cancelar".
class CPacWait final : public CPacClient {
public:
    CPacWait(CPacClient& pac, QWidget* parent, const QString& label);

    // What the wait window says from now on ("Timbrando A000012, 3 de 7...").
    void setLabel(const QString& label) { m_wait.setLabel(label); }
    // The cursor and the window go before a message is shown.
    void finish() { m_wait.finish(); }

    PacStamp Stamp(const std::string& sealedXml) override;
    PacCancel Cancel(const PacCancelRequest& request) override;
    PacSatStatus SatStatus(const PacStatusRequest& request) override;
    PacCheck TestConnection() override;

private:
    template <typename F>
    auto offThread(F work);

    CPacClient& m_pac;
    CTolWait m_wait;
};
