#pragma once

#include <QDateTime>
#include <QWidget>

class QCalendarWidget;

// The toolkit's date picker: the date as day/month/year, "5/Mar/2004" (day without leading zero,
// the Spanish short month name, four-digit year), one field at a time having the focus.
//
// Keys: digits (the keypad's or the main keyboard's) enter the focused field: two digits make the
// day; the month takes 1 to 12 (a 1 followed by 0, 1 or 2 gives 10, 11 or 12; a digit that cannot
// continue starts over); the year collects up to four digits and is taken when the fourth arrives
// or the field is left (one or two digits mean 1930-2029). Left and Right, and "/", "-" or "."
// move between fields; Up and Down step the focused field; F4 or Alt+Down opens a calendar.
// Enter and Escape are left to the dialog. A day beyond the month's end becomes its last day.
class CTolDatePicker final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTolDatePicker)
public:
    enum class Field { Day, Month, Year };
    static constexpr int kMinYear = 1601;
    static constexpr int kMaxYear = 9999;

    explicit CTolDatePicker(QWidget* parent = nullptr);

    // "Ene" .. "Dic" for 1 .. 12; empty otherwise.
    static QString monthName(int month);
    // "5/Mar/2004"; empty for an invalid date.
    static QString format(const QDate& date);

    QDate date() const { return m_dateTime.date(); }
    void setDate(const QDate& date);
    // The time of day travels with the date untouched (the form stores "now").
    QDateTime dateTime() const { return m_dateTime; }
    void setDateTime(const QDateTime& dateTime);
    // The text as shown, including year digits still being typed.
    QString text() const;

    Field currentField() const { return m_field; }
    void setCurrentField(Field field);
    // Where each field is drawn, widget coordinates.
    QRect fieldRect(Field field) const;
    QRect buttonRect() const;

    void setBackColor(const QColor& color);
    void setTextColor(const QColor& color);
    void setBold(bool on);

    // Opens the month calendar under the picker; choosing a day sets it.
    void showCalendar();
    QCalendarWidget* calendar() const { return m_calendar; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void dateChanged(const QDate& date);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct Widths {
        int day, month, year, separator;
    };
    Widths fieldWidths() const;
    int frameWidth() const;
    QString fieldText(Field field) const;
    void typeDigit(int digit);
    void commitPending();
    void moveField(int delta);
    void step(int delta);
    // Sets the date from its parts, the day cut to the month's length.
    void setParts(int day, int month, int year);

    QDateTime m_dateTime;
    Field m_field = Field::Day;
    QString m_pending;  // digits typed into the focused field and not yet complete
    QCalendarWidget* m_calendar = nullptr;  // our child, made on first use
};
