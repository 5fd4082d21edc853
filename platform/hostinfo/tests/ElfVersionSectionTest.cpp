#include "ElfVersionSection.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <elf.h>

#include <cstring>
#include <functional>

namespace {

const QByteArray kSectionName = QByteArrayLiteral(".tavenor.version");
const QByteArray kVersion = QByteArrayLiteral("1.2.3");

template <typename T>
void put(QByteArray &image, quint64 offset, const T &value)
{
    std::memcpy(image.data() + offset, &value, sizeof(T));
}

template <typename T>
T get(const QByteArray &image, quint64 offset)
{
    T value;
    std::memcpy(&value, image.constData() + offset, sizeof(T));
    return value;
}

// A minimal ELF file: header, string table, the version section, and the
// section headers [null, .shstrtab, .tavenor.version] at the end.
template <typename Ehdr, typename Shdr>
QByteArray buildElf(unsigned char elfClass)
{
    const QByteArray strings = QByteArray("\0.shstrtab\0", 11) + kSectionName + QByteArray(1, '\0');
    const quint64 stringsOffset = sizeof(Ehdr);
    const quint64 versionOffset = stringsOffset + strings.size();
    const quint64 headersOffset = versionOffset + kVersion.size() + 1;

    QByteArray image(static_cast<int>(headersOffset + 3 * sizeof(Shdr)), '\0');
    Ehdr header{};
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = elfClass;
    header.e_ident[EI_DATA] = ELFDATA2LSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_type = ET_EXEC;
    header.e_version = EV_CURRENT;
    header.e_ehsize = sizeof(Ehdr);
    header.e_shoff = headersOffset;
    header.e_shentsize = sizeof(Shdr);
    header.e_shnum = 3;
    header.e_shstrndx = 1;
    put(image, 0, header);
    image.replace(static_cast<int>(stringsOffset), strings.size(), strings);
    image.replace(static_cast<int>(versionOffset), kVersion.size(), kVersion);

    Shdr names{};
    names.sh_name = 1;
    names.sh_type = SHT_STRTAB;
    names.sh_offset = stringsOffset;
    names.sh_size = strings.size();
    put(image, headersOffset + sizeof(Shdr), names);
    Shdr version{};
    version.sh_name = 11;
    version.sh_type = SHT_PROGBITS;
    version.sh_offset = versionOffset;
    version.sh_size = kVersion.size() + 1;
    put(image, headersOffset + 2 * sizeof(Shdr), version);
    return image;
}

QByteArray buildElf64() { return buildElf<Elf64_Ehdr, Elf64_Shdr>(ELFCLASS64); }

quint64 sectionHeader(const QByteArray &image, int index)
{
    return get<Elf64_Ehdr>(image, 0).e_shoff + index * sizeof(Elf64_Shdr);
}

void editHeader(QByteArray &image, const std::function<void(Elf64_Ehdr &)> &edit)
{
    auto header = get<Elf64_Ehdr>(image, 0);
    edit(header);
    put(image, 0, header);
}

void editSection(QByteArray &image, int index, const std::function<void(Elf64_Shdr &)> &edit)
{
    auto section = get<Elf64_Shdr>(image, sectionHeader(image, index));
    edit(section);
    put(image, sectionHeader(image, index), section);
}

class ElfVersionSectionTest : public ::testing::Test
{
protected:
    QByteArray readFrom(const QByteArray &image)
    {
        const QString path = m_dir.filePath(QStringLiteral("image"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(image);
        file.close();
        return readElfSection(path, kSectionName);
    }

    QTemporaryDir m_dir;
};

TEST_F(ElfVersionSectionTest, FindsTheSectionInBothClasses)
{
    const QByteArray expected = kVersion + QByteArray(1, '\0');
    EXPECT_EQ(readFrom(buildElf64()), expected);
    EXPECT_EQ(readFrom(buildElf<Elf32_Ehdr, Elf32_Shdr>(ELFCLASS32)), expected);
}

TEST_F(ElfVersionSectionTest, OtherNamesAreNotMatched)
{
    const QString path = m_dir.filePath(QStringLiteral("image"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(buildElf64());
    file.close();
    EXPECT_EQ(readElfSection(path, QByteArrayLiteral(".tavenor")), QByteArray());
    EXPECT_EQ(readElfSection(path, QByteArrayLiteral(".shstrtab")).size(), 11 + kSectionName.size() + 1);
}

struct Damage
{
    const char *name;
    std::function<void(QByteArray &)> apply;
};

class DamagedElfTest : public ElfVersionSectionTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedElfTest, GivesNothing)
{
    QByteArray image = buildElf64();
    GetParam().apply(image);
    EXPECT_EQ(readFrom(image), QByteArray());
}

const Damage kDamages[] = {
    {"Empty", [](QByteArray &image) { image.clear(); }},
    {"OnlyTheMagic", [](QByteArray &image) { image.truncate(4); }},
    {"OnlyTheHeader", [](QByteArray &image) { image.truncate(sizeof(Elf64_Ehdr)); }},
    {"LastSectionHeaderCut", [](QByteArray &image) { image.chop(1); }},
    {"WrongMagic", [](QByteArray &image) { image[1] = 'X'; }},
    {"ForeignByteOrder", [](QByteArray &image) { image[EI_DATA] = ELFDATA2MSB; }},
    {"UnknownClass", [](QByteArray &image) { image[EI_CLASS] = 7; }},
    {"SectionHeadersFarAway",
     [](QByteArray &image) { editHeader(image, [](Elf64_Ehdr &h) { h.e_shoff = ~quint64(0) - 8; }); }},
    {"NoSectionHeaders", [](QByteArray &image) { editHeader(image, [](Elf64_Ehdr &h) { h.e_shoff = 0; }); }},
    {"TinySectionHeaders", [](QByteArray &image) { editHeader(image, [](Elf64_Ehdr &h) { h.e_shentsize = 4; }); }},
    {"StringTableIndexOutOfRange",
     [](QByteArray &image) { editHeader(image, [](Elf64_Ehdr &h) { h.e_shstrndx = 9; }); }},
    {"StringTableBeyondTheFile",
     [](QByteArray &image) { editSection(image, 1, [](Elf64_Shdr &s) { s.sh_offset = 1u << 30; }); }},
    {"StringTableSizeWraps",
     [](QByteArray &image) { editSection(image, 1, [](Elf64_Shdr &s) { s.sh_size = ~quint64(0); }); }},
    {"NameOffsetBeyondTheTable",
     [](QByteArray &image) { editSection(image, 2, [](Elf64_Shdr &s) { s.sh_name = 5000; }); }},
    {"NameNotTerminatedInTheTable",
     [](QByteArray &image) { editSection(image, 1, [](Elf64_Shdr &s) { s.sh_size -= 1; }); }},
    {"ContentBeyondTheFile",
     [](QByteArray &image) { editSection(image, 2, [](Elf64_Shdr &s) { s.sh_offset = ~quint64(0) - 2; }); }},
    {"ContentTooLarge", [](QByteArray &image) { editSection(image, 2, [](Elf64_Shdr &s) { s.sh_size = 1 << 20; }); }},
    {"ContentNotInTheFile", [](QByteArray &image) { editSection(image, 2, [](Elf64_Shdr &s) { s.sh_type = SHT_NOBITS; }); }},
};

INSTANTIATE_TEST_SUITE_P(Files, DamagedElfTest, ::testing::ValuesIn(kDamages),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
