#include "PostgresDialect.h"

#include "DateLiterals.h"
#include "SqlLexer.h"
#include "text/TextMatch.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

namespace nax {
namespace {

constexpr std::string_view kNoCase = " COLLATE pg_temp.nax_nocase";

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

size_t skipBlanks(std::string_view text, size_t at) {
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return at;
}

bool hasLetter(std::string_view text) {
    for (const char c : text)
        if (std::isalpha(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

bool isComparison(std::string_view token) {
    return token == "=" || token == "<>" || token == "!=" || token == "<" || token == ">" || token == "<=" ||
           token == ">=" || token == "like";
}

// The comparison operator (or "like") at `at`, empty when there is none.
std::string comparisonAt(std::string_view sql, size_t at) {
    size_t end = at;
    while (end < sql.size() && std::string_view("=<>!").find(sql[end]) != std::string_view::npos)
        ++end;
    if (end > at) return std::string(sql.substr(at, end - at));
    while (end < sql.size() && isWordChar(sql[end]))
        ++end;
    const std::string word = lowerAscii(sql.substr(at, end - at));
    return word == "like" ? word : std::string();
}

// Arguments of the call whose "(" is at `open`, split at top-level commas; `end` is past ")".
std::vector<std::string_view> callArguments(std::string_view sql, size_t open, size_t& end) {
    std::vector<std::string_view> arguments;
    int depth = 0;
    size_t start = open + 1;
    for (size_t i = open; i < sql.size();) {
        const char c = sql[i];
        if (c == '\'' || c == '[' || c == '"') {
            i = quotedEnd(sql, i);
            continue;
        }
        if (c == '(') ++depth;
        if (c == ')' && --depth == 0) {
            arguments.push_back(sql.substr(start, i - start));
            end = i + 1;
            return arguments;
        }
        if (c == ',' && depth == 1) {
            arguments.push_back(sql.substr(start, i - start));
            start = i + 1;
        }
        ++i;
    }
    end = sql.size();
    return {};
}

// True when the list after an IN at `at` begins with a text literal that holds a letter: only
// then does the comparison need to ignore case (and only then is the operand text).
bool inListOfTexts(std::string_view sql, size_t at) {
    size_t i = skipBlanks(sql, at);
    if (i >= sql.size() || sql[i] != '(') return false;
    i = skipBlanks(sql, i + 1);
    while (i < sql.size() && sql[i] == '\'') {
        const size_t end = quotedEnd(sql, i);
        if (hasLetter(sql.substr(i, end - i))) return true;
        i = skipBlanks(sql, end);
        if (i >= sql.size() || sql[i] != ',') return false;
        i = skipBlanks(sql, i + 1);
    }
    return false;
}

std::string serialText(double serial) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "(%.17g::double precision)", serial);
    return buffer;
}

class Translator {
public:
    explicit Translator(double now) : now_(now) {}

    Result<std::string> translate(std::string_view sql) {
        std::string out;
        out.reserve(sql.size() + 64);
        std::string previous; // the last operator or word written, lower case
        size_t i = 0;
        while (i < sql.size()) {
            const char c = sql[i];
            if (isBlank(c)) {
                out += c;
                ++i;
            } else if (c == '\'') {
                const size_t end = quotedEnd(sql, i);
                const std::string_view literal = sql.substr(i, end - i);
                out.append(literal);
                const bool compared =
                    isComparison(previous) || isComparison(comparisonAt(sql, skipBlanks(sql, end)));
                if (compared && hasLetter(literal)) out.append(kNoCase);
                previous = "'";
                i = end;
            } else if (c == '[' || c == '"') {
                const size_t end = quotedEnd(sql, i);
                const bool closed = end - i >= 2 && sql[end - 1] == (c == '[' ? ']' : '"');
                const std::string_view name = sql.substr(i + 1, end - i - (closed ? 2 : 1));
                out += '"';
                for (const char n : lowerAscii(name))
                    out.append(n == '"' ? "\"\"" : std::string(1, n));
                out += '"';
                previous = "name";
                i = end;
            } else if (isWordChar(c)) {
                size_t end = i;
                while (end < sql.size() && isWordChar(sql[end]))
                    ++end;
                const std::string word = lowerAscii(sql.substr(i, end - i));
                const size_t after = skipBlanks(sql, end);
                if (after < sql.size() && sql[after] == '(') {
                    auto call = translateCall(word, sql, i, after, out);
                    if (!call) return call.error();
                    if (*call) {
                        previous = "call";
                        continue;
                    }
                }
                if (word == "in" && inListOfTexts(sql, end)) markInOperand(out);
                out.append(sql.substr(i, end - i));
                previous = word;
                i = end;
            } else {
                size_t end = i + 1;
                if (std::string_view("=<>!").find(c) != std::string_view::npos)
                    while (end < sql.size() &&
                           std::string_view("=<>!").find(sql[end]) != std::string_view::npos)
                        ++end;
                out.append(sql.substr(i, end - i));
                previous = std::string(sql.substr(i, end - i));
                i = end;
            }
        }
        return out;
    }

private:
    // Writes the dialect function called at `at` (its "(" at `open`) and moves `at` past the
    // call; answers false for any other name, leaving everything as it was.
    Result<bool> translateCall(const std::string& name, std::string_view sql, size_t& at, size_t open,
                               std::string& out) {
        static const char* const kSessionFunctions[] = {"format", "cdbl", "cint", "len"};
        for (const char* function : kSessionFunctions)
            if (name == function) {
                out.append("pg_temp.nax_").append(name);
                at = open;
                return true;
            }
        if (name == "now") {
            size_t end = 0;
            const auto arguments = callArguments(sql, open, end);
            if (arguments.size() != 1 || skipBlanks(arguments[0], 0) != arguments[0].size()) return false;
            out.append(serialText(now_));
            at = end;
            return true;
        }
        if (name == "iif") {
            size_t end = 0;
            const auto arguments = callArguments(sql, open, end);
            if (arguments.size() != 3)
                return Error{1, "iif needs three arguments: " + std::string(sql.substr(at, end - at))};
            std::string parts[3];
            for (int k = 0; k < 3; ++k) {
                auto part = translate(arguments[k]);
                if (!part) return part.error();
                parts[k] = std::move(*part);
            }
            out.append("(CASE WHEN (")
                .append(parts[0])
                .append(") THEN (")
                .append(parts[1])
                .append(") ELSE (")
                .append(parts[2])
                .append(") END)");
            at = end;
            return true;
        }
        return false;
    }

    // Gives the operand written just before an IN the case-blind collation, as the dialect
    // compares: the operand ends the output so far (a NOT in between is stepped over).
    static void markInOperand(std::string& out) {
        size_t end = out.size();
        while (end > 0 && isBlank(out[end - 1]))
            --end;
        if (end >= 3 && lowerAscii(std::string_view(out).substr(end - 3, 3)) == "not" &&
            (end == 3 || !isWordChar(out[end - 4]))) {
            end -= 3;
            while (end > 0 && isBlank(out[end - 1]))
                --end;
        }
        if (end == 0) return;
        const char last = out[end - 1];
        if (last == ')' || last == '"' || last == '\'' || isWordChar(last)) out.insert(end, kNoCase);
    }

    double now_;
};

// Position of the last `phrase` (lower case, words apart) outside quotes and parentheses.
size_t topLevelFind(std::string_view text, std::string_view phrase) {
    size_t found = std::string_view::npos;
    int depth = 0;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '\'' || c == '"') {
            i = quotedEnd(text, i);
            continue;
        }
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (depth == 0 && (i == 0 || !isWordChar(text[i - 1])) &&
            lowerAscii(text.substr(i, phrase.size())) == phrase &&
            (i + phrase.size() == text.size() || !isWordChar(text[i + phrase.size()])))
            found = i;
        ++i;
    }
    return found;
}

// Top-level comma-separated items of a clause, trimmed.
std::vector<std::string> clauseItems(std::string_view clause) {
    std::vector<std::string> items;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i <= clause.size();) {
        if (i < clause.size() && (clause[i] == '\'' || clause[i] == '"')) {
            i = quotedEnd(clause, i);
            continue;
        }
        if (i < clause.size() && clause[i] == '(') ++depth;
        if (i < clause.size() && clause[i] == ')') --depth;
        if (i == clause.size() || (clause[i] == ',' && depth == 0)) {
            std::string_view item = clause.substr(start, i - start);
            while (!item.empty() && isBlank(item.front()))
                item.remove_prefix(1);
            while (!item.empty() && (isBlank(item.back()) || item.back() == ';'))
                item.remove_suffix(1);
            if (!item.empty()) items.emplace_back(item);
            start = i + 1;
        }
        ++i;
    }
    return items;
}

