#include "cfdi/ui/DatosFiscalesDlg.h"

#include "cfdi/Csd.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/SatCatalogs.h"
#include "cfdi/ui/PacBox.h"
#include "cfdi/ui/SatCombo.h"
#include "db/DbError.h"
#include "db/Transaction.h"
#include "db/ui/DbErrorMessage.h"
#include "platform/ui/FileChooser.h"
#include "platform/ui/SettingsStore.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStandardPaths>

namespace {

constexpr const char* kCarpetaSetting = "CarpetaCFDI";

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

QString CDatosFiscalesDlg::xmlFolder() {
    const QString stored = SettingsStore::readText(kCarpetaSetting);
    if (!stored.isEmpty())
        return stored;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(QStringLiteral("CFDI"));
}

CDatosFiscalesDlg::CDatosFiscalesDlg(Database& db, QWidget* parent) : CTolDialog(parent), m_db(db) {
    setWindowTitle(QStringLiteral("Datos fiscales"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    try {
        m_value = CFiscalStore(db).emisor();
        m_pacStored = CFiscalStore(db).pac();
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    createControls();
}

void CDatosFiscalesDlg::createControls() {
    setClientSize(dialogSize(300, 250));
    auto label = [this](const QString& text, int y) {
        auto* l = new QLabel(text, this);
        place(l, 7, y + 2, 78, 9);
    };
    auto edit = [this](int id, int y, int w, int limit) {
        auto* e = new CTolEdit(this);
        setId(e, id);
        place(e, 88, y, w, 12);
        e->setMaxLength(limit);
        return e;
    };
    label(QStringLiteral("RFC:"), 7);
    m_rfc = edit(kRfcId, 7, 70, 13);
    m_rfc->setUpperCase(true);
    m_rfc->setText(q(m_value.rfc));
    label(QStringLiteral("Razón social:"), 22);
    m_razon = edit(kRazonId, 22, 205, 300);
    m_razon->setText(q(m_value.razonSocial));
    m_razon->setToolTip(QStringLiteral("Exactamente como aparece en la constancia de situación fiscal, sin el régimen societario"));
    label(QStringLiteral("Régimen fiscal:"), 37);
    m_regimen = new CSatCombo(SatCatalogs::regimenesFiscales(), true, false, this);
    setId(m_regimen, kRegimenId);
    place(m_regimen, 88, 37, 205, 13);
    m_regimen->setValue(m_value.regimenFiscal);
    label(QStringLiteral("C.P. de expedición:"), 53);
    m_cp = edit(kCodigoPostalId, 53, 40, 5);
    m_cp->setAcceptedChars(QStringLiteral("0123456789"));
    m_cp->setText(q(m_value.codigoPostal));

    label(QStringLiteral("Certificado (.cer):"), 72);
    m_certificado = new QLabel(this);
    setId(m_certificado, kCertificadoId);
    place(m_certificado, 88, 72, 160, 20);
    m_certificado->setWordWrap(true);
    auto* cer = new CTolButton(QStringLiteral("Elegir..."), this);
    place(cer, 251, 72, 42, 14);
    connect(cer, &QPushButton::clicked, this, [this] {
        const QString f = ChooseFileToOpen(this, QStringLiteral("Certificado de sello digital"), QString(),
                                           QStringLiteral("Certificados (*.cer);;Todos (*)"));
        if (!f.isEmpty())
            chooseCertificate(f);
    });
    label(QStringLiteral("Llave privada (.key):"), 97);
    m_llave = new QLabel(this);
    setId(m_llave, kLlaveId);
    place(m_llave, 88, 97, 160, 20);
    m_llave->setWordWrap(true);
    auto* key = new CTolButton(QStringLiteral("Elegir..."), this);
    place(key, 251, 97, 42, 14);
    connect(key, &QPushButton::clicked, this, [this] {
        const QString f = ChooseFileToOpen(this, QStringLiteral("Llave privada del sello digital"), QString(),
                                           QStringLiteral("Llaves (*.key);;Todos (*)"));
        if (!f.isEmpty())
            chooseKey(f);
    });
    label(QStringLiteral("Carpeta de los XML:"), 122);
    m_carpeta = edit(kCarpetaId, 122, 160, 1000);
    m_carpeta->setText(xmlFolder());
    auto* folder = new CTolButton(QStringLiteral("..."), this);
    place(folder, 251, 122, 42, 14);
    connect(folder, &QPushButton::clicked, this, [this] {
        const QString d = ChooseFolder(this, QStringLiteral("Carpeta de las facturas electrónicas"),
                                       m_carpeta->text());
        if (!d.isEmpty())
            m_carpeta->setText(d);
    });
    // The pair is checked when a new certificate or key is saved: the password opens the key here
    // and is forgotten; it is asked again when sealing.
    label(QStringLiteral("Contraseña (.key):"), 139);
    m_clave = edit(kClaveId, 139, 70, 256);
    m_clave->setEchoMode(QLineEdit::Password);
    auto* note = new QLabel(QStringLiteral("Solo comprueba la llave; no se guarda."), this);
    place(note, 163, 141, 130, 9);

    m_pac = new CPacBox(this);
    place(m_pac, 7, 155, 286, 72);
    m_pac->setValue(m_pacStored);

    auto* guardar = new CTolButton(QStringLiteral("Guardar"), this);
    setId(guardar, kGuardarId);
    place(guardar, 184, 231, 52, 14);
    connect(guardar, &QPushButton::clicked, this, [this] {
        if (save())
            accept();
    });
    auto* salir = new CTolButton(QStringLiteral("Salir"), this);
    setId(salir, kSalirId);
    place(salir, 241, 231, 52, 14);
    connect(salir, &QPushButton::clicked, this, &QDialog::reject);
    showFiles();
    m_rfc->setFocus();
}

void CDatosFiscalesDlg::showFiles() {
    if (m_value.certificado.empty()) {
        m_certificado->setText(QStringLiteral("Falta"));
    } else {
        std::string error;
        const auto csd = CCsd::OpenCertificate(m_value.certificado, error);
        m_certificado->setText(csd ? QStringLiteral("No. %1 de %2\nvigente del %3 al %4")
                                         .arg(q(csd->noCertificado()), q(csd->rfc()), q(csd->validFrom()), q(csd->validUntil()))
                                   : q(error));
    }
    m_llave->setText(m_value.llavePrivada.empty() ? QStringLiteral("Falta")
                                                  : QStringLiteral("Guardada (%1 bytes, cifrada)").arg(m_value.llavePrivada.size()));
}

namespace {

bool readBytes(const QString& file, Blob& out) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || f.size() > 64 * 1024) {
        TolMessage(QStringLiteral("No se pudo leer el archivo «%1».").arg(file));
        return false;
    }
    const QByteArray bytes = f.readAll();
    out.assign(bytes.begin(), bytes.end());
    return true;
}

} // namespace

bool CDatosFiscalesDlg::chooseCertificate(const QString& file) {
    Blob bytes;
    if (!readBytes(file, bytes))
        return false;
    std::string error;
    const auto csd = CCsd::OpenCertificate(bytes, error);
    if (!csd) {
        TolMessage(q(error));
        return false;
    }
    m_value.certificado = std::move(bytes);
    m_pairChanged = true;
    if (m_rfc->text().trimmed().isEmpty())
        m_rfc->setText(q(csd->rfc()));
    showFiles();
    return true;
}

bool CDatosFiscalesDlg::chooseKey(const QString& file) {
    Blob bytes;
    if (!readBytes(file, bytes))
        return false;
    // Its form now; whether it opens and matches the certificate when saved, with the password.
    if (!CCsd::IsEncryptedKey(bytes)) {
        TolMessage(QStringLiteral("El archivo «%1» no es una llave del SAT (.key cifrada, PKCS#8 DER).").arg(file));
        return false;
    }
    m_value.llavePrivada = std::move(bytes);
    m_pairChanged = true;
    showFiles();
    return true;
}

bool CDatosFiscalesDlg::save() {
    EmisorFiscal v = m_value;
    v.rfc = SatCatalogs::normalizeRfc(m_rfc->text().toStdString());
    v.razonSocial = m_razon->text().simplified().toStdString();
    v.regimenFiscal = m_regimen->value();
    v.codigoPostal = m_cp->text().trimmed().toStdString();
    QString problem;
    if (!v.rfc.empty() && !SatCatalogs::isRfc(v.rfc))
        problem = QStringLiteral("El RFC «%1» no es válido.").arg(q(v.rfc));
    else if (v.razonSocial.find('|') != std::string::npos)
        problem = QStringLiteral("La razón social no puede llevar «|».");
    else if (!v.regimenFiscal.empty() && SatCatalogs::isRfc(v.rfc) && !SatCatalogs::regimenFitsRfc(v.regimenFiscal, v.rfc))
        problem = QStringLiteral("El régimen fiscal %1 no corresponde al RFC %2.").arg(q(v.regimenFiscal), q(v.rfc));
    else if (!v.codigoPostal.empty() && !SatCatalogs::isCodigoPostal(v.codigoPostal))
        problem = QStringLiteral("El código postal de expedición debe tener cinco dígitos.");
    if (problem.isEmpty() && !v.certificado.empty()) {
        std::string error;
        const auto csd = CCsd::OpenCertificate(v.certificado, error);
        if (csd && !v.rfc.empty() && csd->rfc() != v.rfc)
            problem = QStringLiteral("El certificado es del RFC %1, no de %2.").arg(q(csd->rfc()), q(v.rfc));
    }
    if (problem.isEmpty() && m_pairChanged && !v.certificado.empty() && !v.llavePrivada.empty()) {
        std::string error;
        if (m_clave->text().isEmpty())
            problem = QStringLiteral("Escriba la contraseña de la llave privada: se usa solo para comprobar que la "
                                     "llave corresponde al certificado, y no se guarda.");
        else if (!CCsd::Open(v.certificado, v.llavePrivada, m_clave->text().toStdString(), error))
            problem = q(error);
        if (!problem.isEmpty())
            m_clave->setFocus();
    }
    if (problem.isEmpty())
        problem = m_pac->problem();
    if (!problem.isEmpty()) {
        TolMessage(problem);
        return false;
    }
    const PacConfig pac = m_pac->value();
    try {
        CFiscalStore store(m_db);
        Transaction tx(m_db);
        store.saveEmisor(v);
        store.savePac(pac);
        tx.commit();
    } catch (const DbError& e) {
        ShowDbError(e);
        return false;
    }
    m_value = v;
    m_pacStored = pac;
    m_pac->setValue(pac);
    m_pairChanged = false;
    m_clave->clear();
    SettingsStore::write(kCarpetaSetting, m_carpeta->text().trimmed());
    return true;
}
