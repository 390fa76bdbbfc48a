// Registrant kinds and their texts.
#include <gtest/gtest.h>

#include <string>

#include "capture/user_type.h"
#include "support/cp1252_text.h"

namespace {

using petitora::UserType;
using testsupport::W;

struct KindRow {
    UserType type;
    int code;
    bool entity;
    bool customs;
    const char* menuEntry;
    const char* prompt;
    const char* title;
    const char* requestCode;
    const char* nameLabel;
    const char* patenteLabel;
};

const KindRow kRows[] = {
    {UserType::PersonaFisica, 0, false, false, "Persona &Física",
     "Captura los datos de una Persona Física",
     "Generador de Requerimientos de Inscripción para una PERSONA FISICA", "FI", "&Nombre(s)",
     "     &Patente"},
    {UserType::PersonaMoral, 1, true, false, "Persona &Moral",
     "Captura los datos de una Persona Moral",
     "Generador de Requerimientos de Inscripción para una PERSONA MORAL", "MO", "Razó&n social",
     "     &Patente"},
    {UserType::ContadorPublico, 2, false, false, "&C.P.R.",
     "Captura los datos de un Contador Publico Registrado",
     "Generador de Requerimientos de Inscripción para un C.P.R.", "CP", "&Nombre(s)",
     "Registro C&PR"},
    {UserType::AgenteAduanal, 3, false, true, "&Agente Aduanal",
     "Captura los datos de un Agente Aduanal",
     "Generador de Requerimientos de Inscripción para un AGENTE ADUANAL", "AA", "&Nombre(s)",
     "     &Patente"},
    {UserType::Mandatario, 4, false, true, "Man&datario", "Captura los datos de un Mandatario",
     "Generador de Requerimientos de Inscripción para un MANDATARIO", "MA", "&Nombre(s)",
     "     &Patente"},
    {UserType::ApoderadoAduanal, 5, false, true, "A&poderado Aduanal",
     "Captura los datos de un Apoderado Aduanal",
     "Generador de Requerimientos de Inscripción para un APODERADO ADUANAL", "AP", "&Nombre(s)",
     "     &Patente"},
    {UserType::Banco, 6, true, false, "&Banco", "Captura los datos de un Banco",
     "Generador de Requerimientos de Inscripción para un BANCO", "BA", "Razó&n social",
     "     &Patente"},
};

TEST(UserType, EveryKindHasItsCodeGroupsAndTexts) {
    for (const KindRow& row : kRows) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(static_cast<int>(row.type), row.code);
        EXPECT_TRUE(petitora::IsKnownUserType(row.type));
        EXPECT_EQ(petitora::IsEntityKind(row.type), row.entity);
        EXPECT_EQ(petitora::IsCustomsKind(row.type), row.customs);
        EXPECT_EQ(petitora::MenuEntry(row.type), W(row.menuEntry));
        EXPECT_EQ(petitora::MenuPrompt(row.type), W(row.prompt));
        EXPECT_EQ(petitora::WindowTitle(row.type), W(row.title));
        EXPECT_EQ(petitora::RequestTypeCode(row.type), W(row.requestCode));
        EXPECT_EQ(petitora::NameLabel(row.type), W(row.nameLabel));
        EXPECT_EQ(petitora::PatenteCprLabel(row.type), W(row.patenteLabel));
    }
    EXPECT_EQ(petitora::UserTypeMenuTitle(), W("&Tipo de Usuario"));
}

TEST(UserType, CodesOutsideTheSevenAreHarmless) {
    for (int code : {-1, 7, 100}) {
        const auto type = static_cast<UserType>(code);
        EXPECT_FALSE(petitora::IsKnownUserType(type));
        EXPECT_FALSE(petitora::IsEntityKind(type));
        EXPECT_FALSE(petitora::IsCustomsKind(type));
        EXPECT_STREQ(petitora::WindowTitle(type), "");
        EXPECT_STREQ(petitora::NameLabel(type), "");
        EXPECT_STREQ(petitora::PatenteCprLabel(type), "");
        EXPECT_STREQ(petitora::RequestTypeCode(type), "");
        EXPECT_STREQ(petitora::MenuEntry(type), "");
        EXPECT_STREQ(petitora::MenuPrompt(type), "");
    }
}

}  // namespace
