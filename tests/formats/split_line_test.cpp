#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/split_line.h"
#include "formats/string_list.h"

namespace {

struct SplitCase {
    std::string line;
    bool hasList;
    std::vector<std::string> fields;
};

std::vector<std::string> fieldsOf(const StringList& list) {
    return std::vector<std::string>(list.slots, list.slots + list.itemCount);
}

TEST(SplitLine, FieldsOfEveryKindOfLine) {
    const std::vector<SplitCase> cases = {
        {"a,b,z\n", true, {"a", "b", "z"}},
        {"a,b,\n", true, {"a", "b", ""}},
        {"a,\"b\",\n", true, {"a", "b"}},
        {"a,,\n", true, {"a", ""}},
        {"a,,b\n", true, {"a", "", "b"}},
        {",\n", true, {""}},
        {",,\n", true, {"", ""}},
        {"\n", false, {}},
        {"   \n", false, {}},
        {"", false, {}},
        {"  a b ,z\n", true, {"a b ", "z"}},
        {"x, \n", true, {"x", ""}},
        {"\"a,b\",z\n", true, {"a,b", "z"}},
        {"\"say \"\"hi\"\"\",x\n", true, {"say \"hi\"", "x"}},
        {"\"\",x\n", true, {"", "x"}},
        {"x,\"\"\n", true, {"x", ""}},
        {"\" a \",b\n", true, {" a ", "b"}},
        {"\"ab\"cd,e\n", true, {"ab", "cd", "e"}},
        {"\"ab\" ,x\n", true, {"ab", "", "x"}},
        {"a\"b,z\n", true, {"a\"b", "z"}},
        {"\"abc\n", true, {"abc"}},
        {"a,b\rz,d\n", true, {"a", "b"}},
        {"a\tb,z\n", true, {"a\tb", "z"}},
        // No line end at all, as on a file's last line.
        {"a,b,", true, {"a", "b", ""}},
        {"a,\"b c\"", true, {"a", "b c"}},
        // CR LF and bytes from 128 up.
        {"a,b\r\n", true, {"a", "b"}},
        {"\xE4x,\xFF\n", true, {"\xE4x", "\xFF"}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE("line: " + c.line);
        StringList* list = splitLine(c.line.c_str());
        ASSERT_EQ(list != nullptr, c.hasList);
        if (list == nullptr) continue;
        EXPECT_EQ(fieldsOf(*list), c.fields);
        EXPECT_EQ(listFree(list), 0);
    }
}

TEST(SplitLine, NulEndsTheLine) {
    const char line[] = "a,b\0c,d\n";
    StringList* list = splitLine(line);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(fieldsOf(*list), (std::vector<std::string>{"a", "b"}));
    listFree(list);
}

TEST(SplitLine, ManyFieldsGrowTheListInOrder) {
    std::string line;
    std::vector<std::string> expected;
    for (int i = 1; i <= 23; ++i) {
        expected.push_back("f" + std::to_string(i));
        line += (i > 1 ? "," : "") + expected.back();
    }
    StringList* list = splitLine(line.c_str());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->slotCount, 30);
    EXPECT_EQ(fieldsOf(*list), expected);
    listFree(list);

    StringList* eleven = splitLine("1,2,3,4,5,6,7,8,9,10,11");
    ASSERT_NE(eleven, nullptr);
    EXPECT_EQ(eleven->itemCount, 11);
    EXPECT_EQ(eleven->slotCount, 20);
    listFree(eleven);
}

TEST(SplitLine, OverlongFieldIsCutAndTheNextFieldStaysIntact) {
    const std::string unquoted(300, 'u');
    const std::string quoted(300, 'q');
    const std::string line = unquoted + ",next,\"" + quoted + "\",last\n";
    StringList* list = splitLine(line.c_str());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(fieldsOf(*list),
              (std::vector<std::string>{std::string(249, 'u'), "next", std::string(249, 'q'), "last"}));
    listFree(list);
}

TEST(StringList, AppendCreatesTheListAndFreeAcceptsNone) {
    StringList* list = nullptr;
    EXPECT_EQ(listFree(list), 0);
    ASSERT_EQ(listAppend(list, "one"), 1);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->itemCount, 1);
    EXPECT_EQ(list->slotCount, 10);
    EXPECT_STREQ(list->slots[0], "one");
    EXPECT_EQ(listFree(list), 0);
}

}  // namespace
