#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/memory.h"
#include "core/pdf_array.h"
#include "core/pdf_dict.h"
#include "core/pdf_object.h"
#include "core/static_name_table.h"
#include "core/string_map.h"
#include "streams/stream.h"
#include "support/pdf_builder.h"

using namespace qm;

namespace {

std::string dumped(const PdfObject& o) {
    char* buf = nullptr;
    size_t len = 0;
    std::FILE* f = open_memstream(&buf, &len);
    o.dump(f);
    std::fclose(f);
    std::string s(buf, len);
    std::free(buf);
    return s;
}

// Counts its own destruction so sharing rules can be observed.
struct CountingStream : public Stream {
    explicit CountingStream(int* deaths) : deaths_(deaths) {}
    ~CountingStream() override { ++*deaths_; }
    StreamKind kind() const override { return StreamKind::File; }
    void reset() override {}
    int readByte() override { return -1; }
    int peekByte() override { return -1; }
    long position() override { return 0; }
    void setPos(long) override {}
    bool isBinaryData(bool last) override { return last; }
    SourceStream* sourceStream() override { return nullptr; }
    PdfDict* dictionary() override { return nullptr; }
    int* deaths_;
};

}  // namespace

TEST(PdfObjectSharing, ArrayCloneSurvivesReleaseOfOriginalAndDiesOnce) {
    int deaths = 0;
    PdfObject a = PdfObject::makeArray(nullptr);
    a.getArray()->append(PdfObject::makeStream(new CountingStream(&deaths)));
    a.getArray()->append(PdfObject::makeName("Keep"));
    PdfObject b = a.clone();
    EXPECT_EQ(a.getArray(), b.getArray());
    EXPECT_EQ(b.getArray()->refCount, 2);
    a.release();
    EXPECT_TRUE(a.isNone());
    ASSERT_TRUE(b.isArray());
    EXPECT_TRUE(b.arrayGet(1).isName("Keep"));
    EXPECT_EQ(deaths, 0);
    b.release();
    EXPECT_EQ(deaths, 1);
    b.release();  // releasing a kind-none slot again does nothing
    a.release();
    EXPECT_EQ(deaths, 1);
}

TEST(PdfObjectSharing, DictAndStreamSharedStringsAndNamesDeepCopied) {
    int deaths = 0;
    PdfObject s = PdfObject::makeStream(new CountingStream(&deaths));
    {
        PdfObject d = PdfObject::makeDict(nullptr);
        d.getDict()->add("S", s);
        EXPECT_EQ(s.getStream()->refCount(), 2);
        PdfObject d2 = d;
        EXPECT_EQ(d.getDict()->refCount, 2);
    }
    EXPECT_EQ(s.getStream()->refCount(), 1);
    s = PdfObject::makeNull();
    EXPECT_EQ(deaths, 1);

    PdfObject str = PdfObject::makeString("ab\0c", 4);
    PdfObject copy = str;
    EXPECT_NE(str.getString(), copy.getString());
    copy.getString()->setAt(0, 'X');
    EXPECT_EQ(str.getString()->view(), std::string("ab\0c", 4));
    PdfObject name = PdfObject::makeName("N");
    PdfObject nameCopy = name.clone();
    EXPECT_NE(name.getName(), nameCopy.getName());
    EXPECT_TRUE(nameCopy.isName("N"));

    PdfObject moved = std::move(name);
    EXPECT_TRUE(name.isNone());  // NOLINT(bugprone-use-after-move): moved-from slots are none
    EXPECT_TRUE(moved.isName("N"));
}

