// Fuzz harness: the replay tool's two readers on arbitrary bytes, chosen by
// the low bit of the first byte.
//
// Registrant (bit clear; bit 1 picks an empty office list): the rest is the
// JSON file, read through ReadWholeDevice (which gives it back whole, and
// stops one byte past a smaller limit) and ReadRegistrantJson. Against a
// model of the format written here: one object; "userType" a whole number
// 0..6; "stateIndex" a whole 32-bit number; every other member a known text
// field holding a string of characters that Windows-1252 has (valid UTF-16,
// so no lone surrogate). An accepted record holds exactly those strings as
// Windows-1252 (converted back they give the JSON string), the office list's
// selection when "regionalOffice" is missing and empty text otherwise; a
// refusal leaves the record alone and its message names the offending member
// (or the offset of malformed JSON, or the missing object). The record then
// goes through the capture rules as the tool sends it: when they accept it,
// every text is within its box's maximum.
//
// Events (bit set): a maximum count, a repeat count, then the script
// (repeated so that short inputs make over-long lines), read by ReadEvents
// from a buffer. Against a model of the line grammar: lines end at a line
// feed; one longer than 4,096 bytes with its line feed, or one that is not
// blank, a "#" comment or two decimal 32-bit integers between blanks (space,
// tab, CR, LF) is refused with its line number; reading stops, without
// reading further, once the maximum count of positions is reached. The
// positions written back one per line read back the same.
#include <QBuffer>
#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/cp1252.h"
#include "capture/offices.h"
#include "capture/registrant.h"
#include "capture/rules.h"
#include "capture/user_type.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/fuzz_input.h"
#include "tools/replay/replay_io.h"

namespace {

using petitora::Field;
using petitora::FieldInfo;
using petitora::RegistrantRecord;
namespace replay = petitora::replay;

// ---- Registrant ----

const FieldInfo* TextField(const QString& name) {
    for (int i = 0; i < petitora::kFieldCount - 1; ++i) {
        const FieldInfo& info = petitora::FieldTable()[i];
        if (info.isText && name == QString::fromLatin1(info.name)) return &info;
    }
    return nullptr;
}

// True when every UTF-16 unit pairs up and each character has a
// Windows-1252 byte.
bool FitsCp1252(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        } else if (text[i].isSurrogate()) {
            return false;
        }
        if (!petitora::CodePointToCp1252(c)) return false;
    }
    return true;
}

bool WholeNumber(const QJsonValue& value, double low, double high) {
    if (!value.isDouble()) return false;
    const double n = value.toDouble();
    return n >= low && n <= high && std::trunc(n) == n;
}

