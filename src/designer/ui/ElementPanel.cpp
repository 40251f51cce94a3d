#include "designer/ui/ElementPanel.h"

#include "designer/DatumList.h"
#include "designer/ElementBox.h"
#include "printing/FormatData.h"
#include "printing/Windows1252.h"
#include "printing/ui/PrintFont.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>

namespace {

enum KindChoice { kText, kLine, kRectangle };

QString fieldLabel(const CRenglonField& f) {
    if (f.Kind == FIELD_TEXT)
        return QStringLiteral("Texto: \"%1\"").arg(QString::fromStdString(f.Text));
    const QString caption = QString::fromStdString(FormatData::Caption(f.Kind, f.Index));
    if (caption.isEmpty())
        return QStringLiteral("Dato desconocido (%1, %2)").arg(f.Kind).arg(f.Index);
    return (f.Kind == FIELD_DOC ? QStringLiteral("Documento: ") : QStringLiteral("Partida: ")) + caption;
}

QDoubleSpinBox* millimetres(double maximum) {
    auto* spin = new QDoubleSpinBox;
    spin->setDecimals(1);
    spin->setRange(0, maximum);
    spin->setSingleStep(0.1);
    spin->setSuffix(QStringLiteral(" mm"));
    spin->setKeyboardTracking(false);
    return spin;
}

std::int32_t tenths(double mm) { return static_cast<std::int32_t>(std::lround(mm * 10)); }

QCheckBox* check(const QString& text, const QString& tip) {
    auto* box = new QCheckBox(text);
    box->setToolTip(tip);
    return box;
}

} // namespace

std::vector<std::pair<std::int32_t, std::int32_t>> CElementPanel::DataList() {
    std::vector<std::pair<std::int32_t, std::int32_t>> data;
    for (const DatumList::Datum& d : DatumList::All())
        data.emplace_back(d.kind, d.index);
    return data;
}

