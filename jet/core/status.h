// status.h: how the engine reports failure: an Error (a stable number and a description naming
// the file, table, column or input at fault), a Status, and Result<T>. Nothing in jet/ throws.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace jet {

struct Error {
  std::int32_t number = 0;
  std::string description;
};

class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error e) : error_(std::move(e)), ok_(false) {}  // NOLINT: implicit by design

  static Status success() { return {}; }
  bool ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  const Error& error() const { return error_; }
  std::int32_t number() const { return error_.number; }
  const std::string& description() const { return error_.description; }

 private:
  Error error_;
  bool ok_ = true;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::move(value)) {}  // NOLINT: implicit by design
  Result(Error e) : v_(std::move(e)) {}      // NOLINT
  Result(Status s) : v_(s.error()) {}        // NOLINT: only from a failed Status

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }
  T* operator->() { return &std::get<0>(v_); }
  const T* operator->() const { return &std::get<0>(v_); }
  T& operator*() & { return std::get<0>(v_); }
  const T& operator*() const& { return std::get<0>(v_); }
  const Error& error() const { return std::get<1>(v_); }
  Status status() const { return ok() ? Status() : Status(error()); }

 private:
  std::variant<T, Error> v_;
};

// Propagation helpers, so that failure paths stay one line each.
#define JET_TRY(expr)                          \
  do {                                         \
    ::jet::Status jet_try_s_ = (expr);         \
    if (!jet_try_s_.ok()) return jet_try_s_.error(); \
  } while (0)

#define JET_CONCAT_INNER(a, b) a##b
#define JET_CONCAT(a, b) JET_CONCAT_INNER(a, b)
#define JET_ASSIGN_OR_RETURN(lhs, expr) \
  JET_ASSIGN_OR_RETURN_IMPL(JET_CONCAT(jet_res_, __LINE__), lhs, expr)
#define JET_ASSIGN_OR_RETURN_IMPL(tmp, lhs, expr) \
  auto tmp = (expr);                              \
  if (!tmp.ok()) return tmp.error();              \
  lhs = std::move(tmp).value()

}  // namespace jet
