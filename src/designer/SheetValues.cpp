#include "designer/SheetValues.h"

#include "db/ValueFunctions.h"
#include "designer/CaptionValues.h"
#include "printing/PrintJob.h"
#include "printing/SampleValues.h"

#include <algorithm>

CSheetValues CSheetValues::Captions() {
    CSheetValues v(Kind::Captions);
    v.m_fixed = std::make_shared<CCaptionValues>();
    return v;
}

CSheetValues CSheetValues::Samples() {
    CSheetValues v(Kind::Samples);
    v.m_fixed = std::make_shared<CSampleValues>();
    return v;
}

CSheetValues CSheetValues::Document(const CPrintJob& job) {
    CSheetValues v(Kind::Document);
    // The rows point into this copy, which every copy of the sheet values shares.
    v.m_lines = std::make_shared<const std::vector<CPartida>>(job.Lines);
    const CDocumentValues header = job;
    for (std::size_t k = 0; k <= v.m_lines->size(); ++k) {
        CDocumentValues row = header;
        row.CurrentLine = k < v.m_lines->size() ? &(*v.m_lines)[k] : nullptr;
        row.CurrentLineNumber = row.CurrentLine ? static_cast<std::int32_t>(k + 1) : 0;
        v.m_rows.push_back(std::move(row));
    }
    v.m_documentName = job.Serie + NumberToPaddedText(job.Folio);
    return v;
}

const CFieldValueProvider& CSheetValues::Row(std::size_t row) const {
    if (m_fixed)
        return *m_fixed;
    return m_rows[std::min(row, m_rows.size() - 1)];
}
