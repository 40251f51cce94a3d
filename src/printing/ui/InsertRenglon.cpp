#include "printing/ui/InsertRenglon.h"

#include "printing/FormatData.h"
#include "printing/Windows1252.h"
#include "printing/ui/TicketPictures.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>

namespace {

constexpr int kClientWidth = 290;
constexpr int kClientHeight = 178;
constexpr int kButtonX = 258;

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

CInsertRenglon::CInsertRenglon(QWidget* parent, const CRenglonTicket* row) : CTolDialog(parent) {
    setWindowTitle(QStringLiteral("Insertar datos"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    if (row)
        m_row = *row;
    createControls();
    refresh();
}

int CInsertRenglon::DefaultColumns(int detailIndex) {
    switch (detailIndex) {
    case 0: return 3;
    case 1: return 16;
    case 2: case 16: case 17: case 18: case 19: return 25;
    case 7: return 5; // "10.00"
    case 14: return 6;
    case 15: return 40;
    // Amounts: the width they print in, so that the preview is the ticket.
    default: return FormatData::kDetailMoneyWidth;
    }
}

bool CInsertRenglon::ColumnsEditable(int detailIndex) {
    return !((detailIndex >= 3 && detailIndex <= 6) || (detailIndex >= 8 && detailIndex <= 13));
}

void CInsertRenglon::createControls() {
    setClientSize(dialogSize(kClientWidth, kClientHeight));
    auto group = [this](const QString& title, int y, int height, int width = kClientWidth - 14) {
        auto* g = new QGroupBox(title, this);
        place(g, 7, y, width, height);
        return g;
    };
    auto addButton = [this](int id, int y, const CTolPicture& picture, const QString& tip) {
        auto* b = new CTolButton(QString(), this);
        setId(b, id);
        b->setPicture(picture);
        b->setToolTip(tip);
        place(b, kButtonX, y, 20, 14);
        return b;
    };

    group(QStringLiteral("Dato del documento"), 4, 30);
    m_documento = new QComboBox(this);
    setId(m_documento, kDocumentoId);
    // The CFDI's data (seals, QR) are for page formats: a 40-column ticket has no room for them.
    for (int i = 0; i < FormatData::kFirstCfdi; ++i)
        m_documento->addItem(q(FormatData::Caption(FIELD_DOC, i)), i);
    // The business's own data head a ticket well.
    for (int i = FormatData::kFirstNegocio; i < FormatData::kLogoNegocio; ++i)
        m_documento->addItem(q(FormatData::Caption(FIELD_DOC, i)), i);
    m_documento->setCurrentIndex(-1);
    m_documento->setMaxVisibleItems(20);
    place(m_documento, 14, 16, 236, 13);
    connect(addButton(kAddDocumentoId, 15, TicketPictures::Append(), QStringLiteral("Agregar el dato al renglón")),
            &QPushButton::clicked, this, &CInsertRenglon::addDocumento);

    group(QStringLiteral("Dato de detalle"), 37, 30);
    m_detalle = new QComboBox(this);
    setId(m_detalle, kDetalleId);
    for (int i = 0; i < FormatData::kDetailCount; ++i)
        m_detalle->addItem(q(FormatData::Caption(FIELD_DETAIL, i)));
    m_detalle->setCurrentIndex(-1);
    m_detalle->setMaxVisibleItems(20);
    place(m_detalle, 14, 49, 150, 13);
    auto* columnas = new QLabel(QStringLiteral("Columnas:"), this);
    place(columnas, 170, 50, 40, 12);
    m_columnas = new CTolEdit(this);
    setId(m_columnas, kColumnasId);
    m_columnas->setAcceptedChars(QStringLiteral("0123456789"));
    m_columnas->setMaxLength(3);
    m_columnas->setAlignment(Qt::AlignRight);
    m_columnas->setText(QStringLiteral("0"));
    place(m_columnas, 212, 49, 38, 12);
    connect(m_detalle, &QComboBox::activated, this, &CInsertRenglon::detalleChosen);
    connect(addButton(kAddDetalleId, 48, TicketPictures::Append(), QStringLiteral("Agregar el dato al renglón")),
            &QPushButton::clicked, this, &CInsertRenglon::addDetalle);

    group(QStringLiteral("Texto libre"), 70, 30);
    m_texto = new CTolEdit(this);
    setId(m_texto, kTextoId);
    m_texto->setMaxLength(kMaxColumns);
    place(m_texto, 14, 82, 236, 12);
    // Warned as it is typed: a character the printer cannot print turns the text red.
    connect(m_texto, &QLineEdit::textChanged, this, [this](const QString& text) {
        const std::string unprintable = Windows1252::Unprintable(text.toStdString());
        QPalette palette = m_texto->palette();
        palette.setColor(QPalette::Text, unprintable.empty() ? QColor(Qt::black) : QColor(0xC0, 0, 0));
        m_texto->setPalette(palette);
        m_texto->setToolTip(unprintable.empty() ? QString()
                                                : QStringLiteral("La impresora de tickets no puede imprimir %1")
                                                      .arg(q(unprintable)));
    });
    connect(addButton(kAddTextoId, 81, TicketPictures::Append(), QStringLiteral("Agregar el texto al renglón")),
            &QPushButton::clicked, this, &CInsertRenglon::addTexto);

    m_vista = new CTolEdit(this);
    setId(m_vista, kVistaId);
    m_vista->setReadOnly(true);
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::TypeWriter);
    mono.setPixelSize(13);
    m_vista->setFont(mono);
    place(m_vista, 7, 106, 243, 13);
    connect(addButton(kQuitarId, 105, TicketPictures::Remove(), QStringLiteral("Quitar el último dato del renglón")),
            &QPushButton::clicked, this, &CInsertRenglon::quitar);

    group(QStringLiteral("Alineación"), 124, 30, 170);
    m_alignment = new QButtonGroup(this);
    const std::pair<int, QString> radios[] = {{kIzquierdaId, QStringLiteral("Izquierda")},
                                              {kCentroId, QStringLiteral("Centro")},
                                              {kDerechaId, QStringLiteral("Derecha")}};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(radios[i].second, this);
        setId(radio, radios[i].first);
        place(radio, 14 + 52 * i, 137, 50, 12);
        m_alignment->addButton(radio, radios[i].first);
    }
    m_alignment->button(kIzquierdaId)->setChecked(true);
    // Only a click changes the row's alignment: an edited row keeps its own until then.
    connect(m_alignment, &QButtonGroup::idClicked, this, [this](int id) {
        setAlignment(id == kCentroId ? ALIGN_CENTER : id == kDerechaId ? ALIGN_RIGHT : ALIGN_LEFT);
    });

    auto* insertar = new CTolButton(QStringLiteral("Insertar"), this);
    setId(insertar, kInsertarId);
    place(insertar, 184, 158, 50, 14);
    connect(insertar, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancelar = new CTolButton(QStringLiteral("Cancelar"), this);
    setId(cancelar, kCancelarId);
    place(cancelar, 236, 158, 50, 14);
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
    m_documento->setFocus();
}

void CInsertRenglon::detalleChosen(int index) {
    if (index < 0)
        return;
    m_columnas->setText(QString::number(DefaultColumns(index)));
    m_columnas->setReadOnly(!ColumnsEditable(index));
}

void CInsertRenglon::setAlignment(std::int32_t alignment) {
    m_row.Alignment = alignment;
    refresh();
}

void CInsertRenglon::addDocumento() {
    if (m_documento->currentIndex() < 0)
        return;
    m_row.Fields.emplace_back(FIELD_DOC, m_documento->currentData().toInt());
    refresh();
}

bool CInsertRenglon::addDetalle() {
    bool ok = false;
    const int columns = m_columnas->text().trimmed().toInt(&ok);
    if (!ok || columns < 0 || columns > kMaxColumns) {
        TolMessage(QStringLiteral("Please enter an integer between %1 and %2.").arg(0).arg(kMaxColumns));
        m_columnas->setFocus();
        m_columnas->selectAll();
        return false;
    }
    const int index = m_detalle->currentIndex();
    if (index < 0)
        return true;
    m_row.Fields.emplace_back(FIELD_DETAIL, index, columns);
    refresh();
    return true;
}

void CInsertRenglon::addTexto() {
    const std::string text = m_texto->text().toStdString();
    // The printer's code page has no such character: the ticket would print "?" in its place.
    const std::string unprintable = Windows1252::Unprintable(text);
    if (!unprintable.empty())
        TolMessage(QStringLiteral("- La impresora de tickets no puede imprimir %1: saldrá \"?\" en su lugar -")
                       .arg(q(unprintable)));
    m_row.Fields.emplace_back(text);
    refresh();
}

void CInsertRenglon::quitar() {
    if (!m_row.Fields.empty())
        m_row.Fields.pop_back();
    refresh();
}

void CInsertRenglon::refresh() {
    m_row.BuildPreview();
    m_vista->setText(q(m_row.Text));
    m_vista->setCursorPosition(0);
}
