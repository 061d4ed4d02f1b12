// index_code_data.h: the per-character text index code tables as constant arrays, generated into
// index_code_data.cpp by tools/gen_index_codes.py. index_codes.h reads them; nothing else should.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet::index_code_data {

// Per sort order: a blob of records and, per code point, the offset of its record (0xFFFFFFFF for
// surrogates, which have no record). General 97 covers U+0000-00FF only.
extern const std::uint8_t kGeneralLegacyRecords[];
extern const std::size_t kGeneralLegacyRecordsSize;
extern const std::uint32_t kGeneralLegacyOffsets[0x10000];
extern const std::uint8_t kGeneralRecords[];
extern const std::size_t kGeneralRecordsSize;
extern const std::uint32_t kGeneralOffsets[0x10000];
extern const std::uint8_t kGeneral97Records[];
extern const std::size_t kGeneral97RecordsSize;
extern const std::uint32_t kGeneral97Offsets[0x100];
// General 97: pairs (code point above U+00FF, the Windows-1252 slot whose code it takes), sorted.
extern const std::uint16_t kGeneral97Mappings[54];

}  // namespace jet::index_code_data
