#include "invoice/ui/EliminarDlg.h"

#include "cfdi/ui/CancelarCfdiDlg.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/ui/DbErrorMessage.h"
#include "invoice/DocumentStore.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

CEliminarDlg::CEliminarDlg(Database& db, const QString& serie, std::int32_t folio, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_serie(serie), m_folio(folio) {
    setWindowTitle(QStringLiteral("Eliminación de Documentos"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    createControls();
}

CEliminarDlg::~CEliminarDlg() = default;

void CEliminarDlg::createControls() {
    setClientSize(dialogSize(236, 122));
    auto* group = new QGroupBox(QStringLiteral("¿Qué desea hacer?"), this);
    group->setGeometry(dialogRect(7, 3, 222, 70));

    m_accion = new QButtonGroup(this);
    struct Choice {
        int id;
        Accion value;
        const char* text;
        int y;
    };
    const Choice choices[] = {{kEliminarId, Eliminar, "Eliminar el documento del sistema", 15},
                              {kCancelarDocId, MarcarCancelado, "Marcar como cancelado el documento", 28},
                              {kAnterioresId, EliminarAnteriores, "Eliminar todos los documentos anteriores a la fecha:", 41}};
    for (const Choice& c : choices) {
        auto* radio = new QRadioButton(QString::fromUtf8(c.text), this);
        setId(radio, c.id);
        radio->setGeometry(dialogRect(14, c.y, 208, 10));
        m_accion->addButton(radio, c.value);
    }
    m_fecha = new CTolDatePicker(this);
    setId(m_fecha, kFechaId);
    m_fecha->setGeometry(dialogRect(26, 55, 72, 12));
    m_fecha->setDateTime(QDateTime::currentDateTime());
    // The date is read only for the purge; it is live only then.
    connect(m_accion, &QButtonGroup::idToggled, this,
            [this](int, bool) { m_fecha->setEnabled(accion() == EliminarAnteriores); });

    auto* note = new QLabel(
        QStringLiteral("(Al eliminar o cancelar un documento se eliminan también los pagos registrados)"), this);
    note->setWordWrap(true);
    note->setGeometry(dialogRect(7, 77, 222, 20));

    auto* proceder = new CTolButton(QStringLiteral("Proceder"), this);
    setId(proceder, kProcederId);
    proceder->setGeometry(dialogRect(110, 102, 56, 14));
    connect(proceder, &QPushButton::clicked, this, [this] { this->proceder(); });
    auto* cancelar = new CTolButton(QStringLiteral("Cancelar"), this);
    setId(cancelar, kCancelarId);
    cancelar->setGeometry(dialogRect(173, 102, 56, 14));
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);

    setAccion(Eliminar);
}

CEliminarDlg::Accion CEliminarDlg::accion() const {
    const int id = m_accion->checkedId();
    return id < 0 ? Eliminar : static_cast<Accion>(id);
}

void CEliminarDlg::setAccion(Accion accion) {
    if (QAbstractButton* b = m_accion->button(accion))
        b->setChecked(true);
    m_fecha->setEnabled(accion == EliminarAnteriores);
}

QDate CEliminarDlg::fecha() const { return m_fecha->date(); }

void CEliminarDlg::setFecha(const QDate& date) { m_fecha->setDate(date); }

bool CEliminarDlg::proceder() {
    const Accion what = accion();
    const std::string serie = m_serie.trimmed().toUpper().toStdString();
    if (what != EliminarAnteriores && m_folio <= 0) {
        // Without a folio there is no document to name, and a cancelled "folio 0" would be junk.
        TolMessage(QStringLiteral("- Falta el folio del documento -"));
        return false;
    }
    CDocumentStore store(m_db);
    QString message;
    try {
        switch (what) {
        case Eliminar:
            // Saying "eliminado" when there was nothing to delete would report a failure as success.
            switch (store.Delete(serie, m_folio)) {
            case CDocumentStore::DeleteResult::Deleted: message = QStringLiteral("- Documento eliminado -"); break;
            case CDocumentStore::DeleteResult::NotFound: message = QStringLiteral("- No existe el documento -"); break;
            case CDocumentStore::DeleteResult::Stamped:
                // The invoice stays, and so does the dialog: nothing was done.
                TolMessage(QString::fromStdString(store.StampedHold(*store.Find(serie, m_folio))));
                return false;
            }
            break;
        case MarcarCancelado:
            if (store.Cancel(serie, m_folio) == CDocumentStore::CancelResult::Stamped) {
                // A stamped invoice is cancelled before the SAT; the program follows what the SAT says.
                const std::int32_t id = *store.Find(serie, m_folio);
                const std::string hold = store.StampedHold(id);
                if (hold.find("pendiente") != std::string::npos || hold.find("factura global") != std::string::npos) {
                    TolMessage(QString::fromStdString(hold));
                    return false;
                }
                CCancelarCfdiDlg(m_db, id, this).exec();
                return false;
            }
            message = QStringLiteral("- Documento eliminado -");
            break;
        case EliminarAnteriores: {
            const QDate day = m_fecha->date();
            if (!day.isValid()) {
                TolMessage(QStringLiteral("- Fecha no válida -"));
                return false;
            }
            int kept = 0;
            store.DeleteBefore(OleDate::fromDate(day.year(), day.month(), day.day()), &kept);
            message = QStringLiteral("- Documentos Eliminados -");
            if (kept > 0)
                message += QStringLiteral("\nSe conservan %1 facturas electrónicas timbradas o con timbrado pendiente: "
                                          "una factura timbrada se cancela ante el SAT, no se elimina.")
                               .arg(kept);
            break;
        }
        }
    } catch (const std::exception& e) {
        ShowDbError(e);
        reject();
        return false;
    }
    TolMessage(message);
    accept();
    return true;
}
