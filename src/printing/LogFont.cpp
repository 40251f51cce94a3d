#include "printing/LogFont.h"

#include "printing/Archive.h"
#include "printing/Windows1252.h"

#include <cstring>

bool LogFont::Load(CArchive& ar) {
    Height = ar.ReadInt32();
    Width = ar.ReadInt32();
    Escapement = ar.ReadInt32();
    Orientation = ar.ReadInt32();
    Weight = ar.ReadInt32();
    Italic = ar.ReadByte();
    Underline = ar.ReadByte();
    StrikeOut = ar.ReadByte();
    CharSet = ar.ReadByte();
    OutPrecision = ar.ReadByte();
    ClipPrecision = ar.ReadByte();
    Quality = ar.ReadByte();
    PitchAndFamily = ar.ReadByte();
    char face[kFaceBytes];
    ar.ReadBytes(face, sizeof face);
    FaceName = Windows1252::ToUtf8(std::string_view(face, strnlen(face, sizeof face)));
    return ar.ok();
}

void LogFont::Store(CArchive& ar) const {
    ar.WriteInt32(Height);
    ar.WriteInt32(Width);
    ar.WriteInt32(Escapement);
    ar.WriteInt32(Orientation);
    ar.WriteInt32(Weight);
    for (const std::uint8_t b : {Italic, Underline, StrikeOut, CharSet, OutPrecision, ClipPrecision, Quality,
                                 PitchAndFamily})
        ar.WriteByte(b);
    char face[kFaceBytes] = {};
    const std::string bytes = Windows1252::FromUtf8(FaceName);
    std::memcpy(face, bytes.data(), bytes.size() < kFaceBytes - 1 ? bytes.size() : kFaceBytes - 1);
    ar.WriteBytes(face, sizeof face);
}
