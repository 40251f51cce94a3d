#include "config/ui/ConfigDlg.h"

#include "catalogs/ui/CatArticulos.h"
#include "catalogs/ui/CatImpuestos.h"
#include "catalogs/ui/ComboTabla.h"
#include "cfdi/ui/DatosFiscalesDlg.h"
#include "config/ui/DailyBackup.h"
#include "db/Database.h"
#include "db/BusinessData.h"
#include "db/DatabaseLocation.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/EsxtrasSet.h"
#include "db/GeneralSet.h"
#include "db/Schema.h"
#include "db/Transaction.h"
#include "db/ui/DatabasePromptDlg.h"
#include "db/ui/DbErrorMessage.h"
#include "invoice/AmountInWords.h"
#include "platform/ApplicationState.h"
#include "platform/SharedValues.h"
#include "platform/ui/FileChooser.h"
#include "platform/ui/SettingsStore.h"
#include "printing/TicketSettings.h"
#include "toolkit/TolBitmap.h"
#include "toolkit/ui/TolBitmapPainter.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolCaptionBand.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "toolkit/ui/TolTextEdit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace {

// Client area, dialog units.
constexpr int kClientWidth = 392;
constexpr int kClientHeight = 276;
constexpr int kLeftX = 7;
constexpr int kRightX = 200;
constexpr int kColumnWidth = 185;

const char* const kPortNames[] = {"LPT1", "LPT2", "COM1", "COM2"};

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& text) { return text.toStdString(); }

// Typing stops at `length` characters; a longer text put in by the program (a name stored by an
// older version) stays as it is, for "Guardar" to refuse with the framework's message.
void limitTyping(QLineEdit* edit, int length) {
    auto* validator = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^.{0,%1}$").arg(length), QRegularExpression::DotMatchesEverythingOption),
        edit);
    edit->setValidator(validator);
}

} // namespace

