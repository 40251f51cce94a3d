#pragma once

#include <QValidator>

// What an edit lets in: only the accepted characters (all, when that set is empty), optionally
// turned to upper case. Typed characters outside the set are dropped; a pasted text keeps only
// its accepted characters.
class CTolCharFilter final : public QValidator {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTolCharFilter)
public:
    explicit CTolCharFilter(QObject* parent = nullptr);

    void setAccepted(const QString& characters);
    const QString& accepted() const { return m_accepted; }
    void setUpperCase(bool on) { m_upperCase = on; }
    bool upperCase() const { return m_upperCase; }

    // Applies the filter to `text`, moving `cursor` back past every dropped character before it.
    QString filtered(const QString& text, int* cursor = nullptr) const;

    State validate(QString& input, int& pos) const override;

private:
    QString m_accepted;
    bool m_upperCase = false;
};
