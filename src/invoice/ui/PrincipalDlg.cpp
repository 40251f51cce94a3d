#include "invoice/ui/PrincipalDlg.h"

#include "catalogs/ui/AddEditArticulo.h"
#include "catalogs/ui/CatArticulos.h"
#include "catalogs/ui/CatClientes.h"
#include "cfdi/DocumentRounding.h"
#include "cfdi/ui/CfdiDlg.h"
#include "cfdi/ui/PorTimbrarDlg.h"
#include "config/ui/ConfigDlg.h"
#include "config/ui/Maintenance.h"
#include "config/ui/RestaurarDlg.h"
#include "db/ArticulosSet.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/EsxtrasSet.h"
#include "db/ImpuestosSet.h"
#include "db/ui/DatabaseWatch.h"
#include "db/ui/DbErrorMessage.h"
#include "db/ui/OleDateQt.h"
#include "designer/ui/DesignerLauncher.h"
#include "invoice/DocumentStore.h"
#include "invoice/Lineas.h"
#include "invoice/ui/BuscarDlg.h"
#include "invoice/ui/Detalle.h"
#include "invoice/ui/EliminarDlg.h"
#include "cfdi/ui/CancelarCfdiDlg.h"
#include "cfdi/ui/FacturaGlobalDlg.h"
#include "invoice/ui/TotalWnd.h"
#include "platform/ApplicationState.h"
#include "platform/ProgramVersion.h"
#include "platform/ui/Help.h"
#include "printing/PrintJob.h"
#include "printing/ui/PrintDocument.h"
#include "printing/ui/SelectFormat.h"
#include "printing/ui/TicketDlg.h"
#include "receivables/ui/CobrosDlg.h"
#include "receivables/ui/RegDoc.h"
#include "reports/ui/RepCatart.h"
#include "reports/ui/RepCatcli.h"
#include "reports/ui/RepCxc.h"
#include "reports/ui/RepDoc.h"
#include "reports/ui/RepEdo.h"
#include "toolkit/ui/TolBitmapPainter.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolLabel.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "toolkit/ui/TolTextEdit.h"

#include <QApplication>

#include <cmath>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

const QColor kLightYellow(255, 255, 204);
const QColor kRed(255, 0, 0);
const QColor kMagenta(255, 0, 255);
const QColor kSilver(192, 192, 192);
const QColor kWhite(255, 255, 255);

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& q) { return q.toStdString(); }

CLineas::Options lineOptions(const ApplicationState& state) {
    return {state.prcAiva, state.rapido, state.impuesto, state.defaultTaxRate};
}

} // namespace

CPrincipalDlg::CPrincipalDlg(Database& db, ApplicationState& state, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_state(state) {
    setWindowTitle(QStringLiteral("Quintaleva"));
    setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/images/quintaleva.png")));
    setCaptionBitmap(CTolPicture::fromResource(189, kMagenta));

    // The two record sets live as long as the form: articles by key, taxes by id.
    m_articles = std::make_unique<CArticulosSet>(m_db);
    m_articles->Open(OpenType::Table);
    m_articles->SetCurrentIndex("Clave");
    m_taxes = std::make_unique<CImpuestosSet>(m_db);
    m_taxes->Open(OpenType::Table);
    m_taxes->SetCurrentIndex("PrimaryKey");
    m_lines = std::make_unique<CLineas>(*m_articles, *m_taxes, lineOptions(m_state));

    createControls();
    // F2 in the grid: the article catalogue on the key cell, the article dialog on the price cell.
    m_grid->pickArticle = [this]() -> std::optional<std::string> {
        const auto chosen = CCatArticulos::Choose(m_db, m_state, this);
        return chosen ? std::optional<std::string>(s(chosen->clave)) : std::nullopt;
    };
    m_grid->editArticle = [this](CPartida& line) { return CAddEditArticulo::EditLine(m_db, line, this); };
    LoadLogo();
    BuildExtraFields();
    qApp->installEventFilter(this);
    // The file moved or replaced while the operator types is told at once, not at the save.
    m_watch = new CDatabaseWatch(m_db, this);
    Clear();
    // Once the form is up: an invoice the PAC may have stamped unanswered is not left forgotten.
    QTimer::singleShot(0, this, [this] {
        CPorTimbrarDlg::WarnAtStart(m_db, this);
        CCancelarCfdiDlg::CheckAtStart(m_db, this);
    });
}

CPrincipalDlg::~CPrincipalDlg() { qApp->removeEventFilter(this); }

CTolButton* CPrincipalDlg::addButton(int id, const QString& text, int x, int y, int bitmap,
                                     const QColor& transparent, const QString& tip) {
    auto* b = new CTolButton(text, this);
    setId(b, id);
    b->setGeometry(dialogRect(x, y, 62, 21));
    b->setPicture(CTolPicture::fromResource(bitmap, transparent));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, id, b] {
        if (!b->isMenuButton())
            sendCommand(id);
    });
    return b;
}

