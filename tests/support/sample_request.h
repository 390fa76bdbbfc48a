// Test helper: name and attribute slots filled the way the generation driver
// fills them, with Windows-1252 texts.
#pragma once

#include <cstdint>
#include <string>

#include "der/name.h"

namespace dertest {

struct SampleSlots {
    // Windows-1252 bytes; split literals where a hex escape would swallow a letter.
    std::string organization = "CER\xC1MICA DEL BAJ\xCDO SA DE CV";
    std::string commonName =
        "JOS\xC9  N\xDA\xD1"
        "EZ  P\xC9REZ \\ MAR\xCD"
        "A  L\xD3PEZ";
    std::string street = "AV. JU\xC1REZ  12  3-B  CENTRO  09";
    std::string postalCode = "06000";
    std::string country = "MX";
    std::string state = "EDO. DE M\xC9XICO";
    std::string locality = "TOLUCA  SAN JOS\xC9";
    std::string uniqueId = "PEXJ800101AB1 \\ LOMM750505XY2";
    std::string email = "jose.nunez@ejemplo.com.mx";
    std::string challenge = "Z2VuZXJpY2NoYWxsZW5nZQ==";
    std::string kind = "T=FI; CURP=PEXJ800101HDFRRN09";

    cerrojo::NameSlots name{};
    cerrojo::AttributeSlots attributes{};

    static cerrojo::ByteSpan Span(std::string& s) {
        return cerrojo::ByteSpan{reinterpret_cast<std::uint8_t*>(s.data()),
                                 static_cast<std::uint32_t>(s.size())};
    }

    explicit SampleSlots(bool withAttributes = true, bool entity = true) {
        if (entity) name[0] = Span(organization);
        name[2] = Span(commonName);
        name[4] = Span(street);
        name[5] = Span(postalCode);
        name[6] = Span(country);
        name[7] = Span(state);
        name[8] = Span(locality);
        name[9] = Span(uniqueId);
        if (withAttributes) {
            attributes[0] = Span(email);
            attributes[1] = Span(challenge);
            attributes[2] = Span(kind);
        }
    }
    SampleSlots(const SampleSlots&) = delete;
    SampleSlots& operator=(const SampleSlots&) = delete;
};

}  // namespace dertest
