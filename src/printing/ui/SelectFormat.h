#pragma once

#include "toolkit/ui/TolDialog.h"

#include <cstdint>
#include <optional>
#include <string>

class CComboTabla;
class CTolEdit;
class Database;

// What the operator chose in the format selection, read by the print command.
struct SelectFormatResult {
    std::int32_t formatoId = -1; // Id_Formato of the chosen format; -1 when the list is empty
    int copias = 1;              // 1 to 5
    bool vistaPrevia = false;    // show the print preview instead of printing at once
};

// "Formato de impresión": the page-printer format (never a ticket format) and the number of copies
// for printing the document on the form. "OK" asks for printing, "Vista previa" for the preview;
// both validate the copies first. "Cancelar", Escape and the caption's close button choose nothing.
// The dialog only returns the choice; the caller prints.
class CSelectFormat final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSelectFormat)
public:
    static constexpr int kDialogId = 182;
    static constexpr int kFormatoId = 1093;
    static constexpr int kCopiasId = 1098;
    static constexpr int kVistaPreviaId = 1099;
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;

    // The format list is filled here, its first entry selected; a database error is shown and
    // leaves the list empty.
    explicit CSelectFormat(Database& db, QWidget* parent = nullptr);

    // The choice; meaningful after the dialog closed with OK.
    const SelectFormatResult& result() const { return m_result; }

    // Runs the dialog modally: the choice on "OK" or "Vista previa", nothing when cancelled. With
    // `proposed`, the page format of that name is selected first when there is one.
    static std::optional<SelectFormatResult> Run(Database& db, QWidget* parent = nullptr,
                                                 const std::string& proposed = {});

private:
    void choose(bool preview);

    CComboTabla* m_formato;
    CTolEdit* m_copias;
    SelectFormatResult m_result;
};
