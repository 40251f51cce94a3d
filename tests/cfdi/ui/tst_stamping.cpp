// Stamping from the screens against the stand-in PAC, driven as the operator would: the
// "Factura electrónica" dialog, the invoice saved from the main form and stamped on the way, the
// list of invoices to stamp and the warning at start-up. CFDI_DIALOG_PNG=prefix saves pictures.
#include "cfdi/CfdiFixture.h"
#include "cfdi/StandInPac.h"
#include "cfdi/ui/CancelarCfdiDlg.h"
#include "cfdi/ui/CfdiDlg.h"
#include "cfdi/ui/FacturaGlobalDlg.h"
#include "cfdi/ui/ComplementoPagoDlg.h"
#include "cfdi/ui/PorTimbrarDlg.h"
#include "cfdi/ui/SatCombo.h"
#include "invoice/ui/PrincipalDlg.h"
#include "invoice/Lineas.h"
#include "invoice/MoneyFormat.h"
#include "platform/ApplicationState.h"
#include "platform/ui/Resources.h"
#include "receivables/ui/AskPago.h"
#include "receivables/ui/CobrosDlg.h"
#include "receivables/ui/RegDoc.h"
#include "support/MessageLog.h"
#include "support/ModalAnswer.h"
#include "toolkit/ui/TolEdit.h"
#include "support/DialogShot.h"
#include "toolkit/ui/TolGrid.h"

// The fixture and kit helpers are shared with the core tests of this folder.
#include "cfdi/CfdiFixture.cpp"
#include "cfdi/CfdiKit.cpp"
#include "cfdi/PaymentChecks.cpp"
#include "cfdi/StandInPac.cpp"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char* const kUser = "caja@negocio.mx";
const char* const kPassword = "Clave-del-PAC";


// A business that stamps through the stand-in.
struct StampingShop : CfdiFixture {
    StandInPac pac{kUser, kPassword};
    std::int32_t article = 0;
    StampingShop() {
        fiscal.savePac(PacConfig{PacProveedor::Sw, PacAmbiente::Pruebas, pac.url(), kUser, kPassword});
        article = addArticle("T1", "Tornillo", "31161500", iva16);
    }
    std::string estado(std::int32_t id) {
        const auto c = fiscal.cfdi(id);
        return c ? c->estado : std::string("(sin CFDI)");
    }
};

bool anyContains(const QStringList& texts, const QString& part) {
    return std::any_of(texts.begin(), texts.end(), [&](const QString& t) { return t.contains(part); });
}

} // namespace

