#pragma once

#include "printing/DocumentValues.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CPrintJob;

// What the designer's sheet shows in place of each datum: the captions ("Nombre Cliente"), the
// fixed sample values, or a stored document. Row 0 is the first detail line; the header data are
// the same on every row. A document shows its own line on each row and nothing of a detail datum
// past its last line.
class CSheetValues final {
public:
    enum class Kind { Captions, Samples, Document };

    static CSheetValues Captions();
    static CSheetValues Samples();
    // The document of `job` (copied): its header, totals and lines.
    static CSheetValues Document(const CPrintJob& job);

    Kind GetKind() const { return m_kind; }
    const CFieldValueProvider& Row(std::size_t row) const;
    // The document's series and folio as the operator reads them ("A000523"); empty otherwise.
    const std::string& DocumentName() const { return m_documentName; }

private:
    explicit CSheetValues(Kind kind) : m_kind(kind) {}

    Kind m_kind;
    std::shared_ptr<const CFieldValueProvider> m_fixed;
    // One copy of the document's values per line, each pointing at its line; the last one has
    // no line, for rows past the end.
    std::shared_ptr<const std::vector<CPartida>> m_lines;
    std::vector<CDocumentValues> m_rows;
    std::string m_documentName;
};
