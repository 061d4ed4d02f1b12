// sql_statement.cpp: a hand-written tokenizer and parser for the two statement forms.
#include "db/sql_statement.h"

#include <cctype>
#include <vector>

#include "jet/core/error_codes.h"

namespace db {
namespace {

enum class Tok { kWord, kName, kString, kStar, kEquals, kSemicolon, kEnd };

struct Token {
  Tok kind;
  std::string text;
};

jet::Error syntax(std::string_view what) {
  return jet::Error{jet::err::kSyntaxError, "Syntax error in statement: " + std::string(what)};
}

// Reads a delimited token starting after `open`; a doubled closing character stands for itself.
jet::Result<std::string> delimited(std::string_view sql, std::size_t& i, char close,
                                   bool allowDoubling) {
  std::string out;
  for (;;) {
    if (i >= sql.size()) {
      return syntax(std::string("missing closing ") + close);
    }
    char c = sql[i++];
    if (c == close) {
      if (allowDoubling && i < sql.size() && sql[i] == close) {
        out.push_back(close);
        ++i;
        continue;
      }
      return out;
    }
    out.push_back(c);
  }
}

jet::Result<std::vector<Token>> tokenize(std::string_view sql) {
  std::vector<Token> out;
  std::size_t i = 0;
  while (i < sql.size()) {
    char c = sql[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '\'') {
      ++i;
      JET_ASSIGN_OR_RETURN(std::string s, delimited(sql, i, '\'', true));
      out.push_back({Tok::kString, std::move(s)});
    } else if (c == '[' || c == '`') {
      ++i;
      JET_ASSIGN_OR_RETURN(std::string s, delimited(sql, i, c == '[' ? ']' : '`', c == '`'));
      if (s.empty()) return syntax("empty name");
      out.push_back({Tok::kName, std::move(s)});
    } else if (c == '*') {
      out.push_back({Tok::kStar, "*"}), ++i;
    } else if (c == '=') {
      out.push_back({Tok::kEquals, "="}), ++i;
    } else if (c == ';') {
      out.push_back({Tok::kSemicolon, ";"}), ++i;
    } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
               static_cast<unsigned char>(c) >= 0x80) {
      std::size_t start = i;
      while (i < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[i])) ||
                                sql[i] == '_' || static_cast<unsigned char>(sql[i]) >= 0x80)) {
        ++i;
      }
      out.push_back({Tok::kWord, std::string(sql.substr(start, i - start))});
    } else {
      return syntax("unexpected character '" + std::string(1, c) + "'");
    }
  }
  if (!out.empty() && out.back().kind == Tok::kSemicolon) out.pop_back();
  out.push_back({Tok::kEnd, ""});
  return out;
}

bool keyword(const Token& t, std::string_view word) {
  if (t.kind != Tok::kWord || t.text.size() != word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(t.text[i])) != word[i]) return false;
  }
  return true;
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

  jet::Result<Statement> statement() {
    if (keyword(peek(), "SELECT")) return select();
    if (keyword(peek(), "UPDATE")) return update();
    return syntax("expected SELECT or UPDATE");
  }

 private:
  const Token& peek() const { return t_[pos_]; }
  const Token& take() { return t_[pos_ < t_.size() - 1 ? pos_++ : pos_]; }

  jet::Status expectKeyword(std::string_view word) {
    if (!keyword(take(), word)) return syntax("expected " + std::string(word));
    return {};
  }
  jet::Status expect(Tok kind, std::string_view what) {
    if (take().kind != kind) return syntax("expected " + std::string(what));
    return {};
  }
  jet::Result<std::string> name() {
    const Token& tok = take();
    if (tok.kind == Tok::kName || tok.kind == Tok::kWord) return tok.text;
    return syntax("expected a name");
  }
  jet::Result<std::string> literal() {
    const Token& tok = take();
    if (tok.kind != Tok::kString) return syntax("expected a quoted value");
    return tok.text;
  }
  jet::Status end() {
    if (peek().kind != Tok::kEnd) return syntax("unexpected text after the statement");
    return {};
  }

  jet::Result<Statement> select() {
    take();
    JET_TRY(expect(Tok::kStar, "*"));
    JET_TRY(expectKeyword("FROM"));
    JET_ASSIGN_OR_RETURN(std::string table, name());
    JET_TRY(end());
    return Statement{SelectAll{std::move(table)}};
  }

  jet::Result<Statement> update() {
    take();
    UpdateWhereEquals u;
    JET_ASSIGN_OR_RETURN(u.table, name());
    JET_TRY(expectKeyword("SET"));
    JET_ASSIGN_OR_RETURN(u.column, name());
    JET_TRY(expect(Tok::kEquals, "="));
    JET_ASSIGN_OR_RETURN(u.newValue, literal());
    JET_TRY(expectKeyword("WHERE"));
    JET_ASSIGN_OR_RETURN(std::string whereColumn, name());
    JET_TRY(expect(Tok::kEquals, "="));
    JET_ASSIGN_OR_RETURN(u.oldValue, literal());
    JET_TRY(end());
    if (whereColumn != u.column) {
      return syntax("the condition must name the column that is set");
    }
    return Statement{std::move(u)};
  }

  std::vector<Token> t_;
  std::size_t pos_ = 0;
};

}  // namespace

jet::Result<Statement> parseStatement(std::string_view sql) {
  JET_ASSIGN_OR_RETURN(auto tokens, tokenize(sql));
  return Parser(std::move(tokens)).statement();
}

std::string quoteLiteral(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  return out + "'";
}

jet::Result<std::string> bracketName(std::string_view name) {
  if (name.empty() || name.find(']') != std::string_view::npos) {
    return syntax("the name \"" + std::string(name) + "\" cannot be written in brackets");
  }
  return "[" + std::string(name) + "]";
}

}  // namespace db