CConfigDlg::CConfigDlg(Database& db, ApplicationState& state, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_state(state) {
    setWindowTitle(QStringLiteral("Configuración"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    createControls();
    loadValues();
}

void CConfigDlg::createControls() {
    setClientSize(dialogSize(kClientWidth, kClientHeight));
    // Every control is a sibling of the group frames, as in a dialog template; a group comes
    // before its fields so that it lies beneath them, and the tab order is the order of creation.
    auto label = [this](const QString& text, int x, int y, int width) {
        auto* l = new QLabel(text, this);
        place(l, x, y, width, 12);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };
    auto group = [this](const QString& title, int x, int y, int width, int height) {
        auto* g = new QGroupBox(title, this);
        place(g, x, y, width, height);
        return g;
    };
    auto edit = [this](int id, int x, int y, int width, int height) {
        auto* e = new CTolEdit(this);
        setId(e, id);
        place(e, x, y, width, height);
        return e;
    };
    auto check = [this](int id, const QString& text, int y) {
        auto* c = new QCheckBox(text, this);
        setId(c, id);
        place(c, kRightX, y, kColumnWidth, 12);
        return c;
    };
    // A captioned edit is the band's height plus a line of text; the band is in pixels.
    const QSize line = dialogSize(0, 12);
    const int bandUnits = (CTolCaptionBand::kHeight * 12 + line.height() - 1) / line.height();

    // ---- left column: files, extra names, password ----
    label(QStringLiteral("Base de datos:"), kLeftX, 7, 50);
    m_baseDatos = edit(kBaseDatosId, 60, 7, 132, 12);
    m_baseDatos->setReadOnly(true);
    m_baseDatos->setLookup(kBrowseDatabaseCommand);
    m_baseDatos->setToolTip(QStringLiteral("Escoger otra base de datos (el sistema se reinicia)"));
    label(QStringLiteral("Logotipo:"), kLeftX, 23, 50);
    m_logo = edit(kLogoId, 60, 23, 132, 12);
    m_logo->setReadOnly(true);
    m_logo->setLookup(kBrowseLogoCommand);
    m_logo->setToolTip(QStringLiteral("Escoger la imagen del logotipo (BMP, JPG, GIF o PNG)"));

    group(QStringLiteral("Campos extras"), kLeftX, 40, kColumnWidth, 98);
    for (int i = 0; i < kExtraFields; ++i) {
        const int y = 52 + 14 * i;
        label(QStringLiteral("Campo extra %1:").arg(i + 1), kLeftX + 7, y, 60);
        m_extras[std::size_t(i)] = edit(kCampoExtra1Id + i, 76, y, 109, 12);
    }
    group(QStringLiteral("Columnas extras"), kLeftX, 142, kColumnWidth, 70);
    for (int i = 0; i < kExtraColumns; ++i) {
        const int y = 154 + 14 * i;
        label(QStringLiteral("Columna extra %1:").arg(i + 1), kLeftX + 7, y, 60);
        m_extras[std::size_t(kExtraFields + i)] = edit(kColumnaExtra1Id + i, 76, y, 109, 12);
    }
    for (CTolEdit* e : m_extras)
        limitTyping(e, kExtraNameLength);

    m_clave = edit(kClaveId, kLeftX, 218, kColumnWidth, 12 + bandUnits);
    m_clave->setCaption(QStringLiteral("Clave de acceso"));
    limitTyping(m_clave, kPasswordLength);
    m_clave->setToolTip(QStringLiteral("Vacía: el sistema abre sin pedir clave"));

    // ---- right column: capture and printing ----
    m_prcAiva = check(kPrcAivaId, QStringLiteral("Precios en el detalle antes de impuestos"), 7);
    m_rapido = check(kRapidoId, QStringLiteral("Usar modo de captura rápida"), 20);
    m_askPrinter = check(kAskPrinterId, QStringLiteral("Preguntar por la impresora antes de imprimir"), 33);
    m_windowsPrinter = check(kWindowsPrinterId, QStringLiteral("Usar impresora predeterminada de Windows"), 46);

    // The ticket group: the port, the device behind it, the drawer and cutter commands.
    const int captioned = 12 + bandUnits;
    const int deviceY = 88;
    const int comandoY = deviceY + 16;
    const int corteY = comandoY + captioned + 4;
    const int inicialY = corteY + captioned + 4;
    const int paperY = inicialY + captioned + 4;
    const int ticketBottom = paperY + 12 + 6;
    m_ticketPrinter = group(QStringLiteral("Utilizar impresora de tickets"), kRightX, 60, kColumnWidth, ticketBottom - 60);
    setId(m_ticketPrinter, kTicketPrinterId);
    m_ticketPrinter->setCheckable(true);
    m_ports = new QButtonGroup(this);
    QList<QWidget*> ticketFields;
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(QLatin1String(kPortNames[i]), this);
        setId(radio, kLpt1Id + i);
        place(radio, kRightX + 8 + 44 * i, 73, 40, 12);
        m_ports->addButton(radio, i);
        ticketFields << radio;
    }
    ticketFields << label(QStringLiteral("Dispositivo:"), kRightX + 8, deviceY, 42);
    m_dispositivo = edit(kDispositivoId, kRightX + 50, deviceY, kColumnWidth - 58, 12);
    m_dispositivo->setToolTip(QStringLiteral("Por ejemplo /dev/lp0, /dev/usb/lp0, /dev/ttyUSB0 o tcp://192.168.1.50:9100"));
    ticketFields << m_dispositivo;
    connect(m_ports, &QButtonGroup::idToggled, this, [this](int port, bool on) {
        if (on)
            showDevice(port);
    });
    m_comando = new CTolTextEdit(this);
    setId(m_comando, kComandoId);
    m_comando->setCaption(QStringLiteral("Comando para abrir cajón"));
    m_comando->setTabChangesFocus(true);
    m_comando->setToolTip(QStringLiteral("Códigos decimales separados por comas, por ejemplo 27,112,0,25,250"));
    place(m_comando, kRightX + 8, comandoY, kColumnWidth - 16, captioned);
    ticketFields << m_comando;
    m_comandoCorte = edit(kComandoCorteId, kRightX + 8, corteY, kColumnWidth - 16, captioned);
    m_comandoCorte->setCaption(QStringLiteral("Comando para cortar el papel"));
    m_comandoCorte->setToolTip(QStringLiteral("Vacío si la impresora no corta; por ejemplo 29,86,0"));
    ticketFields << m_comandoCorte;
    // The start command, the paper's width and the ESC/POS pictures.
    m_comandoInicial = edit(kComandoInicialId, kRightX + 8, inicialY, kColumnWidth - 16, captioned);
    m_comandoInicial->setCaption(QStringLiteral("Comando inicial"));
    m_comandoInicial->setToolTip(QStringLiteral("Se envía antes del ticket; por ejemplo 27,64,27,116,16 (reiniciar y página de códigos 1252)"));
    ticketFields << m_comandoInicial;
    ticketFields << label(QStringLiteral("Columnas:"), kRightX + 8, paperY, 38);
    m_columnasTicket = edit(kColumnasTicketId, kRightX + 46, paperY, 18, 12);
    m_columnasTicket->setAcceptedChars(QStringLiteral("0123456789"));
    m_columnasTicket->setMaxLength(2);
    m_columnasTicket->setToolTip(QStringLiteral("40; 32 para papel de 58 mm; 42 o 48 para papel de 80 mm"));
    ticketFields << m_columnasTicket;
    m_escPos = new QCheckBox(QStringLiteral("Impresora ESC/POS"), this);
    setId(m_escPos, kEscPosId);
    m_escPos->setToolTip(QStringLiteral("Imprime el logotipo al inicio y el código QR del SAT al final"));
    place(m_escPos, kRightX + 78, paperY, kColumnWidth - 86, 12);
    ticketFields << m_escPos;

    // The two ways of printing exclude each other: each check is always the other's opposite.
    connect(m_windowsPrinter, &QCheckBox::toggled, this, [this](bool on) { m_ticketPrinter->setChecked(!on); });
    connect(m_ticketPrinter, &QGroupBox::toggled, this, [this, ticketFields](bool on) {
        m_windowsPrinter->setChecked(!on);
        for (QWidget* w : ticketFields)
            w->setEnabled(on);
    });

    const int totalY = ticketBottom + 4;
    group(QStringLiteral("Configuración total con letra"), kRightX, totalY, kColumnWidth, 20 + captioned);
    m_moneda = edit(kMonedaId, kRightX + 8, totalY + 12, 80, captioned);
    m_moneda->setCaption(QStringLiteral("Moneda"));
    m_postfijo = edit(kPostfijoId, kRightX + 97, totalY + 12, 80, captioned);
    m_postfijo->setCaption(QStringLiteral("Postfijo"));

    const int taxY = totalY + 24 + captioned;
    label(QStringLiteral("Impuesto predeterminado para artículos nuevos:"), kRightX, taxY, kColumnWidth);
    m_impuesto = new CComboTabla(this);
    setId(m_impuesto, kImpuestoId);
    place(m_impuesto, kRightX, taxY + 13, kColumnWidth, 13);
    const int backupY = taxY + 31;
    label(QStringLiteral("Respaldos:"), kRightX, backupY, 40);
    m_respaldos = edit(kRespaldosId, kRightX + 42, backupY, kColumnWidth - 42, 12);
    m_respaldos->setLookup(kBrowseBackupCommand);
    m_respaldos->setToolTip(QStringLiteral("Carpeta del respaldo diario de la base de datos (se guardan los últimos 30)"));

    // ---- the business as its documents and reports show it, across both columns ----
    const int businessY = std::max(kClientHeight - 30, backupY + 7);
    constexpr int kBusinessHeight = 68;
    group(QStringLiteral("Datos del negocio"), kLeftX, businessY, kClientWidth - 2 * kLeftX, kBusinessHeight);
    label(QStringLiteral("Nombre:"), kLeftX + 7, businessY + 11, 40);
    m_negocioNombre = edit(kNegocioNombreId, kLeftX + 50, businessY + 11, kClientWidth - 2 * kLeftX - 57, 12);
    m_negocioNombre->setToolTip(QStringLiteral("Encabeza los reportes y se imprime en los formatos que lo llevan"));
    label(QStringLiteral("Domicilio:"), kLeftX + 7, businessY + 25, 40);
    // Enter goes down the address, then to the RFC and the telephone.
    for (int i = 0; i < 3; ++i)
        m_negocioDomicilio[std::size_t(i)] = edit(kNegocioDomicilio1Id + i, kLeftX + 50, businessY + 25 + 14 * i, 180, 12);
    label(QStringLiteral("RFC:"), kRightX + 40, businessY + 25, 36);
    m_negocioRfc = edit(kNegocioRfcId, kRightX + 78, businessY + 25, kColumnWidth - 85, 12);
    label(QStringLiteral("Teléfono:"), kRightX + 40, businessY + 39, 36);
    m_negocioTelefono = edit(kNegocioTelefonoId, kRightX + 78, businessY + 39, kColumnWidth - 85, 12);
    for (CTolEdit* e : {m_negocioNombre, m_negocioDomicilio[0], m_negocioDomicilio[1], m_negocioDomicilio[2],
                        m_negocioRfc, m_negocioTelefono})
        limitTyping(e, kNegocioLength);

    // ---- catalogues and the dialog's own buttons, below both columns ----
    const int buttonsY = businessY + kBusinessHeight + 15;
    setClientSize(dialogSize(kClientWidth, buttonsY + 19));
    group(QStringLiteral("Catálogos"), kLeftX, buttonsY - 11, 184, 28);
    auto* articulos = new CTolButton(QStringLiteral("Artículos"), this);
    setId(articulos, kArticulosId);
    place(articulos, kLeftX + 6, buttonsY, 54, 14);
    auto* impuestos = new CTolButton(QStringLiteral("Impuestos"), this);
    setId(impuestos, kImpuestosId);
    place(impuestos, kLeftX + 64, buttonsY, 54, 14);
    auto* fiscales = new CTolButton(QStringLiteral("Datos fiscales"), this);
    setId(fiscales, kDatosFiscalesId);
    place(fiscales, kLeftX + 122, buttonsY, 56, 14);
    connect(fiscales, &QPushButton::clicked, this, [this] { CDatosFiscalesDlg(m_db, this).exec(); });
    connect(articulos, &QPushButton::clicked, this, &CConfigDlg::runArticulos);
    connect(impuestos, &QPushButton::clicked, this, &CConfigDlg::runImpuestos);

    auto* guardarButton = new CTolButton(QStringLiteral("Guardar"), this);
    setId(guardarButton, kGuardarId);
    place(guardarButton, kRightX + 67, buttonsY, 57, 14);
    auto* salir = new CTolButton(QStringLiteral("Salir"), this);
    setId(salir, kSalirId);
    place(salir, kRightX + 128, buttonsY, 57, 14);
    connect(guardarButton, &QPushButton::clicked, this, [this] { guardar(); });
    connect(salir, &QPushButton::clicked, this, &QDialog::reject);
    m_extras[0]->setFocus();
}

void CConfigDlg::loadValues() {
    try {
        CEsxtrasSet extras(m_db);
        extras.m_strSort = "Consec";
        extras.Open(OpenType::Snapshot);
        // Reading places each name by its Consec (1-6 header fields, 7-10 line columns).
        for (int n = 0; n < kExtraFields + kExtraColumns && !extras.IsEOF(); ++n, extras.MoveNext()) {
            const int consec = extras.m_Consec;
            if (consec >= 1 && consec <= kExtraFields + kExtraColumns && !extras.m_Nombre.empty())
                m_extras[std::size_t(consec - 1)]->setText(q(extras.m_Nombre));
        }
    } catch (const DbError& e) {
        ShowDbError(e);
    }

    m_baseDatos->setText(QDir::toNativeSeparators(q(m_db.path())));
    m_logo->setText(q(m_state.logo));
    m_respaldos->setText(QDir::toNativeSeparators(CDailyBackup::folder()));
    for (CTolEdit* e : {m_baseDatos, m_logo, m_respaldos})
        e->setCursorPosition(0);
    m_comando->setPlainText(q(m_state.comando));
    m_comandoCorte->setText(q(m_state.comandoCorte));
    m_comandoInicial->setText(q(m_state.comandoInicial));
    m_columnasTicket->setText(QString::number(m_state.columnasTicket));
    m_escPos->setChecked(m_state.impresoraEscPos != 0);
    m_devices = {q(m_state.dispositivoLpt1), q(m_state.dispositivoLpt2), q(m_state.dispositivoCom1),
                 q(m_state.dispositivoCom2)};
    m_shownPort = 0;
    m_dispositivo->setText(m_devices[0]);
    // Exactly one way of printing is on.
    m_ticketPrinter->setChecked(m_state.pWin == 0);
    m_windowsPrinter->setChecked(m_state.pWin != 0);
    // A port outside the four (a damaged setting) shows as the first.
    const int port = m_state.pPos >= 0 && m_state.pPos < 4 ? m_state.pPos : 0;
    m_ports->button(port)->setChecked(true);
    showDevice(port);
    m_rapido->setChecked(m_state.rapido != 0);
    m_askPrinter->setChecked(m_state.askPrinter != 0);
    m_prcAiva->setChecked(m_state.prcAiva != 0);

    try {
        CGeneralSet general(m_db);
        general.Open(OpenType::Snapshot);
        m_moneda->setText(q(general.m_Moneda));
        m_postfijo->setText(q(general.m_Postfijo));
        m_clave->setText(q(ScramblePassword(general.m_In)));
        general.Close();
        const BusinessData business = BusinessData::Load(m_db);
        m_negocioNombre->setText(q(business.nombre));
        for (std::size_t i = 0; i < 3; ++i)
            m_negocioDomicilio[i]->setText(q(business.domicilio[i]));
        m_negocioRfc->setText(q(business.rfc));
        m_negocioTelefono->setText(q(business.telefono));
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    fillTaxes();
}

void CConfigDlg::fillTaxes() {
    // The tax chosen on screen survives a reload (after the taxes catalogue); at first, the setting.
    std::int32_t chosen = m_state.impuesto;
    try {
        if (m_impuesto->count() > 0)
            chosen = m_impuesto->GetSelectedKey();
        m_impuesto->SetDatabase(m_db);
        m_impuesto->SetDisplayColumn(QStringLiteral("Nombre"));
        m_impuesto->SetTable(QStringLiteral("Impuestos"));
        m_impuesto->SetKeyColumn(QStringLiteral("Id_Impuesto"));
        m_impuesto->SetExtraColumns(QStringLiteral(",Porcentaje"));
        m_impuesto->SetCondition(QStringLiteral(" WHERE Retencion=0"));
        m_impuesto->Fill();
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    // No entry is chosen unless the setting names a listed tax, so "Guardar" never puts another
    // tax in its place unasked.
    m_impuesto->setCurrentIndex(-1);
    m_impuesto->SelectByKey(chosen);
}

void CConfigDlg::showDevice(int port) {
    // The edit holds the shown port's device; it goes back to its slot before another port shows.
    m_devices[std::size_t(m_shownPort)] = m_dispositivo->text().trimmed();
    m_shownPort = port;
    m_dispositivo->setText(m_devices[std::size_t(port)]);
    m_dispositivo->setCursorPosition(0);
}

void CConfigDlg::onCommand(int id) {
    if (id == kBrowseDatabaseCommand)
        browseDatabase();
    else if (id == kBrowseLogoCommand)
        browseLogo();
    else if (id == kBrowseBackupCommand)
        browseBackupFolder();
}

void CConfigDlg::browseLogo() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    PrepareFileChooser(dialog);
    dialog.setNameFilters({QStringLiteral("Imágenes (*.bmp *.jpg *.gif *.png)"), QStringLiteral("Imagen BMP (*.bmp)"),
                           QStringLiteral("Imagen JPG(*.jpg)"), QStringLiteral("Imagen GIF(*.gif)"),
                           QStringLiteral("Imagen PNG (*.png)")});
    dialog.setDefaultSuffix(QStringLiteral("bmp"));
    const QFileInfo current(m_logo->text());
    if (!m_logo->text().isEmpty() && current.dir().exists())
        dialog.setDirectory(current.dir());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    // A picture that cannot be read is told now, not found missing on the form later.
    const QString chosen = QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
    CTolBitmap probe;
    if (!probe.loadFile(QFile::encodeName(chosen).toStdString())) {
        TolMessage(CTolBitmapPainter::unreadableMessage(chosen, probe));
        return;
    }
    // Shown only; it is saved with the rest by "Guardar".
    m_logo->setText(QDir::toNativeSeparators(chosen));
    m_logo->setCursorPosition(0);
}

void CConfigDlg::browseBackupFolder() {
    const QString folder = ChooseFolder(this, QStringLiteral("Carpeta de los respaldos"), m_respaldos->text());
    if (folder.isEmpty())
        return;
    m_respaldos->setText(QDir::toNativeSeparators(folder));
    m_respaldos->setCursorPosition(0);
}

void CConfigDlg::browseDatabase() {
    // A file here or a shared server, as at start-up; the password only when the server asks.
    DatabaseLocation::Server shown;
    bool server = false;
    if (const auto current = DatabaseLocation::parseServer(m_db.path())) {
        shown = *current;
        server = true;
    }
    QString note;
    for (;;) {
        CDatabasePromptDlg prompt(this);
        if (server)
            prompt.setServer(shown);
        if (!note.isEmpty())
            prompt.askPassword(note);
        if (prompt.exec() != QDialog::Accepted)
            return;
        if (prompt.kind() == CDatabasePromptDlg::Kind::File)
            break;
        const std::string location = s(prompt.location());
        shown = *DatabaseLocation::parseServer(location);
        server = true;
        try {
            Database::open(location, s(prompt.password()));
        } catch (const DbError& e) {
            const bool wantsPassword = IsDbPasswordRefused(e);
            // No password given yet: the prompt asks for it, without an error first.
            if (!wantsPassword || !prompt.password().isEmpty())
                ShowDbError(e);
            note = wantsPassword ? QStringLiteral("El servidor pide la contraseña del usuario.") : QString();
            continue;
        }
        rememberDatabase(q(location));
        return;
    }

    QFileDialog dialog(this, QStringLiteral("¿Que base de datos desea utilizar?"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    PrepareFileChooser(dialog);
    dialog.setNameFilter(QStringLiteral("*.mdb (*.mdb)"));
    dialog.setDefaultSuffix(QStringLiteral("mdb"));
    if (!DatabaseLocation::isServer(m_db.path()))
        dialog.setDirectory(QFileInfo(q(m_db.path())).dir());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    useDatabase(QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath());
}

bool CConfigDlg::useDatabase(const QString& path) {
    // A file that does not open would stop every later start with an error and no way back to
    // this dialog, so it is tried now and refused with the engine's words.
    try {
        Database::open(s(path));
    } catch (const std::exception& e) {
        ShowDbError(e);
        return false;
    }
    rememberDatabase(path);
    return true;
}

void CConfigDlg::rememberDatabase(const QString& location) {
    SettingsStore::write("Path", q(DatabaseLocation::withoutPassword(s(location))));
    TolMessage(QStringLiteral("- Debe reiniciar la aplicación para reflejar los cambios -"));
    m_databaseChanged = true;
    accept();
}

bool CConfigDlg::checkLength(CTolEdit* edit, int maxLength) {
    if (edit->text().size() <= maxLength)
        return true;
    TolMessage(QStringLiteral("Please enter no more than %1 characters.").arg(maxLength));
    edit->setFocus();
    edit->selectAll();
    return false;
}

bool CConfigDlg::guardar() {
    for (CTolEdit* e : m_extras)
        if (!checkLength(e, kExtraNameLength))
            return false;
    if (!checkLength(m_clave, kPasswordLength))
        return false;
    const int columnas = m_columnasTicket->text().toInt();
    if (columnas < TicketSettings::kMinColumns || columnas > TicketSettings::kMaxColumns) {
        TolMessage(QStringLiteral("- Las columnas del ticket van de %1 a %2 -")
                       .arg(TicketSettings::kMinColumns)
                       .arg(TicketSettings::kMaxColumns));
        m_columnasTicket->setFocus();
        m_columnasTicket->selectAll();
        return false;
    }
    BusinessData business;
    business.nombre = s(m_negocioNombre->text().trimmed());
    for (std::size_t i = 0; i < 3; ++i)
        business.domicilio[i] = s(m_negocioDomicilio[i]->text().trimmed());
    business.rfc = s(m_negocioRfc->text().trimmed().toUpper());
    business.telefono = s(m_negocioTelefono->text().trimmed());

    std::int32_t impuesto = 0;
    double rate = 0;
    try {
        // None chosen (no taxes, or the setting's tax is gone) keeps "no default tax".
        impuesto = std::max(m_impuesto->GetSelectedKey(), 0);
        if (impuesto != 0)
            rate = m_impuesto->GetSelectedExtra().toDouble() * 0.01;

        Transaction tx(m_db);
        CEsxtrasSet extras(m_db);
        extras.m_strSort = "Consec";
        extras.Open(OpenType::Dynaset);
        // Writing goes by position: the n-th row in Consec order takes the n-th name.
        for (std::size_t n = 0; n < m_extras.size() && !extras.IsEOF(); ++n, extras.MoveNext()) {
            extras.Edit();
            extras.m_Nombre = s(m_extras[n]->text());
            extras.Update();
        }
        CGeneralSet general(m_db);
        general.Open(OpenType::Dynaset);
        if (general.IsEOF()) {
            // A table that lost its row gets it back rather than the words and password being
            // dropped.
            general.AddNew();
            general.m_Version = Schema::kGeneralVersion;
        } else {
            general.Edit();
        }
        general.m_Moneda = s(m_moneda->text());
        general.m_Postfijo = s(m_postfijo->text());
        general.m_In = ScramblePassword(s(m_clave->text()));
        general.Update();
        general.Close();
        business.Save(m_db);
        tx.commit();
    } catch (const DbError& e) {
        return ShowDbError(e, true) && guardar();
    }

    Settings settings;
    settings.prcAiva = m_prcAiva->isChecked() ? 1 : 0;
    settings.pWin = m_windowsPrinter->isChecked() ? 1 : 0;
    settings.pPos = std::max(m_ports->checkedId(), 0);
    settings.rapido = m_rapido->isChecked() ? 1 : 0;
    settings.askPrinter = m_askPrinter->isChecked() ? 1 : 0;
    settings.impuesto = impuesto;
    settings.comando = s(m_comando->toPlainText());
    settings.logo = s(m_logo->text());
    m_devices[std::size_t(m_shownPort)] = m_dispositivo->text().trimmed();
    settings.dispositivoLpt1 = s(m_devices[0]);
    settings.dispositivoLpt2 = s(m_devices[1]);
    settings.dispositivoCom1 = s(m_devices[2]);
    settings.dispositivoCom2 = s(m_devices[3]);
    settings.comandoCorte = s(m_comandoCorte->text());
    settings.comandoInicial = s(m_comandoInicial->text());
    settings.columnasTicket = columnas;
    settings.impresoraEscPos = m_escPos->isChecked() ? 1 : 0;

    // The running program takes the new values at once, the amount in words included.
    ApplySettings(settings, m_state);
    m_state.defaultTaxRate = rate;
    m_state.nombre = business.nombre;
    SetCurrencyWords(s(m_moneda->text()), s(m_postfijo->text()));

    // The default is not written, so it follows the documents folder.
    const QString backups = m_respaldos->text().trimmed();
    SettingsStore::write("CarpetaRespaldos",
                         backups.isEmpty() || QDir(backups) == QDir(CDailyBackup::defaultFolder()) ? QString() : backups);
    SettingsStore::write("PrcAiva", settings.prcAiva);
    SettingsStore::write("pWin", settings.pWin);
    SettingsStore::write("pPos", settings.pPos);
    SettingsStore::write("Rapido", settings.rapido);
    SettingsStore::write("AskPrinter", settings.askPrinter);
    SettingsStore::write("Impuesto", settings.impuesto);
    SettingsStore::write("Comando", q(settings.comando));
    SettingsStore::write("Logo", q(settings.logo));
    SettingsStore::write("DispositivoLPT1", q(settings.dispositivoLpt1));
    SettingsStore::write("DispositivoLPT2", q(settings.dispositivoLpt2));
    SettingsStore::write("DispositivoCOM1", q(settings.dispositivoCom1));
    SettingsStore::write("DispositivoCOM2", q(settings.dispositivoCom2));
    SettingsStore::write("ComandoCorte", q(settings.comandoCorte));
    SettingsStore::write("ComandoInicial", q(settings.comandoInicial));
    SettingsStore::write("ColumnasTicket", settings.columnasTicket);
    SettingsStore::write("ImpresoraEscPos", settings.impresoraEscPos);
    accept();
    return true;
}

void CConfigDlg::runArticulos() { CCatArticulos::Manage(m_db, m_state, this); }

void CConfigDlg::runImpuestos() {
    CCatImpuestos::Manage(m_db, this);
    // The catalogue may have added, renamed or removed taxes.
    fillTaxes();
}

CConfigDlg::Outcome CConfigDlg::Run(Database& db, ApplicationState& state, QWidget* parent) {
    CConfigDlg dialog(db, state, parent);
    if (dialog.exec() != QDialog::Accepted)
        return Outcome::Cancelled;
    return dialog.databaseChanged() ? Outcome::DatabaseChanged : Outcome::Saved;
}
