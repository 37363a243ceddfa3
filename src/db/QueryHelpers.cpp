#include "QueryHelpers.h"

#include "text/TextMatch.h"

#include <algorithm>
#include <cmath>

namespace nax {

Result<std::string> LookupValue(DbConnection& db, std::string_view table, std::string_view expression,
                                std::string_view condition, std::string_view kind) {
    std::string sql = "select ";
    sql.append(expression).append(" from ").append(table).append(" ").append(condition);
    auto result = db.openRecordset(sql);
    if (!result) return result.error();
    if (result->eof() || result->isNull(0)) return std::string(kind == "Str" ? "" : "0");
    if (auto finite = requireFinite(*result, 0, table, expression); !finite) return finite.error();
    return result->text(0);
}

Result<void> requireFinite(double value, std::string_view table, std::string_view column) {
    if (std::isfinite(value)) return success();
    return Error{0, "The " + std::string(column) + " of table " + std::string(table) +
                        " is not a finite number: a value there is out of range."};
}

Result<void> requireFinite(const Recordset& row, int field, std::string_view table, std::string_view column) {
    if (row.kind(field) != ValueKind::Real) return success();
    return requireFinite(row.real(field), table, column);
}

std::string sqlText(std::string_view value) {
    std::string literal;
    literal.reserve(value.size() + 2);
    literal += '\'';
    for (const char c : value) {
        literal += c;
        if (c == '\'') literal += c;
    }
    literal += '\'';
    return literal;
}

void UpdateBuilder::BeginUpdate(std::string_view table) {
    updateHead_ = "Update [" + std::string(table) + "] set ";
    updateSetList_.clear();
    updateWhere_ = " Where ";
}

namespace {
// A typed single quote is stored as a backquote; readers of the table rely on it.
std::string withBackquotes(std::string_view value) {
    std::string text(value);
    std::replace(text.begin(), text.end(), '\'', '`');
    return text;
}
} // namespace

void UpdateBuilder::AddSetField(std::string_view field, std::string_view value, int kind) {
    const std::string name = "[" + std::string(field) + "] =";
    switch (kind) {
    case kTextField:
        updateSetList_ += name + sqlText(withBackquotes(value)) + ",";
        break;
    case kNumberField:
        updateSetList_ += name + std::string(value) + ",";
        break;
    case kDateField:
        updateSetList_ += name + "#" + withBackquotes(value) + "#,";
        break;
    default:
        break;
    }
}

void UpdateBuilder::AddSetStoredText(std::string_view field, std::string_view value) {
    updateSetList_ += "[" + std::string(field) + "] =" + sqlText(value) + ",";
}

void UpdateBuilder::AddWhereField(std::string_view field, std::string_view value, std::string_view op,
                                  int conjunction, int kind) {
    std::string condition;
    const std::string name = "[" + std::string(field) + "] " + std::string(op);
    switch (kind) {
    case kTextField:
        condition = name + " " + sqlText(value) + " ";
        break;
    case kNumberField:
        condition = name + std::string(value) + " ";
        break;
    case kDateField:
        condition = name + " " + std::string(value) + " ";
        break;
    default:
        return;
    }
    if (updateWhere_.size() > 7) {
        if (conjunction == kAndJoin)
            updateWhere_ += " And ";
        else if (conjunction == kOrJoin)
            updateWhere_ += " or ";
    }
    updateWhere_ += condition;
}

std::string UpdateBuilder::statement() const {
    const std::string where = updateWhere_.size() > 7 ? updateWhere_ : std::string();
    const std::string sets =
        updateSetList_.empty() ? std::string() : updateSetList_.substr(0, updateSetList_.size() - 1);
    return updateHead_ + " " + sets + " " + where;
}

Result<void> UpdateBuilder::ExecuteUpdate(DbConnection& db) {
    if (updateWhere_.size() <= 7) updateWhere_.clear();
    if (updateSetList_.size() < 4) return Error{0, "Cannot update " + updateHead_};
    const std::string sql = statement();
    if (auto done = db.execute(sql); !done)
        return Error{done.error().code, updateFailureText(done.error().message, sql)};
    return success();
}

std::string updateFailureText(std::string_view description, std::string_view statement) {
    return "Update Statement failed : " + std::string(description) + "\r\n" +
           " Please send the screenshot of this screen to helpdesk" + "\r\n" + ScrambleText(statement);
}

std::string describeError(const Error& error) {
    if (error.code == 0) return error.message; // our own finding: there is no engine code to show
    return "Error " + std::to_string(error.code) + ": " + error.message;
}

} // namespace nax
