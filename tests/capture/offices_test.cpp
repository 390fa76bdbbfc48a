// States, offices, the office-to-state table, the office file and the office check.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "capture/offices.h"
#include "support/cp1252_text.h"

namespace {

using petitora::RegionalOfficeList;
using testsupport::U;
using testsupport::W;

struct StateRow {
    const char* display;
    const char* upper;
    std::vector<int> codes;
};

const StateRow kStates[petitora::kStateCount] = {
    {"Aguascalientes", "AGUASCALIENTES", {61}},
    {"Baja California Norte", "BAJA CALIF. NORTE", {41, 42, 47}},
    {"Baja California Sur", "BAJA CALIF, SUR", {43}},
    {"Campeche", "CAMPECHE", {72}},
    {"Chiapas", "CHIAPAS", {76, 78}},
    {"Chihuahua", "CHIHUAHUA", {53, 54}},
    {"Coahuila", "COAHUILA", {51, 52, 57}},
    {"Colima", "COLIMA", {62}},
    {"Distrito Federal", "DISTRITO FEDERAL", {11, 12, 13, 14, 96}},
    {"Durango", "DURANGO", {55}},
    {"Estado de México", "EDO. DE MÉXICO", {15, 16}},
    {"Guanajuato", "GUANAJUATO", {1, 2, 7}},
    {"Guerrero", "GUERRERO", {27, 30}},
    {"Hidalgo", "HIDALGO", {5}},
    {"Jalisco", "JALISCO", {63, 65, 66, 67, 68, 95}},
    {"Michoacan", "MICHOACÁN", {3, 8}},
    {"Morelos", "MORELOS", {28}},
    {"Nayarit", "NAYARIT", {64}},
    {"Nuevo Leon", "NUEVO LEÓN", {31, 35, 36, 94}},
    {"Oaxaca", "OAXACA", {71}},
    {"Puebla", "PUEBLA", {21, 23}},
    {"Queretaro", "QUERÉTARO", {4}},
    {"Quintanarro", "QUINTANA ROO", {73, 77}},
    {"San Luis Potosi", "SAN LUIS POTOSÍ", {6}},
    {"Sinaloa", "SINALOA", {44, 48, 49}},
    {"Sonora", "SONORA", {45, 46, 50}},
    {"Tabasco", "TABASCO", {74}},
    {"Tamaulipas", "TAMAULIPAS", {32, 33, 37, 38, 39}},
    {"Tlaxcala", "TLAXCALA", {22}},
    {"Veracruz", "VERACRUZ", {24, 25, 26, 29, 34}},
    {"Yucatan", "YUCATÁN", {75}},
    {"Zacatecas", "ZACATECAS", {56}},
};

const char* const kBuiltIn[petitora::kOfficeCount] = {
    "01 CELAYA",         "02 LEON",         "03 MORELIA",     "04 QUERETARO",   "05 PACHUCA",
    "06 S.L POTOSI",     "07 IRAPUATO",     "08 URUAPAN",     "11 NORTE D.F.",  "12 CENTRO D.F.",
    "13 SUR D.F.",       "14 ORIENTE D.F.", "15 NAUCALPAN",   "16 TOLUCA",      "21 PUEBLA SUR",
    "22 TLAXCALA",       "23 PUEBLA NTE",   "24 XALAPA",      "25 VERACRUZ",    "26 COATZACOALCOS",
    "27 ACAPULCO",       "28 CUERNAVACA",   "29 CORDOBA",     "30 IGUALA",      "31 GUADALUPE",
    "32 REYNOSA",        "33 TAMPICO",      "34 TUXPAN",      "35 SAN PEDRO",   "36 MONTERREY",
    "37 NVO LAREDO",     "38 MATAMOROS",    "39 VICTORIA",    "41 TIJUANA",     "42 MEXICALI",
    "43 LA PAZ",         "44 CULIACAN",     "45 CD OBREGON",  "46 HERMOSILLO",  "47 ENSENADA",
    "48 LOS MOCHIS",     "49 MAZATLAN",     "50 NOGALES",     "51 TORREON",     "52 SALTILLO",
    "53 CD JUAREZ",      "54 CHIHUAHUA",    "55 DURANGO",     "56 ZACATECAS",   "57 PIEDRAS N.",
    "61 AGUASCALIENTES", "62 COLIMA",       "63 GUADALAJARA", "64 TEPIC",       "65 CD. GUZMAN",
    "66 TLAQUEPAQUE",    "67 ZAPOPAN",      "68 P VALLARTA",  "71 OAXACA",      "72 CAMPECHE",
    "73 CANCUN",         "74 VILLAHERMOSA", "75 MERIDA",      "76 TUXTLA GUT.", "77 CHETUMAL",
    "78 TAPACHULA",      "94 MONTERREY",    "95 GUADALAJARA", "96 D. FEDERAL",
};

TEST(States, NamesExactlyAsListed) {
    for (int i = 0; i < petitora::kStateCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(petitora::StateDisplayName(i), W(kStates[i].display));
        EXPECT_EQ(petitora::StateUpperName(i), W(kStates[i].upper));
    }
    EXPECT_EQ(std::string(petitora::StateUpperName(10)), "EDO. DE M\xC9XICO");
    EXPECT_STREQ(petitora::StateDisplayName(-1), "");
    EXPECT_STREQ(petitora::StateUpperName(32), "");
}

TEST(Offices, EachOfThe69CodesBelongsToExactlyOneState) {
    std::map<int, int> stateOfCode;  // from the per-state lists
    for (int s = 0; s < petitora::kStateCount; ++s) {
        for (int code : kStates[s].codes) {
            EXPECT_TRUE(stateOfCode.emplace(code, s).second) << "code " << code << " twice";
        }
    }
    ASSERT_EQ(stateOfCode.size(), 69u);
    int previous = 0;
    for (const petitora::OfficeState& entry : petitora::OfficeStateTable) {
        EXPECT_GT(entry.code, previous) << "ascending, each code once";
        previous = entry.code;
        ASSERT_EQ(stateOfCode.count(entry.code), 1u) << entry.code;
        EXPECT_EQ(entry.stateIndex, stateOfCode[entry.code]) << "code " << entry.code;
    }
    for (int code = -1; code <= 100; ++code) {
        const int expected = stateOfCode.count(code) ? stateOfCode[code] : -1;
        EXPECT_EQ(petitora::OfficeStateOf(code), expected) << code;
    }
    EXPECT_EQ(petitora::OfficeStateOf(94), 18);  // Nuevo Leon
    EXPECT_EQ(petitora::OfficeStateOf(95), 14);  // Jalisco
    EXPECT_EQ(petitora::OfficeStateOf(96), 8);   // Distrito Federal
}

TEST(Offices, BuiltInListFollowsTheTable) {
    const RegionalOfficeList list = petitora::BuiltInRegionalOffices();
    ASSERT_EQ(list.items.size(), 69u);
    EXPECT_EQ(list.selection, 0u);
    EXPECT_EQ(list.SelectedText(), "01 CELAYA");
    for (int i = 0; i < petitora::kOfficeCount; ++i) {
        EXPECT_EQ(list.items[i], kBuiltIn[i]);
        EXPECT_LE(list.items[i].size(), petitora::kMaxOfficeItemLength);
        EXPECT_EQ(petitora::OfficeCode(list.items[i]), petitora::OfficeStateTable[i].code);
        if (i > 0) {
            EXPECT_LT(list.items[i - 1], list.items[i]) << "sorted";
        }
    }
    EXPECT_EQ(RegionalOfficeList{}.SelectedText(), "");
}

TEST(Offices, CodeIsReadFromTheFirstTwoCharacters) {
    EXPECT_EQ(petitora::OfficeCode("11 NORTE D.F."), 11);
    EXPECT_EQ(petitora::OfficeCode("11 ANYTHING"), 11);
    EXPECT_EQ(petitora::OfficeCode("123"), 12);
    EXPECT_EQ(petitora::OfficeCode("7 X"), 7);
    EXPECT_EQ(petitora::OfficeCode("7"), 7);
    EXPECT_EQ(petitora::OfficeCode("X1"), 0);
    EXPECT_EQ(petitora::OfficeCode(" 1"), 0);
    EXPECT_EQ(petitora::OfficeCode("-1"), 0);
    EXPECT_EQ(petitora::OfficeCode("\xB9\xB2"), 0);
    EXPECT_EQ(petitora::OfficeCode(""), 0);
}

TEST(Offices, CheckMatchesEveryCodeAgainstEveryState) {
    const std::string alr =
        W("Error, La administración local (A.L.R.) no corresponde a la entidad federativa.");
    for (int code = 0; code < 100; ++code) {
        char item[8];
        std::snprintf(item, sizeof item, "%02d X", code);
        for (int s = -1; s <= petitora::kStateCount; ++s) {
            bool belongs = false;
            if (s >= 0 && s < petitora::kStateCount) {
                for (int c : kStates[s].codes) belongs = belongs || c == code;
            }
            const petitora::Verdict v = petitora::CheckOfficeMatchesState(item, s);
            ASSERT_EQ(v.valid, belongs) << item << " state " << s;
            if (!belongs) {
                EXPECT_EQ(v.message, alr);
                EXPECT_EQ(v.caption, "Error");
                EXPECT_EQ(v.focus, petitora::Field::None);
            }
        }
    }
    EXPECT_TRUE(petitora::CheckOfficeMatchesState("75 MERIDA", 30).valid);
    EXPECT_FALSE(petitora::CheckOfficeMatchesState("73 CANCUN", 30).valid);
    EXPECT_FALSE(petitora::CheckOfficeMatchesState("", 0).valid);
    petitora::RegistrantRecord fresh = petitora::CreateRegistrantRecord(petitora::UserType::Banco);
    EXPECT_FALSE(petitora::CheckOfficeMatchesState(fresh).valid)
        << "01 CELAYA is not Aguascalientes";
    fresh.stateIndex = 11;
    EXPECT_TRUE(petitora::CheckOfficeMatchesState(fresh).valid);
}

// ---- the office file ----

class OfficeFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("petitora_offices_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "Regionales.ini").string();
        std::memset(work_, 0x5A, sizeof work_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Write(const std::string& bytes) {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    // Loads into a list that starts as the built-in one.
    bool Load() {
        list_ = petitora::BuiltInRegionalOffices();
        return petitora::LoadRegionalOffices(path_, list_, work_, sizeof work_);
    }

    void ExpectDamaged() {
        EXPECT_FALSE(Load());
        EXPECT_EQ(list_.items, petitora::BuiltInRegionalOffices().items) << "built-in list stays";
        EXPECT_EQ(list_.SelectedText(), "01 CELAYA");
        EXPECT_EQ(std::string(work_), W("Error, el archivo " + path_ + " está dañado."));
    }

    void ExpectCannotOpen() {
        EXPECT_FALSE(Load());
        EXPECT_EQ(list_.items, petitora::BuiltInRegionalOffices().items) << "built-in list stays";
        EXPECT_EQ(list_.SelectedText(), "01 CELAYA");
        EXPECT_EQ(std::string(work_), W("Error, No puedo abrir el archivo " + path_));
    }

    std::filesystem::path dir_;
    std::string path_;
    RegionalOfficeList list_;
    char work_[4096];
};

TEST_F(OfficeFile, MissingFileKeepsTheBuiltInList) {
    ExpectCannotOpen();
}

TEST_F(OfficeFile, TwoLinesAreSortedAndTheFirstSelected) {
    Write("75 MERIDA\n01 CELAYA\n");
    EXPECT_TRUE(Load());
    EXPECT_EQ(list_.items, (std::vector<std::string>{"01 CELAYA", "75 MERIDA"}));
    EXPECT_EQ(list_.SelectedText(), "01 CELAYA");
    EXPECT_EQ(static_cast<unsigned char>(work_[0]), 0x5A) << "work area untouched on success";
}

TEST_F(OfficeFile, UnusableFilesAreDamaged) {
    const std::string cases[] = {
        "",                                // empty
        "01 CELAYA",                       // only line without line feed
        "01 CELAYA\r02 LEON\r",            // lone carriage returns only
        std::string("01 CE\0LAYA\n", 11),  // NUL byte
        std::string(5000, '\xFF'),         // binary without line feed
    };
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(U(bytes.substr(0, 20)));
        Write(bytes);
        ExpectDamaged();
    }
}

TEST_F(OfficeFile, LineEndingsAndTailFollowTextMode) {
    Write("02 LEON\r\n01 CELAYA\r\r\n03 A\rB\n04 NO FINAL LINE FEED");
    EXPECT_TRUE(Load());
    EXPECT_EQ(list_.items, (std::vector<std::string>{"01 CELAYA\r", "02 LEON", "03 A\rB"}));
}

TEST_F(OfficeFile, OnlyLineFeedsGiveEmptyItems) {
    Write("\n\n\n");
    EXPECT_TRUE(Load());
    EXPECT_EQ(list_.items, std::vector<std::string>(3, ""));
    EXPECT_EQ(list_.SelectedText(), "");
    EXPECT_FALSE(petitora::CheckOfficeMatchesState(list_.SelectedText(), 0).valid);
}

TEST_F(OfficeFile, LongLinesAreCutTo20) {
    std::string bytes = "75 MERIDA " + std::string(10000, 'X') + "\n";
    bytes += "01 CELAYA 1234567890\r\n";      // exactly 20 before CR LF
    bytes += "02 LEON 123456789012\r\r\r\n";  // carriage returns past the cut
    Write(bytes);
    EXPECT_TRUE(Load());
    ASSERT_EQ(list_.items.size(), 3u);
    EXPECT_EQ(list_.items[0], "01 CELAYA 1234567890");
    EXPECT_EQ(list_.items[1], "02 LEON 123456789012");
    EXPECT_EQ(list_.items[2], "75 MERIDA XXXXXXXXXX");
}

TEST_F(OfficeFile, PercentSignsAndHighBytesAreLiteral) {
    Write("01 %d %s %n %x%%\n75 M\xC9RIDA\xFF\x80\n");
    EXPECT_TRUE(Load());
    EXPECT_EQ(list_.items, (std::vector<std::string>{"01 %d %s %n %x%%", "75 M\xC9RIDA\xFF\x80"}));
}

TEST_F(OfficeFile, ItemAndSizeLimits) {
    std::string lines;
    for (std::size_t i = 0; i < petitora::kMaxOfficeFileItems; ++i) lines += "01 X\n";
    Write(lines);
    EXPECT_TRUE(Load());
    EXPECT_EQ(list_.items.size(), petitora::kMaxOfficeFileItems);
    Write(lines + "02 Y\n");
    ExpectDamaged();

    // Exactly the byte limit is read; one more byte is too many.
    std::string big = "01 X\n" + std::string(petitora::kMaxOfficeFileBytes - 6, 'Z') + "\n";
    ASSERT_EQ(big.size(), petitora::kMaxOfficeFileBytes);
    Write(big);
    EXPECT_TRUE(Load());
    ASSERT_EQ(list_.items.size(), 2u);
    EXPECT_EQ(list_.items[1], std::string(20, 'Z'));
    Write(big + "\n");
    ExpectDamaged();
}

TEST_F(OfficeFile, HugeFileIsRefusedWithoutReadingItAll) {
    std::string block;
    for (int i = 0; i < 4096; ++i) block += "01 CELAYA\n";
    {
        std::ofstream out(path_, std::ios::binary);
        for (int i = 0; i < 500; ++i)
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }  // about 20 MB
    ExpectDamaged();
}

// Something that is not a file cannot be opened as the office file: the
// "cannot open" text, not the "damaged" one, whose contents were never read.
TEST_F(OfficeFile, DirectoryCannotBeOpened) {
    std::filesystem::create_directory(path_);
    ExpectCannotOpen();
}

TEST_F(OfficeFile, NamedPipeCannotBeOpenedWithoutWaitingForAWriter) {
    ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
    ExpectCannotOpen();  // opening it for reading would block forever
}

TEST_F(OfficeFile, FailureTextStaysInsideTheWorkArea) {
    char small[12];
    std::memset(small, 0x5A, sizeof small);
    RegionalOfficeList list = petitora::BuiltInRegionalOffices();
    EXPECT_FALSE(petitora::LoadRegionalOffices(path_, list, small, 8));
    EXPECT_EQ(std::string(small), "Error, ");
    for (std::size_t i = 8; i < sizeof small; ++i) EXPECT_EQ(small[i], 0x5A) << i;
    EXPECT_FALSE(petitora::LoadRegionalOffices(path_, list, small, 1));
    EXPECT_EQ(small[0], '\0');
    EXPECT_EQ(small[1], 'r');
    small[0] = 'Q';
    EXPECT_FALSE(petitora::LoadRegionalOffices(path_, list, small, 0));
    EXPECT_EQ(small[0], 'Q');
    EXPECT_FALSE(petitora::LoadRegionalOffices(path_, list, nullptr, 100));
    EXPECT_EQ(list.items.size(), 69u);
}

TEST_F(OfficeFile, FailedLoadKeepsAnEarlierLoadedList) {
    Write("75 MERIDA\n");
    EXPECT_TRUE(Load());
    Write("no line feed");
    EXPECT_FALSE(petitora::LoadRegionalOffices(path_, list_, work_, sizeof work_));
    EXPECT_EQ(list_.items, std::vector<std::string>{"75 MERIDA"});
}

}  // namespace
