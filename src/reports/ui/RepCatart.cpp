#include "reports/ui/RepCatart.h"

#include "reports/CatalogReports.h"

#include <QRadioButton>

CRepCatart::CRepCatart(Database& db, const ApplicationState& state, QWidget* parent)
    : CReportDlg(db, state, parent) {
    setWindowTitle(QStringLiteral("Catalogo de artículos"));
    setClientSize(dialogSize(190, 85));
    addOrientation(5, 3, 88);
    m_descripcion = addChoice(QStringLiteral("Ordenar por:"), 97, 3, 88, kClaveId, QStringLiteral("Clave"),
                              kDescripcionId, QStringLiteral("Descripcion"))
                        .second;
    addButtons(70, 62, 130, 62);
}

void CRepCatart::generate() {
    const bool byDescription = m_descripcion->isChecked();
    runReport(kArticlesTitle, false, [&](CRepData& data, std::string& message, const ReportProgress&) {
        return BuildArticlesCatalog(database(), byDescription, OleDate::today(), data, message);
    });
}
