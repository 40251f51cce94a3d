#pragma once

#include "cfdi/SatCatalogs.h"

#include <QComboBox>

#include <string>

// A drop-down list of SAT catalogue keys, shown as "clave - descripción". Editable lists also
// take a key typed by hand (the units catalogue is long; only the usual ones are listed).
class CSatCombo final : public QComboBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSatCombo)
public:
    // `blank` adds an empty first entry, for data not given yet.
    CSatCombo(std::span<const SatCatalogs::Entry> entries, bool blank, bool editable, QWidget* parent = nullptr);

    // Lists these entries instead, keeping the key chosen when it is still among them.
    void setEntries(std::span<const SatCatalogs::Entry> entries);

    // The key chosen or typed ("" for the blank entry).
    std::string value() const;
    void setValue(const std::string& clave);

private:
    bool m_blank;
};
