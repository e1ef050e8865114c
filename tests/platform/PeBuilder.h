// Writes small PE images with a version resource, laid out at known offsets, so that tests
// can damage exactly one field.
#pragma once

#include <cstdint>
#include <string>

namespace pe_builder {

struct Options {
    bool pe32 = false;  // PE32 instead of PE32+
    uint32_t fileMS = 0x00040000, fileLS = 0x0003000D;
    uint32_t productMS = 0x00040000, productLS = 0x0003000C;
    uint16_t fixedValueLength = 52;  // 0: the resource carries no fixed information
    uint32_t fixedSignature = 0xFEEF04BD;
};

// File offsets of fields that tests damage.
struct Layout {
    uint32_t lfanew = 0x3C;            // offset of the PE header
    uint32_t resourceRva = 0;          // data directory 2: RVA of the resource tree
    uint32_t sectionRawSize = 0;       // the resource section's SizeOfRawData
    uint32_t sectionRawOffset = 0;     // the resource section's PointerToRawData
    uint32_t rootEntryTarget = 0;      // RT_VERSION entry -> name directory
    uint32_t rootIdCount = 0;          // root directory's NumberOfIdEntries
    uint32_t nameEntryTarget = 0;      // name entry -> language directory
    uint32_t languageEntryTarget = 0;  // language entry -> data entry
    uint32_t dataRva = 0;              // data entry: RVA of the version block
    uint32_t dataSize = 0;             // data entry: its size
};

std::string Build(const Options& options, Layout* layout = nullptr);

// Overwrites 4 (or 2) little-endian bytes at offset.
void Put32(std::string& image, uint32_t offset, uint32_t value);
void Put16(std::string& image, uint32_t offset, uint16_t value);

}  // namespace pe_builder
