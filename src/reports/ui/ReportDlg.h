#pragma once

#include "reports/ReportProgress.h"
#include "toolkit/ui/TolDialog.h"

#include <functional>
#include <string>

class CRepData;
class CTolDatePicker;
class CTolEdit;
class Database;
class QRadioButton;
struct ApplicationState;

// The common ground of the report dialogs: the controls they share (paper orientation, two-way
// choices, customer lookup, period, "Generar"/"Salir") and the commands behind them. A subclass
// builds its own controls with these helpers and supplies generate().
class CReportDlg : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CReportDlg)
public:
    static constexpr int kClienteId = 1000;
    static constexpr int kDesdeId = 1105;
    static constexpr int kHastaId = 1106;
    static constexpr int kVerticalId = 1140;
    static constexpr int kHorizontalId = 1045;
    static constexpr int kSerieId = 1008;
    static constexpr int kFolioId = 1009;
    static constexpr int kLookupId = 1124;
    static constexpr int kGenerarId = 1144;
    static constexpr int kSalirId = 1067;

protected:
    CReportDlg(Database& db, const ApplicationState& state, QWidget* parent);

    void onCommand(int id) override;
    // "Generar".
    virtual void generate() = 0;

    using CTolDialog::place;
    // Gives `widget` the id `id` (none when 0) and places it in dialog units.
    void place(QWidget* widget, int id, int x, int y, int width, int height) const;

    // A group box of height 50 at (x, y) holding two radio buttons at (7, top) and (7, top + 17);
    // the first starts checked.
    struct Choice {
        QRadioButton* first;
        QRadioButton* second;
    };
    Choice addChoice(const QString& title, int x, int y, int width, int firstId,
                     const QString& first, int secondId, const QString& second, int top = 14);
    // "Orientación del papel" with "Vertical" (checked) and "Horizontal" inside it.
    void addOrientation(int x, int y, int width = 118);
    // The same frame with the radios as the dialog's own controls laid over it.
    void addOrientationOver(int x, int y);
    // The read-only "Cliente:" field: label at (labelX, y + 2), field at (x, y); its lookup
    // button opens the customer catalogue.
    void addCustomer(int labelX, int x, int y, int width);
    // "Filtrar por:" across the top: the customer, "Serie:" and "Folio:".
    void addDocumentFilter();
    // A "Desde:"/"Hasta:" style date picker with its caption two units lower at `labelX`.
    CTolDatePicker* addDate(const QString& caption, int id, int labelX, int labelWidth, int x, int y,
                            int width);
    void addButtons(int generarX, int generarY, int salirX, int salirY);

    // The customer lookup: a chosen customer fills the field; cancelling keeps the previous one.
    void chooseCustomer();
    // Runs `build` with the wait cursor, and with progress and "Cancelar" when it takes longer
    // than a second; tells the operator its message (or the database's) when it yields nothing,
    // and otherwise opens the viewer on the result, whose memory is returned when it closes.
    using Builder = std::function<bool(CRepData&, std::string&, const ReportProgress&)>;
    void runReport(const char* title, bool firstColumnSpans, const Builder& build);
    // `rebuild`, for a report cut at the viewer's bound, saves it whole.
    void showReport(const CRepData& data, const char* title, bool firstColumnSpans, const Builder& rebuild = {});

    Database& database() const { return m_db; }
    bool portrait() const;
    long clienteId() const { return m_clienteId; }
    std::string clienteNombre() const;
    std::string serie() const;
    // The folio typed (0 for none); a folio found is shown again zero-padded.
    long takeFolio();

private:
    void buildAndShow(const char* title, bool firstColumnSpans, const Builder& build);

    Database& m_db;
    const ApplicationState& m_state;
    long m_clienteId = 0;
    CTolEdit* m_cliente = nullptr;
    CTolEdit* m_serie = nullptr;
    CTolEdit* m_folio = nullptr;
    QRadioButton* m_vertical = nullptr;
};
