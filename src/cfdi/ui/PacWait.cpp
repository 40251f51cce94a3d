#include "cfdi/ui/PacWait.h"

#include <chrono>
#include <future>

CPacWait::CPacWait(CPacClient& pac, QWidget* parent, const QString& label)
    : m_pac(pac), m_wait(parent, QStringLiteral("Timbrado (PAC)"), label,
                         CTolWait::Options{.cancel = false, .minimumWidth = 320}) {}

template <typename F>
auto CPacWait::offThread(F work) {
    auto answer = std::async(std::launch::async, std::move(work));
    const auto keepPainting = m_wait.keepGoing();
    while (answer.wait_for(std::chrono::milliseconds(30)) != std::future_status::ready)
        keepPainting();
    return answer.get();
}

PacStamp CPacWait::Stamp(const std::string& sealedXml) {
    return offThread([this, &sealedXml] { return m_pac.Stamp(sealedXml); });
}

PacCancel CPacWait::Cancel(const PacCancelRequest& request) {
    return offThread([this, &request] { return m_pac.Cancel(request); });
}

PacSatStatus CPacWait::SatStatus(const PacStatusRequest& request) {
    return offThread([this, &request] { return m_pac.SatStatus(request); });
}

PacCheck CPacWait::TestConnection() {
    return offThread([this] { return m_pac.TestConnection(); });
}
