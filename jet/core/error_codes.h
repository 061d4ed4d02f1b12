// error_codes.h: the stable error numbers of the engine. Numbers that callers tell apart carry
// the values the Windows data providers use for the same condition; the rest sit in our own range.
#pragma once

#include <cstdint>

namespace jet::err {

constexpr std::int32_t code(std::uint32_t hresult) { return static_cast<std::int32_t>(hresult); }

// Shared with the data providers' numbering.
inline constexpr std::int32_t kCantConvertValue = code(0x80040E07);  // value of the wrong type
inline constexpr std::int32_t kSyntaxError = code(0x80040E14);       // statement not understood
inline constexpr std::int32_t kNoSuchTable = code(0x80040E37);       // table not found
inline constexpr std::int32_t kAuthFailed = code(0x80040E4D);        // "Not a valid password."
inline constexpr std::int32_t kDataOverflow = code(0x80040E57);      // value too long for column

// The engine's own range, 0x8004F0xx.
inline constexpr std::int32_t kIo = code(0x8004F001);             // the file cannot be read/written
inline constexpr std::int32_t kNotAccessFile = code(0x8004F002);  // no Access header
inline constexpr std::int32_t kTruncated = code(0x8004F003);      // file shorter than it says
inline constexpr std::int32_t kBadPage = code(0x8004F004);        // a page fails its checks
inline constexpr std::int32_t kUnsupported = code(0x8004F005);    // a feature we do not handle
inline constexpr std::int32_t kNoSuchColumn = code(0x8004F006);
inline constexpr std::int32_t kLocked = code(0x8004F007);         // another program has the file
inline constexpr std::int32_t kReadOnly = code(0x8004F008);       // opened or mounted read-only
inline constexpr std::int32_t kRowTooLarge = code(0x8004F009);    // row beyond the format's size
inline constexpr std::int32_t kNotWritable = code(0x8004F00A);    // column we refuse to change
inline constexpr std::int32_t kUniqueViolation = code(0x8004F00B);
inline constexpr std::int32_t kRelationship = code(0x8004F00C);
inline constexpr std::int32_t kJournal = code(0x8004F00D);        // rollback journal trouble
inline constexpr std::int32_t kInjectedFault = code(0x8004F0FF);  // test-only crash hook

}  // namespace jet::err
