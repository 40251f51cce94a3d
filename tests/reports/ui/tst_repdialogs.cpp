#include "db/Database.h"
#include "invoice/MoneyFormat.h"
#include "platform/ApplicationState.h"
#include "platform/ui/Resources.h"
#include "reports/RepData.h"
#include "reports/ui/RepCatart.h"
#include "reports/ui/RepCatcli.h"
#include "reports/ui/RepCxc.h"
#include "reports/ui/RepDlg.h"
#include "reports/ui/RepDoc.h"
#include "reports/ui/RepEdo.h"
#include "reports/ui/RepPage.h"
#include "support/ModalAnswer.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "toolkit/ui/TolWait.h"

#include <QCheckBox>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

// The report dialogs open the viewer on what they built, or say why there is nothing to show.
class TestRepDialogs : public QObject {
    Q_OBJECT
private:
    TestDatabase m_testDb;
    std::unique_ptr<Database> m_db;
    ApplicationState m_state;

    // Clicks "Generar" on `dlg` and returns what the first modal window that opens shows: the
    // message's text, or the viewer's title, headers and page indicator.
    QString generate(CTolDialog& dlg, int generarId) {
        QString seen;
        answerNextModal(
            [&seen](QWidget* w) {
                if (auto* message = qobject_cast<CTolMessageDlg*>(w)) {
                    seen = QStringLiteral("message:") + message->text();
                } else if (auto* viewer = qobject_cast<CRepDlg*>(w)) {
                    seen = viewer->title() + QLatin1Char('|');
                    for (int c = 0; c < viewer->data().GetColumnCount(); ++c)
                        seen += QString::fromStdString(viewer->data().GetHeader(c)) + QLatin1Char(',');
                    seen += QLatin1Char('|') + viewer->pageText();
                }
                qobject_cast<QDialog*>(w)->reject();
            },
            &dlg);
        dlg.show();
        (void)QTest::qWaitForWindowExposed(&dlg);
        const QByteArray shot = qgetenv("REPORT_DIALOG_PNG");
        if (!shot.isEmpty())
            dlg.grab().save(QString::fromLocal8Bit(shot) + dlg.metaObject()->className() + QStringLiteral(".png"));
        QTest::mouseClick(qobject_cast<QWidget*>(dlg.control(generarId)), Qt::LeftButton);
        return seen;
    }

private Q_SLOTS:
    void initTestCase() {
        InitQuintalevaResources();
        CTolMessageDlg::registerToolkit();
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        m_db = m_testDb.create();
        m_state.nombre = "MI NEGOCIO";
    }

    void articlesCatalogue() {
        CRepCatart dlg(*m_db, m_state);
        QCOMPARE(generate(dlg, CRepCatart::kGenerarId), QStringLiteral("message:- No hay elementos que mostrar -"));
        m_db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio, PrecioNeto) VALUES ('A1', 'Clavo', 1, 1.16)");
        QCOMPARE(generate(dlg, CRepCatart::kGenerarId),
                 QStringLiteral("- CATALOGO DE ARTICULOS -|Clave,Descripción,Precio,Precio neto,|1/1"));
    }

    void customersCatalogueKeepsTheListOrder() {
        CRepCatcli dlg(*m_db, m_state);
        QCOMPARE(generate(dlg, CRepCatcli::kGenerarId),
                 QStringLiteral("message:- Seleccione al menos un campo para el reporte -"));
        m_db->execute("INSERT INTO Clientes (Nombre, RFC) VALUES ('Pérez', 'X')");
        auto* list = qobject_cast<QListWidget*>(dlg.control(CRepCatcli::kCamposId));
        QCOMPARE(list->count(), 7);
        list->item(4)->setSelected(true); // RFC first, then Nombre
        list->item(0)->setSelected(true);
        QCOMPARE(generate(dlg, CRepCatcli::kGenerarId), QStringLiteral("- CATALOGO DE CLIENTES -|Nombre,RFC,|1/1"));
    }

    void documentsJournal() {
        CRepDoc dlg(*m_db, m_state);
        QCOMPARE(generate(dlg, CRepDoc::kGenerarId), QStringLiteral("message:No hay elemnetos que mostrar"));
        m_db->execute("INSERT INTO Documentos (Id_Cliente, Nombre, Fecha, Serie, Folio, Total) "
                      "VALUES (1, 'Pérez', 45000, 'A', 1, 116)");
        QCOMPARE(generate(dlg, CRepDoc::kGenerarId),
                 QStringLiteral("- DIARIO DE DOCUMENTOS -|Serie/Folio,Fecha,Vencimiento,Cliente,Importe,|1/1"));
        qobject_cast<QRadioButton*>(dlg.control(CRepDoc::kDetalladoId))->setChecked(true);
        // A document without lines gives nothing to list in detail.
        QCOMPARE(generate(dlg, CRepDoc::kGenerarId), QStringLiteral("message:- No hat elementos que mostrar -"));
    }

    // Runs after documentsJournal: one open document of customer 1, folio A000001, no lines.
    void receivables() {
        CRepCxc dlg(*m_db, m_state);
        QCOMPARE(generate(dlg, CRepCxc::kGenerarId),
                 QStringLiteral("- CUENTAS POR COBRAR -|Serie/Folio,Cliente,Fecha,Vence,Dias V.,Importe,Por pagar,|1/1"));
        m_db->execute("UPDATE Documentos SET Pagado=1");
        QCOMPARE(generate(dlg, CRepCxc::kGenerarId), QStringLiteral("message:- No hay elementos que mostrar -"));
    }

    void customerStatement() {
        CRepEdo dlg(*m_db, m_state);
        QCOMPARE(generate(dlg, CRepEdo::kGenerarId),
                 QStringLiteral("- MOVIMIENTOS POR CLIENTE -|Cliente,Saldo Inicial,Cargos,Abonos,Saldo final,|1/1"));
        qobject_cast<QRadioButton*>(dlg.control(CRepEdo::kDetalladoId))->setChecked(true);
        QCOMPARE(generate(dlg, CRepEdo::kGenerarId),
                 QStringLiteral("- MOVIMIENTOS POR CLIENTE -|Cliente,Fecha,Concepto,Referencia,Cargos,Abonos,Saldo final,|1/1"));
        m_db->execute("DELETE FROM Clientes");
        QCOMPARE(generate(dlg, CRepEdo::kGenerarId), QStringLiteral("message:- No hay elementos que mostrar -"));
    }

    // A long report shows its progress with "Cancelar" once the delay has passed; "Cancelar"
    // stops the builder at its next step.
    void longReportShowsProgressAndCancels() {
        QWidget parent;
        parent.show();
        CTolWait wait(&parent, QStringLiteral("Reportes"), QStringLiteral("Generando el reporte..."), 0);
        const ReportProgress progress = wait.progress();
        QVERIFY(progress(0, 100));
        auto* dialog = parent.findChild<QProgressDialog*>();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->labelText(), QStringLiteral("Generando el reporte..."));
        auto* cancel = dialog->findChild<QPushButton*>();
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QStringLiteral("Cancelar"));
        QTest::qWait(60);  // past the pause between two looks at the events
        QVERIFY(progress(50, 100));
        QCOMPARE(dialog->value(), 500);
        cancel->click();
        QTest::qWait(60);
        QVERIFY(!progress(60, 100));
        QVERIFY(wait.cancelled());
        wait.finish();
        QVERIFY(!parent.findChild<QProgressDialog*>());
    }
};

QTEST_MAIN(TestRepDialogs)
#include "tst_repdialogs.moc"
