#pragma once

#include "toolkit/ui/TolDialog.h"

class CTolEdit;

// What the catalogue editors (customers, articles, taxes) share: a modal dialog with their title,
// captions and boxes placed in dialog units, and Guardar and Salir side by side at the bottom.
// Opened on a record the editor closes after one save; opened on none it adds records, staying
// open with its fields emptied for the next one after each save.
class CCatalogEditor : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCatalogEditor)
public:
    static constexpr int kGuardarId = 1020;
    static constexpr int kSalirId = 1067;

    // How many saves succeeded while the editor was open.
    int savedCount() const { return m_savedCount; }

    // Guardar: false (with a message, as each editor says) when nothing was saved.
    virtual bool save() = 0;

protected:
    CCatalogEditor(const QString& title, QWidget* parent);
    ~CCatalogEditor() override;

    // A caption level with the text of a box at (x, y), `width` dialog units wide.
    void addCaption(const QString& text, int x, int y, int width);
    // A one-line box of control id `id` at (x, y), `width` dialog units wide; `maxLength` characters
    // at most (0: the box's own limit).
    CTolEdit* addEdit(int id, int x, int y, int width, int maxLength = 0);
    // Guardar (runs save()) at (guardarX, y) and Salir (cancels) at (salirX, y), 52 x 14 dialog units.
    void addSaveButtons(int guardarX, int salirX, int y);

    // A save went through: the editor closes after an edit, and empties itself for the next record
    // after an addition.
    void saved(bool editing);
    // The fields as for a new record, the focus on the first.
    virtual void clearForNext() = 0;

private:
    int m_savedCount = 0;
};