bool endsWithWord(const std::string& item, std::string_view word) {
    const std::string text = lowerAscii(item);
    return text.size() > word.size() && text.compare(text.size() - word.size(), word.size(), word) == 0 &&
           isBlank(text[text.size() - word.size() - 1]);
}

// The order SQLite gives, made explicit: NULLs sort first (last when descending), rows that tie
// on the sort keys keep the order of their groups, and events read alone follow their key.
std::string withStableOrder(std::string statement) {
    const std::string text = lowerAscii(statement);
    if (text.compare(
            text.find_first_not_of(" \t\r\n") == std::string::npos ? 0 : text.find_first_not_of(" \t\r\n"), 6,
            "select") != 0)
        return statement;
    const size_t orderAt = topLevelFind(text, "order by");
    const size_t groupAt = topLevelFind(text, "group by");
    std::vector<std::string> keys;
    if (orderAt != std::string::npos) keys = clauseItems(std::string_view(statement).substr(orderAt + 8));
    for (std::string& key : keys)
        key += endsWithWord(key, "desc") ? " NULLS LAST" : " NULLS FIRST";

    if (groupAt != std::string::npos) {
        const size_t groupEnd = std::min<size_t>({orderAt, topLevelFind(text, "having"), statement.size()});
        for (const std::string& item :
             clauseItems(std::string_view(statement).substr(groupAt + 8, groupEnd - groupAt - 8)))
            keys.push_back(item + " NULLS FIRST");
    } else {
        const size_t from = text.find(" from timelost");
        const bool eventsAlone =
            from != std::string::npos && topLevelFind(text, "join") == std::string::npos &&
            (from + 14 == text.size() || !isWordChar(text[from + 14])) &&
            text.find(',', from) == std::string::npos && text.find("sum(") == std::string::npos &&
            text.find("count(") == std::string::npos && text.find("min(") == std::string::npos &&
            text.find("max(") == std::string::npos;
        if (eventsAlone) {
            if (keys.empty()) keys.push_back("dt_start");
            keys.push_back("dt_id");
        }
    }
    if (keys.empty()) return statement;
    std::string ordered = statement.substr(0, orderAt == std::string::npos ? statement.size() : orderAt);
    while (!ordered.empty() && (isBlank(ordered.back()) || ordered.back() == ';'))
        ordered.pop_back();
    ordered += " ORDER BY ";
    for (size_t k = 0; k < keys.size(); ++k)
        ordered += (k ? ", " : "") + keys[k];
    return ordered;
}

} // namespace

