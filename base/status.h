// status.h: how every folder reports failure: an Error (a stable number and a description naming
// the file, table, column or input at fault), a Status, and Result<T>. Standard library only, so
// that the folders limited to it (sets/) share the type with the engine and the layers above.
// Nothing that uses it throws.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace base {

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

}  // namespace base
