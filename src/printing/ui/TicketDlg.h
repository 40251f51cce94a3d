#pragma once

#include "toolkit/ui/TolDialog.h"

class CTicketPreview;
class Database;
struct ApplicationState;

// "Diseño de Ticket": the rows of the ticket format as they will print on the configured paper
// width, with sample data. Rows
// are added, edited (CInsertRenglon), deleted and moved; "Guardar" stores them as the one ticket
// format; "Probar" prints them with the sample data on the configured ticket printer.
class CTicketDlg final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTicketDlg)
public:
    static constexpr int kDialogId = 184;
    static constexpr int kMarcoId = 1152;
    static constexpr int kNuevoId = 1153;
    static constexpr int kEditarId = 1154;
    static constexpr int kEliminarId = 1022;
    static constexpr int kSubirId = 1156;
    static constexpr int kBajarId = 1157;
    static constexpr int kProbarId = 1158;
    static constexpr int kGuardarId = 1131;
    static constexpr int kSalirId = 1067;

    static constexpr const char* kEmptyMessage = "- Inserte al menos 1 renglón -";
    static constexpr const char* kSavedMessage = "- Formato guardado -";
    static constexpr const char* kTestSentMessage = "- Ticket de prueba enviado -";

    // Reads the stored ticket format, when there is one; a damaged one is reported and the
    // designer starts empty.
    CTicketDlg(Database& db, const ApplicationState& state, QWidget* parent = nullptr);

    static void Run(Database& db, const ApplicationState& state, QWidget* parent = nullptr);

    CTicketPreview& preview() const { return *m_preview; }

    // The buttons' actions, also for tests. Nuevo and Editar open CInsertRenglon modally.
    void nuevo();
    void editar();
    void eliminar();
    void subir();
    void bajar();
    bool guardar();
    bool probar();

private:
    void createControls();
    void load();
    // Characters a printed line holds (the setting ColumnasTicket).
    int columns() const;

    Database& m_db;
    const ApplicationState& m_state;
    CTicketPreview* m_preview = nullptr;
};
