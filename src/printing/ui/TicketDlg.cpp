#include "printing/ui/TicketDlg.h"

#include "db/DbError.h"
#include "db/ui/DbErrorMessage.h"
#include "invoice/Partida.h"
#include "platform/ApplicationState.h"
#include "printing/FormatStore.h"
#include "printing/SampleValues.h"
#include "printing/TicketFormat.h"
#include "printing/TicketOutput.h"
#include "printing/ui/InsertRenglon.h"
#include "printing/ui/TicketPictures.h"
#include "printing/ui/TicketPreview.h"
#include "printing/ui/TicketPrint.h"
#include "printing/ui/TicketSendDlg.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QApplication>
#include <QFrame>
#include <QScrollArea>

#include <utility>

namespace {

constexpr int kClientWidth = 350;
constexpr int kClientHeight = 252;
constexpr int kFrameWidth = 262;
constexpr int kButtonX = 277;
constexpr int kButtonWidth = 66;

QString q(const char* text) { return QString::fromUtf8(text); }

} // namespace

CTicketDlg::CTicketDlg(Database& db, const ApplicationState& state, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_state(state) {
    setWindowTitle(QStringLiteral("Diseño de Ticket"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    createControls();
    load();
}

void CTicketDlg::createControls() {
    setClientSize(dialogSize(kClientWidth, kClientHeight));
    auto* frame = new QFrame(this);
    setId(frame, kMarcoId);
    frame->setFrameShape(QFrame::Box);
    place(frame, 7, 7, kFrameWidth, kClientHeight - 14);
    // The picture sits 2 pixels in from the frame; a ticket longer than the frame scrolls.
    auto* scroll = new QScrollArea(frame);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setGeometry(frame->rect().adjusted(2, 2, -2, -2));
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_preview = new CTicketPreview;
    m_preview->setColumns(columns());
    scroll->setWidget(m_preview);
    connect(m_preview, &CTicketPreview::editRequested, this, &CTicketDlg::editar);

    auto button = [this](int id, const QString& text, int x, int y, int width) {
        auto* b = new CTolButton(text, this);
        setId(b, id);
        place(b, x, y, width, 14);
        return b;
    };
    connect(button(kNuevoId, QStringLiteral("Nuevo renglón"), kButtonX, 7, kButtonWidth), &QPushButton::clicked,
            this, &CTicketDlg::nuevo);
    connect(button(kEditarId, QStringLiteral("Editar renglón"), kButtonX, 25, kButtonWidth), &QPushButton::clicked,
            this, &CTicketDlg::editar);
    connect(button(kEliminarId, QStringLiteral("Eliminar renglón"), kButtonX, 43, kButtonWidth),
            &QPushButton::clicked, this, &CTicketDlg::eliminar);
    auto* up = button(kSubirId, QString(), kButtonX, 65, kButtonWidth / 2 - 1);
    up->setPicture(TicketPictures::Up());
    up->setToolTip(QStringLiteral("Subir el renglón"));
    connect(up, &QPushButton::clicked, this, &CTicketDlg::subir);
    auto* down = button(kBajarId, QString(), kButtonX + kButtonWidth / 2 + 1, 65, kButtonWidth / 2 - 1);
    down->setPicture(TicketPictures::Down());
    down->setToolTip(QStringLiteral("Bajar el renglón"));
    connect(down, &QPushButton::clicked, this, &CTicketDlg::bajar);
    auto* probarButton = button(kProbarId, QStringLiteral("Probar"), kButtonX, 89, kButtonWidth);
    probarButton->setToolTip(QStringLiteral("Imprimir el ticket con datos de ejemplo en la impresora de tickets"));
    connect(probarButton, &QPushButton::clicked, this, [this] { probar(); });
    connect(button(kGuardarId, QStringLiteral("Guardar"), kButtonX, kClientHeight - 39, kButtonWidth),
            &QPushButton::clicked, this, [this] { guardar(); });
    connect(button(kSalirId, QStringLiteral("Salir"), kButtonX, kClientHeight - 21, kButtonWidth),
            &QPushButton::clicked, this, &QDialog::reject);
}

void CTicketDlg::load() {
    CTicketFormat format;
    try {
        const CFormatStore::Result loaded = CFormatStore(m_db).LoadTicketFormat(format);
        // No ticket format yet is the usual start: nothing to say.
        if (loaded.status == CFormatStore::Status::Damaged)
            TolMessage(QString::fromStdString(loaded.message));
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    for (CRenglonTicket& row : format.Rows)
        row.BuildPreview(columns());
    m_preview->rows() = std::move(format.Rows);
    m_preview->rowsChanged();
}

void CTicketDlg::nuevo() {
    CInsertRenglon dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_preview->rows().push_back(dialog.row());
    m_preview->rows().back().BuildPreview(columns());
    m_preview->rowsChanged();
}

void CTicketDlg::editar() {
    CRenglonTicket* row = m_preview->selectedRow();
    if (!row)
        return;
    CInsertRenglon dialog(this, row);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The pointer may not outlive the modal loop's repaints, so the row is looked up again.
    if (CRenglonTicket* edited = m_preview->selectedRow()) {
        edited->Fields = dialog.row().Fields;
        edited->Alignment = dialog.row().Alignment;
        edited->BuildPreview(columns());
    }
    m_preview->rowsChanged();
}

void CTicketDlg::eliminar() {
    if (!m_preview->selectedRow())
        return;
    auto& rows = m_preview->rows();
    rows.erase(rows.begin() + m_preview->selection());
    m_preview->rowsChanged();
}

void CTicketDlg::subir() {
    const int i = m_preview->selection();
    if (!m_preview->selectedRow() || i == 0)
        return;
    std::swap(m_preview->rows()[std::size_t(i)], m_preview->rows()[std::size_t(i - 1)]);
    m_preview->setSelection(i - 1);
}

void CTicketDlg::bajar() {
    const int i = m_preview->selection();
    if (!m_preview->selectedRow() || i + 1 >= int(m_preview->rows().size()))
        return;
    std::swap(m_preview->rows()[std::size_t(i)], m_preview->rows()[std::size_t(i + 1)]);
    m_preview->setSelection(i + 1);
}

bool CTicketDlg::guardar() {
    if (m_preview->rows().empty()) {
        TolMessage(q(kEmptyMessage));
        return false;
    }
    CTicketFormat format;
    format.Rows = m_preview->rows();
    try {
        CFormatStore(m_db).StoreTicketFormat(format);
    } catch (const DbError& e) {
        ShowDbError(e);
        return false;
    }
    TolMessage(q(kSavedMessage));
    return true;
}

bool CTicketDlg::probar() {
    if (m_preview->rows().empty()) {
        TolMessage(q(kEmptyMessage));
        return false;
    }
    CTicketFormat format;
    format.Rows = m_preview->rows();
    CSampleValues samples;
    // One sample line is enough to show the detail rows.
    const std::vector<CPartida> lines(1);
    const TicketSettings settings = TicketSettingsOf(m_state);
    // An ESC/POS printer shows its QR with the sample verification address.
    const TicketOutput::Bytes bytes = TicketOutput::Compose(format, samples, lines, settings,
                                                            FormatData::Sample(FIELD_DOC, FormatData::kQrCode));
    const TicketOutput::Result sent = SendTicketWaiting(bytes, settings, this);
    if (sent.ok && sent.message.empty())
        TolMessage(q(kTestSentMessage));
    else
        ReportTicketResult(sent);
    return sent.ok;
}

int CTicketDlg::columns() const { return TicketSettingsOf(m_state).Columns(); }

void CTicketDlg::Run(Database& db, const ApplicationState& state, QWidget* parent) {
    CTicketDlg dialog(db, state, parent);
    dialog.exec();
}
