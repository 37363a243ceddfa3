#include "DbConnection.h"

#include "DbBackend.h"
#include "text/DaySerial.h"
#include "text/NumberText.h"
#include "text/TextMatch.h"

#include <QDateTime>
#include <algorithm>
#include <cctype>

namespace nax {

Clock systemClock() {
    return [] {
        const QDateTime local = QDateTime::currentDateTime();
        return DateToSerial(QDateTime(local.date(), local.time(), Qt::UTC));
    };
}

// ---------------------------------------------------------------- names

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

bool isUri(std::string_view name) {
    return startsWithNoCase(name, "postgresql://") || startsWithNoCase(name, "postgres://");
}

bool isKeywordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Removes the value of "password=..." from a keyword string (quoted values may hold blanks).
std::string withoutKeywordPassword(std::string_view text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const bool wordStart = i == 0 || std::isspace(static_cast<unsigned char>(text[i - 1]));
        if (wordStart && startsWithNoCase(text.substr(i), "password")) {
            size_t j = i + 8;
            while (j < text.size() && text[j] == ' ')
                ++j;
            if (j < text.size() && text[j] == '=') {
                ++j;
                while (j < text.size() && text[j] == ' ')
                    ++j;
                if (j < text.size() && text[j] == '\'') {
                    for (++j; j < text.size() && text[j] != '\''; ++j)
                        if (text[j] == '\\') ++j;
                    ++j;
                } else {
                    while (j < text.size() && !std::isspace(static_cast<unsigned char>(text[j])))
                        ++j;
                }
                while (j < text.size() && std::isspace(static_cast<unsigned char>(text[j])))
                    ++j;
                i = std::min(j, text.size());
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

// Removes ":password" from the user part and password=... from the query of a URI.
std::string withoutUriPassword(std::string_view uri) {
    std::string out(uri);
    const size_t authority = out.find("://") + 3;
    const size_t authorityEnd = out.find_first_of("/?", authority);
    const size_t at = out.rfind('@', authorityEnd == std::string::npos ? out.size() : authorityEnd);
    if (at != std::string::npos && at >= authority) {
        const size_t colon = out.find(':', authority);
        if (colon != std::string::npos && colon < at) out.erase(colon, at - colon);
    }
    const size_t query = out.find('?');
    if (query == std::string::npos) return out;
    std::string kept;
    size_t i = query + 1;
    while (i <= out.size()) {
        const size_t end = std::min(out.find('&', i), out.size());
        const std::string_view parameter = std::string_view(out).substr(i, end - i);
        if (!parameter.empty() && !startsWithNoCase(parameter, "password="))
            kept.append(kept.empty() ? "" : "&").append(parameter);
        i = end + 1;
    }
    return out.substr(0, query) + (kept.empty() ? "" : "?" + kept);
}

} // namespace

bool isServerConnection(std::string_view name) {
    if (isUri(name)) return true;
    size_t i = 0;
    while (i < name.size() && std::isspace(static_cast<unsigned char>(name[i])))
        ++i;
    const size_t wordStart = i;
    while (i < name.size() && isKeywordChar(name[i]))
        ++i;
    if (i == wordStart) return false;
    while (i < name.size() && name[i] == ' ')
        ++i;
    return i < name.size() && name[i] == '=';
}

std::string displayName(std::string_view name) {
    if (isUri(name)) return withoutUriPassword(name);
    if (isServerConnection(name)) return withoutKeywordPassword(name);
    return std::string(name);
}

// ---------------------------------------------------------------- Recordset

Recordset::Recordset(std::unique_ptr<RecordCursor> cursor) : cursor_(std::move(cursor)) {
    atEnd_ = cursor_->atEnd();
    fieldCount_ = cursor_->fieldCount();
}

Recordset::Recordset(Recordset&& other) noexcept
    : cursor_(std::move(other.cursor_)), atEnd_(std::exchange(other.atEnd_, true)),
      fieldCount_(std::exchange(other.fieldCount_, 0)) {}

Recordset& Recordset::operator=(Recordset&& other) noexcept {
    if (this != &other) {
        cursor_ = std::move(other.cursor_);
        atEnd_ = std::exchange(other.atEnd_, true);
        fieldCount_ = std::exchange(other.fieldCount_, 0);
    }
    return *this;
}

Recordset::~Recordset() = default;

void Recordset::close() {
    cursor_.reset();
    atEnd_ = true;
    fieldCount_ = 0;
}

int Recordset::fieldIndex(std::string_view name) const {
    for (int field = 0; field < fieldCount_; ++field) {
        const std::string_view fieldName = cursor_->fieldName(field);
        if (fieldName.size() == name.size() &&
            std::equal(name.begin(), name.end(), fieldName.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return field;
    }
    return -1;
}

ValueKind Recordset::kind(int field) const {
    return hasField(field) ? cursor_->kind(field) : ValueKind::Null;
}

int64_t Recordset::integer(int field) const {
    return kind(field) == ValueKind::Null ? 0 : cursor_->integer(field);
}

double Recordset::real(int field) const {
    return kind(field) == ValueKind::Null ? 0.0 : cursor_->real(field);
}

std::string_view Recordset::rawText(int field) const {
    return kind(field) == ValueKind::Null ? std::string_view{} : cursor_->rawText(field);
}

std::string Recordset::text(int field) const {
    switch (kind(field)) {
    case ValueKind::Null:
        return {};
    case ValueKind::Integer:
        return std::to_string(cursor_->integer(field));
    case ValueKind::Real:
        return formatGeneral(cursor_->real(field));
    case ValueKind::Text:
        return std::string(cursor_->rawText(field));
    }
    return {};
}

Result<void> Recordset::moveNext() {
    if (eof()) return Error{3021, "Either BOF or EOF is True, or the current record has been deleted."};
    auto moved = cursor_->moveNext();
    atEnd_ = cursor_->atEnd();
    return moved;
}

// ---------------------------------------------------------------- DbConnection

DbConnection::DbConnection(std::string path, bool server, Clock clock)
    : path_(std::move(path)), server_(server), clock_(std::move(clock)) {}

DbConnection::~DbConnection() = default;

Result<std::unique_ptr<DbConnection>> DbConnection::open(const std::string& path, OpenOptions options,
                                                         Clock clock) {
    const bool server = isServerConnection(path);
    std::unique_ptr<DbConnection> connection(new DbConnection(displayName(path), server, std::move(clock)));
    auto backend = server ? openPostgresBackend(path, options, *connection)
                          : openSqliteBackend(path, options, *connection);
    if (!backend) return backend.error();
    connection->backend_ = std::move(backend.value());
    return connection;
}

int DbConnection::changes() const {
    return backend_->changes();
}

Result<void> DbConnection::execute(std::string_view sql) {
    observe(sql);
    return backend_->execute(sql);
}

Result<Recordset> DbConnection::openRecordset(std::string_view sql) {
    observe(sql);
    auto cursor = backend_->open(sql);
    if (!cursor) return cursor.error();
    return Recordset(std::move(cursor.value()));
}

} // namespace nax
