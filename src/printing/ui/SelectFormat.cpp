#include "printing/ui/SelectFormat.h"

#include "catalogs/ui/ComboTabla.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Statement.h"
#include "printing/ui/Copias.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolEdit.h"

#include <QLabel>

namespace {

// Client area and control rectangles, dialog units.
constexpr int kClientWidth = 176;
constexpr int kClientHeight = 64;
constexpr int kLabelX = 8;
constexpr int kFieldX = 46;

} // namespace

CSelectFormat::CSelectFormat(Database& db, QWidget* parent) : CTolDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint | Qt::FramelessWindowHint);
    setModal(true);
    setWindowTitle(QStringLiteral("Formato de impresión"));
    setClientSize(dialogSize(kClientWidth, kClientHeight));

    auto label = [this](const QString& text, int y) {
        auto* l = new QLabel(text, this);
        place(l, kLabelX, y, kFieldX - kLabelX - 2, 12);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    };

    label(QStringLiteral("Formato:"), 8);
    m_formato = new CComboTabla(this);
    setId(m_formato, kFormatoId);
    place(m_formato, kFieldX, 8, 122, 13);
    label(QStringLiteral("Copias:"), 26);
    m_copias = NewCopiasEdit(this);
    setId(m_copias, kCopiasId);
    place(m_copias, kFieldX, 26, 24, 12);

    auto* ok = new CTolButton(QStringLiteral("OK"), this);
    setId(ok, kOkId);
    place(ok, 8, 46, 50, 14);
    auto* preview = new CTolButton(QStringLiteral("Vista previa"), this);
    setId(preview, kVistaPreviaId);
    place(preview, 63, 46, 50, 14);
    auto* cancel = new CTolButton(QStringLiteral("Cancelar"), this);
    setId(cancel, kCancelId);
    place(cancel, 118, 46, 50, 14);
    connect(ok, &QPushButton::clicked, this, [this] { choose(false); });
    connect(preview, &QPushButton::clicked, this, [this] { choose(true); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    FillPageFormats(*m_formato, db);

    m_formato->setFocus();
}

void CSelectFormat::choose(bool preview) {
    const std::optional<int> copies = CheckCopias(*m_copias);
    if (!copies)
        return;
    const std::optional<std::int32_t> formato = SelectedPageFormat(*m_formato);
    if (!formato)
        return;
    SelectFormatResult result;
    result.copias = *copies;
    result.vistaPrevia = preview;
    result.formatoId = *formato;
    m_result = result;
    accept();
}

std::optional<SelectFormatResult> CSelectFormat::Run(Database& db, QWidget* parent, const std::string& proposed) {
    CSelectFormat dialog(db, parent);
    if (!proposed.empty()) {
        try {
            Statement s = db.prepare("SELECT Id_Formato FROM Formatos WHERE Nombre = ? AND Ticket = 0");
            s.bind(1, proposed);
            if (s.step())
                dialog.m_formato->SelectByKey(static_cast<std::int32_t>(s.integer(0)));
        } catch (const DbError&) {
            // The list as it is; the operator chooses.
        }
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.result();
}
