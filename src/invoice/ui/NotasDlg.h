#pragma once

#include "toolkit/ui/TolDialog.h"

#include <optional>

class QLabel;
class QPlainTextEdit;

// The notes editor: a captionless box with one multi-line edit, titled "Observaciones", in which
// Enter makes a new line. The caller gives the text and takes the edited one on OK.
class CNotasDlg final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CNotasDlg)
public:
    static constexpr int kDialogId = 152;
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;
    static constexpr int kEditId = 1000;

    explicit CNotasDlg(const QString& text, QWidget* parent = nullptr);

    QString text() const;

    // Runs the editor modally; the edited text on OK, nothing when cancelled.
    static std::optional<QString> Edit(const QString& text, QWidget* parent = nullptr);

private:
    QPlainTextEdit* m_edit;
};
