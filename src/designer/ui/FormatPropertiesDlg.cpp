#include "designer/ui/FormatPropertiesDlg.h"

#include "toolkit/ui/AcceptCancelButtons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {

QDoubleSpinBox* millimetres(double minimum, double maximum, const QString& tip) {
    auto* spin = new QDoubleSpinBox;
    spin->setDecimals(1);
    spin->setRange(minimum, maximum);
    spin->setSingleStep(0.5);
    spin->setSuffix(QStringLiteral(" mm"));
    spin->setToolTip(tip);
    return spin;
}

std::int32_t tenths(double mm) { return static_cast<std::int32_t>(std::lround(mm * 10)); }

const QString kCustom = QStringLiteral("Otro tamaño");

} // namespace

CFormatPropertiesDlg::CFormatPropertiesDlg(const CDesignFormat& format, QWidget* parent)
    : QDialog(parent), m_format(format) {
    const SheetSize& sheet = format.Sheet;
    setWindowTitle(QStringLiteral("Propiedades del formato"));
    setObjectName(QStringLiteral("propiedadesFormato"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_notes = new QPlainTextEdit(QString::fromStdString(format.Observaciones));
    m_notes->setObjectName(QStringLiteral("observaciones"));
    m_notes->setTabChangesFocus(true);
    m_notes->setMaximumHeight(70);
    m_notes->setToolTip(QStringLiteral("Notas sobre el formato; no se imprimen"));
    form->addRow(QStringLiteral("Observaciones:"), m_notes);

    m_paper = new QComboBox;
    m_paper->setObjectName(QStringLiteral("papel"));
    m_paper->setToolTip(QStringLiteral("Tamaño de la hoja en la que se diseña el formato"));
    for (const SheetSize& s : SheetSize::Standard())
        m_paper->addItem(QString::fromStdString(s.name));
    m_paper->addItem(kCustom);
    m_paperWidth = millimetres(50, 1000, QStringLiteral("Ancho de la hoja"));
    m_paperHeight = millimetres(50, 2000, QStringLiteral("Alto de la hoja"));
    m_paperWidth->setObjectName(QStringLiteral("anchoPapel"));
    m_paperHeight->setObjectName(QStringLiteral("altoPapel"));
    m_paperWidth->setValue(sheet.width / 10.0);
    m_paperHeight->setValue(sheet.height / 10.0);
    const int standard = m_paper->findText(QString::fromStdString(sheet.name));
    m_paper->setCurrentIndex(standard >= 0 ? standard : m_paper->count() - 1);
    form->addRow(QStringLiteral("Papel:"), m_paper);
    form->addRow(QStringLiteral("Ancho:"), m_paperWidth);
    form->addRow(QStringLiteral("Alto:"), m_paperHeight);
    auto paperChosen = [this] {
        const bool custom = m_paper->currentText() == kCustom;
        m_paperWidth->setEnabled(custom);
        m_paperHeight->setEnabled(custom);
        if (!custom) {
            const SheetSize s = SheetSize::Named(m_paper->currentText().toStdString());
            m_paperWidth->setValue(s.width / 10.0);
            m_paperHeight->setValue(s.height / 10.0);
        }
    };
    connect(m_paper, &QComboBox::currentIndexChanged, this, paperChosen);
    paperChosen();

    const CWindowsFormat& f = format.Format;
    m_detailTop = millimetres(0, 2000, QStringLiteral("Distancia del borde superior a la primera partida"));
    m_detailTop->setValue(-f.DetailTop / 10.0);
    m_detailBottom = millimetres(0, 2000, QStringLiteral("Distancia del borde superior al final de las partidas"));
    m_detailBottom->setValue(-f.DetailBottom / 10.0);
    m_pitch = millimetres(0, 500, QStringLiteral("Distancia entre una partida y la siguiente"));
    m_pitch->setValue(f.Pitch / 10.0);
    m_detailTop->setObjectName(QStringLiteral("inicioDetalle"));
    m_detailBottom->setObjectName(QStringLiteral("finDetalle"));
    m_pitch->setObjectName(QStringLiteral("distanciaPartidas"));
    form->addRow(QStringLiteral("Inicio del detalle:"), m_detailTop);
    form->addRow(QStringLiteral("Fin del detalle:"), m_detailBottom);
    form->addRow(QStringLiteral("Distancia entre partidas:"), m_pitch);
    m_byHand = new QCheckBox(QStringLiteral("Fijar a mano"));
    m_byHand->setToolTip(QStringLiteral("Sin marcar, las partidas por hoja se calculan del área de detalle"));
    m_byHand->setObjectName(QStringLiteral("fijarCaben"));
    m_byHand->setChecked(format.CabenByHand);
    m_caben = new QSpinBox;
    m_caben->setObjectName(QStringLiteral("caben"));
    m_caben->setRange(1, 9999);
    m_caben->setToolTip(QStringLiteral("Cuántas partidas caben en una hoja"));
    m_caben->setValue(std::max(1, f.Caben));
    form->addRow(QStringLiteral("Partidas por hoja:"), m_caben);
    form->addRow(QString(), m_byHand);
    m_repetir = millimetres(0, 2000, QStringLiteral("Si no es 0, todo se imprime otra vez esta distancia más abajo"));
    m_repetir->setObjectName(QStringLiteral("repetir"));
    m_repetir->setValue(f.Repetir / 10.0);
    form->addRow(QStringLiteral("Repetir más abajo:"), m_repetir);
    layout->addLayout(form);
    layout->addWidget(AcceptCancelButtons(this));
    for (QDoubleSpinBox* spin : {m_detailTop, m_detailBottom, m_pitch})
        connect(spin, &QDoubleSpinBox::valueChanged, this, &CFormatPropertiesDlg::updateCaben);
    connect(m_byHand, &QCheckBox::toggled, this, &CFormatPropertiesDlg::updateCaben);
    updateCaben();
}

void CFormatPropertiesDlg::updateCaben() {
    m_caben->setEnabled(m_byHand->isChecked());
    if (!m_byHand->isChecked())
        m_caben->setValue(CDesignFormat::DerivedCaben(Result().Format));
}

CDesignFormat CFormatPropertiesDlg::Result() const {
    CDesignFormat r = m_format;
    r.Observaciones = m_notes->toPlainText().toStdString();
    r.Format.DetailTop = -tenths(m_detailTop->value());
    r.Format.DetailBottom = -tenths(m_detailBottom->value());
    r.Format.Pitch = tenths(m_pitch->value());
    r.CabenByHand = m_byHand->isChecked();
    r.Format.Caben = r.CabenByHand ? m_caben->value() : CDesignFormat::DerivedCaben(r.Format);
    r.Format.Repetir = tenths(m_repetir->value());
    r.Sheet = sheet();
    return r;
}

SheetSize CFormatPropertiesDlg::sheet() const {
    SheetSize s;
    s.name = m_paper->currentText() == kCustom ? std::string() : m_paper->currentText().toStdString();
    s.width = tenths(m_paperWidth->value());
    s.height = tenths(m_paperHeight->value());
    return s;
}
