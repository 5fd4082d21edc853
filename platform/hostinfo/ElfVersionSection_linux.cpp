#include "ElfVersionSection.h"

#include <QFile>

#include <elf.h>

#include <cstring>

namespace {

// A version text is short; anything larger is not ours.
constexpr quint64 kMaxSectionSize = 4096;
constexpr quint64 kMaxStringTableSize = 1 << 20;

struct Elf32
{
    using Ehdr = Elf32_Ehdr;
    using Shdr = Elf32_Shdr;
};

struct Elf64
{
    using Ehdr = Elf64_Ehdr;
    using Shdr = Elf64_Shdr;
};

// Reads exactly size bytes at offset, or nothing.
QByteArray readAt(QFile &file, quint64 offset, quint64 size)
{
    const quint64 fileSize = static_cast<quint64>(file.size());
    if (offset > fileSize || size > fileSize - offset)
        return QByteArray();
    if (!file.seek(static_cast<qint64>(offset)))
        return QByteArray();
    QByteArray bytes = file.read(static_cast<qint64>(size));
    return static_cast<quint64>(bytes.size()) == size ? bytes : QByteArray();
}

template <typename T>
bool readStruct(QFile &file, quint64 offset, T *out)
{
    const QByteArray bytes = readAt(file, offset, sizeof(T));
    if (bytes.isEmpty())
        return false;
    std::memcpy(out, bytes.constData(), sizeof(T));
    return true;
}

template <typename Elf>
bool readSectionHeader(QFile &file, const typename Elf::Ehdr &header, quint64 index,
                       typename Elf::Shdr *section)
{
    if (index >= header.e_shnum)
        return false;
    return readStruct(file, header.e_shoff + index * header.e_shentsize, section);
}

template <typename Elf>
QByteArray findSection(QFile &file, const QByteArray &sectionName)
{
    typename Elf::Ehdr header;
    if (!readStruct(file, 0, &header))
        return QByteArray();
    if (header.e_shoff == 0 || header.e_shoff > static_cast<quint64>(file.size())
        || header.e_shentsize < sizeof(typename Elf::Shdr))
        return QByteArray();

    typename Elf::Shdr names;
    if (!readSectionHeader<Elf>(file, header, header.e_shstrndx, &names)
        || names.sh_size > kMaxStringTableSize)
        return QByteArray();
    const QByteArray strings = readAt(file, names.sh_offset, names.sh_size);
    if (strings.isEmpty())
        return QByteArray();

    for (quint64 i = 0; i < header.e_shnum; ++i) {
        typename Elf::Shdr section;
        if (!readSectionHeader<Elf>(file, header, i, &section))
            return QByteArray();
        if (section.sh_name >= static_cast<quint64>(strings.size()))
            continue;
        const char *name = strings.constData() + section.sh_name;
        const int nameSpace = strings.size() - static_cast<int>(section.sh_name);
        if (qstrnlen(name, static_cast<uint>(nameSpace)) == static_cast<uint>(nameSpace))
            continue; // not terminated inside the table
        if (sectionName != name)
            continue;
        if (section.sh_type == SHT_NOBITS || section.sh_size > kMaxSectionSize)
            return QByteArray();
        return readAt(file, section.sh_offset, section.sh_size);
    }
    return QByteArray();
}

bool isHostByteOrder(unsigned char encoding)
{
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    return encoding == ELFDATA2LSB;
#else
    return encoding == ELFDATA2MSB;
#endif
}

} // namespace

QByteArray readElfSection(const QString &path, const QByteArray &sectionName)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray ident = readAt(file, 0, EI_NIDENT);
    if (ident.isEmpty() || std::memcmp(ident.constData(), ELFMAG, SELFMAG) != 0
        || !isHostByteOrder(static_cast<unsigned char>(ident.at(EI_DATA))))
        return QByteArray();
    switch (ident.at(EI_CLASS)) {
    case ELFCLASS32: return findSection<Elf32>(file, sectionName);
    case ELFCLASS64: return findSection<Elf64>(file, sectionName);
    default: return QByteArray();
    }
}
