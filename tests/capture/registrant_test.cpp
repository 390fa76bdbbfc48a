// The registrant record, its field table and the entity RFC copy.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "capture/registrant.h"
#include "capture/rules.h"
#include "support/cp1252_text.h"

namespace {

using petitora::Field;
using petitora::InputRule;
using petitora::RegistrantRecord;
using petitora::UserType;
using testsupport::W;

struct FieldRow {
    Field field;
    int page;
    std::size_t max;
    InputRule rule;
    bool trimmed;
    bool optional;      // trimmed and may stay empty
    const char* label;  // nullptr: depends on the kind
};

const FieldRow kFields[] = {
    {Field::RfcEntityLetters, 0, 3, InputRule::UpperCase, false, false, "&RFC"},
    {Field::RfcLetters, 0, 4, InputRule::UpperCase, false, false, "&RFC"},
    {Field::RfcDate, 0, 6, InputRule::Digits, false, false, ""},
    {Field::RfcHomoclave, 0, 3, InputRule::UpperCase, false, false, ""},
    {Field::Name, 0, 100, InputRule::AsTyped, true, false, nullptr},
    {Field::PaternalSurname, 0, 20, InputRule::AsTyped, true, false, "Apellido Pa&terno"},
    {Field::MaternalSurname, 0, 20, InputRule::AsTyped, false, false, "&Materno"},
    {Field::Email, 0, 100, InputRule::AsTyped, false, false, "&Correo Electrónico"},
    {Field::RevocationKey, 0, 20, InputRule::AsTyped, false, false, "Cve Re&vocación"},
    {Field::PatenteCpr, 0, 8, InputRule::AsTyped, false, false, nullptr},
    {Field::Curp, 0, 18, InputRule::AsTyped, false, false, "C&URP"},
    {Field::Street, 1, 50, InputRule::AsTyped, true, false, "&Calle"},
    {Field::ExteriorNumber, 1, 10, InputRule::AsTyped, true, false, "No. y/o Letra E&xt."},
    {Field::InteriorNumber, 1, 10, InputRule::AsTyped, true, true, "No. &y/o Let. Int."},
    {Field::Neighbourhood, 1, 30, InputRule::AsTyped, true, false, "C&olonia"},
    {Field::PostalCode, 1, 5, InputRule::Digits, false, false, "C. &Postal"},
    {Field::Municipality, 1, 30, InputRule::AsTyped, true, false, "&Municipio/Deleg."},
    {Field::Locality, 1, 30, InputRule::AsTyped, true, true, "&Localidad"},
    {Field::StateIndex, 1, 0, InputRule::ListChoice, false, false, "Entidad &Federativa"},
    {Field::RegionalOffice, 1, 20, InputRule::ListChoice, false, false, "&A. L. R."},
    {Field::RepRfcLetters, 2, 4, InputRule::UpperCase, false, false, "&RFC"},
    {Field::RepRfcDate, 2, 6, InputRule::Digits, false, false, ""},
    {Field::RepRfcHomoclave, 2, 3, InputRule::UpperCase, false, false, ""},
    {Field::RepName, 2, 50, InputRule::AsTyped, true, false, "&Nombre"},
    {Field::RepPaternalSurname, 2, 20, InputRule::AsTyped, true, false, "Apellido &Paterno"},
    {Field::RepMaternalSurname, 2, 20, InputRule::AsTyped, false, false, "Apellido &Materno"},
};

TEST(FieldTable, EveryFieldWithItsLimitRuleAndLabel) {
    ASSERT_EQ(std::size(kFields), static_cast<std::size_t>(petitora::kFieldCount - 1));
    for (std::size_t i = 0; i < std::size(kFields); ++i) {
        const FieldRow& row = kFields[i];
        const petitora::FieldInfo* info = petitora::FindField(row.field);
        ASSERT_NE(info, nullptr) << i;
        SCOPED_TRACE(info->name);
        EXPECT_EQ(info, &petitora::FieldTable()[i]);
        EXPECT_EQ(info->field, row.field);
        EXPECT_EQ(info->page, row.page);
        EXPECT_EQ(info->maxLength, row.max);
        EXPECT_EQ(info->rule, row.rule);
        EXPECT_EQ(info->trimmed, row.trimmed);
        EXPECT_EQ(info->requiredOnLeave, row.trimmed && !row.optional);
        EXPECT_EQ(info->isText, row.field != Field::StateIndex);
        if (row.label != nullptr) {
            EXPECT_EQ(petitora::FieldLabel(row.field, UserType::PersonaFisica), W(row.label));
        }
    }
    EXPECT_EQ(petitora::FindField(Field::None), nullptr);
    EXPECT_EQ(petitora::FindField(Field::Count), nullptr);
    EXPECT_STREQ(petitora::FieldLabel(Field::None, UserType::Banco), "");
    EXPECT_EQ(petitora::FieldLabel(Field::Name, UserType::Banco), W("Razó&n social"));
    EXPECT_EQ(petitora::FieldLabel(Field::Name, UserType::Mandatario), W("&Nombre(s)"));
    EXPECT_EQ(petitora::FieldLabel(Field::PatenteCpr, UserType::ContadorPublico),
              W("Registro C&PR"));
}

TEST(FieldTable, EachTextFieldHasItsOwnMember) {
    RegistrantRecord r;
    std::set<const std::string*> members;
    for (const FieldRow& row : kFields) {
        std::string* text = petitora::FieldText(r, row.field);
        if (row.field == Field::StateIndex) {
            EXPECT_EQ(text, nullptr);
            continue;
        }
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(members.insert(text).second);
        const RegistrantRecord& constRecord = r;
        EXPECT_EQ(petitora::FieldText(constRecord, row.field), text);
    }
    EXPECT_EQ(petitora::FieldText(r, Field::None), nullptr);
    EXPECT_EQ(petitora::FieldText(r, static_cast<Field>(999)), nullptr);
    // A few by name, so a swapped pair cannot pass.
    EXPECT_EQ(petitora::FieldText(r, Field::RepRfcLetters), &r.repRfcLetters);
    EXPECT_EQ(petitora::FieldText(r, Field::Neighbourhood), &r.neighbourhood);
    EXPECT_EQ(petitora::FieldText(r, Field::RegionalOffice), &r.regionalOffice);
    EXPECT_EQ(petitora::FieldText(r, Field::MaternalSurname), &r.maternalSurname);
}

TEST(Record, FreshRecordOfEveryKind) {
    for (int code = 0; code < petitora::kUserTypeCount; ++code) {
        const auto type = static_cast<UserType>(code);
        const RegistrantRecord r = petitora::CreateRegistrantRecord(type);
        EXPECT_EQ(r.userType, type);
        EXPECT_EQ(r.stateIndex, 0);
        EXPECT_EQ(r.regionalOffice, "01 CELAYA");
        for (const FieldRow& row : kFields) {
            if (row.field == Field::StateIndex || row.field == Field::RegionalOffice) continue;
            EXPECT_TRUE(petitora::FieldText(r, row.field)->empty());
        }
        EXPECT_EQ(petitora::FullRfc(r), "");
    }
}

TEST(Record, EntityCopyReplacesTheLetters) {
    RegistrantRecord moral = petitora::CreateRegistrantRecord(UserType::PersonaMoral);
    moral.rfcLetters = "WXYZ";
    moral.rfcEntityLetters = "ACM";
    moral.rfcDate = "991231";
    moral.rfcHomoclave = "XY9";
    petitora::CopyEntityRfcLetters(moral);
    EXPECT_EQ(moral.rfcLetters, "ACM");
    EXPECT_EQ(petitora::FullRfc(moral).size(), 12u);

    RegistrantRecord person = petitora::CreateRegistrantRecord(UserType::ContadorPublico);
    person.rfcLetters = "PELJ";
    person.rfcEntityLetters = "ZZZ";
    person.rfcDate = "800101";
    person.rfcHomoclave = "AB1";
    petitora::CopyEntityRfcLetters(person);
    EXPECT_EQ(petitora::FullRfc(person), "PELJ800101AB1");
    person.repRfcLetters = "RUSA";
    person.repRfcDate = "750615";
    person.repRfcHomoclave = "12A";
    EXPECT_EQ(petitora::RepresentativeFullRfc(person), "RUSA75061512A");
}

TEST(Record, BoxesKeepWhatTheirRuleAllows) {
    EXPECT_EQ(petitora::FilterInput(Field::RfcLetters,
                                    "pe\xF1"
                                    "az"),
              "PE\xD1"
              "A");
    EXPECT_EQ(petitora::FilterInput(Field::RfcDate, "8a0-01.01x9"), "800101");
    EXPECT_EQ(petitora::FilterInput(Field::PostalCode, "06 000 1"), "06000");
    EXPECT_EQ(petitora::FilterInput(Field::RepRfcHomoclave, "\xFF\x9A\x9C\xDF\xF7"),
              "\x9F\x8A\x8C");
    EXPECT_EQ(petitora::FilterInput(Field::Name, "  juan  "), "  juan  ");
    EXPECT_EQ(petitora::FilterInput(Field::Curp, std::string(30, 'c')), std::string(18, 'c'));
    EXPECT_EQ(petitora::FilterInput(Field::StateIndex, "anything"), "anything");
    // Every small letter of Windows-1252 and its capital.
    const std::string small = W("abcxyzàáâãäåæçèéêëìíîïðñòóôõöøùúûüýþšœžÿ");
    const std::string capital = W("ABCXYZÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞŠŒŽŸ");
    ASSERT_EQ(small.size(), capital.size());
    for (std::size_t i = 0; i < small.size(); ++i) {
        EXPECT_EQ(petitora::ToUpperCp1252(small[i]), capital[i]) << i;
        EXPECT_EQ(petitora::ToUpperCp1252(capital[i]), capital[i]) << i;
    }
    for (const char* same : {"ß", "µ", "÷", "1", "@", "ª"}) {
        const std::string b = W(same);
        EXPECT_EQ(petitora::ToUpperCp1252(b[0]), b[0]) << same;
    }
}

}  // namespace
