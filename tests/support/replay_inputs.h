// Test support: the inputs of a petitora-replay run (a registrant file and
// a mouse-event script) written into a scratch folder.
#pragma once

#include <string>

#include "generation/generation_support.h"

namespace testsupport {

inline const char kPersona[] = R"({"userType": 0, "rfcLetters": "PELJ", "rfcDate": "800101",
    "rfcHomoclave": "AB1", "name": "JUAN", "paternalSurname": "PÉREZ",
    "maternalSurname": "LOPEZ", "email": "juan@example.mx", "revocationKey": "secreto123",
    "street": "AV. REFORMA", "exteriorNumber": "10", "neighbourhood": "CENTRO",
    "postalCode": "06000", "municipality": "CUAUHTEMOC", "stateIndex": 8)";

inline std::string Persona(const std::string& more = "") {
    return std::string(kPersona) + more + "}";
}

inline void PrepareInputs(const gentest::ScratchFolder& folder, const std::string& registrant,
                          int events) {
    gentest::WriteBytes(folder / "persona.json", registrant);
    std::string script = "# x y\n";
    for (int i = 0; i < events; ++i) {
        script += std::to_string(i * 37 % 601) + " " + std::to_string(i * 11 % 397) + "\n";
    }
    gentest::WriteBytes(folder / "events.txt", script);
}

}  // namespace testsupport
