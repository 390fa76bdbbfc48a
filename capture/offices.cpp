#include "capture/offices.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "capture/texts.h"
#include "text/cp1252.h"

namespace petitora {

const StateEntry StateList[kStateCount] = {
    {"Aguascalientes", "AGUASCALIENTES"},
    {"Baja California Norte", "BAJA CALIF. NORTE"},
    {"Baja California Sur", "BAJA CALIF, SUR"},
    {"Campeche", "CAMPECHE"},
    {"Chiapas", "CHIAPAS"},
    {"Chihuahua", "CHIHUAHUA"},
    {"Coahuila", "COAHUILA"},
    {"Colima", "COLIMA"},
    {"Distrito Federal", "DISTRITO FEDERAL"},
    {"Durango", "DURANGO"},
    {"Estado de México"_cp1252, "EDO. DE MÉXICO"_cp1252},
    {"Guanajuato", "GUANAJUATO"},
    {"Guerrero", "GUERRERO"},
    {"Hidalgo", "HIDALGO"},
    {"Jalisco", "JALISCO"},
    {"Michoacan", "MICHOACÁN"_cp1252},
    {"Morelos", "MORELOS"},
    {"Nayarit", "NAYARIT"},
    {"Nuevo Leon", "NUEVO LEÓN"_cp1252},
    {"Oaxaca", "OAXACA"},
    {"Puebla", "PUEBLA"},
    {"Queretaro", "QUERÉTARO"_cp1252},
    {"Quintanarro", "QUINTANA ROO"},
    {"San Luis Potosi", "SAN LUIS POTOSÍ"_cp1252},
    {"Sinaloa", "SINALOA"},
    {"Sonora", "SONORA"},
    {"Tabasco", "TABASCO"},
    {"Tamaulipas", "TAMAULIPAS"},
    {"Tlaxcala", "TLAXCALA"},
    {"Veracruz", "VERACRUZ"},
    {"Yucatan", "YUCATÁN"_cp1252},
    {"Zacatecas", "ZACATECAS"},
};

const OfficeState OfficeStateTable[kOfficeCount] = {
    {1, 11},  {2, 11},  {3, 15},  {4, 21},  {5, 13},  {6, 23},  {7, 11},  {8, 15},  {11, 8},
    {12, 8},  {13, 8},  {14, 8},  {15, 10}, {16, 10}, {21, 20}, {22, 28}, {23, 20}, {24, 29},
    {25, 29}, {26, 29}, {27, 12}, {28, 16}, {29, 29}, {30, 12}, {31, 18}, {32, 27}, {33, 27},
    {34, 29}, {35, 18}, {36, 18}, {37, 27}, {38, 27}, {39, 27}, {41, 1},  {42, 1},  {43, 2},
    {44, 24}, {45, 25}, {46, 25}, {47, 1},  {48, 24}, {49, 24}, {50, 25}, {51, 6},  {52, 6},
    {53, 5},  {54, 5},  {55, 9},  {56, 31}, {57, 6},  {61, 0},  {62, 7},  {63, 14}, {64, 17},
    {65, 14}, {66, 14}, {67, 14}, {68, 14}, {71, 19}, {72, 3},  {73, 22}, {74, 26}, {75, 30},
    {76, 4},  {77, 22}, {78, 4},  {94, 18}, {95, 14}, {96, 8},
};

namespace {

// One per row of OfficeStateTable, in the same order.
constexpr const char* kBuiltInOffices[kOfficeCount] = {
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

// Puts the failure text id, with "%1" replaced by path, into the work area
// as a NUL-terminated string cut to its size.
void ComposeFailure(CaptureText id, const std::string& path, char* workArea, std::size_t size) {
    if (workArea == nullptr || size == 0) return;
    const std::string text = Format(Text(id), {path});
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(workArea, text.data(), n);
    workArea[n] = '\0';
}

// Reads the office file into items. False when the file is unusable.
bool ReadOfficeFile(std::FILE* file, std::vector<std::string>& items) {
    std::string line;
    bool pendingCr = false;  // a carriage return not yet known to precede a line feed
    std::size_t total = 0;
    unsigned char block[4096];
    const auto keep = [&line](char c) {
        if (line.size() < kMaxOfficeItemLength) line.push_back(c);
    };
    for (;;) {
        const std::size_t n = std::fread(block, 1, sizeof block, file);
        if (n == 0) break;
        total += n;
        if (total > kMaxOfficeFileBytes) return false;
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char b = block[i];
            if (b == '\0') return false;  // not a text file
            if (b == '\n') {
                if (items.size() == kMaxOfficeFileItems) return false;
                items.push_back(std::move(line));
                line.clear();
                pendingCr = false;
                continue;
            }
            if (pendingCr) keep('\r');
            pendingCr = b == '\r';
            if (!pendingCr) keep(static_cast<char>(b));
        }
    }
    return std::ferror(file) == 0 && !items.empty();
}

}  // namespace

const char* StateDisplayName(int index) {
    return index >= 0 && index < kStateCount ? StateList[index].displayName : "";
}

const char* StateUpperName(int index) {
    return index >= 0 && index < kStateCount ? StateList[index].upperName : "";
}

int OfficeStateOf(int code) {
    for (const OfficeState& entry : OfficeStateTable) {
        if (entry.code == code) return entry.stateIndex;
    }
    return -1;
}

int OfficeCode(std::string_view officeItem) {
    int code = 0;
    for (std::size_t i = 0; i < 2 && i < officeItem.size(); ++i) {
        const char c = officeItem[i];
        if (c < '0' || c > '9') break;
        code = code * 10 + (c - '0');
    }
    return code;
}

std::string RegionalOfficeList::SelectedText() const {
    return selection < items.size() ? items[selection] : std::string();
}

RegionalOfficeList BuiltInRegionalOffices() {
    RegionalOfficeList list;
    list.items.assign(std::begin(kBuiltInOffices), std::end(kBuiltInOffices));
    list.selection = 0;
    return list;
}

bool LoadRegionalOffices(const std::string& path, RegionalOfficeList& list, char* workArea,
                         std::size_t workAreaSize) {
    // Only a regular file is opened: opening a named pipe or a device would
    // block the dialog, or never end, and a directory is no file to read.
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        ComposeFailure(CaptureText::CannotOpenFile, path, workArea, workAreaSize);
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        ComposeFailure(CaptureText::CannotOpenFile, path, workArea, workAreaSize);
        return false;
    }
    std::vector<std::string> items;
    const bool usable = ReadOfficeFile(file, items);
    std::fclose(file);
    if (!usable) {
        ComposeFailure(CaptureText::DamagedFile, path, workArea, workAreaSize);
        return false;
    }
    std::stable_sort(items.begin(), items.end());
    list.items = std::move(items);
    list.selection = 0;
    return true;
}

Verdict CheckOfficeMatchesState(std::string_view officeItem, int stateIndex) {
    const int state = OfficeStateOf(OfficeCode(officeItem));
    if (state >= 0 && state == stateIndex) return Verdict::Valid();
    return Verdict::Invalid(CaptureText::OfficeStateMismatch, Field::None);
}

Verdict CheckOfficeMatchesState(const RegistrantRecord& record) {
    return CheckOfficeMatchesState(record.regionalOffice, record.stateIndex);
}

}  // namespace petitora
