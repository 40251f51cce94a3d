#pragma once

#include "toolkit/ui/TolDialog.h"

#include <cstdint>

class CSatCombo;
class Database;
class QLineEdit;

// "Factura electrónica" of a saved document: forma and método de pago and uso del CFDI (proposed
// from the document and its customer), the key's password, and Sellar, which seals the CFDI 4.0,
// writes RFCEMISOR_SERIE_FOLIO.xml into the XML folder by year and month and stores it with the
// document. It seals only; stamping by a PAC is not done here. The password stays in memory for
// the rest of the run, never on disk.
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

    CCfdiDlg(Database& db, std::int32_t idDocumento, const QString& folder, QWidget* parent = nullptr);

    // The main form's "Factura electrónica": the stored document with this series and folio, into
    // the configured XML folder; a document not saved yet gets a message instead.
    static void Run(Database& db, const std::string& serie, std::int32_t folio, QWidget* parent);

    // Sellar: false, with the reasons in one message, when nothing was written.
    bool seal();
    QString writtenFile() const { return m_written; }

    // Forgets the password kept for the run.
    static void forgetPassword();

private:
    Database& m_db;
    std::int32_t m_id;
    QString m_folder;
    QString m_written;
    CSatCombo* m_forma = nullptr;
    CSatCombo* m_metodo = nullptr;
    CSatCombo* m_uso = nullptr;
    QLineEdit* m_clave = nullptr;
};