TEST(PdfObjectKinds, NumbersNamesAndCommands) {
    EXPECT_STREQ(PdfObject().kindName(), "none");
    EXPECT_STREQ(PdfObject::makeRef(1, 0).kindName(), "ref");
    EXPECT_STREQ(PdfObject::makeCmd("BT").kindName(), "cmd");
    EXPECT_EQ(static_cast<int>(PdfObject::makeEof().kind()), 12);
    EXPECT_EQ(static_cast<int>(PdfObject::makeStream(nullptr).kind()), 8);
    PdfObject i = PdfObject::makeInt(7);
    EXPECT_TRUE(i.isNum());
    EXPECT_DOUBLE_EQ(i.getNum(), 7.0);
    EXPECT_TRUE(PdfObject::makeCmd("Tj").isCmd("Tj"));
    EXPECT_FALSE(PdfObject::makeName("Tj").isCmd("Tj"));
}

TEST(PdfDictLookup, DuplicateKeysFirstWinsAndDumpShowsBoth) {
    PdfObject d = PdfObject::makeDict(nullptr);
    d.getDict()->add("K", PdfObject::makeInt(1));
    d.getDict()->add("K", PdfObject::makeInt(2));
    EXPECT_EQ(d.dictLookup("K").getInt(), 1);
    EXPECT_TRUE(d.dictLookup("Missing").isNull());
    EXPECT_EQ(dumped(d), "<< /K 1 /K 2 >>");
}

TEST(PdfDictLookup, HasTypeIgnoresIndirectTypeButLookupResolves) {
    test::PdfBuilder b;
    b.object("/Page");
    test::TestResolver xref(b.bytes());
    xref.add(1, b.offsetOf(1));
    PdfObject d = PdfObject::makeDict(&xref);
    d.getDict()->add("Type", PdfObject::makeRef(1, 0));
    EXPECT_FALSE(d.getDict()->hasType("Page"));
    EXPECT_FALSE(d.isDict("Page"));
    EXPECT_TRUE(d.dictLookup("Type").isName("Page"));
    EXPECT_TRUE(d.dictLookupRaw("Type").isRef());
    // A dangling reference resolves to null, never an error.
    EXPECT_TRUE(PdfObject::makeRef(9, 0).resolve(&xref).isNull());
    EXPECT_TRUE(PdfObject::makeRef(1, 3).resolve(&xref).isNull());
}

TEST(PdfContainers, GrowByEightSlots) {
    PdfObject a = PdfObject::makeArray(nullptr);
    EXPECT_EQ(a.getArray()->capacity(), 0);
    a.getArray()->append(PdfObject::makeInt(0));
    EXPECT_EQ(a.getArray()->capacity(), 8);
    for (int i = 1; i < 9; ++i) a.getArray()->append(PdfObject::makeInt(i));
    EXPECT_EQ(a.getArray()->capacity(), 16);
    EXPECT_TRUE(a.arrayGet(9).isNull());
    EXPECT_TRUE(a.arrayGet(-1).isNull());
}

TEST(PdfStringSizing, CapacityFollowsLength) {
    EXPECT_EQ(PdfString::capacityFor(0), 8);
    EXPECT_EQ(PdfString::capacityFor(7), 8);
    EXPECT_EQ(PdfString::capacityFor(8), 16);
    EXPECT_EQ(PdfString::capacityFor(255), 256);
    EXPECT_EQ(PdfString::capacityFor(256), 512);
    EXPECT_EQ(PdfString::capacityFor(511), 512);
    EXPECT_EQ(PdfString::capacityFor(512), 768);

    PdfString s("abcdefg");
    s.append('h');
    EXPECT_EQ(s.length(), 8);
    EXPECT_STREQ(s.text(), "abcdefgh");
    std::string big;
    for (int i = 0; i < 600; ++i) {
        s.append(static_cast<char>('a' + i % 26));
        big += static_cast<char>('a' + i % 26);
    }
    EXPECT_EQ(s.length(), 608);
    EXPECT_EQ(s.view().substr(8), big);
    EXPECT_EQ(s.text()[608], '\0');
}