// The members the reader must refuse ("" stands for a missing "userType").
std::vector<QString> BadMembers(const QJsonObject& object) {
    std::vector<QString> bad;
    if (!object.contains("userType")) {
        bad.push_back("userType");
    } else if (!WholeNumber(object.value("userType"), 0, petitora::kUserTypeCount - 1)) {
        bad.push_back("userType");
    }
    for (auto member = object.begin(); member != object.end(); ++member) {
        const QString name = member.key();
        const QJsonValue value = member.value();
        if (name == "userType") continue;
        if (name == "stateIndex") {
            if (!WholeNumber(value, -2147483648.0, 2147483647.0)) bad.push_back(name);
        } else if (TextField(name) == nullptr || !value.isString() ||
                   !FitsCp1252(value.toString())) {
            bad.push_back(name);
        }
    }
    return bad;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

void CheckAccepted(const QJsonObject& object, const petitora::RegionalOfficeList& offices,
                   RegistrantRecord& record) {
    FUZZ_CHECK(static_cast<int>(record.userType) == object.value("userType").toInt());
    FUZZ_CHECK(record.stateIndex ==
               (object.contains("stateIndex") ? object.value("stateIndex").toInt() : 0));
    for (int i = 0; i < petitora::kFieldCount - 1; ++i) {
        const FieldInfo& info = petitora::FieldTable()[i];
        if (!info.isText) continue;
        const std::string& text = *petitora::FieldText(record, info.field);
        const QString name = QString::fromLatin1(info.name);
        if (object.contains(name)) {
            // The JSON string, character for character.
            FUZZ_CHECK(QString::fromStdString(petitora::Cp1252ToUtf8(text)) ==
                       object.value(name).toString());
        } else {
            FUZZ_CHECK(text == (info.field == Field::RegionalOffice ? offices.SelectedText() : ""));
        }
    }

    // What the tool then sends on: a record the capture rules accept keeps
    // every box within its maximum (rfcEntityLetters is not read for the
    // other kinds, whose dialog has no such box).
    if (!petitora::AcceptCapture(record).valid) return;
    const bool entity = petitora::IsEntityKind(record.userType);
    FUZZ_CHECK(record.stateIndex >= 0 && record.stateIndex < 32);
    for (int i = 0; i < petitora::kFieldCount - 1; ++i) {
        const FieldInfo& info = petitora::FieldTable()[i];
        if (!info.isText || (info.field == Field::RfcEntityLetters && !entity)) continue;
        FUZZ_CHECK(petitora::FieldText(record, info.field)->size() <= info.maxLength);
    }
}

void FuzzRegistrant(std::uint8_t flags, const std::vector<std::uint8_t>& rest) {
    const QByteArray json(reinterpret_cast<const char*>(rest.data()),
                          static_cast<qsizetype>(rest.size()));

    // The device reader gives the file back whole, and stops one byte past a
    // smaller limit.
    QBuffer device;
    device.setData(json);
    FUZZ_CHECK(device.open(QIODevice::ReadOnly));
    QByteArray read;
    FUZZ_CHECK(replay::ReadWholeDevice(device, replay::kMaxRegistrantFileSize, &read));
    FUZZ_CHECK(read == json);
    if (!json.isEmpty()) {
        const qint64 limit = json.size() / 2;
        device.seek(0);
        FUZZ_CHECK(!replay::ReadWholeDevice(device, limit, &read));
        FUZZ_CHECK(read == json.left(limit + 1));
    }

    petitora::RegionalOfficeList offices;
    if ((flags & 2) == 0) offices = petitora::BuiltInRegionalOffices();
    const RegistrantRecord before = petitora::CreateRegistrantRecord(petitora::UserType::Banco);
    RegistrantRecord record = before;
    record.name = "sin leer";
    std::string error;
    const bool accepted = replay::ReadRegistrantJson(json, offices, &record, &error);

    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError || !document.isObject()) {
        FUZZ_CHECK(!accepted && record.name == "sin leer");
        FUZZ_CHECK(
            parse.error != QJsonParseError::NoError
                ? error.rfind("malformed JSON at offset " + std::to_string(parse.offset), 0) == 0
                : Contains(error, "one JSON object"));
        return;
    }
    const QJsonObject object = document.object();
    const std::vector<QString> bad = BadMembers(object);
    FUZZ_CHECK(accepted == bad.empty());
    if (accepted) {
        FUZZ_CHECK(error.empty());
        CheckAccepted(object, offices, record);
        return;
    }
    FUZZ_CHECK(record.name == "sin leer" && record.userType == before.userType);
    bool named = false;
    for (const QString& name : bad) {
        // Built piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "x" + std::string.
        std::string quoted(1, '"');
        quoted += name.toStdString();
        quoted += '"';
        named = named || Contains(error, quoted);
    }
    if (!named) std::fprintf(stderr, "refusal without its member: %s\n", error.c_str());
    FUZZ_CHECK(named);
}

