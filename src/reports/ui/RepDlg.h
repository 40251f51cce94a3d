#pragma once

#include "reports/ReportProgress.h"
#include "toolkit/ui/TolDialog.h"

#include <QString>

#include <functional>
#include <string>

class CRepData;
class CRepPage;
class QCheckBox;
class QLineEdit;
class QScrollBar;

// The report viewer "Reportes": one page of a report at a time, paging, type size, column
// adjustment, printing and saving. The report dialog that opens it keeps the model.
//
// The viewer holds at most kHeldRows rows of a report (about 40 MB of the detailed journal); a
// longer one shows its first rows and a notice, and "Guardar" builds it again from the database
// straight into the file, whole.
class CRepDlg final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRepDlg)
public:
    static constexpr int kDialogId = 167;
    static constexpr int kImprimirId = 1130;
    static constexpr int kGuardarId = 1131;
    static constexpr int kFuenteId = 1132;
    static constexpr int kFirstId = 1133;
    static constexpr int kPrevId = 1134;
    static constexpr int kPageTextId = 1076;
    static constexpr int kNextId = 1135;
    static constexpr int kLastId = 1136;
    static constexpr int kAjustarId = 1139;
    static constexpr int kCerrarId = 1067;
    static constexpr int kHeldRows = 500000;

    // Builds the report anew (for saving one that was cut): as the report dialogs' builders.
    using Rebuild = std::function<bool(CRepData&, std::string&, const ReportProgress&)>;

    // `businessName` heads every page; `title` is the report's own heading.
    CRepDlg(const CRepData& data, const QString& businessName, const QString& title, bool portrait,
            bool firstColumnSpans, QWidget* parent = nullptr, Rebuild rebuild = {});

    CRepPage* page() const { return m_page; }
    const CRepData& data() const { return m_data; }
    const QString& title() const { return m_title; }
    QString pageText() const;

    // "Guardar" without its file dialog: writes `path` (text when it ends in "txt", any case;
    // the report file otherwise), replacing it only once complete; a report cut for the screen
    // is built again into the file. False with the operator's message in *error (empty when
    // `progress` cancelled).
    bool saveTo(const QString& path, QString* error = nullptr, const ReportProgress& progress = {}) const;

protected:
    void onCommand(int id) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void layoutPage();
    void print();
    void save();
    void chooseFont();
    void goToPage(int page);

    const CRepData& m_data;
    Rebuild m_rebuild;
    QString m_title;
    CRepPage* m_page;
    QScrollBar* m_scrollBar;
    QLineEdit* m_pageText;
    QCheckBox* m_ajustar;
};
