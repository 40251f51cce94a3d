#pragma once

#include "cfdi/FiscalData.h"
#include "toolkit/ui/TolDialog.h"

class CPacBox;
class CSatCombo;
class CTolEdit;
class Database;
class QLabel;

// "Datos fiscales": the business as the SAT knows it and its CSD files, the PAC that stamps its
// CFDIs, and the folder the sealed XML files go to. A new certificate or key is saved only once the key opens with its
// password and matches the certificate; the password is not stored (it is asked when sealing).
class CDatosFiscalesDlg final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDatosFiscalesDlg)
public:
    static constexpr int kRfcId = 1331;
    static constexpr int kRazonId = 1332;
    static constexpr int kRegimenId = 1333;
    static constexpr int kCodigoPostalId = 1334;
    static constexpr int kCertificadoId = 1335;
    static constexpr int kLlaveId = 1336;
    static constexpr int kCarpetaId = 1337;
    static constexpr int kClaveId = 1338;
    static constexpr int kGuardarId = 1020;
    static constexpr int kSalirId = 1067;

    CDatosFiscalesDlg(Database& db, QWidget* parent = nullptr);

    // Reads a certificate (.cer) or key (.key) file chosen by the operator; false, with a
    // message, when it cannot be used.
    bool chooseCertificate(const QString& file);
    bool chooseKey(const QString& file);
    // Guardar: checks and stores; false with a message naming the datum.
    bool save();

    // The folder setting of the sealed XML files, and its default (Documents/CFDI).
    static QString xmlFolder();

private:
    void createControls();
    void showFiles();

    Database& m_db;
    EmisorFiscal m_value;
    CTolEdit* m_rfc = nullptr;
    CTolEdit* m_razon = nullptr;
    CSatCombo* m_regimen = nullptr;
    CTolEdit* m_cp = nullptr;
    QLabel* m_certificado = nullptr;
    QLabel* m_llave = nullptr;
    CTolEdit* m_carpeta = nullptr;
    CTolEdit* m_clave = nullptr;
    bool m_pairChanged = false;
    CPacBox* m_pac = nullptr;
    PacConfig m_pacStored;
};
