#include "reports/ui/RepDlg.h"

#include "platform/ui/FileChooser.h"
#include "reports/RepData.h"
#include "reports/ui/FontsizeDlg.h"
#include "reports/ui/RepPage.h"
#include "toolkit/ui/TolWait.h"
#include "toolkit/ui/TolButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageRanges>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollBar>

namespace {

constexpr int kButtonHeight = 26;
constexpr int kMargin = 10;

} // namespace

CRepDlg::CRepDlg(const CRepData& data, const QString& businessName, const QString& title, bool portrait,
                 bool firstColumnSpans, QWidget* parent, Rebuild rebuild)
    : CTolDialog(parent), m_data(data), m_rebuild(std::move(rebuild)), m_title(title) {
    setWindowTitle(QStringLiteral("Reportes"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);

    auto button = [this](int id, const QString& text, const QString& image, const QColor& transparent, int width) {
        auto* b = new CTolButton(text, this);
        setId(b, id);
        if (!image.isEmpty()) {
            const QImage picture(image);
            if (!picture.isNull())
                b->setPicture(picture, transparent);
        }
        b->resize(width, kButtonHeight);
        connect(b, &QAbstractButton::clicked, this, [this, id] { sendCommand(id); });
        return b;
    };
    const QColor magenta(255, 0, 255);
    button(kImprimirId, QStringLiteral("Imprimir"), QStringLiteral(":/images/imprimir.bmp"), magenta, 90);
    button(kGuardarId, QStringLiteral("Guardar"), QStringLiteral(":/images/guardar.bmp"), magenta, 90);
    button(kFuenteId, QStringLiteral("Fuente"), {}, magenta, 70);
    button(kFirstId, QStringLiteral("|<"), {}, Qt::white, 30);
    button(kPrevId, QStringLiteral("<"), {}, Qt::white, 30);
    m_pageText = new QLineEdit(this);
    setId(m_pageText, kPageTextId);
    m_pageText->setReadOnly(true);
    m_pageText->setAlignment(Qt::AlignCenter);
    m_pageText->setFocusPolicy(Qt::NoFocus);
    m_pageText->resize(70, kButtonHeight);
    button(kNextId, QStringLiteral(">"), {}, Qt::white, 30);
    button(kLastId, QStringLiteral(">|"), {}, Qt::white, 30);
    m_ajustar = new QCheckBox(QStringLiteral("Ajustar columnas"), this);
    setId(m_ajustar, kAjustarId);
    m_ajustar->resize(140, kButtonHeight);
    connect(m_ajustar, &QCheckBox::toggled, this, [this] { sendCommand(kAjustarId); });
    button(kCerrarId, QStringLiteral("Cerrar"), QStringLiteral(":/images/salir.bmp"), magenta, 90);

    m_page = new CRepPage(data, this);
    m_page->model().SetHeadings(businessName.toStdString(), title.toStdString());
    m_page->model().SetPortrait(portrait);
    m_page->model().SetFirstColumnSpans(firstColumnSpans);
    m_scrollBar = new QScrollBar(Qt::Vertical, this);
    m_scrollBar->setSingleStep(30);
    m_scrollBar->setPageStep(300);
    connect(m_scrollBar, &QScrollBar::valueChanged, m_page, &CRepPage::setScroll);
    connect(m_page, &CRepPage::scrollBy, this, [this](int delta) { m_scrollBar->setValue(m_scrollBar->value() + delta); });
    connect(m_page, &CRepPage::pageDrawn, this,
            [this](int page, int count) { m_pageText->setText(QStringLiteral("%1/%2").arg(page).arg(count)); });

    resize(1000, 760);
    // Lay the page out once so that the indicator shows the page count before the first paint.
    m_page->model().DrawPage();
    m_pageText->setText(QStringLiteral("%1/%2").arg(m_page->model().CurrentPage()).arg(m_page->model().PageCount()));
    setWindowState(windowState() | Qt::WindowMaximized);
}

QString CRepDlg::pageText() const { return m_pageText->text(); }

void CRepDlg::layoutPage() {
    const QRect client = clientRect();
    int x = client.left() + kMargin;
    const int y = client.top() + 6;
    for (int id : {kImprimirId, kGuardarId, kFuenteId, kFirstId, kPrevId, kPageTextId, kNextId, kLastId, kAjustarId}) {
        QWidget* w = control(id);
        w->move(x, y);
        x += w->width() + 6;
    }
    control(kCerrarId)->move(std::max(x + 10, client.right() - kMargin - control(kCerrarId)->width()), y);
    const int top = y + kButtonHeight + 4;
    const int barWidth = m_scrollBar->sizeHint().width();
    const QRect area(client.left() + kMargin, top, client.width() - 2 * kMargin - barWidth,
                     client.bottom() - kMargin - top);
    m_page->setGeometry(area);
    m_scrollBar->setGeometry(area.right() + 1, area.top(), barWidth, area.height());
    m_scrollBar->setRange(0, m_page->scrollMaximum());
    m_page->setScroll(m_scrollBar->value());
}

void CRepDlg::resizeEvent(QResizeEvent* event) {
    CTolDialog::resizeEvent(event);
    layoutPage();
}

void CRepDlg::showEvent(QShowEvent* event) {
    CTolDialog::showEvent(event);
    layoutPage();
}

void CRepDlg::goToPage(int page) {
    m_page->model().SetCurrentPage(page);
    // Laid out now, so the indicator and the page count follow a new type size at once.
    m_page->model().DrawPage();
    m_page->update();
    m_pageText->setText(QStringLiteral("%1/%2").arg(m_page->model().CurrentPage()).arg(m_page->model().PageCount()));
}

void CRepDlg::onCommand(int id) {
    CRepPageModel& model = m_page->model();
    switch (id) {
    case kImprimirId: print(); break;
    case kGuardarId: save(); break;
    case kFuenteId: chooseFont(); break;
    case kFirstId: goToPage(1); break;
    case kPrevId:
        if (model.CurrentPage() > 1)
            goToPage(model.CurrentPage() - 1);
        break;
    case kNextId:
        if (model.CurrentPage() < model.PageCount())
            goToPage(model.CurrentPage() + 1);
        break;
    case kLastId: goToPage(model.PageCount()); break;
    case kAjustarId:
        model.SetAdjustMode(m_ajustar->isChecked());
        m_page->update();
        break;
    case kCerrarId: reject(); break;
    default: CTolDialog::onCommand(id); break;
    }
}

void CRepDlg::chooseFont() {
    CFontsizeDlg dialog(static_cast<int>(m_page->model().Zoom()), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_page->model().SetZoom(dialog.percent());
    goToPage(m_page->model().CurrentPage());
}

void CRepDlg::print() {
    QPrinter printer(QPrinter::HighResolution);
    const QPrinterInfo byDefault = QPrinterInfo::defaultPrinter();
    if (!byDefault.isNull())
        printer.setPrinterName(byDefault.printerName());
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(m_page->model().IsPortrait() ? QPageLayout::Portrait : QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Imprimir"));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    // The operator may print some pages, or the one on screen.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
    dialog.setMinMax(1, m_page->model().PageCount());
    if (dialog.exec() != QDialog::Accepted || !printer.isValid())
        return;
    QPageRanges pages;  // empty: every page
    if (printer.printRange() == QPrinter::CurrentPage)
        pages.addPage(m_page->model().CurrentPage());
    else if (printer.printRange() == QPrinter::PageRange)
        pages = printer.pageRanges();
    m_page->printPages(printer, pages);
    goToPage(m_page->model().CurrentPage());
}

bool CRepDlg::saveTo(const QString& path, QString* error, const ReportProgress& progress) const {
    std::string reason;
    if (m_rebuild) {
        // Rows as they are built, never the whole report in memory.
        CRepData whole;
        const std::string file = path.toStdString();
        std::string message;
        if (whole.StreamTo(file, m_title.toStdString(), CRepData::IsTextPath(file), &reason)) {
            if (m_rebuild(whole, message, progress)) {
                if (whole.FinishStream(&reason))
                    return true;
            } else {
                reason = message;  // empty after a cancel
            }
        }
    } else if (m_data.SaveToFile(path.toStdString(), m_title.toStdString(), &reason, progress)) {
        return true;
    }
    if (error)
        *error = QString::fromStdString(reason);
    return false;
}

void CRepDlg::save() {
    QFileDialog dialog(this, QStringLiteral("Guardar"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    PrepareFileChooser(dialog);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setNameFilters({QStringLiteral("Texto separado por tabulaciones (*.txt)"),
                           QStringLiteral("Reporte Vendro (*.rep)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    QString error;
    bool saved = false;
    {
        CTolWait wait(this, QStringLiteral("Reportes"), QStringLiteral("Guardando el reporte..."));
        saved = saveTo(path, &error, wait.progress());
    }
    if (!saved) {
        // Nothing to say after "Cancelar": the file was left as it was.
        if (!error.isEmpty())
            QMessageBox::warning(this, windowTitle(), error);
        return;
    }
    QMessageBox::information(this, windowTitle(), QStringLiteral("- Reporte guardado -"));
}
