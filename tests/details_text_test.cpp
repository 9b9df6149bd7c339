#include "catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

SupportRecord MakeRecord(const std::vector<std::string>& fields)
{
    SupportRecord record;
    for (int i = 0; i < RECORD_FIELD_COUNT; ++i)
        std::strcpy(RecordField(record, i), fields[static_cast<size_t>(i)].c_str());
    return record;
}

std::string Format(const std::string& name, const SupportRecord& record)
{
    char text[TEXT_BUFFER_SIZE];
    size_t length = FormatDetailsText(name.c_str(), record, text, sizeof text);
    EXPECT_EQ(std::strlen(text), length);
    return std::string(text, length);
}

TEST(FormatDetailsText, WorkedExample)
{
    std::vector<std::string> fields = {"one", "two", "", "four", "five", "six", "seven", "eight", "nine"};
    const std::string nineLines =
        "API Name      : SampleApi\r\n"
        "Windows NT    : one\r\n"
        "Windows       : two\r\n"
        "Windows CE    : \r\n"
        "Win 32s       : four\r\n"
        "Component     : five\r\n"
        "Component Ver : six\r\n"
        "Header File   : seven\r\n"
        "Import Library: eight\r\n";
    std::string withUnicode = Format("SampleApi", MakeRecord(fields));
    EXPECT_EQ(nineLines + "Unicode       : Implemented as Unicode and ANSI versions on Windows nine",
              withUnicode);
    EXPECT_EQ(270u, withUnicode.size());

    fields[8] = "";
    std::string withoutUnicode = Format("SampleApi", MakeRecord(fields));
    EXPECT_EQ(nineLines, withoutUnicode);
    EXPECT_EQ(198u, withoutUnicode.size());
}

TEST(FormatDetailsText, BytesPassThroughUnchanged)
{
    struct Case {
        const char* what;
        std::string name;
        std::vector<std::string> fields;
        size_t length;
        std::string contains;
    } cases[] = {
        {"all empty: labels alone", "", std::vector<std::string>(9, ""), 162,
         "API Name      : \r\nWindows NT    : \r\n"},
        {"percent signs are no formats", "%s%n", {"%s", "", "", "", "", "", "", "", ""}, 168,
         "API Name      : %s%n\r\nWindows NT    : %s\r\n"},
        {"CR LF inside a field splits its line", "X", {"", "", "", "", "a\r\nb", "", "", "", ""}, 167,
         "Component     : a\r\nb\r\n"},
        {"unicode alone", "U", {"", "", "", "", "", "", "", "", "NT"}, 163 + 68 + 2,
         "Import Library: \r\nUnicode       : Implemented as Unicode and ANSI versions on Windows NT"},
        {"Shift_JIS bytes kept", "\x95\x5C", {"\x82\xa0", "", "", "", "", "", "", "", ""}, 166,
         "API Name      : \x95\x5C\r\nWindows NT    : \x82\xa0\r\n"},
    };
    for (const Case& c : cases) {
        std::string text = Format(c.name, MakeRecord(c.fields));
        EXPECT_EQ(c.length, text.size()) << c.what;
        EXPECT_NE(std::string::npos, text.find(c.contains)) << c.what;
    }
}

TEST(FormatDetailsText, LongestInputsFitTheTextBuffer)
{
    // 291 bytes of fields, unicode not empty.
    std::vector<std::string> fields = {std::string(283, 'f'), "", "", "", "", "", "", "", std::string(8, 'u')};
    EXPECT_EQ(620u, Format(std::string(99, 'n'), MakeRecord(fields)).size());
    // The longest name an index can hold still fits whole.
    std::string text = Format(std::string(255, 'n'), MakeRecord(fields));
    EXPECT_EQ(776u, text.size());
    EXPECT_EQ(std::string(8, 'u'), text.substr(text.size() - 8));
}

TEST(FormatDetailsText, NeverWritesPastItsBuffer)
{
    std::vector<std::string> fields(9, std::string(31, 'x'));
    SupportRecord record = MakeRecord(fields);
    for (size_t size : {1u, 2u, 17u, 100u, 300u}) {
        std::vector<char> buffer(size + 16, '#');
        size_t length = FormatDetailsText("Name", record, buffer.data(), size);
        EXPECT_EQ(size - 1, length);
        EXPECT_EQ('\0', buffer[length]);
        EXPECT_EQ(std::string(16, '#'), std::string(buffer.data() + size, 16)) << size;
    }
}

}  // namespace