CElementPanel::CElementPanel(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);

    auto* general = new QFormLayout;
    m_kind = new QComboBox;
    m_kind->addItems({QStringLiteral("Texto"), QStringLiteral("Línea"), QStringLiteral("Rectángulo")});
    m_kind->setToolTip(QStringLiteral("Qué es el elemento: un texto, una línea o un rectángulo"));
    general->addRow(QStringLiteral("Tipo:"), m_kind);
    layout->addLayout(general);

    auto* fieldsBox = new QGroupBox(QStringLiteral("Campos"));
    auto* fields = new QGridLayout(fieldsBox);
    m_fields = new QListWidget;
    m_fields->setObjectName(QStringLiteral("campos"));
    m_fields->setToolTip(QStringLiteral("Los campos del texto, que se imprimen uno tras otro"));
    fields->addWidget(m_fields, 0, 0, 1, 3);
    m_remove = new QPushButton(QStringLiteral("Quitar"));
    m_remove->setToolTip(QStringLiteral("Quita el campo seleccionado"));
    m_up = new QPushButton(QStringLiteral("Subir"));
    m_up->setToolTip(QStringLiteral("Pone el campo antes del anterior"));
    m_down = new QPushButton(QStringLiteral("Bajar"));
    m_down->setToolTip(QStringLiteral("Pone el campo después del siguiente"));
    fields->addWidget(m_remove, 1, 0);
    fields->addWidget(m_up, 1, 1);
    fields->addWidget(m_down, 1, 2);
    m_datum = new QComboBox;
    m_datum->setObjectName(QStringLiteral("dato"));
    m_datum->setToolTip(QStringLiteral("Dato del documento o de la partida que se agrega al texto"));
    for (const DatumList::Datum& d : DatumList::All())
        m_datum->addItem(QString::fromStdString(d.label));
    // A scrolled list of a screenful, not a menu of every datum running off the screen.
    m_datum->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    m_datum->setMaxVisibleItems(15);
    m_addDatum = new QPushButton(QStringLiteral("Agregar dato"));
    m_addDatum->setObjectName(QStringLiteral("agregarDato"));
    m_addDatum->setToolTip(QStringLiteral("Agrega al final el dato elegido"));
    fields->addWidget(m_datum, 2, 0, 1, 2);
    fields->addWidget(m_addDatum, 2, 2);
    m_text = new QLineEdit;
    m_text->setObjectName(QStringLiteral("textoLibre"));
    m_text->setToolTip(QStringLiteral("Texto fijo que se agrega al final"));
    m_addText = new QPushButton(QStringLiteral("Agregar texto"));
    m_addText->setToolTip(QStringLiteral("Agrega al final el texto escrito"));
    fields->addWidget(m_text, 3, 0, 1, 2);
    fields->addWidget(m_addText, 3, 2);
    layout->addWidget(fieldsBox);

    auto* place = new QGroupBox(QStringLiteral("Posición"));
    auto* geometry = new QFormLayout(place);
    m_alignment = new QComboBox;
    m_alignment->addItems({QStringLiteral("Izquierda"), QStringLiteral("Derecha"), QStringLiteral("Centro")});
    m_alignment->setToolTip(QStringLiteral("Alineación del texto dentro del cuadro"));
    geometry->addRow(QStringLiteral("Alineación:"), m_alignment);
    m_left = millimetres(2000);
    m_left->setToolTip(QStringLiteral("Distancia desde el borde izquierdo de la hoja"));
    m_top = millimetres(2000);
    m_top->setToolTip(QStringLiteral("Distancia desde el borde superior de la hoja"));
    m_width = millimetres(2000);
    m_width->setToolTip(QStringLiteral("Ancho del elemento"));
    m_height = millimetres(2000);
    m_height->setToolTip(QStringLiteral("Alto del elemento"));
    m_left->setObjectName(QStringLiteral("izquierda"));
    m_top->setObjectName(QStringLiteral("arriba"));
    m_width->setObjectName(QStringLiteral("ancho"));
    m_height->setObjectName(QStringLiteral("alto"));
    geometry->addRow(QStringLiteral("Izquierda:"), m_left);
    geometry->addRow(QStringLiteral("Arriba:"), m_top);
    geometry->addRow(QStringLiteral("Ancho:"), m_width);
    geometry->addRow(QStringLiteral("Alto:"), m_height);
    m_colour = new QPushButton;
    m_colour->setToolTip(QStringLiteral("Color del texto o de la línea"));
    geometry->addRow(QStringLiteral("Color:"), m_colour);
    layout->addWidget(place);

    auto* fontBox = new QGroupBox(QStringLiteral("Letra"));
    auto* font = new QFormLayout(fontBox);
    m_face = new QComboBox;
    m_face->setEditable(true);
    m_face->addItems({QStringLiteral("Arial"), QStringLiteral("Arial Narrow"), QStringLiteral("Courier New"),
                      QStringLiteral("Times New Roman")});
    m_face->setToolTip(QStringLiteral("Tipo de letra"));
    m_face->setObjectName(QStringLiteral("tipoLetra"));
    font->addRow(QStringLiteral("Tipo:"), m_face);
    m_fontHeight = millimetres(500);
    m_fontHeight->setMinimum(0.5);
    m_fontHeight->setObjectName(QStringLiteral("alturaLetra"));
    m_fontHeight->setToolTip(QStringLiteral("Altura de los caracteres"));
    font->addRow(QStringLiteral("Altura:"), m_fontHeight);
    auto* styles = new QHBoxLayout;
    m_bold = check(QStringLiteral("Negrita"), QStringLiteral("Letra gruesa"));
    m_italic = check(QStringLiteral("Cursiva"), QStringLiteral("Letra inclinada"));
    m_underline = check(QStringLiteral("Subrayado"), QStringLiteral("Texto subrayado"));
    m_strike = check(QStringLiteral("Tachado"), QStringLiteral("Texto tachado"));
    m_bold->setObjectName(QStringLiteral("negrita"));
    m_italic->setObjectName(QStringLiteral("cursiva"));
    m_underline->setObjectName(QStringLiteral("subrayado"));
    m_strike->setObjectName(QStringLiteral("tachado"));
    for (QCheckBox* c : {m_bold, m_italic, m_underline, m_strike})
        styles->addWidget(c);
    font->addRow(styles);
    layout->addWidget(fontBox);
    layout->addStretch(1);

    connect(m_kind, &QComboBox::activated, this, [this](int kind) {
        CRenglonFormato e = m_element;
        e.IsLine = kind == kLine ? 1 : 0;
        e.IsRectangle = kind == kRectangle ? 1 : 0;
        offer(e, QStringLiteral("Cambiar tipo"));
    });
    connect(m_addDatum, &QPushButton::clicked, this, &CElementPanel::addDatum);
    connect(m_addText, &QPushButton::clicked, this, &CElementPanel::addText);
    connect(m_text, &QLineEdit::returnPressed, this, &CElementPanel::addText);
    connect(m_remove, &QPushButton::clicked, this, &CElementPanel::removeField);
    connect(m_up, &QPushButton::clicked, this, [this] { moveField(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { moveField(1); });
    connect(m_alignment, &QComboBox::activated, this, [this](int choice) {
        CRenglonFormato e = m_element;
        e.Alignment = choice == 1 ? ALIGN_RIGHT : (choice == 2 ? ALIGN_CENTER : ALIGN_LEFT);
        offer(e, QStringLiteral("Alinear texto"));
    });
    for (QDoubleSpinBox* spin : {m_left, m_top, m_width, m_height})
        connect(spin, &QDoubleSpinBox::valueChanged, this, &CElementPanel::geometryEdited);
    connect(m_colour, &QPushButton::clicked, this, &CElementPanel::chooseColour);
    connect(m_face, &QComboBox::activated, this, &CElementPanel::fontEdited);
    connect(m_face->lineEdit(), &QLineEdit::editingFinished, this, &CElementPanel::fontEdited);
    connect(m_fontHeight, &QDoubleSpinBox::valueChanged, this, &CElementPanel::fontEdited);
    for (QCheckBox* c : {m_bold, m_italic, m_underline, m_strike})
        connect(c, &QCheckBox::toggled, this, &CElementPanel::fontEdited);

    ShowElement(nullptr);
}

void CElementPanel::ShowElement(const CRenglonFormato* element) {
    setEnabled(element != nullptr);
    m_element = element ? *element : CRenglonFormato{};
    m_filling = true;
    const bool text = !m_element.IsShape();
    m_kind->setCurrentIndex(m_element.IsLine ? kLine : (m_element.IsRectangle ? kRectangle : kText));
    fillFields();
    for (QWidget* w : std::initializer_list<QWidget*>{m_fields, m_datum, m_addDatum, m_text, m_addText, m_remove, m_up,
                                                      m_down, m_alignment, m_face, m_fontHeight, m_bold, m_italic,
                                                      m_underline, m_strike})
        w->setEnabled(text);
    m_alignment->setCurrentIndex(m_element.Alignment == ALIGN_RIGHT ? 1 : (m_element.Alignment == ALIGN_CENTER ? 2 : 0));
    const ElementBox box = ElementBox::Of(m_element.Position);
    m_left->setValue(box.left / 10.0);
    m_top->setValue(-box.upper / 10.0);
    m_width->setValue(box.width() / 10.0);
    m_height->setValue(box.height() / 10.0);
    const QColor colour = PrintFont::ToQColor(m_element.Colour);
    m_colour->setText(colour.name());
    m_colour->setStyleSheet(QStringLiteral("QPushButton { color: %1; }").arg(colour.name()));
    m_face->setCurrentText(QString::fromStdString(m_element.Font.FaceName));
    const std::int32_t height = m_element.Font.Height == 0 ? 40 : std::abs(m_element.Font.Height);
    m_fontHeight->setValue(height / 10.0);
    m_bold->setChecked(m_element.Font.Weight >= 600);
    m_italic->setChecked(m_element.Font.Italic != 0);
    m_underline->setChecked(m_element.Font.Underline != 0);
    m_strike->setChecked(m_element.Font.StrikeOut != 0);
    m_filling = false;
}

void CElementPanel::fillFields() {
    const int row = m_fields->currentRow();
    m_fields->clear();
    for (const CRenglonField& f : m_element.Fields)
        m_fields->addItem(fieldLabel(f));
    if (row >= 0 && row < m_fields->count())
        m_fields->setCurrentRow(row);
}

void CElementPanel::offer(CRenglonFormato element, const QString& what) {
    if (m_filling || !isEnabled() || element == m_element)
        return;
    Q_EMIT elementChanged(element, what);
}

void CElementPanel::addDatum() {
    const auto data = DataList();
    const int choice = m_datum->currentIndex();
    if (choice < 0 || choice >= static_cast<int>(data.size()))
        return;
    CRenglonFormato e = m_element;
    e.Fields.emplace_back(data[static_cast<std::size_t>(choice)].first, data[static_cast<std::size_t>(choice)].second);
    offer(e, QStringLiteral("Agregar dato"));
}

void CElementPanel::addText() {
    const std::string text = m_text->text().toStdString();
    if (text.empty())
        return;
    // The stream holds Windows-1252: a character outside it would print as something else.
    if (Windows1252::ToUtf8(Windows1252::FromUtf8(text)) != text) {
        TolMessage(QStringLiteral("El texto tiene caracteres que la impresora no puede escribir; "
                                  "cámbielos por otros."));
        return;
    }
    CRenglonFormato e = m_element;
    e.Fields.emplace_back(text);
    m_text->clear();
    offer(e, QStringLiteral("Agregar texto"));
}

void CElementPanel::removeField() {
    const int row = m_fields->currentRow();
    if (row < 0 || row >= static_cast<int>(m_element.Fields.size()))
        return;
    CRenglonFormato e = m_element;
    e.Fields.erase(e.Fields.begin() + row);
    offer(e, QStringLiteral("Quitar campo"));
}

void CElementPanel::moveField(int delta) {
    const int row = m_fields->currentRow();
    const int to = row + delta;
    if (row < 0 || to < 0 || to >= static_cast<int>(m_element.Fields.size()))
        return;
    CRenglonFormato e = m_element;
    std::swap(e.Fields[static_cast<std::size_t>(row)], e.Fields[static_cast<std::size_t>(to)]);
    m_fields->setCurrentRow(to);
    offer(e, QStringLiteral("Ordenar campos"));
}

void CElementPanel::geometryEdited() {
    if (m_filling)
        return;
    CRenglonFormato e = m_element;
    ElementBox box;
    box.left = tenths(m_left->value());
    box.upper = -tenths(m_top->value());
    box.right = box.left + tenths(m_width->value());
    box.lower = box.upper - tenths(m_height->value());
    box.StoreIn(e.Position);
    offer(e, QStringLiteral("Cambiar posición"));
}

void CElementPanel::fontEdited() {
    if (m_filling)
        return;
    CRenglonFormato e = m_element;
    const std::string face = m_face->currentText().trimmed().toStdString();
    if (!face.empty() && Windows1252::ToUtf8(Windows1252::FromUtf8(face)) == face &&
        Windows1252::FromUtf8(face).size() < 32)
        e.Font.FaceName = face;
    // The stored height stays as it is unless the operator changed the shown one.
    const std::int32_t shown = e.Font.Height == 0 ? 40 : std::abs(e.Font.Height);
    if (tenths(m_fontHeight->value()) != shown)
        e.Font.Height = -tenths(m_fontHeight->value());
    if (m_bold->isChecked() != (e.Font.Weight >= 600))
        e.Font.Weight = m_bold->isChecked() ? 700 : 400;
    e.Font.Italic = m_italic->isChecked() ? 1 : 0;
    e.Font.Underline = m_underline->isChecked() ? 1 : 0;
    e.Font.StrikeOut = m_strike->isChecked() ? 1 : 0;
    offer(e, QStringLiteral("Cambiar letra"));
}

void CElementPanel::chooseColour() {
    const QColor chosen = QColorDialog::getColor(PrintFont::ToQColor(m_element.Colour), this,
                                                 QStringLiteral("Color del elemento"));
    if (!chosen.isValid())
        return;
    CRenglonFormato e = m_element;
    e.Colour = chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16);
    offer(e, QStringLiteral("Cambiar color"));
}
