#include "tools/replay/replay_io.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <charconv>
#include <cmath>
#include <cstring>

#include "text/cp1252.h"
#include "capture/user_type.h"

namespace petitora::replay {
namespace {

std::string Quoted(const QString& name) {
    // Built piece by piece: "literal" + std::string&& makes GCC 12 at -O3
    // report a false -Wrestrict.
    std::string quoted(1, '"');
    quoted += name.toStdString();
    quoted += '"';
    return quoted;
}

// An integral JSON number within [low, high].
bool ReadInteger(const QJsonValue& value, double low, double high, int* out) {
    if (!value.isDouble()) return false;
    const double number = value.toDouble();
    if (!(number >= low && number <= high) || std::floor(number) != number) return false;
    *out = static_cast<int>(number);
    return true;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// One decimal 32-bit integer, the whole of token.
bool ReadCoordinate(QByteArrayView token, std::int32_t* out) {
    if (token.isEmpty()) return false;
    const char* end = token.data() + token.size();
    const auto [next, status] = std::from_chars(token.data(), end, *out);
    return status == std::errc() && next == end;
}

}  // namespace

bool ReadWholeDevice(QIODevice& device, qint64 maxBytes, QByteArray* bytes) {
    bytes->clear();
    for (;;) {
        const QByteArray chunk = device.read(maxBytes + 1 - bytes->size());
        if (chunk.isEmpty()) return true;
        bytes->append(chunk);
        if (bytes->size() > maxBytes) return false;
    }
}

bool ReadRegistrantJson(const QByteArray& json, const RegionalOfficeList& offices,
                        RegistrantRecord* record, std::string* error) {
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError) {
        *error = "malformed JSON at offset " + std::to_string(parse.offset) + ": " +
                 parse.errorString().toStdString();
        return false;
    }
    if (!document.isObject()) {
        *error = "the registrant must be one JSON object";
        return false;
    }
    const QJsonObject object = document.object();
    int type = 0;
    if (!object.contains("userType")) {
        *error = "\"userType\" is missing";
        return false;
    }
    if (!ReadInteger(object.value("userType"), 0, kUserTypeCount - 1, &type)) {
        *error = "\"userType\" must be a whole number from 0 to 6";
        return false;
    }
    RegistrantRecord read = CreateRegistrantRecord(static_cast<UserType>(type));
    read.regionalOffice = offices.SelectedText();

    for (auto member = object.begin(); member != object.end(); ++member) {
        const QString name = member.key();
        if (name == "userType") continue;
        if (name == "stateIndex") {
            if (!ReadInteger(member.value(), -2147483648.0, 2147483647.0, &read.stateIndex)) {
                *error = "\"stateIndex\" must be a whole number";
                return false;
            }
            continue;
        }
        const FieldInfo* field = nullptr;
        for (int i = 0; i < kFieldCount - 1; ++i) {
            const FieldInfo& candidate = FieldTable()[i];
            if (candidate.isText && name == QLatin1StringView(candidate.name)) field = &candidate;
        }
        if (field == nullptr) {
            *error = "unknown field " + Quoted(name);
            return false;
        }
        if (!member.value().isString()) {
            *error = Quoted(name) + " must be a string";
            return false;
        }
        // A lone surrogate (a "\ud800" escape) is no character; the UTF-8
        // conversion would turn it into "?" instead of refusing it.
        const QString value = member.value().toString();
        const std::optional<std::string> text =
            value.isValidUtf16() ? Utf8ToCp1252(value.toStdString()) : std::nullopt;
        if (!text) {
            *error = Quoted(name) + " holds a character that Windows-1252 cannot hold";
            return false;
        }
        *FieldText(read, field->field) = *text;
    }
    *record = std::move(read);
    return true;
}

EventLine ParseEventLine(QByteArrayView line, MousePosition* position) {
    qsizetype begin = 0, end = line.size();
    while (begin < end && IsBlank(line[begin])) ++begin;
    while (end > begin && IsBlank(line[end - 1])) --end;
    if (begin == end || line[begin] == '#') return EventLine::Skip;
    qsizetype split = begin;
    while (split < end && !IsBlank(line[split])) ++split;
    qsizetype second = split;
    while (second < end && IsBlank(line[second])) ++second;
    MousePosition read{};
    if (!ReadCoordinate(line.sliced(begin, split - begin), &read.x) ||
        !ReadCoordinate(line.sliced(second, end - second), &read.y)) {
        return EventLine::Malformed;
    }
    *position = read;
    return EventLine::Position;
}

bool ReadEvents(QIODevice& device, std::size_t maxEvents, std::vector<MousePosition>* events,
                std::string* error) {
    events->clear();
    long lineNumber = 0;
    // A pipe reports nothing ahead of a read, so its end is only known when a
    // read gives nothing (a line, even a blank one, is never empty).
    while (events->size() < maxEvents) {
        // One byte more than a line may hold tells an over-long line (Qt may
        // keep one byte of the size for a terminator, hence the second).
        const QByteArray line = device.readLine(kMaxEventLineLength + 2);
        if (line.isEmpty()) break;
        ++lineNumber;
        if (line.size() > kMaxEventLineLength) {
            *error = "line " + std::to_string(lineNumber) + ": longer than " +
                     std::to_string(kMaxEventLineLength) + " characters";
            return false;
        }
        MousePosition position;
        switch (ParseEventLine(line, &position)) {
            case EventLine::Skip:
                break;
            case EventLine::Position:
                events->push_back(position);
                break;
            case EventLine::Malformed:
                *error = "line " + std::to_string(lineNumber) +
                         ": expected a mouse position \"x y\" (two whole numbers)";
                return false;
        }
    }
    return true;
}

}  // namespace petitora::replay
