#include "cfdi/ui/SatCombo.h"

#include <QLineEdit>

CSatCombo::CSatCombo(std::span<const SatCatalogs::Entry> entries, bool blank, bool editable, QWidget* parent)
    : QComboBox(parent), m_blank(blank) {
    setEditable(editable);
    // Long descriptions must not push the dialog's other fields aside.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(6);
    setEntries(entries);
    if (editable)
        setInsertPolicy(QComboBox::NoInsert);
}

void CSatCombo::setEntries(std::span<const SatCatalogs::Entry> entries) {
    const std::string kept = count() > 0 ? value() : std::string();
    clear();
    if (m_blank)
        addItem(QString(), QString());
    for (const SatCatalogs::Entry& e : entries)
        addItem(QString::fromStdString(SatCatalogs::label(e)), QString::fromUtf8(e.clave.data(), static_cast<int>(e.clave.size())));
    if (!kept.empty())
        setValue(kept);
}

std::string CSatCombo::value() const {
    if (isEditable()) {
        // A listed entry's text, or a key typed by hand: the key is the text before " - ".
        const QString text = currentText().trimmed();
        return text.section(QStringLiteral(" - "), 0, 0).trimmed().toUpper().toStdString();
    }
    return currentData().toString().toStdString();
}

void CSatCombo::setValue(const std::string& clave) {
    const int index = findData(QString::fromStdString(clave));
    if (index >= 0) {
        setCurrentIndex(index);
    } else if (isEditable()) {
        setCurrentIndex(-1);
        setEditText(QString::fromStdString(clave));
    } else {
        setCurrentIndex(0);
    }
}