// ---- Events ----

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A decimal 32-bit integer: an optional minus sign and at least one digit.
std::optional<std::int32_t> Coordinate(const std::string& token) {
    std::size_t i = token.size() > 1 && token[0] == '-' ? 1 : 0;
    if (i == token.size()) return std::nullopt;
    long long value = 0;
    for (; i < token.size(); ++i) {
        if (token[i] < '0' || token[i] > '9') return std::nullopt;
        value = value * 10 + (token[i] - '0');
        if (value > 2147483648LL) return std::nullopt;
    }
    if (token[0] == '-') value = -value;
    if (value > 2147483647LL) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

struct ScriptModel {
    bool accepted = true;
    long failedLine = 0;
    std::vector<replay::MousePosition> events;
    std::size_t consumed = 0;  // bytes of the lines read
};

ScriptModel ModelScript(const std::string& script, std::size_t maxEvents) {
    ScriptModel model;
    long number = 0;
    std::size_t start = 0;
    while (model.events.size() < maxEvents && start < script.size()) {
        const std::size_t feed = script.find('\n', start);
        const std::size_t end = feed == std::string::npos ? script.size() : feed + 1;
        const std::string line = script.substr(start, end - start);
        ++number;
        start = end;
        model.consumed = end;
        if (line.size() > static_cast<std::size_t>(replay::kMaxEventLineLength)) {
            model.accepted = false;
            model.failedLine = number;
            return model;
        }
        std::vector<std::string> tokens;
        for (std::size_t i = 0; i < line.size();) {
            if (IsBlank(line[i])) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < line.size() && !IsBlank(line[j])) ++j;
            tokens.push_back(line.substr(i, j - i));
            i = j;
        }
        if (tokens.empty() || tokens[0][0] == '#') continue;
        const std::optional<std::int32_t> x =
            tokens.size() == 2 ? Coordinate(tokens[0]) : std::nullopt;
        const std::optional<std::int32_t> y =
            tokens.size() == 2 ? Coordinate(tokens[1]) : std::nullopt;
        if (!x || !y) {
            model.accepted = false;
            model.failedLine = number;
            return model;
        }
        model.events.push_back({*x, *y});
    }
    return model;
}

bool SameEvents(const std::vector<replay::MousePosition>& a,
                const std::vector<replay::MousePosition>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
    return true;
}

bool ReadScript(const std::string& script, std::size_t maxEvents,
                std::vector<replay::MousePosition>* events, std::string* error, qint64* position) {
    QBuffer device;
    device.setData(script.data(), static_cast<qsizetype>(script.size()));
    FUZZ_CHECK(device.open(QIODevice::ReadOnly));
    const bool read = replay::ReadEvents(device, maxEvents, events, error);
    *position = device.pos();
    return read;
}

void FuzzEvents(fuzzsupport::FuzzInput& in) {
    const std::size_t maxEvents = in.Range(0, 4096);
    const std::size_t copies = static_cast<std::size_t>(in.Byte()) + 1;
    const std::vector<std::uint8_t> rest = in.Rest();
    std::string script;
    for (std::size_t i = 0; i < copies && script.size() <= 3 * 4096; ++i) {
        script.append(rest.begin(), rest.end());
    }

    std::vector<replay::MousePosition> events;
    std::string error;
    qint64 position = 0;
    const bool accepted = ReadScript(script, maxEvents, &events, &error, &position);
    const ScriptModel model = ModelScript(script, maxEvents);
    FUZZ_CHECK(accepted == model.accepted);
    if (!accepted) {
        const std::string line = "line " + std::to_string(model.failedLine) + ":";
        FUZZ_CHECK(error.rfind(line, 0) == 0);
        return;
    }
    FUZZ_CHECK(SameEvents(events, model.events));
    // Nothing past the line of the last position needed is read; otherwise
    // the whole script is.
    const std::size_t read = events.size() == maxEvents ? model.consumed : script.size();
    FUZZ_CHECK(position == static_cast<qint64>(read));

    // The positions written back read back the same.
    std::string written;
    for (const replay::MousePosition& p : events)
        written += std::to_string(p.x) + " " + std::to_string(p.y) + "\n";
    std::vector<replay::MousePosition> again;
    FUZZ_CHECK(ReadScript(written, maxEvents, &again, &error, &position));
    FUZZ_CHECK(SameEvents(again, events));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::FuzzInput in(data, size);
    const std::uint8_t flags = in.Byte();
    if ((flags & 1) == 0) {
        FuzzRegistrant(flags, in.Rest());
    } else {
        FuzzEvents(in);
    }
    return 0;
}
