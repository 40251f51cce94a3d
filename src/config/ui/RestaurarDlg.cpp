#include "config/ui/RestaurarDlg.h"

#include "config/DatabaseBackup.h"
#include "config/ui/DailyBackup.h"
#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "platform/ui/FileChooser.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "toolkit/ui/TolWait.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
QString native(const std::string& path) { return QDir::toNativeSeparators(q(path)); }

// A dated backup's own time; another file's, its last change.
QString When(const CDatabaseRestore::Backup& b) {
    const QDateTime at = b.stamp.empty() ? QFileInfo(q(b.file)).lastModified()
                                         : QDateTime::fromString(q(b.stamp), QStringLiteral("yyyyMMdd-HHmmss"));
    return at.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

} // namespace

bool CRestaurarDlg::Run(Database& db, QWidget* parent) {
    CRestaurarDlg dialog(db, CDailyBackup::folder(), parent);
    return dialog.exec() == QDialog::Accepted;
}

CRestaurarDlg::CRestaurarDlg(Database& db, const QString& folder, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_folder(folder) {
    setWindowTitle(QStringLiteral("Restaurar un respaldo"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setClientSize(dialogSize(250, 170));
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    place(m_note, 7, 5, 236, 26);
    m_list = new QListWidget(this);
    setId(m_list, kListaId);
    place(m_list, 7, 33, 236, 112);
    auto* otro = new CTolButton(QStringLiteral("Otro archivo..."), this);
    setId(otro, kOtroId);
    place(otro, 7, 150, 70, 14);
    connect(otro, &QPushButton::clicked, this, &CRestaurarDlg::chooseOther);
    auto* restaurar = new CTolButton(QStringLiteral("Restaurar"), this);
    setId(restaurar, kRestaurarId);
    place(restaurar, 134, 150, 52, 14);
    connect(restaurar, &QPushButton::clicked, this, [this] {
        if (restore())
            accept();
    });
    connect(m_list, &QListWidget::itemDoubleClicked, restaurar, &QPushButton::click);
    auto* cancelar = new CTolButton(QStringLiteral("Cancelar"), this);
    setId(cancelar, kCancelarId);
    place(cancelar, 191, 150, 52, 14);
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
    fill();
    m_list->setFocus();
}

QString CRestaurarDlg::Describe(const CDatabaseRestore::Backup& b) {
    if (!b.sound())
        return QStringLiteral("%1 - dañado: %2").arg(When(b), q(b.problem).section(QLatin1Char('\n'), 0, 0));
    return QStringLiteral("%1 - %2 %3").arg(When(b)).arg(b.documents).arg(
        b.documents == 1 ? QStringLiteral("documento") : QStringLiteral("documentos"));
}

void CRestaurarDlg::fill() {
    CTolWait wait(this, windowTitle(), QStringLiteral("Revisando los respaldos..."));
    m_backups = CDatabaseRestore::List(QDir::toNativeSeparators(m_folder).toStdString(), CDatabaseBackup::NameOf(m_db.path()));
    wait.finish();
    m_list->clear();
    for (const CDatabaseRestore::Backup& b : m_backups) {
        auto* item = new QListWidgetItem(Describe(b), m_list);
        item->setToolTip(native(b.file));
        // Shown, so the operator knows it is there, but never chosen.
        if (!b.sound())
            item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
    }
    for (int row = 0; row < m_list->count(); ++row)
        if (m_backups[static_cast<std::size_t>(row)].sound()) {
            m_list->setCurrentRow(row);
            break;
        }
    const QString server = DatabaseLocation::isServer(m_db.path())
                               ? QStringLiteral(" La base de datos está en un servidor: al elegir un respaldo se muestra "
                                                "el comando con que se restaura.")
                               : QString();
    m_note->setText((m_backups.empty()
                        ? QStringLiteral("No hay respaldos de esta base de datos en %1. Use \"Otro archivo...\" para "
                                         "elegir uno de otra carpeta.").arg(QDir::toNativeSeparators(m_folder))
                        : QStringLiteral("Respaldos en %1, el más reciente primero. Elija el que desea restaurar:")
                              .arg(QDir::toNativeSeparators(m_folder))) + server);
}

void CRestaurarDlg::chooseOther() {
    const QString file = ChooseFileToOpen(this, QStringLiteral("Respaldo que desea restaurar"), m_folder,
                                          QStringLiteral("Respaldos (*.mdb);;Todos los archivos (*)"));
    if (!file.isEmpty() && restore(file))
        accept();
}

bool CRestaurarDlg::confirm(const CDatabaseRestore::Backup& b) const {
    return TolMessage(QStringLiteral("¿Desea restaurar el respaldo del %1 (%2 documentos)?\n\n"
                                     "Todos los datos de la base de datos %3 (documentos, clientes, artículos, cobros "
                                     "y configuración) se reemplazarán por los del respaldo %4.\n\n"
                                     "Antes se hará un respaldo de los datos actuales en %5. Lo que no haya guardado "
                                     "del documento en pantalla se perderá.")
                          .arg(When(b))
                          .arg(b.documents)
                          .arg(native(m_db.path()), native(b.file), QDir::toNativeSeparators(m_folder)),
                      true, true) == 1;
}

bool CRestaurarDlg::restore(const QString& file) {
    CDatabaseRestore::Backup chosen;
    if (!file.isEmpty()) {
        chosen = CDatabaseRestore::Inspect(QFileInfo(file).absoluteFilePath().toStdString());
    } else {
        const int row = m_list->currentRow();
        if (row < 0 || !m_backups[static_cast<std::size_t>(row)].sound()) {
            TolMessage(QStringLiteral("Elija un respaldo de la lista."));
            return false;
        }
        chosen = m_backups[static_cast<std::size_t>(row)];
    }
    if (DatabaseLocation::isServer(m_db.path())) {
        TolMessage(q(CDatabaseRestore::ServerMessage(chosen.file, m_db.path())));
        return false;
    }
    if (!chosen.sound()) {
        TolMessage(QStringLiteral("El archivo %1 no se puede restaurar: %2").arg(native(chosen.file), q(chosen.problem)));
        return false;
    }
    if (!confirm(chosen))
        return false;
    CTolWait wait(this, windowTitle(), QStringLiteral("Restaurando el respaldo..."), CTolWait::Options{.cancel = false});
    const CDatabaseRestore::Result r =
        CDatabaseRestore::Run(m_db, chosen.file, QDir::toNativeSeparators(m_folder).toStdString());
    wait.finish();
    if (!r.error.empty()) {
        TolMessage(q(r.error));
        // The data in use may have been backed up meanwhile: the list shows it.
        fill();
        return false;
    }
    TolMessage(QStringLiteral("- Respaldo restaurado: %1 documentos -\n\nLos datos que había se guardaron en %2.\n"
                              "El programa abrirá de nuevo la base de datos.")
                   .arg(r.documents)
                   .arg(native(r.saved)));
    return true;
}