class TestStamping : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString folder() const { return m_dir.filePath(QStringLiteral("xml")); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));
        InitQuintalevaResources();
        CTolMessageDlg::registerToolkit();
        MoneyFormat::setCurrent(MoneyFormat::mexican());
    }

    void init() { CCfdiDlg::forgetPassword(); }

    void theDialogStampsAndThenOnlyShowsTheStamp() {
        StampingShop shop;
        const std::int32_t id = shop.save(shop.cliente, 21, {shop.line(shop.article, 100, 2)}, "F");
        CCfdiDlg dlg(*shop.db, id, folder());
        auto* timbrar = dlg.control<QPushButton>(CCfdiDlg::kTimbrarId);
        QVERIFY(timbrar->isVisibleTo(&dlg));
        QVERIFY(!dlg.control<QPushButton>(CCfdiDlg::kCancelarSatId)->isVisibleTo(&dlg));
        dlg.control<QLineEdit>(CCfdiDlg::kClaveId)->setText(QString::fromStdString(CfdiKit::password()));
        shot(dlg, "Timbrar");
        MessageLog log;
        QVERIFY(dlg.stamp());
        // The document is of an earlier day: the operator is told the CFDI carries today's date.
        QVERIFY2(anyContains(log.texts, QStringLiteral("El documento es del 14/03/2026; la factura electrónica lleva la fecha de hoy")),
                 qPrintable(log.texts.join(" | ")));
        QVERIFY2(anyContains(log.texts, QStringLiteral("Factura electrónica timbrada.\nFolio fiscal: ") + QString::fromStdString(dlg.uuid())),
                 qPrintable(log.texts.join(" | ")));
        QCOMPARE(shop.estado(id), std::string("Timbrado"));
        QCOMPARE(shop.fiscal.cfdi(id)->uuid, dlg.uuid());
        const QString today = QDate::currentDate().toString(QStringLiteral("yyyy/MM"));
        QCOMPARE(dlg.writtenFile(), folder() + QStringLiteral("/%1/EKU9003173C9_F_21.xml").arg(today));
        QFile file(dlg.writtenFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().toStdString(), shop.fiscal.cfdi(id)->xml);

        // Stamped: the dialog shows the folio fiscal and changes nothing any more.
        CCfdiDlg again(*shop.db, id, folder());
        QCOMPARE(again.control<QLabel>(CCfdiDlg::kEstadoId)->text(),
                 QStringLiteral("Timbrada. Folio fiscal: ") + QString::fromStdString(dlg.uuid()));
        QVERIFY(!again.control<QPushButton>(CCfdiDlg::kTimbrarId)->isEnabled());
        QVERIFY(!again.control<QPushButton>(CCfdiDlg::kSellarId)->isEnabled());
        QVERIFY(again.control<QPushButton>(CCfdiDlg::kCancelarSatId)->isVisibleTo(&again));
        QVERIFY(!again.control(CCfdiDlg::kFormaPagoId)->isEnabled());
        shot(again, "Timbrada");
        QCOMPARE(shop.pac.stampedCount(), 1u);
    }

    void aRefusalSaysTheCodeAndStoresNothingAsStamped() {
        StampingShop shop;
        const std::int32_t id = shop.save(shop.cliente, 22, {shop.line(shop.article, 10, 1)}, "F", OleDate::now());
        shop.pac.setMode(StandInPac::Mode::Refuse, "302");
        CCfdiDlg dlg(*shop.db, id, folder());
        dlg.control<QLineEdit>(CCfdiDlg::kClaveId)->setText(QString::fromStdString(CfdiKit::password()));
        MessageLog log;
        QVERIFY(!dlg.stamp());
        QCOMPARE(log.texts.size(), 1);
        QVERIFY2(log.texts[0].startsWith(QStringLiteral("No se timbró la factura:\n")), qPrintable(log.texts[0]));
        QVERIFY2(log.texts[0].contains(QStringLiteral("302 — el sello no es válido")), qPrintable(log.texts[0]));
        QCOMPARE(shop.estado(id), std::string("Sellado"));
        QVERIFY(shop.fiscal.cfdi(id)->uuid.empty());
        // A wrong password: refused before anything goes to the PAC.
        const std::size_t asked = shop.pac.requests().size();
        CCfdiDlg wrong(*shop.db, id, folder());
        wrong.control<QLineEdit>(CCfdiDlg::kClaveId)->setText(QStringLiteral("otra"));
        QVERIFY(!wrong.stamp());
        QVERIFY2(log.texts.last().startsWith(QStringLiteral("No se selló la factura:")), qPrintable(log.texts.last()));
        QCOMPARE(shop.pac.requests().size(), asked);
    }

    void aLostAnswerWaitsInTheListAndIsStampedOnce() {
        StampingShop shop;
        const std::int32_t id = shop.save(shop.cliente, 23, {shop.line(shop.article, 10, 3)}, "F", OleDate::now());
        shop.pac.setMode(StandInPac::Mode::StampThenCut);
        {
            CCfdiDlg dlg(*shop.db, id, folder());
            dlg.control<QLineEdit>(CCfdiDlg::kClaveId)->setText(QString::fromStdString(CfdiKit::password()));
            MessageLog log;
            QVERIFY(!dlg.stamp());
            QVERIFY2(anyContains(log.texts, QStringLiteral("Facturas por timbrar")), qPrintable(log.texts.join(" | ")));
        }
        QCOMPARE(shop.estado(id), std::string("Sellado, timbrado pendiente"));
        const std::string sealed = shop.fiscal.cfdi(id)->xml;
        {
            // Pending: nothing the PAC may hold can be changed or sealed again.
            CCfdiDlg dlg(*shop.db, id, folder());
            QVERIFY(!dlg.control<QPushButton>(CCfdiDlg::kSellarId)->isEnabled());
            QVERIFY(dlg.control<QPushButton>(CCfdiDlg::kTimbrarId)->isEnabled());
            QVERIFY(!dlg.control(CCfdiDlg::kUsoId)->isEnabled());
            QVERIFY(dlg.control<QLabel>(CCfdiDlg::kEstadoId)->text().startsWith(QStringLiteral("Timbrado pendiente")));
        }

        // At start-up the operator is told, and may open the list.
        {
            MessageLog log;
            log.answer = 2;  // No
            CPorTimbrarDlg::WarnAtStart(*shop.db, nullptr);
            QCOMPARE(log.texts.size(), 1);
            QVERIFY2(log.texts[0].startsWith(QStringLiteral("Hay 1 factura con timbrado pendiente")), qPrintable(log.texts[0]));
        }
        CPorTimbrarDlg list(*shop.db);
        QCOMPARE(list.listed(), 1);
        TolGridCell cell{1, 5, {}};
        list.tgmGetCellText(CPorTimbrarDlg::kGridId, cell);
        QCOMPARE(cell.text, QStringLiteral("Sellado, timbrado pendiente"));
        cell = {1, 1, {}};
        list.tgmGetCellText(CPorTimbrarDlg::kGridId, cell);
        QCOMPARE(cell.text, QStringLiteral("F000023"));
        cell = {1, 6, {}};
        list.tgmGetCellText(CPorTimbrarDlg::kGridId, cell);
        QVERIFY(!cell.text.isEmpty());
        shot(list, "PorTimbrar");

        // Retried: the same bytes go, the PAC gives its earlier stamp back: one CFDI for the sale.
        shop.pac.setMode(StandInPac::Mode::Answer);
        MessageLog log;
        list.stampAll();
        QCOMPARE(log.texts, QStringList{QStringLiteral("Timbradas: 1.")});
        QCOMPARE(list.listed(), 0);
        QCOMPARE(shop.estado(id), std::string("Timbrado"));
        QVERIFY(shop.pac.lastReceivedCfdi() == sealed);
        QCOMPARE(shop.pac.stampedCount(), 1u);
        QVERIFY(shop.fiscal.pendingStamps().empty());
    }

    void anInvoiceTypedInTheMainFormIsStampedAsItIsSaved() {
        StampingShop shop;
        ApplicationState state;
        state.database = shop.db.get();
        CPrincipalDlg form(*shop.db, state);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.document().idCliente = shop.cliente;
        // As the customer catalogue leaves the form.
        form.control<CTolEdit>(CPrincipalDlg::kCliente)->setText(QStringLiteral("Taller El Güero"));
        form.control<CTolEdit>(CPrincipalDlg::kRfc)->setText(QStringLiteral("XIA190128J61"));
        form.lines().NewLine() = shop.line(shop.article, 250, 4);

        // The operator: Registrar with "Timbrar" as offered, the key's password and Enter.
        QStringList told;
        bool offered = false;
        int pressed = 0;
        QTimer operatorHand;
        connect(&operatorHand, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* reg = qobject_cast<CRegDoc*>(modal)) {
                auto* box = reg->control<QCheckBox>(CRegDoc::kTimbrarId);
                offered = box && box->isChecked();
                shot(*reg, "RegistroTimbrar");
                reg->control<QPushButton>(CRegDoc::kRegistrarId)->click();
            } else if (auto* cfdi = qobject_cast<CCfdiDlg*>(modal); cfdi && pressed > 0 && !cfdi->property("leaving").toBool()) {
                // Still open: the stamp failed (its message is in `told`); leave.
                cfdi->setProperty("leaving", true);
                QMetaObject::invokeMethod(cfdi->control<QPushButton>(CCfdiDlg::kSalirId), "click", Qt::QueuedConnection);
            } else if (cfdi && pressed++ == 0) {
                // Pressed once: the timer also runs while the dialog waits for the PAC.
                cfdi->control<QLineEdit>(CCfdiDlg::kClaveId)->setText(QString::fromStdString(CfdiKit::password()));
                // Queued: a timer's handler is not called again while it runs, and the stamp's
                // messages must still be answered.
                QMetaObject::invokeMethod(cfdi->control<QPushButton>(CCfdiDlg::kTimbrarId), "click", Qt::QueuedConnection);
            } else if (auto* box = qobject_cast<CTolMessageDlg*>(modal)) {
                told << box->text();
                box->done(1);
            }
        });
        operatorHand.start(10);
        QTest::keyClick(form.control<CTolEdit>(CPrincipalDlg::kCliente), Qt::Key_F3);
        operatorHand.stop();

        QVERIFY(offered);
        QCOMPARE(pressed, 1);
        QVERIFY2(told.size() == 2, qPrintable(told.join(" | ")));
        QVERIFY2(told[0].startsWith(QStringLiteral("Factura electrónica timbrada.")), qPrintable(told.join(" | ")));
        QCOMPARE(told[1], QStringLiteral("- Documento Registrado -"));
        Statement s = shop.db->prepare("SELECT c.Estado, c.UUID, d.Total FROM Cfdis c JOIN Documentos d "
                                       "ON d.Id_Documento = c.Id_Documento WHERE d.Nombre = ?");
        s.bind(1, std::string("Taller El Güero"));
        QVERIFY(s.step());
        QCOMPARE(s.text(0), std::string("Timbrado"));
        QVERIFY(told[0].contains(QString::fromStdString(s.text(1))));
        QCOMPARE(s.real(2), 1160.0);
        QCOMPARE(shop.pac.stampedCount(), 1u);
    }

    void aPaymentInCobranzaStampsItsComplement() {
        StampingShop shop;
        const std::int32_t id = shop.save(shop.cliente, 31, {shop.line(shop.article, 250, 4)}, "F");
        {
            CCfdiDlg dlg(*shop.db, id, folder());
            dlg.control<CSatCombo>(CCfdiDlg::kMetodoPagoId)->setValue("PPD");
            dlg.control<CSatCombo>(CCfdiDlg::kFormaPagoId)->setValue("99");
            dlg.control<QLineEdit>(CCfdiDlg::kClaveId)->setText(QString::fromStdString(CfdiKit::password()));
            MessageLog log;
            QVERIFY(dlg.stamp());
        }
        CCobrosDlg cobros(*shop.db);
        cobros.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cobros));
        MessageLog log;
        log.answer = 2;  // no receipt printed here
        bool complementSeen = false;
        QTimer complement;
        complement.setInterval(10);
        connect(&complement, &QTimer::timeout, this, [&] {
            auto* dlg = qobject_cast<CComplementoPagoDlg*>(QApplication::activeModalWidget());
            if (!dlg || complementSeen)
                return;
            complementSeen = true;
            // The password kept from the invoice's stamping; the operator only picks the forma.
            QCOMPARE(dlg->control<QLineEdit>(CComplementoPagoDlg::kClaveId)->text(),
                     QString::fromStdString(CfdiKit::password()));
            dlg->control<CSatCombo>(CComplementoPagoDlg::kFormaPagoId)->setValue("04");
            shot(*dlg, "ComplementoPago");
            QMetaObject::invokeMethod(dlg->control<QPushButton>(CComplementoPagoDlg::kTimbrarId), "click",
                                      Qt::QueuedConnection);
        });
        complement.start();
        answerNextModal(
            [](QWidget* w) {
                auto* box = qobject_cast<CAskPago*>(w);
                QVERIFY(box);
                box->control<CTolEdit>(CAskPago::kCantidadId)->setText(QStringLiteral("300"));
                QMetaObject::invokeMethod(box->control<QPushButton>(CAskPago::kRegistrarId), "click", Qt::QueuedConnection);
            },
            &cobros);
        QVERIFY(cobros.recibirPago(1));
        QVERIFY(complementSeen);
        QVERIFY2(anyContains(log.texts, QStringLiteral("Complemento de pago timbrado.")), qPrintable(log.texts.join(" | ")));
        QVERIFY(log.texts.contains(QStringLiteral("¿Imprimir el recibo de pago?")));
        const auto stored = shop.fiscal.cfdi({id, 1});
        QVERIFY(stored);
        QCOMPARE(stored->estado, std::string("Timbrado"));
        QVERIFY(stored->xml.find("FormaDePagoP=\"04\"") != std::string::npos);
        QVERIFY(shop.pac.refusals().empty());
    }

    void aStampedInvoiceIsCancelledBeforeTheSatAndFollowedToCancelado() {
        StampingShop shop;
        const std::int32_t id = shop.save(shop.cliente, 41, {shop.line(shop.article, 90, 1)}, "F");
        {
            CCfdiDlg dlg(*shop.db, id, folder());
            dlg.control<QLineEdit>(CCfdiDlg::kClaveId)->setText(QString::fromStdString(CfdiKit::password()));
            MessageLog log;
            QVERIFY(dlg.stamp());
        }
        // Marking it cancelled in the program is not how a stamped invoice goes.
        QCOMPARE(CDocumentStore(*shop.db).Cancel("F", 41), CDocumentStore::CancelResult::Stamped);
        CCancelarCfdiDlg dlg(*shop.db, id);
        QVERIFY(dlg.control<QLabel>(CCancelarCfdiDlg::kEstadoId)->text().contains(QStringLiteral("vigente")));
        QVERIFY2(!dlg.control<QLineEdit>(CCancelarCfdiDlg::kFolioId)->isEnabled(), "only motive 01 names a replacement");
        shot(dlg, "CancelarSat");
        MessageLog log;
        QVERIFY(dlg.cancelar());
        QVERIFY2(anyContains(log.texts, QStringLiteral("El SAT recibió la solicitud de cancelación")), qPrintable(log.texts.join(" | ")));
        QVERIFY(dlg.control<QLabel>(CCancelarCfdiDlg::kEstadoId)->text().contains(QStringLiteral("Cancelación en proceso")));
        QVERIFY(dlg.consultar());
        QVERIFY2(anyContains(log.texts, QStringLiteral("El documento quedó cancelado en el programa")), qPrintable(log.texts.join(" | ")));
        QVERIFY(dlg.control<QLabel>(CCancelarCfdiDlg::kEstadoId)->text().contains(QStringLiteral("Cancelado sin aceptación")));
        shot(dlg, "CanceladaSat");
        Statement s = shop.db->prepare("SELECT Cancelada FROM Documentos WHERE Id_Documento = ?");
        s.bind(1, std::int64_t{id});
        QVERIFY(s.step());
        QCOMPARE(s.integer(0), std::int64_t{1});
    }

    void theGlobalInvoiceOfLastMonthIsCountedAndStamped() {
        StampingShop shop;
        const QDate first = QDate::currentDate().addMonths(-1);
        for (int day = 1; day <= 3; ++day)
            shop.save(shop.cliente, 60 + day, {shop.line(shop.article, 10.5 * day, 2)}, "M",
                      OleDate::fromDate(first.year(), first.month(), day * 5, 11));
        shop.save(shop.cliente, 70, {shop.line(shop.article, 99, 1)}, "M", OleDate::now());
        CFacturaGlobalDlg dlg(*shop.db);
        QVERIFY2(dlg.control<QLabel>(CFacturaGlobalDlg::kResumenId)->text().startsWith(QStringLiteral("3 ventas sin factura")),
                 qPrintable(dlg.control<QLabel>(CFacturaGlobalDlg::kResumenId)->text()));
        dlg.control<QLineEdit>(CFacturaGlobalDlg::kClaveId)->setText(QString::fromStdString(CfdiKit::password()));
        shot(dlg, "FacturaGlobal");
        MessageLog log;
        QVERIFY(dlg.stamp());
        QVERIFY2(anyContains(log.texts, QStringLiteral("Factura global FG 1 timbrada: 3 ventas.")), qPrintable(log.texts.join(" | ")));
        dlg.count();
        QCOMPARE(dlg.control<QLabel>(CFacturaGlobalDlg::kResumenId)->text(), QStringLiteral("No hay ventas sin factura en el periodo."));
    }
};

QTEST_MAIN(TestStamping)
#include "tst_stamping.moc"
