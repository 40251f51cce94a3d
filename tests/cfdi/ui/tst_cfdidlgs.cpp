// The fiscal data in the configuration and catalogue editors, and the "Factura electrónica"
// dialog, driven as the operator would; CFDI_DIALOG_PNG=prefix saves a picture of each dialog.
#include "catalogs/ui/AddEditArticulo.h"
#include "catalogs/ui/AddEditCliente.h"
#include "catalogs/ui/AddEditImpuestos.h"
#include "cfdi/CfdiFixture.h"
#include "cfdi/ui/ArticuloFiscalBox.h"
#include "cfdi/ui/CfdiDlg.h"
#include "cfdi/ui/ClienteFiscalBox.h"
#include "cfdi/ui/DatosFiscalesDlg.h"
#include "cfdi/ui/ImpuestoFiscalBox.h"
#include "cfdi/ui/PacBox.h"
#include "cfdi/ui/SatCombo.h"
#include "platform/ui/Resources.h"
#include "toolkit/ui/TolEdit.h"
#include "support/DialogShot.h"

// The fixture and kit helpers are shared with the core tests of this folder.
#include "cfdi/CfdiFixture.cpp"
#include "cfdi/CfdiKit.cpp"
#include "cfdi/PaymentChecks.cpp"
#include "cfdi/StandInPac.cpp"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {


QString kit(const char* file) { return QString::fromStdString((CfdiKit::dir() / "csd" / file).string()); }

} // namespace