TEST(PdfStringEditing, InsertEraseCaseAndIntegers) {
    EXPECT_EQ(PdfString::fromInt(0), "0");
    EXPECT_EQ(PdfString::fromInt(-12), "-12");
    EXPECT_EQ(PdfString::fromInt(-2147483647 - 1), "-2147483648");
    PdfString s("held");
    s.insert(0, 'W').insert(1, "orld ").insert(100, "!");
    EXPECT_EQ(s, "World held!");
    s.erase(5, 0).erase(5, 100);
    EXPECT_EQ(s, "World");
    s.toUpper();
    EXPECT_EQ(s, "WORLD");
    s.append(" 1\xE9").toLower();
    EXPECT_EQ(s.view(), "world 1\xE9");
    // Inserting a piece of the string into itself must not read freed memory.
    PdfString self("0123456");
    self.insert(3, self.text(), self.length());
    EXPECT_EQ(self, "01201234563456");
    PdfString bytes("a\0b", 3);
    EXPECT_EQ(bytes.length(), 3);
    EXPECT_EQ(bytes.clear().length(), 0);
}

TEST(MemoryHelpers, ZeroSizesGiveNull) {
    EXPECT_EQ(memAlloc(0), nullptr);
    void* p = memAlloc(4);
    EXPECT_EQ(memRealloc(p, 0), nullptr);
    memFree(nullptr);
    char* t = memStrdup("abc");
    EXPECT_STREQ(t, "abc");
    memFree(t);
}

std::string key(int i) {
    std::string k = "k";
    k += std::to_string(i);
    return k;
}

TEST(StringMapTable, GrowsAndReplaces) {
    StringMap<int> map;
    int values[40];
    EXPECT_EQ(map.slotCount(), 31);
    for (int i = 0; i < 40; ++i) {
        values[i] = i;
        map.insert(key(i).c_str(), &values[i]);
    }
    EXPECT_EQ(map.slotCount(), 127);  // grew at 16 and at 32 entries
    EXPECT_EQ(map.entryCount(), 40);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(map.lookup(key(i).c_str()), &values[i]);
    int other = 99;
    map.insert("k3", &other);
    EXPECT_EQ(*map.lookup("k3"), 99);
    EXPECT_EQ(map.lookup("absent"), nullptr);
    int kept = 0;
    map.forEach([&](const char*, int*) { ++kept; });
    EXPECT_EQ(kept, 40);  // replacing keeps one slot
    EXPECT_EQ(nameHash("ab"), 97u * 17u + 98u);
}

TEST(StaticNameTableLookup, FindsEveryEntryAndNothingElse) {
    static const StaticNameEntry entries[] = {{"space", 250}, {"A", 667}, {"B", 667}, {"quoteright", 222}};
    StaticNameTable table(entries, 4);
    uint16_t v = 0;
    for (const auto& e : entries) {
        ASSERT_TRUE(table.lookup(e.name, &v)) << e.name;
        EXPECT_EQ(v, e.value);
    }
    EXPECT_FALSE(table.lookup("C", &v));
    StaticNameTable empty(nullptr, 0);
    EXPECT_FALSE(empty.lookup("A", &v));
}

TEST(DumpFormat, EveryKind) {
    PdfObject d = PdfObject::makeDict(nullptr);
    d.getDict()->add("Length", PdfObject::makeInt(5));
    EXPECT_EQ(dumped(d), "<< /Length 5 >>");
    EXPECT_EQ(dumped(PdfObject::makeDict(nullptr)), "<< >>");
    EXPECT_EQ(dumped(PdfObject::makeArray(nullptr)), "[]");
    PdfObject a = PdfObject::makeArray(nullptr);
    a.getArray()->append(PdfObject::makeBool(true));
    a.getArray()->append(PdfObject::makeReal(0.5));
    a.getArray()->append(PdfObject::makeString("(x)", 3));
    a.getArray()->append(PdfObject::makeRef(3, 1));
    a.getArray()->append(PdfObject::makeNull());
    a.getArray()->append(PdfObject::makeCmd("Tf"));
    a.getArray()->append(PdfObject::makeError());
    a.getArray()->append(PdfObject::makeEof());
    a.getArray()->append(PdfObject());
    EXPECT_EQ(dumped(a), "[true 0.5 ((x)) 3 1 R null Tf <error> <EOF> <none>]");
}
