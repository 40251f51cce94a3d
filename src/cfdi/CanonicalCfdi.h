#pragma once

#include <optional>
#include <string>

// A CFDI's content without its stamp, in exclusive canonical XML: the same for the bytes we sealed
// and for the stamped document a PAC gives back after writing it out its own way (other quotes, a
// namespace declared elsewhere), and different as soon as any element, attribute or text differs.
namespace CanonicalCfdi {

// Nothing when the text is no XML (or has a DOCTYPE), or holds other than `tfds` TimbreFiscalDigital
// elements. Those are taken out, with a Complemento left empty by it.
std::optional<std::string> WithoutStamp(const std::string& xml, int tfds);

} // namespace CanonicalCfdi
