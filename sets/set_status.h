// set_status.h: how the set list and set files report failure: an Error (a stable number and a
// description naming the file or input at fault), a Status, and Result<T>. Nothing in sets/ throws.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace sets {

struct Error {
  std::int32_t number = 0;
  std::string description;
};

class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error e) : error_(std::move(e)), ok_(false) {}  // NOLINT: implicit by design

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

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }
  const T* operator->() const { return &std::get<0>(v_); }
  const T& operator*() const& { return std::get<0>(v_); }
  const Error& error() const { return std::get<1>(v_); }
  Status status() const { return ok() ? Status() : Status(error()); }

 private:
  std::variant<T, Error> v_;
};

// The stable numbers of this folder's range, 0x8004F3xx (the engine uses 0x8004F0xx).
namespace err {
constexpr std::int32_t code(std::uint32_t hresult) { return static_cast<std::int32_t>(hresult); }

inline constexpr std::int32_t kListFull = code(0x8004F301);  // beyond the list's capacity
inline constexpr std::int32_t kFileIo = code(0x8004F302);    // a set file cannot be read/written
inline constexpr std::int32_t kNotAFile = code(0x8004F303);  // the path names a folder
inline constexpr std::int32_t kFileTooLarge = code(0x8004F304);  // too large to be a set file
inline constexpr std::int32_t kEmptyInput = code(0x8004F305);    // an empty separator or path
}  // namespace err

}  // namespace sets