Result<std::string> postgresStatement(std::string_view sql, double nowSerial) {
    auto dated = dateLiteralsAsSerials(sql);
    if (!dated) return dated.error();
    auto translated = Translator(nowSerial).translate(*dated);
    if (!translated) return translated.error();
    return withStableOrder(std::move(*translated));
}

SessionNeeds sessionNeeds(std::string_view statement) {
    constexpr std::string_view kHelper = "pg_temp.nax_", kCollation = "pg_temp.nax_nocase";
    SessionNeeds needs;
    for (size_t at = statement.find(kHelper); at != std::string_view::npos;
         at = statement.find(kHelper, at + 1))
        (statement.compare(at, kCollation.size(), kCollation) == 0 ? needs.collation : needs.functions) =
            true;
    return needs;
}

const char* postgresCollationSql() {
    // Text comparisons ignore case (not accents).
    return "CREATE COLLATION IF NOT EXISTS pg_temp.nax_nocase "
           "(provider = icu, locale = 'und-u-ks-level2', deterministic = false);";
}

const char* postgresFunctionSql() {
    // Failures raise the dialect's own words. The helpers are STABLE, not IMMUTABLE, so the
    // planner can inline them but never folds a failing branch early; the failures take the
    // culprit value as well, so that the planner's estimates cannot run them either.
    return R"sql(
CREATE OR REPLACE FUNCTION pg_temp.nax_fail_float(message text, culprit anyelement) RETURNS double precision
  LANGUAGE plpgsql STABLE AS $$ BEGIN RAISE EXCEPTION USING MESSAGE = message, ERRCODE = '22000'; END $$;
CREATE OR REPLACE FUNCTION pg_temp.nax_fail_int(message text, culprit anyelement) RETURNS integer
  LANGUAGE plpgsql STABLE AS $$ BEGIN RAISE EXCEPTION USING MESSAGE = message, ERRCODE = '22000'; END $$;
CREATE OR REPLACE FUNCTION pg_temp.nax_fail_text(message text, culprit anyelement) RETURNS text
  LANGUAGE plpgsql STABLE AS $$ BEGIN RAISE EXCEPTION USING MESSAGE = message, ERRCODE = '22000'; END $$;
CREATE OR REPLACE FUNCTION pg_temp.nax_is_number(value text) RETURNS boolean LANGUAGE sql STABLE
  AS $$ SELECT value ~ '^\s*[-+]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][-+]?[0-9]+)?\s*$' $$;
CREATE OR REPLACE FUNCTION pg_temp.nax_cdbl(value double precision) RETURNS double precision LANGUAGE sql STABLE
  AS $$ SELECT CASE WHEN value IS NULL THEN pg_temp.nax_fail_float('Invalid use of Null', value) ELSE value END $$;
CREATE OR REPLACE FUNCTION pg_temp.nax_cdbl(value text) RETURNS double precision LANGUAGE sql STABLE
  AS $$ SELECT CASE WHEN value IS NULL THEN pg_temp.nax_fail_float('Invalid use of Null', value)
                    WHEN pg_temp.nax_is_number(value) THEN value::double precision
                    ELSE pg_temp.nax_fail_float('Type mismatch', value) END $$;
CREATE OR REPLACE FUNCTION pg_temp.nax_cint(value double precision) RETURNS integer LANGUAGE sql STABLE
  AS $$ SELECT CASE WHEN value IS NULL THEN pg_temp.nax_fail_int('Invalid use of Null', value)
                    WHEN round(value) BETWEEN -32768 AND 32767 THEN round(value)::integer
                    ELSE pg_temp.nax_fail_int('Overflow', value) END $$;
CREATE OR REPLACE FUNCTION pg_temp.nax_cint(value text) RETURNS integer LANGUAGE sql STABLE
  AS $$ SELECT pg_temp.nax_cint(pg_temp.nax_cdbl(value)) $$;
CREATE OR REPLACE FUNCTION pg_temp.nax_len(value anyelement) RETURNS integer LANGUAGE sql STABLE
  AS $$ SELECT char_length(value::text) $$;
CREATE OR REPLACE FUNCTION pg_temp.nax_len(value text) RETURNS integer LANGUAGE sql STABLE
  AS $$ SELECT char_length(value) $$;
CREATE OR REPLACE FUNCTION pg_temp.nax_pattern(pattern text) RETURNS text LANGUAGE sql IMMUTABLE
  AS $$ SELECT CASE lower(pattern)
                 WHEN 'dd-mmm-yy hh:mm:ss' THEN 'DD-Mon-YY HH24:MI:SS' WHEN 'dd-mmm-yy hh:mm' THEN 'DD-Mon-YY HH24:MI'
                 WHEN 'dd-mmm-yy' THEN 'DD-Mon-YY' WHEN 'hh' THEN 'HH24' WHEN 'hh:mm' THEN 'HH24:MI'
                 WHEN 'yyyy-mm-dd' THEN 'YYYY-MM-DD' WHEN 'yyyy-mm-dd hh:mm' THEN 'YYYY-MM-DD HH24:MI'
                 WHEN 'yyyy-mm' THEN 'YYYY-MM' WHEN 'yyyy' THEN 'YYYY' WHEN 'dd' THEN 'DD' WHEN 'mm' THEN 'MM'
                 WHEN 'dddd' THEN 'FMDay' WHEN 'mmmm' THEN 'FMMonth' END $$;
-- A serial's day counts from 30 December 1899 towards zero, its fraction is the time of day
-- (also for negative serials), rounded to the second. Each argument appears where it is cheap
-- to repeat, so that the planner inlines the whole call.
CREATE OR REPLACE FUNCTION pg_temp.nax_format(serial double precision, pattern text) RETURNS text LANGUAGE sql STABLE
  AS $$ SELECT CASE WHEN serial IS NULL THEN NULL
                    WHEN serial < -657434 OR serial > 2958465.99999999 THEN pg_temp.nax_fail_text('Overflow', serial)
                    WHEN pg_temp.nax_pattern(pattern) IS NULL
                      THEN pg_temp.nax_fail_text('The server cannot format dates with the pattern ' || pattern, serial)
                    ELSE to_char(date '1899-12-30' + trunc(serial)::integer
                         + make_interval(secs => least(floor(abs(serial - trunc(serial)) * 86400 + 0.5),
                                                       CASE WHEN serial >= 2958465 THEN 86399 ELSE 86400 END)),
                         pg_temp.nax_pattern(pattern)) END $$;
CREATE OR REPLACE FUNCTION pg_temp.nax_format(value text, pattern text) RETURNS text LANGUAGE sql STABLE
  AS $$ SELECT CASE WHEN pg_temp.nax_is_number(value) THEN pg_temp.nax_format(value::double precision, pattern)
                    ELSE value END $$;
)sql";
}

} // namespace nax
