#include "reports/ui/ReportDlg.h"

#include "catalogs/ui/CatClientes.h"
#include "db/DbError.h"
#include "db/ValueFunctions.h"
#include "db/ui/DbErrorMessage.h"
#include "platform/ApplicationState.h"
#include "reports/RepData.h"
#include "reports/ui/RepDlg.h"
#include "toolkit/FreeMemory.h"
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "toolkit/ui/TolWait.h"

#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>

CReportDlg::CReportDlg(Database& db, const ApplicationState& state, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_state(state) {}

void CReportDlg::onCommand(int id) {
    switch (id) {
    case kLookupId:
        // Only dialogs with a customer field have this lookup.
        if (m_cliente)
            chooseCustomer();
        else
            CTolDialog::onCommand(id);
        break;
    case kGenerarId: generate(); break;
    case kSalirId: reject(); break;
    default: CTolDialog::onCommand(id); break;
    }
}

void CReportDlg::place(QWidget* widget, int id, int x, int y, int width, int height) const {
    if (id)
        setId(widget, id);
    widget->setGeometry(dialogRect(x, y, width, height));
}

CReportDlg::Choice CReportDlg::addChoice(const QString& title, int x, int y, int width, int firstId,
                                         const QString& first, int secondId, const QString& second,
                                         int top) {
    auto* group = new QGroupBox(title, this);
    place(group, 0, x, y, width, 50);
    auto* one = new QRadioButton(first, group);
    setId(one, firstId);
    one->move(dialogSize(7, top).width(), dialogSize(7, top).height());
    auto* other = new QRadioButton(second, group);
    setId(other, secondId);
    other->move(dialogSize(7, top + 17).width(), dialogSize(7, top + 17).height());
    one->setChecked(true);
    return {one, other};
}

void CReportDlg::addOrientation(int x, int y, int width) {
    m_vertical = addChoice(QStringLiteral("Orientación del papel"), x, y, width, kVerticalId,
                           QStringLiteral("Vertical"), kHorizontalId, QStringLiteral("Horizontal"))
                     .first;
}

void CReportDlg::addOrientationOver(int x, int y) {
    place(new QGroupBox(QStringLiteral("Orientación del papel"), this), 0, x, y, 118, 50);
    m_vertical = new QRadioButton(QStringLiteral("Vertical"), this);
    place(m_vertical, kVerticalId, x + 7, y + 13, 100, 12);
    place(new QRadioButton(QStringLiteral("Horizontal"), this), kHorizontalId, x + 7, y + 30, 100, 12);
    m_vertical->setChecked(true);
}

void CReportDlg::addCustomer(int labelX, int x, int y, int width) {
    place(new QLabel(QStringLiteral("Cliente:"), this), 0, labelX, y + 2, 30, 10);
    m_cliente = new CTolEdit(this);
    m_cliente->setReadOnly(true);
    m_cliente->setLookup(kLookupId);
    place(m_cliente, kClienteId, x, y, width, 13);
}

void CReportDlg::addDocumentFilter() {
    place(new QGroupBox(QStringLiteral("Filtrar por:"), this), 0, 5, 3, 240, 60);
    addCustomer(12, 45, 14, 190);
    place(new QLabel(QStringLiteral("Serie:"), this), 0, 12, 38, 30, 10);
    m_serie = new CTolEdit(this);
    m_serie->setMaxLength(2);
    place(m_serie, kSerieId, 45, 36, 30, 13);
    place(new QLabel(QStringLiteral("Folio:"), this), 0, 90, 38, 25, 10);
    m_folio = new CTolEdit(this);
    m_folio->setAcceptedChars(QStringLiteral("0123456789"));
    m_folio->setMaxLength(9);
    place(m_folio, kFolioId, 118, 36, 60, 13);
}

CTolDatePicker* CReportDlg::addDate(const QString& caption, int id, int labelX, int labelWidth, int x,
                                    int y, int width) {
    place(new QLabel(caption, this), 0, labelX, y + 2, labelWidth, 10);
    auto* picker = new CTolDatePicker(this);
    place(picker, id, x, y, width, 13);
    return picker;
}

void CReportDlg::addButtons(int generarX, int generarY, int salirX, int salirY) {
    auto* generar = new QPushButton(QStringLiteral("Generar"), this);
    place(generar, kGenerarId, generarX, generarY, 55, 15);
    auto* salir = new QPushButton(QStringLiteral("Salir"), this);
    place(salir, kSalirId, salirX, salirY, 55, 15);
    connect(generar, &QPushButton::clicked, this, [this] { sendCommand(kGenerarId); });
    connect(salir, &QPushButton::clicked, this, [this] { sendCommand(kSalirId); });
}

void CReportDlg::chooseCustomer() {
    if (const auto chosen = CCatClientes::Choose(m_db, this); chosen && chosen->idCliente != 0) {
        m_clienteId = chosen->idCliente;
        m_cliente->setText(chosen->nombre);
    }
}

void CReportDlg::runReport(const char* title, bool firstColumnSpans, const Builder& build) {
    buildAndShow(title, firstColumnSpans, build);
    // Shown, cancelled or failed, the report is gone now; so is its memory.
    ReturnFreeMemory();
}

void CReportDlg::buildAndShow(const char* title, bool firstColumnSpans, const Builder& build) {
    CRepData data;
    data.SetHeldRowLimit(CRepDlg::kHeldRows);
    std::string message;
    bool built = false;
    {
        CTolWait wait(this, QStringLiteral("Reportes"), QStringLiteral("Generando el reporte..."));
        try {
            built = build(data, message, wait.progress());
        } catch (const DbError& e) {
            wait.finish();
            ShowDbError(e);
            return;
        }
    }
    if (!built) {
        // An empty message: the operator cancelled, and knows it.
        if (!message.empty())
            TolMessage(QString::fromStdString(message));
        return;
    }
    if (!data.Truncated()) {
        showReport(data, title, firstColumnSpans);
        return;
    }
    const QString notice =
        QStringLiteral("- El reporte tiene %1 renglones; aquí se muestran los primeros %2. «Guardar» escribe el "
                       "reporte completo. -")
            .arg(QLocale(QLocale::Spanish, QLocale::Mexico).toString(data.GetRowCount()),
                 QLocale(QLocale::Spanish, QLocale::Mexico).toString(CRepDlg::kHeldRows));
    data.CutAtLimit(notice.toStdString());
    showReport(data, title, firstColumnSpans, build);
}

void CReportDlg::showReport(const CRepData& data, const char* title, bool firstColumnSpans, const Builder& rebuild) {
    CRepDlg viewer(data, QString::fromStdString(m_state.nombre), QString::fromUtf8(title), portrait(),
                   firstColumnSpans, this, rebuild);
    viewer.exec();
}

bool CReportDlg::portrait() const {
    return m_vertical && m_vertical->isChecked();
}

std::string CReportDlg::clienteNombre() const {
    return m_cliente ? m_cliente->text().toStdString() : std::string();
}

std::string CReportDlg::serie() const {
    return m_serie ? m_serie->text().trimmed().toStdString() : std::string();
}

long CReportDlg::takeFolio() {
    if (!m_folio)
        return 0;
    const long folio = ParseFolioText(m_folio->text().toStdString());
    if (folio != 0)
        m_folio->setText(QString::fromStdString(NumberToPaddedText(folio)));
    return folio;
}
