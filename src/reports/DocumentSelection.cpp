#include "reports/DocumentSelection.h"

#include <cstdint>

void AddDocumentSelection(std::string& where, std::vector<DbValue>& params, long folio, const std::string& serie,
                          long clienteId) {
    if (folio != 0) {
        if (!serie.empty()) {
            where += "AND Documentos.Serie = ? AND Documentos.Folio = ? ";
            params.emplace_back(serie);
        } else {
            where += "AND Documentos.Serie Is Null AND Documentos.Folio=? ";
        }
        params.emplace_back(std::int64_t{folio});
        return;
    }
    if (clienteId != 0) {
        where += "AND Documentos.Id_Cliente=? ";
        params.emplace_back(std::int64_t{clienteId});
    }
    if (!serie.empty()) {
        where += "AND Documentos.Serie=? ";
        params.emplace_back(serie);
    }
}