void CPrincipalDlg::createControls() {
    setClientSize(dialogSize(521, 327));
    auto label = [this](const QString& text, int x, int y, int w = 32) {
        auto* l = new QLabel(text, this);
        l->setGeometry(dialogRect(x, y + 2, w, 9));
        return l;
    };
    auto edit = [this](int id, int x, int y, int w, int h, int limit) {
        auto* e = new CTolEdit(this);
        setId(e, id);
        e->setGeometry(dialogRect(x, y, w, h));
        if (limit > 0)
            e->setMaxLength(limit);
        return e;
    };

    label(QStringLiteral("Cliente:"), 7, 7);
    m_cliente = edit(kCliente, 40, 7, 203, 12, 100);
    m_cliente->setLookup(kChooseCustomer);
    m_cliente->setToolTip(QStringLiteral("Escoger un cliente del catálogo (F9)"));
    label(QStringLiteral("Dirección:"), 7, 20);
    for (int i = 0; i < 3; ++i)
        m_dom[i] = edit(kDom1 + i, 40, 20 + 13 * i, 203, 12, 80);
    label(QStringLiteral("RFC:"), 7, 60);
    m_rfc = edit(kRfc, 40, 60, 79, 12, 25);
    m_rfc->setUpperCase(true);
    label(QStringLiteral("Telefono:"), 126, 60, 36);
    m_telefono = edit(kTelefono, 164, 60, 79, 12, 35);

    label(QStringLiteral("Fecha:"), 250, 7, 40);
    m_fecha = new CTolDatePicker(this);
    setId(m_fecha, kFecha);
    m_fecha->setGeometry(dialogRect(291, 7, 72, 12));
    label(QStringLiteral("Vencimiento:"), 250, 20, 40);
    m_vence = new CTolDatePicker(this);
    setId(m_vence, kVence);
    m_vence->setGeometry(dialogRect(291, 20, 72, 12));

    label(QStringLiteral("Serie/Folio:"), 250, 46, 40);
    m_serie = edit(kSerie, 291, 46, 14, 12, 2);
    m_folio = edit(kFolio, 306, 46, 48, 12, 0);
    for (CTolEdit* e : {m_serie, m_folio}) {
        e->setBackColor(kLightYellow);
        e->setTextColor(kRed);
        e->setBold(true);
    }
    m_serie->setUpperCase(true);
    m_serie->setAlignment(Qt::AlignCenter);
    m_folio->setAlignment(Qt::AlignRight);
    m_folio->setAcceptedChars(QStringLiteral("0123456789"));
    m_folio->setMaxLength(10);
    connect(m_serie, &QLineEdit::editingFinished, this, &CPrincipalDlg::seriesEdited);

    m_cancelada = new CTolLabel(QStringLiteral("CANCELADA"), this);
    setId(m_cancelada, kCancelada);
    m_cancelada->setGeometry(dialogRect(253, 60, 101, 11));
    m_cancelada->setTextColor(kRed);
    m_cancelada->setBold(true);
    m_cancelada->setAlignment(Qt::AlignCenter);
    m_cancelada->hide();

    m_logoRect = dialogRect(409, 7, 105, 65);

    const int extraX[6] = {7, 92, 177, 262, 347, 432};
    for (int i = 0; i < 6; ++i) {
        m_extras[i] = edit(kExtra1 + i, extraX[i], 75, 86, 26, 50);
        m_extras[i]->hide();
    }

    m_grid = new CDetalle(this, *m_lines);
    m_grid->setGeometry(dialogRect(7, 104, 507, 113));
    connect(m_grid, &CDetalle::recalcTotals, this, [this] { m_totals->Recompute(*m_lines); });

    m_notas = new CTolTextEdit(this);
    setId(m_notas, kNotas);
    m_notas->setGeometry(dialogRect(7, 220, 349, 50));
    m_notas->setCaption(QStringLiteral("Observaciones"));
    m_notas->setTextColor(kRed);
    m_notas->setBold(true);

    m_totals = new CTotalWnd(this);
    m_totals->setGeometry(dialogRect(359, 219, 155, 75).adjusted(1, 1, -1, -1));

    addButton(kSave, QStringLiteral("Guardar"), 7, 275, 140, kMagenta,
              QStringLiteral("Registra el documento en la base de datos (F3)"));
    addButton(kPrint, QStringLiteral("Imprimir"), 70, 275, 129, kSilver,
              QStringLiteral("Imprime el documento en pantalla (F4)"));
    addButton(kSearch, QStringLiteral("Buscar"), 133, 275, 139, kWhite,
              QStringLiteral("Presenta en pantalla un documento registrado (F5)"));
    addButton(kDelete, QStringLiteral("Eliminar"), 196, 275, 133, kMagenta,
              QStringLiteral("Elimina o Cancela un documento (F6)"));
    addButton(kReceivables, QStringLiteral("Cobranza"), 259, 275, 160, kMagenta,
              QStringLiteral("Permite registrar pagos a las cuentas por cobrar (F7)"));
    addButton(kClear, QStringLiteral("Limpiar"), 7, 299, 137, kMagenta,
              QStringLiteral("Limpia la pantalla para comenzar una captura nueva (F8)"));
    addButton(kConfigure, QStringLiteral("Configurar"), 70, 299, 159, kMagenta,
              QStringLiteral("Presenta diferentes opciones para personalizar el sistema"));
    addButton(kFormatsMenu, QStringLiteral("Formatos"), 133, 299, 135, kMagenta,
              QStringLiteral("Lanza la utilidad de diseño de formatos de impresión"))
        ->setMenu({{kWindowsFormat, QStringLiteral("Para impresora de Windows")},
                   {kTicketFormat, QStringLiteral("Para impresora de tickets")}},
                  this);
    addButton(kUtilitiesMenu, QStringLiteral("Utilerias"), 196, 299, 134, kMagenta,
              QStringLiteral("Respaldos, Nueva base de datos, Importación"))
        ->setMenu({{kNewDatabase, QStringLiteral("Crear nueva base de datos")},
                   {kBackup, QStringLiteral("Respaldar base de datos")},
                   {kImport, QStringLiteral("Importar de Quintaleva 1.3")},
                   {kFacturaElectronica, QStringLiteral("Factura electrónica")},
                   {kFacturasPorTimbrar, QStringLiteral("Facturas por timbrar")},
                   {kFacturaGlobal, QStringLiteral("Factura global")},
                   {kRestore, QStringLiteral("Restaurar un respaldo")}},
                  this);
    addButton(kReportsMenu, QStringLiteral("Reportes"), 259, 299, 131, kMagenta,
              QStringLiteral("Presenta los diferentes reportes del sistema"))
        ->setMenu({{kReportCustomers, QStringLiteral("Catálogo de clientes")},
                   {kReportArticles, QStringLiteral("Catálogo de artículos")},
                   {kReportDocuments, QStringLiteral("Documentos")},
                   {kReportReceivables, QStringLiteral("Cuentas por cobrar")},
                   {kReportStatement, QStringLiteral("Movimientos de clientes")}},
                  this);
    addButton(kHelp, QStringLiteral("Ayuda"), 385, 299, 132, kMagenta,
              QStringLiteral("Presenta la ayuda en línea del sistema"));
    addButton(kLeave, QStringLiteral("Salir"), 452, 299, 158, kMagenta, QStringLiteral("Termina el sistema"));

    // Tab order follows the page: header, dates, series and folio, extra fields, lines, notes.
    QWidget* order[] = {m_cliente, m_dom[0], m_dom[1], m_dom[2], m_rfc, m_telefono, m_fecha, m_vence,
                        m_serie, m_folio, m_extras[0], m_extras[1], m_extras[2], m_extras[3], m_extras[4],
                        m_extras[5], m_grid, m_notas};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void CPrincipalDlg::LoadLogo() {
    m_logo.clear();
    const QString path = q(m_state.logo);
    // A logo that is there but cannot be read is told, then the built-in one stands in.
    if (!path.isEmpty() && QFileInfo::exists(path) && !m_logo.loadFile(QFile::encodeName(path).toStdString()))
        TolMessage(CTolBitmapPainter::unreadableMessage(path, m_logo));
    if (!m_logo.isLoaded())
        CTolBitmapPainter::loadResource(m_logo, 143);
    update(m_logoRect);
}

void CPrincipalDlg::BuildExtraFields() {
    try {
        CEsxtrasSet fields(m_db);
        fields.m_strSort = "Consec";
        fields.Open(OpenType::Snapshot);
        for (int i = 0; i < 6; ++i)
            m_extras[i]->hide();
        for (; !fields.IsEOF(); fields.MoveNext()) {
            if (fields.m_Consec < 1 || fields.m_Consec > 6)
                continue;
            CTolEdit* e = m_extras[fields.m_Consec - 1];
            e->setCaption(q(fields.m_Nombre));
            e->setVisible(!fields.m_Nombre.empty());
        }
        m_grid->BuildColumns(m_db);
    } catch (const DbError& e) {
        ShowDbError(e);
    }
}

bool CPrincipalDlg::hasLines() const { return m_lines->LineCount() > 0; }

void CPrincipalDlg::ReadValues() {
    m_doc.nombre = s(m_cliente->text());
    m_doc.dom1 = s(m_dom[0]->text());
    m_doc.dom2 = s(m_dom[1]->text());
    m_doc.dom3 = s(m_dom[2]->text());
    m_doc.rfc = s(m_rfc->text());
    m_doc.telefono = s(m_telefono->text());
    m_doc.fecha = FromQDateTime(m_fecha->dateTime());
    m_doc.vence = FromQDateTime(m_vence->dateTime());
    m_doc.serie = s(m_serie->text().trimmed());
    m_doc.folio = static_cast<std::int32_t>(ParseFolioText(s(m_folio->text())));
    for (int i = 0; i < 6; ++i)
        m_doc.extras[static_cast<std::size_t>(i)] = s(m_extras[i]->text());
    m_doc.observaciones = s(m_notas->toPlainText());
}

void CPrincipalDlg::ShowValues() {
    m_cliente->setText(q(m_doc.nombre));
    m_dom[0]->setText(q(m_doc.dom1));
    m_dom[1]->setText(q(m_doc.dom2));
    m_dom[2]->setText(q(m_doc.dom3));
    m_rfc->setText(q(m_doc.rfc));
    m_telefono->setText(q(m_doc.telefono));
    m_fecha->setDateTime(ToQDateTime(m_doc.fecha));
    m_vence->setDateTime(ToQDateTime(m_doc.vence));
    m_serie->setText(q(m_doc.serie));
    m_folio->setText(q(NumberToPaddedText(m_doc.folio)));
    for (int i = 0; i < 6; ++i)
        m_extras[i]->setText(q(m_doc.extras[static_cast<std::size_t>(i)]));
    m_notas->setPlainText(q(m_doc.observaciones));
    m_cancelada->setVisible(m_doc.cancelada);
    m_lastSerie = m_doc.serie;
}

void CPrincipalDlg::proposeFolio() {
    m_proposed.reset();
    try {
        m_doc.folio = CDocumentStore(m_db).NextFolio(m_doc.serie);
        m_proposed.emplace(m_doc.serie, m_doc.folio);
    } catch (const DbError& e) {
        ShowDbError(e);
    }
}

void CPrincipalDlg::Clear() {
    m_loaded.reset();
    ReadValues();
    const std::string serie = m_doc.serie; // consecutive documents continue the same series
    m_totals->Clear();
    m_lines->SetOptions(lineOptions(m_state));
    m_lines->Clear();
    m_grid->SyncRows();
    refreshTotals();
    m_doc = DocumentHeader{};
    m_doc.serie = serie;
    m_doc.fecha = m_doc.vence = OleDate::now();
    proposeFolio();
    ShowValues();
    m_cliente->setFocus();
}

void CPrincipalDlg::seriesEdited() {
    const std::string serie = s(m_serie->text().trimmed());
    if (serie == m_lastSerie)
        return; // a folio typed by hand stays
    m_lastSerie = serie;
    m_doc.serie = serie;
    proposeFolio();
    m_folio->setText(q(NumberToPaddedText(m_doc.folio)));
}

// ---- commands -------------------------------------------------------------------------------------

void CPrincipalDlg::onCommand(int id) {
    // An edit still open in the grid belongs to the document the command works on.
    if (m_grid->isEditing())
        m_grid->commitEdit();
    switch (id) {
    case kSave: onSave(); break;
    case kPrint: onPrint(); break;
    case kSearch: onSearch(); break;
    case kDelete: onDelete(); break;
    case kClear: Clear(); break;
    case kChooseCustomer: onChooseCustomer(); break;
    case kHelp: ShowHelp(); break;
    case kLeave: close(); break;
    case kAbout: onAbout(); break;
    case kReceivables: CCobrosDlg::Run(m_db, this); break;
    case kConfigure:
        switch (CConfigDlg::Run(m_db, m_state, this)) {
        case CConfigDlg::Outcome::DatabaseChanged: close(); break;  // the program starts again on the new file
        case CConfigDlg::Outcome::Saved: LoadLogo(); BuildExtraFields(); Clear(); break;
        case CConfigDlg::Outcome::Cancelled: break;
        }
        break;
    case kNewDatabase: CMaintenance::NewDatabase(m_db, this); break;
    case kBackup: CMaintenance::Backup(m_db, this); break;
    case kRestore: onRestore(); break;
    case kImport:
        // The imported articles and taxes are looked up by the lines from now on.
        if (CMaintenance::Import(m_db, this)) {
            m_articles->Requery();
            m_taxes->Requery();
        }
        break;
    case kFacturaElectronica:
        ReadValues();
        CCfdiDlg::Run(m_db, m_doc.serie, m_doc.folio, this);
        break;
    case kFacturasPorTimbrar: CPorTimbrarDlg::Run(m_db, this); break;
    case kFacturaGlobal: CFacturaGlobalDlg::Run(m_db, this); break;
    case kReportCustomers: CRepCatcli(m_db, m_state, this).exec(); break;
    case kReportArticles: CRepCatart(m_db, m_state, this).exec(); break;
    case kReportDocuments: CRepDoc(m_db, m_state, this).exec(); break;
    case kReportReceivables: CRepCxc(m_db, m_state, this).exec(); break;
    case kReportStatement: CRepEdo(m_db, m_state, this).exec(); break;
    case kWindowsFormat: StartDesigner(QString::fromStdString(m_db.path())); break;
    case kTicketFormat: CTicketDlg::Run(m_db, m_state, this); break;
    default:
        break;
    }
}

CPrintJob CPrincipalDlg::printJob(std::int32_t formatId, int copies) const {
    CPrintJob job;
    job.SetDocument(m_doc, *m_lines, m_totals->totals());
    job.FormatId = formatId;
    job.Copies = copies;
    return job;
}

void CPrincipalDlg::refreshTotals() {
    try {
        m_totals->SetRounding(DocumentRounding(m_db));
    } catch (const DbError&) {
        // The way it was: the save or print that follows meets the database's error itself.
    }
    m_totals->Recompute(*m_lines);
}

bool CPrincipalDlg::commitTypedLine() {
    refreshTotals();
    const CPartida& typed = m_lines->NewLine();
    if (typed.Clave.empty() && typed.Descripcion.empty() && typed.Importe == 0)
        return true;
    // The row being typed already counts in the totals: it is part of the document, not left out
    // of the lines while its amounts are saved.
    const CLineas::AppendResult result = m_lines->CommitNewLine();
    if (!result.accepted) {
        TolMessage(q(result.message));
        return false;
    }
    m_grid->SyncRows();
    m_totals->Recompute(*m_lines);
    return true;
}

bool CPrincipalDlg::folioFits() {
    if (ReadFolio(s(m_folio->text())))
        return true;
    TolMessage(QString::fromUtf8(kMsgFolioTooBig));
    m_folio->setFocus();
    m_folio->selectAll();
    return false;
}

bool CPrincipalDlg::askReplace(const QString& lead) {
    const QString folio = q(m_doc.serie) + q(NumberToPaddedText(m_doc.folio));
    return TolMessage(lead + QStringLiteral("El folio %1 ya existe.\n¿Desea eliminar los pagos y sustituirla por la actual?")
                                 .arg(folio),
                      true) == 1;
}

void CPrincipalDlg::onSave() {
    if (!commitTypedLine())
        return;
    ReadValues();
    if (!folioFits())
        return;
    if (m_doc.folio == 0 || !hasLines() || m_doc.nombre.empty()) {
        TolMessage(QStringLiteral("- Faltan Datos -\nAl menos necesito:\nFolio\nCliente\nUn producto"));
        return;
    }
    if (!std::isfinite(m_totals->Total())) {
        TolMessage(QStringLiteral("- Los importes del documento están fuera de rango -"));
        return;
    }
    std::optional<StoredDocument> stored;
    std::optional<RegDocResult> reg;
    try {
        // A file moved or replaced meanwhile is told before the operator answers the registration.
        m_db.checkStillThere();
        stored = CDocumentStore(m_db).FindStored(m_doc.serie, m_doc.folio);
        if (stored && m_proposed == std::make_pair(m_doc.serie, m_doc.folio)) {
            // Not a document to replace: another station stored the folio proposed to this one.
            proposeFolio();
            tellFolioTaken();
            return;
        }
        if (stored) {
            if (const std::string hold = CDocumentStore(m_db).StampedHold(stored->id); !hold.empty()) {
                TolMessage(q(hold));
                return;
            }
            if (!askReplace({}))
                return;
        }
        if (!stored && m_loaded == std::make_pair(m_doc.serie, m_doc.folio) &&
            TolMessage(QStringLiteral("- El documento fue eliminado en otra estación. ¿Desea registrarlo de nuevo? -"),
                       true) != 1)
            return;
        reg = CRegDoc::Run(m_db, m_totals->Total(), this, CCfdiDlg::CanStamp(m_db));
    } catch (const DbError& e) {
        // Nothing is written before the registration answers: "Reintentar" asks again.
        if (ShowDbError(e, true, true))
            onSave();
        return;
    }
    if (!reg)
        return;
    const StoreEnd end = storeDocument(*reg, stored);
    if (end == StoreEnd::NotStored)
        return;
    // Stamped before it prints, so the page carries its folio fiscal; a stamp that did not end
    // leaves the document saved all the same, and the dialog has said why.
    if (reg->timbrar)
        stampSaved();
    if (reg->imprimir)
        PrintDocument(printJob(reg->formatoId, reg->copias), m_db, m_state, this);
    TolMessage(end == StoreEnd::FoundStored ? QStringLiteral("- El documento sí quedó registrado -")
                                            : QStringLiteral("- Documento Registrado -"));
    Clear();
}

void CPrincipalDlg::stampSaved() {
    std::optional<std::int32_t> id;
    try {
        id = CDocumentStore(m_db).Find(m_doc.serie, m_doc.folio);
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    if (id)
        CCfdiDlg::StampSaved(m_db, *id, this);
}

void CPrincipalDlg::tellFolioTaken() {
    const QString folio = q(NumberToPaddedText(m_doc.folio));
    m_folio->setText(folio);
    TolMessage(QStringLiteral("- El folio ya fue usado en otra estación: se propone el %1 -").arg(folio));
}

CPrincipalDlg::StoreEnd CPrincipalDlg::storeDocument(const RegDocResult& reg, std::optional<StoredDocument> replace) {
    CDocumentStore store(m_db);
    // The lines are slots 1 … n of the table, one after the other.
    std::span<CPartida> lines(&m_lines->Line(1), static_cast<std::size_t>(m_lines->LineCount()));
    const FirstPayment payment{reg.registrarPago, reg.importe, s(reg.referencia)};
    // After a failure the server may have stored the document all the same (a connection lost at
    // COMMIT): a retry looks first, so it is never stored twice nor offered to replace itself.
    bool unsure = false;
    for (;;) {
        try {
            if (unsure && store.CompareStored(m_doc, lines, m_totals->totals(), payment) == StoredVersion::Same)
                return StoreEnd::FoundStored;
            const SaveResult result = store.Save(m_doc, lines, m_totals->totals(), payment, replace);
            if (result.outcome == SaveResult::Outcome::Saved)
                return StoreEnd::Stored;
            const QString folio = q(m_doc.serie) + q(NumberToPaddedText(m_doc.folio));
            if (result.outcome == SaveResult::Outcome::Stamped) {
                // Stamped at another station while the operator answered.
                TolMessage(q(store.StampedHold(replace ? replace->id : 0)));
                return StoreEnd::NotStored;
            }
            if (result.outcome == SaveResult::Outcome::FolioTaken) {
                // Another station stored this folio while the operator was on the dialogs.
                m_doc.folio = result.nextFolio;
                m_proposed.emplace(m_doc.serie, m_doc.folio);
                tellFolioTaken();
                return StoreEnd::NotStored;
            }
            // The document the operator agreed to replace changed or went meanwhile: ask about
            // what is stored now.
            replace = store.FindStored(m_doc.serie, m_doc.folio);
            if (replace) {
                if (!askReplace(QStringLiteral("- El documento cambió en otra estación -\n")))
                    return StoreEnd::NotStored;
            } else if (TolMessage(QStringLiteral("- El documento %1 fue eliminado en otra estación -\n"
                                                 "¿Desea registrar el actual con ese folio?")
                                      .arg(folio),
                                  true) != 1) {
                return StoreEnd::NotStored;
            }
        } catch (const DbError& e) {
            if (!ShowDbError(e, true, true))
                return StoreEnd::NotStored;
            unsure = true;
        }
    }
}

void CPrincipalDlg::onPrint() {
    if (!commitTypedLine())
        return;
    ReadValues();
    if (!folioFits())
        return;
    if (m_doc.folio == 0 || !hasLines()) {
        TolMessage(QStringLiteral("- Faltan datos -"));
        return;
    }
    const std::optional<SelectFormatResult> choice = CSelectFormat::Run(m_db, this);
    if (!choice)
        return;
    const CPrintJob job = printJob(choice->formatoId, choice->copias);
    if (choice->vistaPrevia)
        PreviewDocument(job, m_db, this);
    else
        PrintDocument(job, m_db, m_state, this);
}

void CPrincipalDlg::onSearch() {
    const std::optional<std::int32_t> id = CBuscarDlg::Choose(m_db, this);
    if (id)
        LoadDocument(*id);
}

void CPrincipalDlg::LoadDocument(std::int32_t id) {
    Clear();
    std::vector<CPartida> lines;
    CDocumentStore::LoadResult result;
    try {
        result = CDocumentStore(m_db).Load(id, m_doc, lines);
    } catch (const DbError& e) {
        ShowDbError(e);
        return;
    }
    if (result == CDocumentStore::LoadResult::NotFound) {
        TolMessage(QStringLiteral("Upss..."));
        return;
    }
    // A stored document's folio is its own, not a proposal.
    m_proposed.reset();
    m_loaded.emplace(m_doc.serie, m_doc.folio);
    // A folio cancelled before it was ever written has no dates: it gets today's, not 1899's.
    for (OleDate* date : {&m_doc.fecha, &m_doc.vence}) {
        const auto c = date->split();
        if (!c || c->year <= 1900)
            *date = OleDate::now();
    }
    for (std::size_t i = 0; i < lines.size(); ++i)
        m_lines->Line(static_cast<int>(i) + 1).CopyFrom(lines[i]);
    m_lines->SetLineCount(static_cast<int>(lines.size()));
    m_grid->SyncRows();
    m_totals->Recompute(*m_lines);
    ShowValues();
    if (result == CDocumentStore::LoadResult::NoLines)
        TolMessage(QStringLiteral("- ¡¡¡No exite el detalle!!! -"));
}

void CPrincipalDlg::onDelete() {
    ReadValues();
    // A folio beyond a Long would name another document.
    if (!folioFits())
        return;
    CEliminarDlg dialog(m_db, q(m_doc.serie), m_doc.folio, this);
    if (dialog.exec() == QDialog::Accepted)
        Clear();
}

void CPrincipalDlg::onChooseCustomer() {
    const std::optional<ClienteElegido> chosen = CCatClientes::Choose(m_db, this);
    if (!chosen)
        return;
    ReadValues();
    m_doc.idCliente = chosen->idCliente;
    m_doc.nombre = s(chosen->nombre);
    m_doc.dom1 = s(chosen->dom1);
    m_doc.dom2 = s(chosen->dom2);
    m_doc.dom3 = s(chosen->dom3);
    m_doc.rfc = s(chosen->rfc);
    m_doc.telefono = s(chosen->telefono);
    ShowValues();
    m_fecha->setFocus();
}

void CPrincipalDlg::onArticleKey() {
    const auto chosen = CCatArticulos::Choose(m_db, m_state, this);
    if (!chosen)
        return;
    // Entered into the current row's key cell as if typed and confirmed with the right arrow, so
    // the grid looks the article up.
    m_grid->setFocus();
    m_grid->goToCellAndEnter(CPartida::kClave, m_grid->currentRow(), chosen->clave, Qt::Key_Right);
}

void CPrincipalDlg::onAbout() {
    TolMessage(QStringLiteral("Quintaleva 2\nVersión %1\nFacturación para negocios de México")
                   .arg(QString::fromLatin1(ProgramVersion::Number())));
}

// ---- keys, painting, closing --------------------------------------------------------------------

bool CPrincipalDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* w = static_cast<QWidget*>(watched);
    // Only for the form itself, not for a dialog open over it.
    QWidget* modal = QApplication::activeModalWidget();
    if (w->window() != this || (modal && modal != this))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    static const std::pair<int, int> keys[] = {{Qt::Key_F1, kHelp},   {Qt::Key_F3, kSave},   {Qt::Key_F4, kPrint},
                                               {Qt::Key_F5, kSearch}, {Qt::Key_F6, kDelete},
                                               {Qt::Key_F7, kReceivables}, {Qt::Key_F8, kClear},
                                               {Qt::Key_F9, kChooseCustomer}};
    // F5 goes on to normal processing after the search, and so reaches the parents too: once.
    if (key == m_passedOn && key->key() == Qt::Key_F5)
        return false;
    for (const auto& [k, command] : keys) {
        if (key->key() == k) {
            sendCommand(command);
            if (k != Qt::Key_F5)
                return true;
            m_passedOn = key;
            QTimer::singleShot(0, this, [this] { m_passedOn = nullptr; });
            return false;
        }
    }
    if (key->key() == Qt::Key_F2) {
        const bool inGrid = w == m_grid || m_grid->isAncestorOf(w);
        if (!inGrid && w != m_cliente) {
            onArticleKey();
            return true;
        }
    }
    return false;
}

void CPrincipalDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    CTolDialog::keyPressEvent(event);
}

