#include "catalogue.h"

#include <cstring>

namespace {

struct TextBuilder {
    char* out;
    size_t size;    // bytes of out, the terminator included
    size_t length;  // bytes written before the terminator
};

void Append(TextBuilder& text, const char* bytes)
{
    size_t room = text.size - 1 - text.length;
    size_t n = std::strlen(bytes);
    if (n > room)
        n = room;
    std::memcpy(text.out + text.length, bytes, n);
    text.length += n;
    text.out[text.length] = '\0';
}

}  // namespace

// Labels fill a 14-character column, then ": ".
static const char* const LINE_LABELS[RECORD_FIELD_COUNT] = {
    "Windows NT    : ", "Windows       : ", "Windows CE    : ",
    "Win 32s       : ", "Component     : ", "Component Ver : ",
    "Header File   : ", "Import Library: ",
    "Unicode       : Implemented as Unicode and ANSI versions on Windows ",
};

size_t FormatDetailsText(const char* name, const SupportRecord& record, char* out,
                         size_t outSize)
{
    TextBuilder text{out, outSize, 0};
    out[0] = '\0';
    Append(text, "API Name      : ");
    Append(text, name);
    Append(text, "\r\n");
    for (int i = 0; i < RECORD_FIELD_COUNT - 1; ++i) {
        Append(text, LINE_LABELS[i]);
        Append(text, RecordField(record, i));
        Append(text, "\r\n");
    }
    // The Unicode line only where it applies, and with no line end.
    if (record.unicode[0] != '\0') {
        Append(text, LINE_LABELS[RECORD_FIELD_COUNT - 1]);
        Append(text, record.unicode);
    }
    return text.length;
}
