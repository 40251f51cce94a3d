#pragma once

#include "toolkit/ui/TolDialog.h"

#include <QString>

#include <cstdint>

class CTolDatePicker;
class Database;
class QButtonGroup;

// "Eliminación de Documentos": deletes the document whose series and folio are on the form, marks
// it as cancelled (recording a cancelled document for a folio never saved, so the folio counts as
// used), or deletes every document dated before a day. Payments go with a deleted or cancelled
// document. "Proceder" ends the dialog with OK once the work is done; the form then clears itself.
// A database error is shown with the engine's description and ends it with Cancel, nothing done.
class CEliminarDlg final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CEliminarDlg)
public:
    static constexpr int kDialogId = 157;
    static constexpr int kEliminarId = 1114;   // value 0
    static constexpr int kCancelarDocId = 1045; // value 1
    static constexpr int kAnterioresId = 1046;  // value 2
    static constexpr int kFechaId = 1005;
    static constexpr int kProcederId = 1100;
    static constexpr int kCancelarId = 1067;

    enum Accion { Eliminar = 0, MarcarCancelado = 1, EliminarAnteriores = 2 };

    CEliminarDlg(Database& db, const QString& serie, std::int32_t folio, QWidget* parent = nullptr);
    ~CEliminarDlg() override;

    QString serie() const { return m_serie; }
    void setSerie(const QString& serie) { m_serie = serie; }
    std::int32_t folio() const { return m_folio; }
    void setFolio(std::int32_t folio) { m_folio = folio; }

    Accion accion() const;
    void setAccion(Accion accion);
    // The day before which value 2 deletes.
    QDate fecha() const;
    void setFecha(const QDate& date);

    // "Proceder": does the chosen work, tells the operator and ends the dialog. Returns whether
    // anything was done (false when the folio is missing and the dialog stays open).
    bool proceder();

private:
    void createControls();

    Database& m_db;
    QString m_serie;
    std::int32_t m_folio;
    QButtonGroup* m_accion = nullptr;
    CTolDatePicker* m_fecha = nullptr;
};
