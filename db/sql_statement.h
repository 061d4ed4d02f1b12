// sql_statement.h: the small SQL dialect the connection accepts: a select of every column of one
// table and a single-column update with an equality condition. Parsing only; running is the
// connection's job.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "jet/core/status.h"

namespace db {

// SELECT * FROM `table`   (the table may also be written [table] or as a bare name)
struct SelectAll {
  std::string table;
};

// UPDATE [table] SET [column] = 'new' WHERE [column] = 'old'
// Quotes inside a literal are doubled (''); the two column names must be the same column.
struct UpdateWhereEquals {
  std::string table;
  std::string column;
  std::string newValue;
  std::string oldValue;
};

using Statement = std::variant<SelectAll, UpdateWhereEquals>;

// Fails with err::kSyntaxError (0x80040E14) and a description quoting the statement's fault.
jet::Result<Statement> parseStatement(std::string_view sql);

// Quoting helpers for callers that build statements: a literal with its quotes doubled, and a
// name in brackets (a name holding ']' cannot be bracketed: the caller gets an error instead).
std::string quoteLiteral(std::string_view text);
jet::Result<std::string> bracketName(std::string_view name);

}  // namespace db
