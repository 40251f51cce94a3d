#include "platform/ui/FileChooser.h"

#include <QFileDialog>

void PrepareFileChooser(QFileDialog& dialog) {
    // A desktop's native chooser would speak the desktop's language and ignore the labels below.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Buscar en:"));
    dialog.setLabelText(QFileDialog::FileName, dialog.fileMode() == QFileDialog::Directory
                                                   ? QStringLiteral("&Carpeta:")
                                                   : QStringLiteral("&Nombre del archivo:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Archivos de tipo:"));
    // Set explicitly, the accept button no longer follows the mode: it is chosen here from it.
    dialog.setLabelText(QFileDialog::Accept, dialog.acceptMode() == QFileDialog::AcceptSave ? QStringLiteral("&Guardar")
                                             : dialog.fileMode() == QFileDialog::Directory  ? QStringLiteral("&Elegir")
                                                                                            : QStringLiteral("&Abrir"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("&Cancelar"));
}

namespace {

QString Ask(QWidget* parent, const QString& title, const QString& start, const QString& filter,
            QFileDialog::AcceptMode accept, QFileDialog::FileMode mode) {
    QFileDialog dialog(parent, title, start, filter);
    dialog.setAcceptMode(accept);
    dialog.setFileMode(mode);
    if (mode == QFileDialog::Directory)
        dialog.setOption(QFileDialog::ShowDirsOnly);
    PrepareFileChooser(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString ChooseFileToOpen(QWidget* parent, const QString& title, const QString& start, const QString& filter) {
    return Ask(parent, title, start, filter, QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
}

QString ChooseFileToSave(QWidget* parent, const QString& title, const QString& start, const QString& filter) {
    return Ask(parent, title, start, filter, QFileDialog::AcceptSave, QFileDialog::AnyFile);
}

QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) {
    return Ask(parent, title, start, QString(), QFileDialog::AcceptOpen, QFileDialog::Directory);
}
