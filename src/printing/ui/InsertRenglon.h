#pragma once

#include "printing/RenglonTicket.h"
#include "toolkit/ui/TolDialog.h"

class CTolEdit;
class QButtonGroup;
class QComboBox;

// "Insertar datos": composes one ticket row from document data, detail data (each with its
// column width) and free text, with an alignment, and shows the row's preview as it grows. The
// caller reads row() after "Insertar".
class CInsertRenglon final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CInsertRenglon)
public:
    static constexpr int kDialogId = 132;
    static constexpr int kDocumentoId = 1000;
    static constexpr int kDetalleId = 1001;
    static constexpr int kAddDocumentoId = 1002;
    static constexpr int kAddDetalleId = 1003;
    static constexpr int kTextoId = 1004;
    static constexpr int kAddTextoId = 1005;
    static constexpr int kVistaId = 1012;
    static constexpr int kQuitarId = 1013;
    static constexpr int kColumnasId = 1162;
    static constexpr int kIzquierdaId = 1161;
    static constexpr int kCentroId = 1045;
    static constexpr int kDerechaId = 1046;
    static constexpr int kInsertarId = 1009;
    static constexpr int kCancelarId = 1067;

    static constexpr int kMaxColumns = 40;

    // An empty row, or a copy of `row` to edit. The alignment buttons start at "Izquierda" either
    // way; an edited row keeps its own alignment until one of them is clicked.
    explicit CInsertRenglon(QWidget* parent = nullptr, const CRenglonTicket* row = nullptr);

    const CRenglonTicket& row() const { return m_row; }

    // The default column width of a detail datum, and whether the operator may change it (not for
    // prices, discounts and amounts, which always take 15).
    static int DefaultColumns(int detailIndex);
    static bool ColumnsEditable(int detailIndex);

    // The button actions, also for tests.
    void addDocumento();
    // False, with the framework's range message, when "Columnas:" is not 0 … 40.
    bool addDetalle();
    void addTexto();
    void quitar();

private:
    void createControls();
    void detalleChosen(int index);
    void setAlignment(std::int32_t alignment);
    void refresh();

    CRenglonTicket m_row;
    QComboBox* m_documento = nullptr;
    QComboBox* m_detalle = nullptr;
    CTolEdit* m_columnas = nullptr;
    CTolEdit* m_texto = nullptr;
    CTolEdit* m_vista = nullptr;
    QButtonGroup* m_alignment = nullptr;
};
