#pragma once

#include "invoice/DocumentHeader.h"
#include "invoice/DocumentStore.h"
#include "toolkit/TolBitmap.h"
#include "toolkit/ui/TolDialog.h"

#include <memory>
#include <optional>

class CArticulosSet;
class CPrintJob;
class QKeyEvent;
class CDatabaseWatch;
class CDetalle;
class CImpuestosSet;
class CLineas;
class CTolButton;
class CTolDatePicker;
class CTolEdit;
class CTolLabel;
class CTolTextEdit;
class CTotalWnd;
class Database;
struct RegDocResult;
struct ApplicationState;

// The main invoice form: one document at a time (header, lines, totals, notes) and the hub from
// which every function is reached by its buttons, menu buttons, function keys and the customer
// lookup. Closing it ends the program.
class CPrincipalDlg final : public CTolDialog {
    Q_OBJECT
public:
    // Controls.
    enum Control {
        kCliente = 1000, kDom1 = 1001, kDom2 = 1002, kDom3 = 1003, kRfc = 1004, kTelefono = 1076,
        kFecha = 1005, kVence = 1007, kSerie = 1008, kFolio = 1009, kCancelada = 1113, kLogo = 1010,
        kExtra1 = 1013, kGridFrame = 1011, kNotas = 1029, kTotalsFrame = 1012,
    };
    // Commands: buttons, function keys and menu items that share one share its handler.
    enum Command {
        kSave = 1020, kPrint = 1019, kSearch = 1021, kDelete = 1022, kReceivables = 1121, kClear = 1023,
        kChooseCustomer = 1124, kConfigure = 1024, kHelp = 1026, kLeave = 1067,
        kFormatsMenu = 1028, kUtilitiesMenu = 1122, kReportsMenu = 1025,
        kReportCustomers = 32771, kReportArticles = 32772, kReportDocuments = 32773, kReportReceivables = 32774,
        kReportStatement = 32776, kNewDatabase = 32777, kBackup = 32778, kImport = 32779,
        kWindowsFormat = 32780, kTicketFormat = 32781, kAbout = 16, kFacturaElectronica = 32782,
        kFacturasPorTimbrar = 32783, kFacturaGlobal = 32784, kRestore = 32785,
    };

    static constexpr const char* kMsgFolioTooBig = "- El folio no puede ser mayor que 2147483647 -";

    CPrincipalDlg(Database& db, ApplicationState& state, QWidget* parent = nullptr);
    ~CPrincipalDlg() override;

    // The document on the form: header values as last read from or shown in the controls.
    DocumentHeader& document() { return m_doc; }
    CLineas& lines() { return *m_lines; }
    CDetalle* grid() const { return m_grid; }
    CTotalWnd* totals() const { return m_totals; }

    // Empties the form for a new document of the same series, with its next folio.
    void Clear();
    // Controls → document, and document → controls.
    void ReadValues();
    void ShowValues();
    // The logo from the setting, else our own picture; the extra fields and grid columns from the
    // database (again after the configuration changed them).
    void LoadLogo();
    void BuildExtraFields();
    // The caption's close box leaves the program the way Escape does.
    void reject() override;
    // Clears the form and shows the stored document `id` with its lines recomputed.
    void LoadDocument(std::int32_t id);

protected:
    void onCommand(int id) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    CTolButton* addButton(int id, const QString& text, int x, int y, int bitmap, const QColor& transparent,
                          const QString& tip);
    void proposeFolio();
    // The folio on screen was stored by another station: shows the one proposed instead.
    void tellFolioTaken();
    void seriesEdited();
    // The folio box holds a number a Long can keep; otherwise the operator is told, on the box.
    bool folioFits();
    // The question before replacing the stored document with this series and folio.
    bool askReplace(const QString& lead);
    bool hasLines() const;
    // Save and print take the row still being typed in the grid as a line of the document.
    bool commitTypedLine();
    // The totals again, added up as the database says now (Datos fiscales may have changed).
    void refreshTotals();
    CPrintJob printJob(std::int32_t formatId, int copies) const;

    void onSave();
    // How the writing part of a save ended.
    enum class StoreEnd { NotStored, Stored, FoundStored };
    // Writes the document on screen with the registration answers already given; "Reintentar"
    // after a failure runs only this again, with the same answers. `replace` is the stored
    // document the operator agreed to replace.
    StoreEnd storeDocument(const RegDocResult& reg, std::optional<StoredDocument> replace);
    // Right after the save: the electronic invoice of the document just stored.
    void stampSaved();
    void onPrint();
    void onSearch();
    void onDelete();
    void onChooseCustomer();
    void onArticleKey();
    void onAbout();
    // A backup put in place of the file: the window closes for the program to open it again.
    void onRestore();

    Database& m_db;
    ApplicationState& m_state;
    CDatabaseWatch* m_watch = nullptr;
    std::unique_ptr<CArticulosSet> m_articles;
    std::unique_ptr<CImpuestosSet> m_taxes;
    std::unique_ptr<CLineas> m_lines;
    DocumentHeader m_doc;
    std::string m_lastSerie;
    // The series and folio the program proposed for the new document on the form, while they are
    // still the form's: found stored at the save, another station took them meanwhile.
    std::optional<std::pair<std::string, std::int32_t>> m_proposed;
    // The series and folio of the stored document on the form (loaded from the search): missing at
    // the save, it was deleted meanwhile, and is stored again only if the operator says so.
    std::optional<std::pair<std::string, std::int32_t>> m_loaded;
    CTolBitmap m_logo;

    CTolEdit* m_cliente = nullptr;
    CTolEdit* m_dom[3] = {};
    CTolEdit* m_rfc = nullptr;
    CTolEdit* m_telefono = nullptr;
    CTolDatePicker* m_fecha = nullptr;
    CTolDatePicker* m_vence = nullptr;
    CTolEdit* m_serie = nullptr;
    CTolEdit* m_folio = nullptr;
    CTolLabel* m_cancelada = nullptr;
    CTolEdit* m_extras[6] = {};
    CTolTextEdit* m_notas = nullptr;
    CDetalle* m_grid = nullptr;
    CTotalWnd* m_totals = nullptr;
    QRect m_logoRect;
    const QKeyEvent* m_passedOn = nullptr;
};
