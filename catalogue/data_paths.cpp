#include "catalogue.h"

#include <cstring>

bool IsCodePage932LeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

static void JoinPath(char* out, const char* dir, size_t dirLength, const char* fileName)
{
    std::memcpy(out, dir, dirLength);
    std::strcpy(out + dirLength, fileName);
}

DataPaths ResolveDataPaths(const char* modulePath, LeadByteTest isLeadByte,
                           bool slashSeparates)
{
    // The platform never gives more than MAX_PATH - 1 bytes; a caller that does is
    // cut there, so every derived path fits its buffer.
    size_t length = 0;
    while (length < MAX_PATH - 1 && modulePath[length] != '\0')
        ++length;

    size_t cut = 0;
    size_t i = 0;
    while (i < length) {
        unsigned char c = static_cast<unsigned char>(modulePath[i]);
        // The second byte of a two-byte character may be 0x5C: step over it whole.
        if (isLeadByte && isLeadByte(c) && i + 1 < length) {
            i += 2;
            continue;
        }
        bool separator = c == '\\' || c == ':' || (slashSeparates && c == '/');
        if (separator && i + 1 < length && modulePath[i + 1] != '\\')
            cut = i + 1;
        ++i;
    }

    DataPaths paths;
    std::memcpy(paths.programDir, modulePath, cut);
    paths.programDir[cut] = '\0';
    JoinPath(paths.indexPath, modulePath, cut, INDEX_FILE_NAME);
    JoinPath(paths.recordPath, modulePath, cut, RECORD_FILE_NAME);
    JoinPath(paths.iniPath, modulePath, cut, INI_FILE_NAME);
    return paths;
}
