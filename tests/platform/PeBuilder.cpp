#include "PeBuilder.h"

namespace pe_builder {

void Put32(std::string& image, uint32_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) image[offset + i] = static_cast<char>(value >> (8 * i));
}

void Put16(std::string& image, uint32_t offset, uint16_t value) {
    image[offset] = static_cast<char>(value);
    image[offset + 1] = static_cast<char>(value >> 8);
}

std::string Build(const Options& o, Layout* layoutOut) {
    constexpr uint32_t kPeHeader = 0x40, kRawOffset = 0x200, kSectionRva = 0x1000;
    const uint32_t optionalSize = o.pe32 ? 224 : 240;
    const uint32_t optional = kPeHeader + 24;
    const uint32_t directories = optional + (o.pe32 ? 96 : 112);
    const uint32_t sectionTable = optional + optionalSize;

    // Resource section: root, name and language directories, the data entry, the block.
    constexpr uint32_t kRoot = 0, kNames = 0x18, kLanguages = 0x30, kDataEntry = 0x48,
                       kBlock = 0x58;
    constexpr uint32_t kBlockSize = 40 + 52;
    const uint32_t sectionSize = kBlock + kBlockSize;

    std::string image(kRawOffset + sectionSize, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, kPeHeader);
    image.replace(kPeHeader, 4, std::string("PE\0\0", 4));
    Put16(image, kPeHeader + 4, o.pe32 ? 0x14C : 0x8664);
    Put16(image, kPeHeader + 6, 1);
    Put16(image, kPeHeader + 20, static_cast<uint16_t>(optionalSize));
    Put16(image, kPeHeader + 22, 0x2022);
    Put16(image, optional, o.pe32 ? 0x10B : 0x20B);
    Put32(image, directories - 4, 16);  // NumberOfRvaAndSizes
    Put32(image, directories + 16, kSectionRva);
    Put32(image, directories + 20, sectionSize);
    image.replace(sectionTable, 8, std::string(".rsrc\0\0\0", 8));
    Put32(image, sectionTable + 8, sectionSize);
    Put32(image, sectionTable + 12, kSectionRva);
    Put32(image, sectionTable + 16, sectionSize);
    Put32(image, sectionTable + 20, kRawOffset);

    const uint32_t base = kRawOffset;
    auto directory = [&](uint32_t at, uint32_t id, uint32_t target) {
        Put16(image, base + at + 14, 1);  // one entry, by id
        Put32(image, base + at + 16, id);
        Put32(image, base + at + 20, target);
    };
    directory(kRoot, 16, 0x80000000u | kNames);
    directory(kNames, 1, 0x80000000u | kLanguages);
    directory(kLanguages, 0x804, kDataEntry);
    Put32(image, base + kDataEntry, kSectionRva + kBlock);
    Put32(image, base + kDataEntry + 4, kBlockSize);

    const uint32_t block = base + kBlock;
    Put16(image, block, kBlockSize);
    Put16(image, block + 2, o.fixedValueLength);
    const char16_t key[] = u"VS_VERSION_INFO";
    for (int i = 0; i < 16; ++i) Put16(image, block + 6 + 2 * i, key[i]);
    Put32(image, block + 40, o.fixedSignature);
    Put32(image, block + 44, 0x00010000);
    Put32(image, block + 48, o.fileMS);
    Put32(image, block + 52, o.fileLS);
    Put32(image, block + 56, o.productMS);
    Put32(image, block + 60, o.productLS);

    if (layoutOut != nullptr) {
        layoutOut->resourceRva = directories + 16;
        layoutOut->sectionRawSize = sectionTable + 16;
        layoutOut->sectionRawOffset = sectionTable + 20;
        layoutOut->rootEntryTarget = base + kRoot + 20;
        layoutOut->rootIdCount = base + kRoot + 14;
        layoutOut->nameEntryTarget = base + kNames + 20;
        layoutOut->languageEntryTarget = base + kLanguages + 20;
        layoutOut->dataRva = base + kDataEntry;
        layoutOut->dataSize = base + kDataEntry + 4;
    }
    return image;
}

}  // namespace pe_builder
