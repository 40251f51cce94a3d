#pragma once

#include "toolkit/ui/TolDialog.h"

#include <QString>

#include <array>

class CComboTabla;
class CTolEdit;
class CTolTextEdit;
class Database;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
struct ApplicationState;

// "Configuración": everything that is not a catalogue. The workstation settings (group Config of
// the settings store), the names of the six extra header fields and four extra line columns
// (CamposExtras), the currency words of the amount in words and the access password (General).
//
// Nothing is written before "Guardar", which writes the tables in one transaction, then the
// running program's ApplicationState, then the settings. The one exception is the database file:
// its lookup button writes the setting "Path" at once and closes the dialog, since the program has
// to start again on the new file.
class CConfigDlg final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CConfigDlg)
public:
    static constexpr int kDialogId = 142;
    static constexpr int kBaseDatosId = 1041;
    static constexpr int kLogoId = 1010;
    static constexpr int kCampoExtra1Id = 1031;    // … 1036
    static constexpr int kColumnaExtra1Id = 1037;  // … 1040
    static constexpr int kClaveId = 1170;
    static constexpr int kPrcAivaId = 1042;
    static constexpr int kRapidoId = 1059;
    static constexpr int kAskPrinterId = 1086;
    static constexpr int kWindowsPrinterId = 1049;
    static constexpr int kTicketPrinterId = 1055;
    static constexpr int kLpt1Id = 1044;  // LPT2, COM1, COM2 follow
    static constexpr int kComandoId = 1048;
    static constexpr int kDispositivoId = 1190;   // device of the port chosen in the radio group
    static constexpr int kComandoCorteId = 1191;
    static constexpr int kComandoInicialId = 1286;
    static constexpr int kColumnasTicketId = 1287;
    static constexpr int kEscPosId = 1288;
    static constexpr int kMonedaId = 1050;
    static constexpr int kPostfijoId = 1051;
    static constexpr int kImpuestoId = 1087;
    static constexpr int kArticulosId = 1060;
    static constexpr int kImpuestosId = 1061;
    static constexpr int kDatosFiscalesId = 1062;
    static constexpr int kGuardarId = 1020;
    static constexpr int kSalirId = 1054;
    static constexpr int kBrowseDatabaseCommand = 1125;
    static constexpr int kBrowseLogoCommand = 1126;
    static constexpr int kRespaldosId = 1192;
    static constexpr int kBrowseBackupCommand = 1127;
    // The business's data: name, address lines 1-3, RFC, telephone.
    static constexpr int kNegocioNombreId = 1193;
    static constexpr int kNegocioDomicilio1Id = 1194;  // … 1196
    static constexpr int kNegocioRfcId = 1197;
    static constexpr int kNegocioTelefonoId = 1198;
    static constexpr int kNegocioLength = 100;

    static constexpr int kExtraNameLength = 25;
    static constexpr int kPasswordLength = 40;
    static constexpr int kExtraFields = 6;
    static constexpr int kExtraColumns = 4;

    enum class Outcome { Cancelled, Saved, DatabaseChanged };

    // Reads the current values from `state`, the open database's tables and its path. A database
    // error while reading is shown and leaves the fields it concerns empty.
    CConfigDlg(Database& db, ApplicationState& state, QWidget* parent = nullptr);

    // Runs the dialog modally. Saved: the settings are written and in force; the caller shows
    // them (logo, extra fields). DatabaseChanged: the program has to end and start on the new file.
    static Outcome Run(Database& db, ApplicationState& state, QWidget* parent = nullptr);

    bool databaseChanged() const { return m_databaseChanged; }

    // "Guardar": validates, writes everything and closes with OK; false (dialog still open) when a
    // field is refused or the database cannot be written.
    bool guardar();
    // The database lookup with its file already chosen: checks that it opens as one of our
    // databases, then writes "Path" and closes. False when the file is refused.
    bool useDatabase(const QString& path);

protected:
    void onCommand(int id) override;

private:
    void createControls();
    void loadValues();
    void fillTaxes();
    void showDevice(int port);
    void browseDatabase();
    // Writes the location (never a password) as "Path" and closes.
    void rememberDatabase(const QString& location);
    void browseLogo();
    void browseBackupFolder();
    void runArticulos();
    void runImpuestos();
    // Refuses a field with the framework's message and puts the focus back on it.
    bool checkLength(CTolEdit* edit, int maxLength);

    Database& m_db;
    ApplicationState& m_state;
    bool m_databaseChanged = false;

    CTolEdit* m_baseDatos = nullptr;
    CTolEdit* m_logo = nullptr;
    CTolEdit* m_respaldos = nullptr;
    CTolEdit* m_negocioNombre = nullptr;
    std::array<CTolEdit*, 3> m_negocioDomicilio = {};
    CTolEdit* m_negocioRfc = nullptr;
    CTolEdit* m_negocioTelefono = nullptr;
    std::array<CTolEdit*, kExtraFields + kExtraColumns> m_extras = {};
    CTolEdit* m_clave = nullptr;
    QCheckBox* m_prcAiva = nullptr;
    QCheckBox* m_rapido = nullptr;
    QCheckBox* m_askPrinter = nullptr;
    QCheckBox* m_windowsPrinter = nullptr;
    QGroupBox* m_ticketPrinter = nullptr;
    QButtonGroup* m_ports = nullptr;
    CTolTextEdit* m_comando = nullptr;
    CTolEdit* m_dispositivo = nullptr;
    CTolEdit* m_comandoCorte = nullptr;
    CTolEdit* m_comandoInicial = nullptr;
    CTolEdit* m_columnasTicket = nullptr;
    QCheckBox* m_escPos = nullptr;
    // The device typed for each port (LPT1, LPT2, COM1, COM2); the edit shows the chosen port's.
    std::array<QString, 4> m_devices;
    int m_shownPort = 0;
    CTolEdit* m_moneda = nullptr;
    CTolEdit* m_postfijo = nullptr;
    CComboTabla* m_impuesto = nullptr;
};
