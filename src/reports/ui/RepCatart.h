#pragma once

#include "toolkit/ui/TolDialog.h"

class Database;
class QRadioButton;
struct ApplicationState;

// "Catalogo de artículos": order and orientation of the article catalogue report.
class CRepCatart final : public CTolDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRepCatart)
public:
    static constexpr int kDialogId = 168;
    static constexpr int kVerticalId = 1140;
    static constexpr int kHorizontalId = 1045;
    static constexpr int kClaveId = 1141;
    static constexpr int kDescripcionId = 1046;
    static constexpr int kGenerarId = 1144;
    static constexpr int kSalirId = 1067;

    CRepCatart(Database& db, const ApplicationState& state, QWidget* parent = nullptr);

protected:
    void onCommand(int id) override;

private:
    Database& m_db;
    const ApplicationState& m_state;
    QRadioButton* m_vertical;
    QRadioButton* m_descripcion;
};