void CPrincipalDlg::reject() { close(); }

void CPrincipalDlg::paintEvent(QPaintEvent* event) {
    CTolDialog::paintEvent(event);
    QPainter p(this);
    const QRect r = m_logoRect.adjusted(1, 1, -1, -1);
    p.fillRect(r, Qt::black);
    CTolBitmapPainter::draw(p, m_logo, r, CTolBitmap::Center | CTolBitmap::ScaleToFit);
}

void CPrincipalDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (!captionRect().contains(event->pos())) {
        CTolDialog::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    menu.addAction(QStringLiteral("&Minimizar"), this, &QWidget::showMinimized);
    menu.addAction(QStringLiteral("&Cerrar"), this, &QWidget::close);
    menu.addSeparator();
    menu.addAction(QStringLiteral("&Acerca de Quintaleva..."), this, [this] { sendCommand(kAbout); });
    menu.exec(event->globalPos());
}

void CPrincipalDlg::onRestore() {
    // The file is replaced on purpose: the watch must not report it as moved meanwhile.
    delete m_watch;
    m_watch = nullptr;
    if (!CRestaurarDlg::Run(m_db, this)) {
        m_watch = new CDatabaseWatch(m_db, this);
        return;
    }
    m_state.reopenDatabase = true;
    close();
}

void CPrincipalDlg::closeEvent(QCloseEvent* event) {
    // After a restore the operator already agreed to lose the screen's document.
    if (!m_state.reopenDatabase) {
        if (m_grid->isEditing())
            m_grid->commitEdit();
        // Escape or the close box must not throw away a document being typed without a word, nor a
        // reflex Enter after Escape: "No" is the default.
        ReadValues();
        if ((hasLines() || !m_doc.nombre.empty()) &&
            TolMessage(QStringLiteral("¿Desea salir del sistema?\nLo que no haya guardado del documento en pantalla se perderá."),
                       true, true) != 1) {
            event->ignore();
            return;
        }
    }
    m_articles->Close();
    m_taxes->Close();
    CTolDialog::closeEvent(event);
    done(QDialog::Accepted);
}
