#include "platform/ui/SettingsStore.h"

#include <QSettings>

namespace {
QString key(const char* name) { return QStringLiteral("Config/") + QLatin1String(name); }

QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(SettingsStore::kOrganization),
                     QLatin1String(SettingsStore::kApplication));
}
} // namespace

int SettingsStore::readInt(const char* name, int defaultValue) {
    bool ok = false;
    const int value = store().value(key(name)).toInt(&ok);
    return ok ? value : defaultValue;
}

namespace {

// A value typed by hand in the settings file without quotes ("Comando=27,112,0,25,250") reads as
// a list of its comma-separated parts, which toString() makes empty: joined again, it is the
// text that was typed.
QString asText(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

} // namespace

QString SettingsStore::readText(const char* name) { return asText(store().value(key(name))); }

QString SettingsStore::readText(const char* name, const QString& defaultValue) {
    const QVariant value = store().value(key(name));
    return value.isValid() ? asText(value) : defaultValue;
}

bool SettingsStore::contains(const char* name) { return store().contains(key(name)); }

void SettingsStore::write(const char* name, const QVariant& value) {
    QSettings s = store();
    s.setValue(key(name), value);
    s.sync();
}

Settings SettingsStore::read() {
    Settings s;
    s.path = readText("Path").toStdString();
    s.prcAiva = readInt("PrcAiva", 0);
    s.pWin = readInt("pWin", 1);
    s.pPos = readInt("pPos", 0);
    s.rapido = readInt("Rapido", 0);
    s.askPrinter = readInt("AskPrinter", 0);
    s.impuesto = readInt("Impuesto", 0);
    s.comando = readText("Comando").toStdString();
    s.logo = readText("Logo").toStdString();
    // A device left empty on purpose stays empty (and the ticket says so); only a missing value
    // takes the default.
    s.dispositivoLpt1 = readText("DispositivoLPT1", QString::fromLatin1(s.dispositivoLpt1.c_str())).toStdString();
    s.dispositivoLpt2 = readText("DispositivoLPT2", QString::fromLatin1(s.dispositivoLpt2.c_str())).toStdString();
    s.dispositivoCom1 = readText("DispositivoCOM1", QString::fromLatin1(s.dispositivoCom1.c_str())).toStdString();
    s.dispositivoCom2 = readText("DispositivoCOM2", QString::fromLatin1(s.dispositivoCom2.c_str())).toStdString();
    s.comandoCorte = readText("ComandoCorte").toStdString();
    s.comandoInicial = readText("ComandoInicial").toStdString();
    s.columnasTicket = readInt("ColumnasTicket", 40);
    s.impresoraEscPos = readInt("ImpresoraEscPos", 0);
    return s;
}
