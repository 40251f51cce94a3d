#pragma once

#include "config/DatabaseRestore.h"
#include "toolkit/ui/TolDialog.h"

#include <vector>

class Database;
class QLabel;
class QListWidget;

// "Restaurar un respaldo": the dated backups of the database in use found in the backup folder,
// newest first, with their date and documents; a damaged one is shown and cannot be chosen.
// "Otro archivo..." takes a backup from elsewhere. After the operator confirms, the data in use is
// backed up and the file replaced (CDatabaseRestore); the program then opens the file again. On a
// server nothing is replaced: the operator is shown the command that restores into an empty
// database.
class CRestaurarDlg final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRestaurarDlg)
public:
    static constexpr int kListaId = 1391;
    static constexpr int kRestaurarId = 1392;
    static constexpr int kOtroId = 1393;
    static constexpr int kCancelarId = 2;

    CRestaurarDlg(Database& db, const QString& folder, QWidget* parent = nullptr);
    // True when the file was replaced: the caller's connection is closed and the file must be
    // opened again.
    static bool Run(Database& db, QWidget* parent);

    QListWidget* list() const { return m_list; }
    const std::vector<CDatabaseRestore::Backup>& backups() const { return m_backups; }
    // Restores the backup chosen in the list, or `file` when given; true when the file was replaced.
    bool restore(const QString& file = {});

    // "08/12/2026 10:00:00 - 35 documentos", or why it cannot be restored.
    static QString Describe(const CDatabaseRestore::Backup& backup);

private:
    void fill();
    void chooseOther();
    bool confirm(const CDatabaseRestore::Backup& backup) const;

    Database& m_db;
    QString m_folder;
    std::vector<CDatabaseRestore::Backup> m_backups;
    QListWidget* m_list = nullptr;
    QLabel* m_note = nullptr;
};
