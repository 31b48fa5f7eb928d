#include "link_text.h"

#include <string.h>

#include "bay_requests.h"

int FirstClearLetter(uint32_t lettersInUse, int start)
{
    for (int i = start < 0 ? 0 : start; i <= 25; i++) {
        if (!(lettersInUse & (1u << i)))
            return i;
    }
    return -1;
}

// Reads "\Device\Harddisk<d>\Partition<n>": false when the name has
// another shape or a number is out of range.
static bool ReadPartitionName(const char* ntName, unsigned* disk, unsigned* partition)
{
    static const char kDisk[] = "\\Device\\Harddisk";
    static const char kPartition[] = "\\Partition";
    unsigned* numbers[2] = {disk, partition};
    const char* at = ntName;
    for (int part = 0; part < 2; part++) {
        const char* prefix = part == 0 ? kDisk : kPartition;
        size_t length = strlen(prefix);
        if (strncmp(at, prefix, length) != 0)
            return false;
        at += length;
        if (*at < '0' || *at > '9')
            return false;
        unsigned long long value = 0;
        for (; *at >= '0' && *at <= '9'; at++) {
            value = value * 10 + (unsigned)(*at - '0');
            // Numbers only grow while the machine runs, but never past
            // what an int holds: such a name is refused rather than wrapped.
            if (value > 0x7FFFFFFF)
                return false;
        }
        *numbers[part] = (unsigned)value;
    }
    return *at == '\0';
}

int WholeDiskNumber(const char* ntName)
{
    unsigned disk, partition;
    if (!ReadPartitionName(ntName, &disk, &partition) || partition != 0)
        return -1;
    return (int)disk;
}

bool IsPartitionOfDisk(const char* ntName, int disk)
{
    unsigned d, partition;
    return disk >= 0 && ReadPartitionName(ntName, &d, &partition) && d == (unsigned)disk && partition > 0;
}

bool FormatLinkName(char* out, size_t size, const char* dosName)
{
    static const char kPrefix[] = BAY_LINK_PREFIX;
    size_t prefix = sizeof kPrefix - 1, name = strlen(dosName);
    if (size == 0)
        return false;
    out[0] = '\0';
    if (prefix + name + 1 > size)
        return false;
    memcpy(out, kPrefix, prefix);
    memcpy(out + prefix, dosName, name + 1);
    return true;
}

size_t BuildDefineLinkRequest(const char* linkName, const char* ntName, char* out, size_t size)
{
    size_t link = strlen(linkName), target = strlen(ntName);
    if (link + target + 2 > size)
        return 0;
    memcpy(out, linkName, link + 1);
    memcpy(out + link + 1, ntName, target + 1);
    return link + target + 2;
}

const char* NameList::Next()
{
    if (at_ >= count_ || list_[at_] == '\0')
        return nullptr;
    const char* name = list_ + at_;
    const void* end = memchr(name, '\0', count_ - at_);
    if (!end) {
        at_ = count_;
        return nullptr;
    }
    at_ = (size_t)(static_cast<const char*>(end) - list_) + 1;
    return name;
}
