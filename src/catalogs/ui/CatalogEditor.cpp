#include "catalogs/ui/CatalogEditor.h"

#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolEdit.h"

#include <QLabel>
#include <QPushButton>

CCatalogEditor::CCatalogEditor(const QString& title, QWidget* parent) : CTolDialog(parent) {
    setWindowTitle(title);
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
}

CCatalogEditor::~CCatalogEditor() = default;

void CCatalogEditor::addCaption(const QString& text, int x, int y, int width) {
    auto* label = new QLabel(text, this);
    // Two units down: the caption's text sits on the box's text line.
    label->setGeometry(dialogRect(x, y + 2, width, 9));
}

CTolEdit* CCatalogEditor::addEdit(int id, int x, int y, int width, int maxLength) {
    auto* edit = new CTolEdit(this);
    setId(edit, id);
    edit->setGeometry(dialogRect(x, y, width, 12));
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

void CCatalogEditor::addSaveButtons(int guardarX, int salirX, int y) {
    auto* guardar = new CTolButton(QStringLiteral("Guardar"), this);
    setId(guardar, kGuardarId);
    guardar->setGeometry(dialogRect(guardarX, y, 52, 14));
    connect(guardar, &QPushButton::clicked, this, [this] { save(); });
    auto* salir = new CTolButton(QStringLiteral("Salir"), this);
    setId(salir, kSalirId);
    salir->setGeometry(dialogRect(salirX, y, 52, 14));
    connect(salir, &QPushButton::clicked, this, &QDialog::reject);
}

void CCatalogEditor::saved(bool editing) {
    ++m_savedCount;
    if (editing)
        accept();
    else
        clearForNext();
}
