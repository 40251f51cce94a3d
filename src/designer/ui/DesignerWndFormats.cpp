#include "designer/ui/DesignerWnd.h"

#include "db/DbError.h"
#include "db/ui/DbErrorMessage.h"
#include "designer/FormatCatalog.h"
#include "designer/QvfFile.h"
#include "designer/ui/DesignView.h"
#include "designer/ui/FormatPropertiesDlg.h"
#include "platform/ui/FileChooser.h"
#include "printing/DefaultFormats.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>

// The formats as a whole: new, duplicate, rename, delete, properties, and .qvf export and import.

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

} // namespace

void CDesignerWnd::newFormat() {
    if (!maybeSave())
        return;
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("Nuevo formato"), QStringLiteral("Nombre:"),
                                               QLineEdit::Normal, QString(), &ok)
                             .trimmed();
    if (!ok || name.isEmpty())
        return;
    const QStringList starts = {QStringLiteral("En blanco"), QStringLiteral("Copia de la factura carta")};
    const QString start = QInputDialog::getItem(this, QStringLiteral("Nuevo formato"), QStringLiteral("Empezar:"),
                                                starts, 0, false, &ok);
    if (!ok)
        return;
    CDesignFormat format;
    format.Name = name.toStdString();
    if (start == starts[1]) {
        format.Format = DefaultInvoiceFormat();
        format.CabenByHand = format.Format.Caben != CDesignFormat::DerivedCaben(format.Format);
    } else {
        // A blank letter sheet with a detail area from 80 to 200 mm at 5 mm per line.
        format.Format.DetailTop = -800;
        format.Format.DetailBottom = -2000;
        format.Format.Pitch = 50;
    }
    // Stored on Guardar like any change: closing without saving leaves no empty format behind.
    m_undo.clear();
    m_current = std::move(format);
    m_open = true;
    m_picked.clear();
    m_scene->clearSelection();
    m_list->clearSelection();
    m_list->setCurrentItem(nullptr);
    designChanged();
    m_view->FitToWindow();
}

void CDesignerWnd::duplicateFormat() {
    const std::int32_t id = listedId();
    if (id == 0)
        return;
    try {
        const auto copy = m_catalog->Duplicate(id, "Copia de " + m_list->currentItem()->text().toStdString());
        if (!copy)
            TolMessage(text(CFormatCatalog::kMissingMessage));
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    ReloadList();
}

void CDesignerWnd::renameFormat() {
    const std::int32_t id = listedId();
    if (id == 0)
        return;
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("Renombrar formato"), QStringLiteral("Nombre:"),
                                               QLineEdit::Normal, m_list->currentItem()->text(), &ok)
                             .trimmed();
    if (!ok || name.isEmpty())
        return;
    try {
        m_catalog->Rename(id, name.toStdString());
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    if (m_open && m_current.Id == id)
        m_current.Name = name.toStdString();
    ReloadList();
    updateTitle();
}

void CDesignerWnd::deleteFormat() {
    const std::int32_t id = listedId();
    if (id == 0)
        return;
    QString question = QStringLiteral("¿Eliminar el formato \"%1\"?").arg(m_list->currentItem()->text());
    if (m_open && m_current.Id == id && IsModified())
        question += QStringLiteral("\nEstá abierto y tiene cambios sin guardar: también se perderán.");
    if (!Ask(question, QStringLiteral("eliminarFormato")))
        return;
    try {
        m_catalog->Delete(id);
    } catch (const DbError& e) {
        ShowDbError(e);
        return;
    }
    if (m_open && m_current.Id == id) {
        m_undo.clear();
        m_open = false;
        m_current = CDesignFormat{};
        designChanged();
    }
    ReloadList();
}

void CDesignerWnd::formatProperties() {
    if (!m_open)
        return;
    CFormatPropertiesDlg dialog(m_current, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    applyDesign(QStringLiteral("Propiedades del formato"), dialog.Result());
}

void CDesignerWnd::exportFormat() {
    if (!m_open)
        return;
    const QString path = ChooseFileToSave(this, QStringLiteral("Exportar formato"),
                                          text(m_current.Name) + QStringLiteral(".qvf"),
                                          QStringLiteral("Formatos (*.qvf)"));
    if (path.isEmpty())
        return;
    // The format as it stands on the screen, saved or not, with its paper and picture.
    std::string error;
    const auto bytes = QvfFile::Encode(QvfFile::ContentsOf(m_current, m_current.Format.WriteStream()));
    if (!QvfFile::Write(path.toStdString(), bytes, &error))
        TolMessage(text(error));
}

void CDesignerWnd::importFormat() {
    const QString path = ChooseFileToOpen(this, QStringLiteral("Importar formato"), QString(),
                                          QStringLiteral("Formatos (*.qvf)"));
    if (path.isEmpty())
        return;
    const QvfFile::ReadResult read = QvfFile::Read(path.toStdString());
    if (!read.ok) {
        TolMessage(text(read.message));
        return;
    }
    try {
        const QvfFile::Contents& c = read.contents;
        const std::int32_t id = m_catalog->AddRaw(QFileInfo(path).completeBaseName().toStdString(), c.stream, c.caben,
                                                  c.repetir, c.observaciones, c.sheet, c.background.get());
        ReloadList();
        OpenFormat(id);
    } catch (const DbError& e) {
        ShowDbError(e);
    }
}
