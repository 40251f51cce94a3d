#pragma once

#include "designer/FormatBackground.h"
#include "designer/SheetSize.h"
#include "printing/WindowsFormat.h"

#include <cstdint>
#include <memory>
#include <string>

// A Windows format as the designer edits it: the layout with the row's name and remarks, the
// paper and the background picture. `Caben` follows the detail area unless the operator fixed it
// by hand (a stored value that differs from the derived one counts as fixed, so opening and
// saving a format never changes it).
class CDesignFormat final {
public:
    std::int32_t Id = 0; // Id_Formato; 0 until stored
    std::string Name;
    std::string Observaciones;
    bool CabenByHand = false;
    CWindowsFormat Format;
    SheetSize Sheet = SheetSize::Standard().front();
    // Replaced whole by every change, never changed in place, so that the undo steps share one
    // picture however many of them there are.
    std::shared_ptr<const FormatBackground> Background;

    // Detail lines that fit between the detail top and bottom at the pitch, at least 1.
    static std::int32_t DerivedCaben(const CWindowsFormat& format);
    // What Save writes into Caben.
    std::int32_t CabenToStore() const { return CabenByHand ? Format.Caben : DerivedCaben(Format); }

    // Equal in everything an edit can change: all but the id and the name.
    bool SameDesign(const CDesignFormat& other) const;
    // Takes over from `other` everything an edit can change, keeping this id and name.
    void TakeDesign(const CDesignFormat& other);
};
