// error_codes.h: the stable error numbers of the application shell, range 0x8004F4xx (the
// engine has 0x8004F0xx). Descriptions name the settings file and key, never a stored value.
#pragma once

#include <cstdint>

namespace app::err {

constexpr std::int32_t code(std::uint32_t hresult) { return static_cast<std::int32_t>(hresult); }

inline constexpr std::int32_t kSettingsRead = code(0x8004F401);   // the settings file can't be read
inline constexpr std::int32_t kSettingsWrite = code(0x8004F402);  // ... or can't be written
inline constexpr std::int32_t kSettingNotText = code(0x8004F403);    // a value is not one text
inline constexpr std::int32_t kSettingNotNumber = code(0x8004F404);  // a number key holds no number
inline constexpr std::int32_t kSkinUnreadable = code(0x8004F405);    // the skin file can't be read
inline constexpr std::int32_t kCursorUnreadable = code(0x8004F406);  // the pointer image is broken

}  // namespace app::err
