#include "platform/SharedValues.h"

#include "db/GeneralSet.h"
#include "db/ImpuestosSet.h"
#include "invoice/AmountInWords.h"
#include "platform/ApplicationState.h"

void LoadSharedValues(Database& db, ApplicationState& state) {
    CGeneralSet general(db);
    general.Open(OpenType::Snapshot);
    // No row: the fields read as empty texts, as the old record set left them.
    SetCurrencyWords(general.m_Moneda, general.m_Postfijo);
    state.nombre = general.m_Nombre;
    general.Close();

    CImpuestosSet tax(db);
    tax.m_strFilter = "Id_Impuesto = ?";
    tax.m_filterParams = {std::int64_t{state.impuesto}};
    tax.Open(OpenType::Snapshot);
    state.defaultTaxRate = tax.GetRecordCount() != 0 ? tax.m_Porcentaje * 0.01 : 0.0;
}

std::string ScramblePassword(std::string_view text) {
    std::string out(text);
    const std::string_view title = kApplicationTitle;
    for (char& byte : out)
        for (char c : title)
            byte = static_cast<char>(byte ^ c);
    return out;
}

std::string StoredPassword(Database& db) {
    CGeneralSet general(db);
    general.Open(OpenType::Snapshot);
    return ScramblePassword(general.m_In);
}

bool IsAccessPassword(Database& db, std::string_view typed) { return StoredPassword(db) == typed; }
