#pragma once

#include "toolkit/ui/TolDialog.h"

#include <QString>

#include <cstdint>

class CSatCombo;
class Database;
class QLabel;
class QLineEdit;

// "Factura electrónica" of a saved document: forma and método de pago and uso del CFDI (proposed
// from the document and its customer), the key's password, Timbrar (when a PAC is configured),
// which seals the CFDI 4.0 and has the PAC stamp it, and Sellar, which only seals. The CFDI goes
// into the XML folder by year and month as RFCEMISOR_SERIE_FOLIO.xml and is stored with the
// document. A CFDI the PAC may hold already (pending) is sent again as it is, never sealed anew;
// a stamped one is only shown. The password stays in memory for the rest of the run, never on disk.
class CCfdiDlg final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCfdiDlg)
public:
    static constexpr int kFormaPagoId = 1341;
    static constexpr int kMetodoPagoId = 1342;
    static constexpr int kUsoId = 1343;
    static constexpr int kClaveId = 1344;
    static constexpr int kSellarId = 1345;
    static constexpr int kSalirId = 1067;
    static constexpr int kTimbrarId = 1346;
    static constexpr int kEstadoId = 1347;
    static constexpr int kCancelarSatId = 1348;

    CCfdiDlg(Database& db, std::int32_t idDocumento, const QString& folder, QWidget* parent = nullptr);

    // The main form's "Factura electrónica": the stored document with this series and folio, into
    // the configured XML folder; a document not saved yet gets a message instead.
    static void Run(Database& db, const std::string& serie, std::int32_t folio, QWidget* parent);
    // Right after the main form saved the document: the dialog with Timbrar at hand (Enter).
    // True when the document ended stamped.
    static bool StampSaved(Database& db, std::int32_t idDocumento, QWidget* parent);
    // Whether the business can stamp: its RFC, certificate and key, and a PAC.
    static bool CanStamp(Database& db);

    // Sellar: false, with the reasons in one message, when nothing was written.
    bool seal();
    // Timbrar: seals (unless the PAC may hold the CFDI already) and stamps; true once stamped.
    bool stamp();
    QString writtenFile() const { return m_written; }
    std::string uuid() const { return m_uuid; }

    // The key's password kept for the run (once it sealed), and forgetting it.
    static QString keptPassword();
    static void keepPassword(const QString& password);
    static void forgetPassword();

private:
    // What the dialog says and allows for the CFDI stored now.
    void showState();

    Database& m_db;
    std::int32_t m_id;
    QString m_folder;
    QString m_written;
    std::string m_uuid;
    bool m_canStamp = false;
    QLabel* m_state = nullptr;
    QWidget* m_timbrar = nullptr;
    QWidget* m_sellar = nullptr;
    QWidget* m_cancelar = nullptr;
    CSatCombo* m_forma = nullptr;
    CSatCombo* m_metodo = nullptr;
    CSatCombo* m_uso = nullptr;
    QLineEdit* m_clave = nullptr;
};
