#pragma once
// Small database routines the windows share: a single-value lookup and the UPDATE builder.
#include "DbConnection.h"
#include "base/Result.h"

#include <string>
#include <string_view>

namespace nax {

// Sends "select " + expression + " from " + table + " " + condition and answers the first field
// of the first row as text. No row or a NULL gives "" for kind "Str", else "0"; a database
// failure is returned as the engine's error, never as a value.
Result<std::string> LookupValue(DbConnection& db, std::string_view table, std::string_view expression,
                                std::string_view condition, std::string_view kind = "Int");

// A sum or value of `column` in `table` that is not a finite number (an infinity stored, or a
// total past the largest number) is a failure naming them, never a figure: printed it would read
// "Inf", read back as a number it would become 0. Only real numbers are checked; text in a
// numeric column is left to the engine's rule.
Result<void> requireFinite(double value, std::string_view table, std::string_view column);
Result<void> requireFinite(const Recordset& row, int field, std::string_view table, std::string_view column);

// A text as a literal of a statement: between single quotes, each single quote inside doubled,
// every other byte as it is. The one way any text goes into a statement, so none is changed.
std::string sqlText(std::string_view value);

// Kinds of a value handed to the update builder; any other value adds nothing.
enum UpdateFieldKind : int { kTextField = 1, kNumberField = 2, kDateField = 3 };
// Joining words of a condition; any other value adds none.
enum UpdateConjunction : int { kAndJoin = 1, kOrJoin = 2 };

// Assembles "Update [table] set  [a] ='x',[b] ='y'  Where [key] =1 " one piece at a time.
class UpdateBuilder {
public:
    void BeginUpdate(std::string_view table);
    // Text and date values have every single quote replaced by a backquote.
    void AddSetField(std::string_view field, std::string_view value, int kind);
    // A text read from the table and written back as it is, quotes included.
    void AddSetStoredText(std::string_view field, std::string_view value);
    void AddWhereField(std::string_view field, std::string_view value, std::string_view op, int conjunction,
                       int kind);
    // Runs the statement. The error's message is the whole text to show the user: "Cannot
    // update ..." when nothing is set, or the failure with the scrambled statement.
    Result<void> ExecuteUpdate(DbConnection& db);
    // The statement as ExecuteUpdate sends it.
    std::string statement() const;

    const std::string& head() const { return updateHead_; }
    const std::string& setList() const { return updateSetList_; }
    const std::string& where() const { return updateWhere_; }

private:
    std::string updateHead_;
    std::string updateSetList_;
    std::string updateWhere_;
};

// The three lines shown when an update fails: the description, the plea to the helpdesk and the
// scrambled statement.
std::string updateFailureText(std::string_view description, std::string_view statement);

// "Error <code>: <description>" for a database failure; the description alone for code 0.
std::string describeError(const Error& error);

} // namespace nax
