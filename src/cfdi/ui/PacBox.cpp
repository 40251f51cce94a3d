#include "cfdi/ui/PacBox.h"

#include "cfdi/HttpTransport.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "cfdi/ui/PacWait.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>

#include <chrono>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

CPacBox::CPacBox(QWidget* parent) : QGroupBox(QStringLiteral("Timbrado (PAC)"), parent) {
    auto* form = new QFormLayout(this);
    form->setContentsMargins(6, 4, 6, 4);
    form->setVerticalSpacing(2);
    m_pac = new QComboBox(this);
    m_pac->setObjectName(QString::number(kPacId));
    m_pac->addItem(QStringLiteral("Ninguno"), static_cast<int>(PacProveedor::Ninguno));
    m_pac->addItem(QStringLiteral("Finkok"), static_cast<int>(PacProveedor::Finkok));
    m_pac->addItem(QStringLiteral("SW"), static_cast<int>(PacProveedor::Sw));
    m_ambiente = new QComboBox(this);
    m_ambiente->setObjectName(QString::number(kAmbienteId));
    m_ambiente->addItem(QStringLiteral("Pruebas"), static_cast<int>(PacAmbiente::Pruebas));
    m_ambiente->addItem(QStringLiteral("Producción"), static_cast<int>(PacAmbiente::Produccion));
    auto* row = new QHBoxLayout;
    row->addWidget(m_pac, 1);
    row->addWidget(m_ambiente, 1);
    m_url = new CTolEdit(this);
    m_url->setObjectName(QString::number(kUrlId));
    m_url->setMaxLength(300);
    m_url->setPlaceholderText(QStringLiteral("la del PAC (solo el técnico la cambia)"));
    m_usuario = new CTolEdit(this);
    m_usuario->setObjectName(QString::number(kUsuarioId));
    m_usuario->setMaxLength(200);
    m_clave = new CTolEdit(this);
    m_clave->setObjectName(QString::number(kClaveId));
    m_clave->setMaxLength(200);
    m_clave->setEchoMode(QLineEdit::Password);
    auto* probar = new CTolButton(QStringLiteral("Probar conexión"), this);
    probar->setObjectName(QString::number(kProbarId));
    connect(probar, &QPushButton::clicked, this, [this] { TolMessage(q(test().message)); });
    auto* claveRow = new QHBoxLayout;
    claveRow->addWidget(m_clave, 1);
    claveRow->addWidget(probar);
    form->addRow(QStringLiteral("PAC y ambiente:"), row);
    form->addRow(QStringLiteral("Dirección:"), m_url);
    form->addRow(QStringLiteral("Usuario:"), m_usuario);
    form->addRow(QStringLiteral("Contraseña:"), claveRow);
}

void CPacBox::setValue(const PacConfig& stored) {
    m_stored = stored;
    m_pac->setCurrentIndex(m_pac->findData(static_cast<int>(stored.pac)));
    m_ambiente->setCurrentIndex(m_ambiente->findData(static_cast<int>(stored.ambiente)));
    m_url->setText(q(stored.url));
    m_usuario->setText(q(stored.usuario));
    m_clave->clear();
    m_clave->setPlaceholderText(stored.clave.empty() ? QString() : QStringLiteral("(guardada; escriba otra para cambiarla)"));
}

PacConfig CPacBox::value() const {
    PacConfig v;
    v.pac = static_cast<PacProveedor>(m_pac->currentData().toInt());
    v.ambiente = static_cast<PacAmbiente>(m_ambiente->currentData().toInt());
    v.url = m_url->text().trimmed().toStdString();
    v.usuario = m_usuario->text().trimmed().toStdString();
    v.clave = m_clave->text().isEmpty() ? m_stored.clave : m_clave->text().toStdString();
    return v;
}

QString CPacBox::problem() const {
    const PacConfig v = value();
    if (!v.url.empty() && !CHttpTransport::Allowed(v.url))
        return QStringLiteral("La dirección del PAC debe empezar con https:// (http:// solo hacia esta computadora).");
    if (v.pac != PacProveedor::Ninguno && (v.usuario.empty() || v.clave.empty()))
        return QStringLiteral("Escriba el usuario y la contraseña que le dio el PAC.");
    return {};
}

PacCheck CPacBox::test() {
    const PacConfig config = value();
    if (config.pac == PacProveedor::Ninguno)
        return {false, "Escoja el PAC (Finkok o SW) que timbra las facturas del negocio."};
    if (const QString p = problem(); !p.isEmpty())
        return {false, p.toStdString()};
    std::unique_ptr<CPacClient> client = CPacClient::Create(config);
    if (!client)
        return {false, "Escoja el PAC (Finkok o SW) que timbra las facturas del negocio."};
    // The PAC may take its time to answer: the window keeps painting meanwhile.
    CPacWait wait(*client, window(),
                  QStringLiteral("Probando la conexión con %1...").arg(q(CPacClient::Describe(config))));
    PacCheck check = wait.TestConnection();
    wait.finish();
    return check;
}