class TestCfdiDialogs : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));
        InitQuintalevaResources();
    }

    void businessDataAndCsdFiles() {
        CfdiFixture f;
        f.fiscal.saveEmisor({});
        CDatosFiscalesDlg dlg(*f.db);
        QVERIFY(!dlg.chooseKey(kit("EKU9003173C9.cer")));
        QVERIFY(!dlg.chooseCertificate(kit("EKU9003173C9.key")));
        QVERIFY(dlg.chooseCertificate(kit("EKU9003173C9.cer")));
        QVERIFY(dlg.chooseKey(kit("EKU9003173C9.key")));
        // The certificate's RFC fills an empty RFC box.
        QCOMPARE(dlg.control<CTolEdit>(CDatosFiscalesDlg::kRfcId)->text(), QStringLiteral("EKU9003173C9"));
        QVERIFY(dlg.control<QLabel>(CDatosFiscalesDlg::kCertificadoId)->text().contains(QStringLiteral("30001000000500003416")));
        dlg.control<CTolEdit>(CDatosFiscalesDlg::kRazonId)->setText(QStringLiteral("ESCUELA   KEMPER URGATE"));
        auto* regimen = dlg.control<CSatCombo>(CDatosFiscalesDlg::kRegimenId);
        regimen->setValue("612"); // a person's régimen for a company's RFC
        dlg.control<CTolEdit>(CDatosFiscalesDlg::kCodigoPostalId)->setText(QStringLiteral("26015"));
        dlg.control<CTolEdit>(CDatosFiscalesDlg::kCarpetaId)->setText(m_dir.filePath(QStringLiteral("xml")));
        QVERIFY(!dlg.save());
        QVERIFY(f.fiscal.emisor().rfc.empty());
        regimen->setValue("601");
        // A new pair is saved only once the key opens with its password; nothing is stored before.
        QVERIFY(!dlg.save());
        auto* clave = dlg.control<CTolEdit>(CDatosFiscalesDlg::kClaveId);
        QCOMPARE(clave->echoMode(), QLineEdit::Password);
        clave->setText(QStringLiteral("mala"));
        QVERIFY(!dlg.save());
        QVERIFY(f.fiscal.emisor().rfc.empty());
        clave->setText(QString::fromStdString(CfdiKit::password()));
        shot(dlg, "DatosFiscales");
        QVERIFY(dlg.save());
        QVERIFY(clave->text().isEmpty());
        const EmisorFiscal e = f.fiscal.emisor();
        QCOMPARE(e.rfc, std::string("EKU9003173C9"));
        QCOMPARE(e.razonSocial, std::string("ESCUELA KEMPER URGATE"));
        QCOMPARE(e.regimenFiscal, std::string("601"));
        QCOMPARE(e.certificado, CfdiKit::certificate());
        QCOMPARE(e.llavePrivada, CfdiKit::key());
        QCOMPARE(CDatosFiscalesDlg::xmlFolder(), m_dir.filePath(QStringLiteral("xml")));
    }

    // The PAC's account in Datos fiscales: "Probar conexión" against a stand-in PAC on this
    // computer, the password stored once and never shown again, and fields that cannot work refused.
    void thePacAccountIsTestedAndStoredWithoutShowingThePassword() {
        CfdiFixture f;
        StandInPac stand("cuenta@tienda.mx", "secreta-123");
        CDatosFiscalesDlg dlg(*f.db);
        auto* box = dlg.findChild<CPacBox*>();
        QVERIFY(box);
        auto* pac = box->findChild<QComboBox*>(QString::number(CPacBox::kPacId));
        auto* url = box->findChild<CTolEdit*>(QString::number(CPacBox::kUrlId));
        auto* usuario = box->findChild<CTolEdit*>(QString::number(CPacBox::kUsuarioId));
        auto* clave = box->findChild<CTolEdit*>(QString::number(CPacBox::kClaveId));
        QVERIFY(pac && url && usuario && clave);
        QCOMPARE(clave->echoMode(), QLineEdit::Password);
        QVERIFY(!box->test().ok);  // no PAC chosen

        for (const char* name : {"Finkok", "SW"}) {
            pac->setCurrentText(QString::fromLatin1(name));
            url->setText(QString::fromStdString(stand.url()));
            usuario->setText(QStringLiteral("cuenta@tienda.mx"));
            clave->setText(QStringLiteral("otra"));
            PacCheck check = box->test();
            QVERIFY2(!check.ok, check.message.c_str());
            QVERIFY2(check.message.find("otra") == std::string::npos, check.message.c_str());
            clave->setText(QStringLiteral("secreta-123"));
            check = box->test();
            QVERIFY2(check.ok, check.message.c_str());
            QVERIFY2(check.message.find("Conexión correcta con " + std::string(name)) == 0, check.message.c_str());
        }
        // A PAC without its account, and an unencrypted address to another computer, are refused.
        usuario->clear();
        QVERIFY(!dlg.save());
        usuario->setText(QStringLiteral("cuenta@tienda.mx"));
        url->setText(QStringLiteral("http://192.0.2.7/"));
        QVERIFY(!dlg.save());
        QVERIFY(f.fiscal.pac().usuario.empty());
        url->setText(QString::fromStdString(stand.url()));
        shot(dlg, "DatosFiscalesPac");
        QVERIFY(dlg.save());
        PacConfig stored = f.fiscal.pac();
        QVERIFY(stored.pac == PacProveedor::Sw);
        QCOMPARE(stored.usuario, std::string("cuenta@tienda.mx"));
        QCOMPARE(stored.clave, std::string("secreta-123"));

        // Opened again: the password is not shown, and left empty it is kept.
        CDatosFiscalesDlg again(*f.db);
        auto* box2 = again.findChild<CPacBox*>();
        auto* clave2 = box2->findChild<CTolEdit*>(QString::number(CPacBox::kClaveId));
        QVERIFY(clave2->text().isEmpty());
        QVERIFY(!clave2->placeholderText().isEmpty());
        QVERIFY(box2->test().ok);
        QVERIFY(again.save());
        QCOMPARE(f.fiscal.pac().clave, std::string("secreta-123"));
    }

    void catalogueEditorsKeepTheFiscalData() {
        CfdiFixture f;
        {
            CAddEditCliente dlg(*f.db, 0);
            dlg.control<CTolEdit>(CAddEditCliente::kNombreId)->setText(QStringLiteral("Taller El Güero"));
            dlg.control<CTolEdit>(CAddEditCliente::kRfcId)->setText(QStringLiteral("XIA190128J61"));
            dlg.control<CTolEdit>(CClienteFiscalBox::kCodigoPostalId)->setText(QStringLiteral("3625"));
            // Only the usos the régimen allows an invoice are offered; a uso it no longer allows goes.
            auto* regimen = dlg.control<CSatCombo>(CClienteFiscalBox::kRegimenId);
            auto* uso = dlg.control<CSatCombo>(CClienteFiscalBox::kUsoId);
            const auto offered = [uso](const char* clave) { return uso->findData(QString::fromLatin1(clave)) >= 0; };
            QVERIFY(!offered("CP01") && !offered("CN01") && offered("G03") && offered("D01"));
            regimen->setValue("605");
            QVERIFY(offered("D01") && offered("S01") && !offered("G03") && !offered("CN01"));
            uso->setValue("D01");
            regimen->setValue("612");
            QCOMPARE(uso->value(), std::string("D01"));
            regimen->setValue("601");
            QVERIFY(offered("G03") && !offered("D01"));
            QCOMPARE(uso->value(), std::string());
            uso->setValue("G01");
            shot(dlg, "Cliente");
            QVERIFY(!dlg.save());
            dlg.control<CTolEdit>(CClienteFiscalBox::kCodigoPostalId)->setText(QStringLiteral("36257"));
            QVERIFY(dlg.save());
            const auto c = f.fiscal.cliente(dlg.lastSavedId());
            QVERIFY(c);
            QCOMPARE(c->codigoPostal, std::string("36257"));
            QCOMPARE(c->usoCfdi, std::string("G01"));
            CAddEditCliente again(*f.db, dlg.lastSavedId());
            QCOMPARE(again.control<CSatCombo>(CClienteFiscalBox::kRegimenId)->value(), std::string("601"));
        }
        {
            CAddEditArticulo dlg(*f.db, 0, f.iva16);
            dlg.control<CTolEdit>(CAddEditArticulo::kClaveId)->setText(QStringLiteral("TOR-3/8"));
            dlg.control<CTolEdit>(CAddEditArticulo::kDescripcionId)->setText(QStringLiteral("Tornillo"));
            dlg.control<CTolEdit>(CArticuloFiscalBox::kClaveProdServId)->setText(QStringLiteral("3116150"));
            dlg.control<CSatCombo>(CArticuloFiscalBox::kClaveUnidadId)->setValue("H87");
            dlg.control<CTolEdit>(CArticuloFiscalBox::kUnidadId)->setText(QStringLiteral("Pieza"));
            shot(dlg, "Articulo");
            QVERIFY(!dlg.save());
            dlg.control<CTolEdit>(CArticuloFiscalBox::kClaveProdServId)->setText(QStringLiteral("31161500"));
            QVERIFY(dlg.save());
            Statement s = f.db->prepare("SELECT Id_Articulo FROM Articulos WHERE Clave = 'TOR-3/8'");
            QVERIFY(s.step());
            const auto a = f.fiscal.articulo(static_cast<std::int32_t>(s.integer(0)));
            QVERIFY(a);
            QCOMPARE(a->claveProdServ, std::string("31161500"));
            QCOMPARE(a->claveUnidad, std::string("H87"));
            QCOMPARE(a->objetoImp, std::string("02"));
        }
        {
            CAddEditImpuestos dlg(*f.db, 0);
            dlg.control<CTolEdit>(CAddEditImpuestos::kNombreId)->setText(QStringLiteral("IEPS 8 %"));
            dlg.control<CTolEdit>(CAddEditImpuestos::kPorcentajeId)->setText(QStringLiteral("8"));
            dlg.control<CSatCombo>(CImpuestoFiscalBox::kImpuestoId)->setValue("001"); // ISR is only withheld
            shot(dlg, "Impuesto");
            QVERIFY(!dlg.save());
            dlg.control<CSatCombo>(CImpuestoFiscalBox::kImpuestoId)->setValue("003");
            QVERIFY(dlg.save());
            Statement s = f.db->prepare("SELECT max(Id_Impuesto) FROM Impuestos");
            QVERIFY(s.step());
            const auto i = f.fiscal.impuesto(static_cast<std::int32_t>(s.integer(0)));
            QVERIFY(i);
            QCOMPARE(i->impuesto, std::string("003"));
            QCOMPARE(i->tasaOCuota, 0.08);
        }
    }

    void sealingFromTheDialog() {
        CfdiFixture f;
        const std::int32_t a = f.addArticle("A1", "Uno", "01010101", f.iva16);
        const std::int32_t id = f.save(f.cliente, 12, {f.line(a, 100, 2)}, "F");
        const QString folder = m_dir.filePath(QStringLiteral("sellos"));
        CCfdiDlg::forgetPassword();
        CCfdiDlg dlg(*f.db, id, folder);
        // Not paid at registration: PPD, forma 99; the customer's uso.
        QCOMPARE(dlg.control<CSatCombo>(CCfdiDlg::kMetodoPagoId)->value(), std::string("PPD"));
        QCOMPARE(dlg.control<CSatCombo>(CCfdiDlg::kFormaPagoId)->value(), std::string("99"));
        QCOMPARE(dlg.control<CSatCombo>(CCfdiDlg::kUsoId)->value(), std::string("G03"));
        auto* clave = dlg.control<QLineEdit>(CCfdiDlg::kClaveId);
        QCOMPARE(clave->echoMode(), QLineEdit::Password);
        clave->setText(QStringLiteral("otra"));
        shot(dlg, "FacturaElectronica");
        QVERIFY(!dlg.seal());
        QVERIFY(!QDir(folder).exists());
        QVERIFY(!f.fiscal.cfdi(id));
        clave->setText(QString::fromStdString(CfdiKit::password()));
        QVERIFY(dlg.seal());
        // Sealed today, whatever the document's day: the month's folder is today's.
        QCOMPARE(dlg.writtenFile(), folder + QStringLiteral("/%1/EKU9003173C9_F_12.xml")
                                                 .arg(QDate::currentDate().toString(QStringLiteral("yyyy/MM"))));
        QVERIFY(QFile::exists(dlg.writtenFile()));
        QCOMPARE(f.fiscal.cfdi(id)->estado, std::string("Sellado"));
        // The password is kept for the run only: the next dialog has it.
        CCfdiDlg next(*f.db, id, folder);
        QCOMPARE(next.control<QLineEdit>(CCfdiDlg::kClaveId)->text(), QString::fromStdString(CfdiKit::password()));
    }
};

QTEST_MAIN(TestCfdiDialogs)
#include "tst_cfdidlgs.moc"
