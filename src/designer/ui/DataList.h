#pragma once

#include <QWidget>

#include <cstdint>

class QLineEdit;
class QListWidget;
class QListWidgetItem;

// The data a format may print, beside the sheet, with a search box above them: a datum dragged
// onto the sheet becomes a text element there; Enter or a double click adds it to the selected
// text element.
class CDataList final : public QWidget {
    Q_OBJECT
public:
    explicit CDataList(QWidget* parent = nullptr);

    QLineEdit* Search() const { return m_search; }
    QListWidget* List() const { return m_list; }
    // Shows only the data whose label holds every word of `filter`.
    void Filter(const QString& filter);

Q_SIGNALS:
    void datumChosen(std::int32_t kind, std::int32_t index);

private:
    QLineEdit* m_search;
    QListWidget* m_list;
};
