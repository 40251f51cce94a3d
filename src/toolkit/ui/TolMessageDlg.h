#pragma once

#include "toolkit/ui/TolDialog.h"

class QPushButton;

// Shows `text` modally over the main window: 1 for "OK" or "Si", 2 for "No" or Escape. Every
// message of the program goes through here. Shows nothing and returns 0 until start-up has
// registered the toolkit. `noByDefault`: "No" has the focus, so that a reflex Enter does not
// answer yes to a question that loses work.
int TolMessage(const QString& text, bool yesNo = false, bool noByDefault = false);
// The question box with its two buttons captioned `yes` and `no` ("Reintentar", "Cancelar").
int TolMessage(const QString& text, const QString& yes, const QString& no);

// The program's own message box: captionless, dragged by pressing anywhere on it, sized to its
// text, with the title the program gave (setMessageTitle) at its top-left and an icon at (20, 20).
class CTolMessageDlg final : public CTolDialog {
    Q_OBJECT
public:
    static constexpr int kOkId = 1025;
    static constexpr int kNoId = 1026;
    // A text the narrow measure would wrap into more lines than this is measured wider, up to
    // kWideMeasure pixels.
    static constexpr int kMaxNarrowLines = 4;
    static constexpr int kWideMeasure = 420;

    CTolMessageDlg(const QString& text, bool yesNo, QWidget* parent = nullptr);
    CTolMessageDlg(const QString& text, const QString& yes, const QString& no, QWidget* parent = nullptr);

    // Start-up registers the toolkit once; until then TolMessage is silent.
    static void registerToolkit();
    static bool isRegistered();
    // The heading of every message box, given once at start-up by the program (the toolkit knows
    // no program's name); empty until then.
    static void setMessageTitle(const QString& title);
    static const QString& messageTitle();
    // The window TolMessage uses as owner (the application's main window).
    static void setMainWindow(QWidget* window);
    static QWidget* mainWindow();

    // Gives "No" the focus: Enter then answers no.
    void focusNo();

    const QString& text() const { return m_text; }
    bool isSingleLine() const { return m_singleLine; }
    QRect textRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QString m_text;
    bool m_yesNo;
    bool m_singleLine = true;
    QSize m_textSize;
    int m_measureWidth = 95;
};
