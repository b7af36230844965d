// CMaps (bytes -> CID) and code -> Unicode maps: files, identity maps, usecmap merging,
// ToUnicode blocks, cidToUnicode files, the settings' caches, and the installed CJK data.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/report_error.h"
#include "fonts/code_to_unicode_map.h"
#include "fonts/cpdf_map.h"
#include "fonts/data_file.h"
#include "fonts/font_test_env.h"
#include "fonts/global_settings.h"

namespace qm {
namespace {

// Releases the reference a lookup handed out.
template <class T>
struct Ref {
    T* p;
    explicit Ref(T* map) : p(map) {}
    ~Ref() {
        if (p) p->release();
    }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

uint32_t cid(const CPDFMap& map, const std::string& bytes, int* used) {
    return map.lookup(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int>(bytes.size()), used);
}

std::vector<uint16_t> unicode(const CodeToUnicodeMap& map, uint32_t code, int size = 8) {
    uint16_t out[8] = {};
    int n = map.lookup(code, out, size);
    return std::vector<uint16_t>(out, out + n);
}

class CharacterMaps : public test::FontTestEnv {
protected:
    std::unique_ptr<GlobalSettings> settings(const std::string& config) {
        write("data/config.lst", config);
        return std::make_unique<GlobalSettings>("config.lst");
    }
    std::string cmapFile(const std::string& body) {
        return "%!PS-Adobe-3.0 Resource-CMap\n/CIDInit /ProcSet findresource begin\nbegincmap\n" + body +
               "endcmap\n";
    }
};

TEST_F(CharacterMaps, IdentityMapsNeedNoConfiguration) {
    auto s = settings("");
    Ref<CPDFMap> h(s->getCPDFMap("Adobe-Japan1", "Identity-H"));
    Ref<CPDFMap> v(s->getCPDFMap("Adobe-Japan1", "Identity-V"));
    ASSERT_TRUE(h && v);
    EXPECT_TRUE(h->isIdentity());
    EXPECT_EQ(h->wMode(), 0);
    EXPECT_EQ(v->wMode(), 1);
    int used = 0;
    EXPECT_EQ(cid(*h.p, "\x12\x34\x56", &used), 0x1234u);
    EXPECT_EQ(used, 2);
    EXPECT_EQ(cid(*h.p, "\x12", &used), 0u);
    EXPECT_EQ(used, 1);
    ErrorCapture errors;
    EXPECT_EQ(s->getCPDFMap("Adobe-Japan1", "UniJIS-UCS2-H"), nullptr);
    EXPECT_EQ(errors.messages(),
              std::vector<std::string>{"Couldn't find 'UniJIS-UCS2-H' CMap file for 'Adobe-Japan1' collection"});
}

TEST_F(CharacterMaps, CodespacesAndCidRanges) {
    write("cmaps/Test-H", cmapFile("/WMode 1 def\n"
                                   "3 begincodespacerange\n<00> <80>\n<8140> <9FFC>\n<8140> <81>\nendcodespacerange\n"
                                   "% a comment line\n"
                                   "4 begincidrange\n<8140> <817E> 633\n<20> <7e> 1\n"
                                   "<A040> <A0FF> 5\n<8240> <8240> 70000\nendcidrange\n"
                                   "<9000> <9001> 77\n"));
    auto s = settings("cMapDir Test-Coll cmaps\n");
    ErrorCapture errors;
    Ref<CPDFMap> map(s->getCPDFMap("Test-Coll", "Test-H"));
    ASSERT_TRUE(map);
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Invalid CID (a040 - a0ff) in CMap"});
    EXPECT_FALSE(map->isIdentity());
    EXPECT_EQ(map->wMode(), 1);
    int used = 0;
    EXPECT_EQ(cid(*map.p, "\x81\x40", &used), 633u);
    EXPECT_EQ(used, 2);
    EXPECT_EQ(cid(*map.p, "\x81\x41zz", &used), 634u);
    EXPECT_EQ(used, 2);
    EXPECT_EQ(cid(*map.p, "\x81", &used), 0u);  // the bytes end inside the tree
    EXPECT_EQ(used, 1);
    EXPECT_EQ(cid(*map.p, "A", &used), 34u);     // one-byte codes sit in the root
    EXPECT_EQ(used, 1);
    EXPECT_EQ(cid(*map.p, "\x82\x40", &used), 70000u);
    EXPECT_EQ(cid(*map.p, "\x90\x00", &used), 0u);  // the range line outside a block is ignored
    EXPECT_EQ(cid(*map.p, "\xA0\x41", &used), 0u);  // A0 is no prefix: a one-byte code
    EXPECT_EQ(used, 1);
}

TEST_F(CharacterMaps, UsecmapMergesAndReportsCollisions) {
    write("cmaps/Base-H", cmapFile("1 begincodespacerange\n<8140> <84FF>\nendcodespacerange\n"
                                   "2 begincidrange\n<8140> <8142> 10\n<8340> <8340> 20\nendcidrange\n"));
    write("cmaps/Base-V", cmapFile("/Base-H usecmap\n/WMode 1 def\n"
                                   "1 begincidrange\n<8141> <8141> 99\nendcidrange\n"));
    write("cmaps/Single-H", cmapFile("1 begincodespacerange\n<00> <FF>\nendcodespacerange\n"
                                     "1 begincidrange\n<81> <81> 7\n<41> <41> 3\nendcidrange\n"));
    write("cmaps/Mixed-H", cmapFile("1 begincodespacerange\n<8140> <81FF>\nendcodespacerange\n"
                                    "/Single-H usecmap\n"));
    write("cmaps/Loop-H", cmapFile("/Loop-H usecmap\n"));
    auto s = settings("cMapDir Test-Coll cmaps\n");
    ErrorCapture errors;
    Ref<CPDFMap> v(s->getCPDFMap("Test-Coll", "Base-V"));
    ASSERT_TRUE(v);
    EXPECT_TRUE(errors.messages().empty());
    int used = 0;
    EXPECT_EQ(v->wMode(), 1);
    EXPECT_EQ(cid(*v.p, "\x81\x40", &used), 10u);
    EXPECT_EQ(cid(*v.p, "\x81\x41", &used), 99u);
    EXPECT_EQ(cid(*v.p, "\x83\x40", &used), 20u);

    Ref<CPDFMap> mixed(s->getCPDFMap("Test-Coll", "Mixed-H"));
    ASSERT_TRUE(mixed);
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Collision in usecmap"});
    EXPECT_EQ(cid(*mixed.p, "\x81\x40", &used), 0u);  // still a two-byte code
    EXPECT_EQ(used, 2);
    EXPECT_EQ(cid(*mixed.p, "A", &used), 3u);

    Ref<CPDFMap> loop(s->getCPDFMap("Test-Coll", "Loop-H"));  // ends at the nesting limit
    EXPECT_TRUE(loop);
}

TEST_F(CharacterMaps, ToUnicodeSixteenBitBlocks) {
    const std::string text =
        "/CIDInit /ProcSet findresource begin\n"
        "2 beginbfchar\r\n<0041> <00410042>\r<0042> <0061>\n<1234> <20AC>\nendbfchar\n"
        "2 beginbfrange\n<0100> <0102> <0061>\n<0200> <0201> <00660069>\n<0300> <02FF> <0041>\nendbfrange\n";
    Ref<CodeToUnicodeMap> map(CodeToUnicodeMap::parseToUnicode(text, 16));
    EXPECT_EQ(unicode(*map.p, 0x41), (std::vector<uint16_t>{0x41, 0x42}));
    EXPECT_EQ(unicode(*map.p, 0x41, 1), (std::vector<uint16_t>{0x41}));
    EXPECT_EQ(unicode(*map.p, 0x42), (std::vector<uint16_t>{0x61}));
    EXPECT_EQ(unicode(*map.p, 0x1234), (std::vector<uint16_t>{0x20AC}));
    EXPECT_EQ(map->mapLen(), 0x1300u);
    EXPECT_EQ(unicode(*map.p, 0x102), (std::vector<uint16_t>{0x63}));
    EXPECT_EQ(unicode(*map.p, 0x200), (std::vector<uint16_t>{0x66, 0x69}));
    EXPECT_EQ(unicode(*map.p, 0x201), (std::vector<uint16_t>{0x66, 0x6A}));
    EXPECT_EQ(unicode(*map.p, 0x300), std::vector<uint16_t>{});  // reversed range
    EXPECT_EQ(unicode(*map.p, 0x5000), std::vector<uint16_t>{});
    EXPECT_EQ(map->multiCount(), 3);
}

TEST_F(CharacterMaps, ToUnicodeMultiEntriesKeepOnePerCode) {
    // Whole-range multi-value lines repeated: every code keeps its first entry only, so the
    // map holds at most one entry per code however many lines there are.
    std::string text = "1 beginbfrange\n<0000> <00FF> <00410042>\nendbfrange\n";
    for (int i = 0; i < 6; ++i) text += "1 beginbfrange\n<0000> <FFFF> <00610062>\nendbfrange\n";
    text += "1 beginbfchar\n<0010> <00780079>\n<0020> <007A>\nendbfchar\n";
    Ref<CodeToUnicodeMap> map(CodeToUnicodeMap::parseToUnicode(text, 16));
    EXPECT_EQ(map->multiCount(), 65536);
    EXPECT_EQ(unicode(*map.p, 0x10), (std::vector<uint16_t>{0x41, 0x52}));
    EXPECT_EQ(unicode(*map.p, 0x20), std::vector<uint16_t>{0x7A});  // a single value still wins
    EXPECT_EQ(unicode(*map.p, 0x100), (std::vector<uint16_t>{0x61, 0x162}));
    EXPECT_EQ(unicode(*map.p, 0xFFFF), (std::vector<uint16_t>{0x61, 0x61}));  // 0x62 + 0xFFFF wraps
}

TEST_F(CharacterMaps, ToUnicodeEightBitCodesAndBadLines) {
    const std::string text =
        "1 beginbfchar\n<0041> <0041>\n<41>\n<42> <00zz>\n<43> <0043>\n<44> 0044\nendbfchar\n"
        "1 beginbfrange\n<20> <22> <0041>\n<30> <31>\n<45> <46> [<0061> <0062>]\n<50> <51> <00zz>\nendbfrange\n";
    ErrorCapture errors;
    Ref<CodeToUnicodeMap> map(CodeToUnicodeMap::parseToUnicode(text, 8));
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{
                                     "Illegal line in bfchar block in ToUnicode CMap",
                                     "Illegal bfchar block in ToUnicode CPDFMap",
                                     "Illegal line in bfchar block in ToUnicode CPDFMap",
                                     "Illegal line in bfchar block in ToUnicode CMap",
                                     "Illegal bfrange block in ToUnicode CPDFMap",
                                     "Illegal line in bfrange block in ToUnicode CPDFMap",
                                 }));
    EXPECT_EQ(map->mapLen(), 256u);
    EXPECT_EQ(unicode(*map.p, 0x41), std::vector<uint16_t>{});
    EXPECT_EQ(unicode(*map.p, 0x43), std::vector<uint16_t>{0x43});
    EXPECT_EQ(unicode(*map.p, 0x20), std::vector<uint16_t>{0x41});
    EXPECT_EQ(unicode(*map.p, 0x22), std::vector<uint16_t>{0x43});
    EXPECT_EQ(unicode(*map.p, 0x45), std::vector<uint16_t>{0x61});  // one destination per code
    EXPECT_EQ(unicode(*map.p, 0x46), std::vector<uint16_t>{0x62});
}

TEST_F(CharacterMaps, ToUnicodeWrittenOnOneLine) {
    // Some writers put the whole map on one line, comments and all.
    const std::string text =
        "/CIDInit /ProcSet findresource begin 12 dict begin begincmap % one line\r"
        "1 begincodespacerange <00> <FF> endcodespacerange 2 beginbfchar <41> <0058> <42> <00410042> endbfchar "
        "1 beginbfrange <60> <62> [<0061> <0062> <0063>] endbfrange 1 beginbfrange <30> <31> <0030> endbfrange "
        "endcmap CMapName currentdict /CMap defineresource pop end end";
    ErrorCapture errors;
    Ref<CodeToUnicodeMap> map(CodeToUnicodeMap::parseToUnicode(text, 8));
    EXPECT_TRUE(errors.messages().empty());
    EXPECT_EQ(unicode(*map.p, 0x41), std::vector<uint16_t>{0x58});
    EXPECT_EQ(unicode(*map.p, 0x42), (std::vector<uint16_t>{0x41, 0x42}));
    EXPECT_EQ(unicode(*map.p, 0x61), std::vector<uint16_t>{0x62});
    EXPECT_EQ(unicode(*map.p, 0x31), std::vector<uint16_t>{0x31});
    // An array may run over several lines; a cut entry loses only its own line.
    const std::string broken = "2 beginbfrange <10> <11> [<0041>\n<0042>] <20>\n<21> <0050>\n<22> <22> <0051> endbfrange";
    Ref<CodeToUnicodeMap> other(CodeToUnicodeMap::parseToUnicode(broken, 8));
    EXPECT_EQ(unicode(*other.p, 0x11), std::vector<uint16_t>{0x42});
    EXPECT_EQ(unicode(*other.p, 0x20), std::vector<uint16_t>{});
    EXPECT_EQ(unicode(*other.p, 0x22), std::vector<uint16_t>{0x51});
}

TEST_F(CharacterMaps, ToUnicodeEntriesWithoutSpacesOrSeveralToALine) {
    std::string longLine;
    for (int c = 0x80; c < 0xC0; ++c) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "<%02X> <%04X> ", c, c + 0x300);
        longLine += entry;
    }
    const std::string text = "1 beginbfrange\n<21><21><003a>\n<30><31>[<0041><00420043>]<60> <61> <0070>\nendbfrange\n"
                             "2 beginbfchar\n<22><0022><23> <2023>\n" + longLine + "\nendbfchar\n";
    ErrorCapture errors;
    Ref<CodeToUnicodeMap> map(CodeToUnicodeMap::parseToUnicode(text, 8));
    EXPECT_TRUE(errors.messages().empty());
    EXPECT_EQ(unicode(*map.p, 0x21), std::vector<uint16_t>{0x3A});
    EXPECT_EQ(unicode(*map.p, 0x30), std::vector<uint16_t>{0x41});
    EXPECT_EQ(unicode(*map.p, 0x31), (std::vector<uint16_t>{0x42, 0x43}));
    EXPECT_EQ(unicode(*map.p, 0x61), std::vector<uint16_t>{0x71});
    EXPECT_EQ(unicode(*map.p, 0x22), std::vector<uint16_t>{0x22});
    EXPECT_EQ(unicode(*map.p, 0x23), std::vector<uint16_t>{0x2023});
    EXPECT_EQ(unicode(*map.p, 0xBF), std::vector<uint16_t>{0x3BF});  // far past 255 characters
}

TEST_F(CharacterMaps, ToUnicodeUsecmapFromTheConfiguredFolders) {
    write("tounicode/Shared", "1 beginbfchar\n<0061> <0391>\nendbfchar\n");
    auto s = settings("toUnicodeDir tounicode\n");
    globalSettings = s.get();
    ErrorCapture errors;
    Ref<CodeToUnicodeMap> map(
        CodeToUnicodeMap::parseToUnicode("/Shared usecmap\n/Missing usecmap\n1 beginbfchar\n<0062> <0392>\nendbfchar\n", 16));
    globalSettings = nullptr;
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Couldn't find ToUnicode CPDFMap file for 'Missing'"});
    EXPECT_EQ(unicode(*map.p, 0x61), std::vector<uint16_t>{0x391});
    EXPECT_EQ(unicode(*map.p, 0x62), std::vector<uint16_t>{0x392});
}

TEST_F(CharacterMaps, UcsTwoUsecmapComesFromTheCollectionsTable) {
    // "/Test-Coll-UCS2 usecmap" names no file we ship; the collection's cidToUnicode table is
    // the same mapping. The map's own entries win, and a name of another form still fails.
    write("data/Resource/Test.cidToUnicode", "0000\n0041\n0042\n0043\n");
    auto s = settings("cidToUnicode Test-Coll Test.cidToUnicode\n");
    globalSettings = s.get();
    ErrorCapture errors;
    Ref<CodeToUnicodeMap> map(CodeToUnicodeMap::parseToUnicode(
        "/Test-Coll-UCS2 usecmap\n/Nope-UCS2 usecmap\n/UCS2 usecmap\n1 beginbfchar\n<0002> <0392>\nendbfchar\n", 16));
    globalSettings = nullptr;
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{
                                     "Couldn't find cidToUnicode file for the 'Nope' collection",
                                     "Couldn't find ToUnicode CPDFMap file for 'Nope-UCS2'",
                                     "Couldn't find ToUnicode CPDFMap file for 'UCS2'",
                                 }));
    EXPECT_EQ(unicode(*map.p, 1), std::vector<uint16_t>{0x41});
    EXPECT_EQ(unicode(*map.p, 2), std::vector<uint16_t>{0x392});
    EXPECT_EQ(unicode(*map.p, 3), std::vector<uint16_t>{0x43});
    EXPECT_EQ(unicode(*map.p, 0), std::vector<uint16_t>{});
}

TEST_F(CharacterMaps, CidToUnicodeFilesAndBadLines) {
    write("data/Resource/Test.cidToUnicode", "0000\n0041\nzz\n20ac trailing text\n\n" + std::string(70, 'a') + "\n");
    auto s = settings("cidToUnicode Test-Coll Test.cidToUnicode\n");
    ErrorCapture errors;
    Ref<CodeToUnicodeMap> map(s->getCidToUnicode("Test-Coll"));
    ASSERT_TRUE(map);
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{
                                     "Bad line (3) in cidToUnicode file for the 'Test-Coll' collection",
                                     "Bad line (5) in cidToUnicode file for the 'Test-Coll' collection",
                                 }));
    EXPECT_EQ(map->mapLen(), 6u);
    ASSERT_NE(map->collection(), nullptr);
    EXPECT_TRUE(*map->collection() == "Test-Coll");
    EXPECT_EQ(unicode(*map.p, 1), std::vector<uint16_t>{0x41});
    EXPECT_EQ(unicode(*map.p, 2), std::vector<uint16_t>{});
    EXPECT_EQ(unicode(*map.p, 3), std::vector<uint16_t>{0x20AC});
    EXPECT_EQ(unicode(*map.p, 5), std::vector<uint16_t>{0xAAAA});  // a long line still counts once
    errors.clear();
    EXPECT_EQ(s->getCidToUnicode("Nope-X"), nullptr);
    EXPECT_EQ(errors.messages(),
              std::vector<std::string>{"Couldn't find cidToUnicode file for the 'Nope-X' collection"});
}

TEST_F(CharacterMaps, CachesKeepFourMostRecentlyUsed) {
    std::string config;
    for (int i = 1; i <= 5; ++i) {
        std::string c = "C" + std::to_string(i);
        write("data/Resource/" + c + ".cid", "0041\n");
        config += "cidToUnicode " + c + " " + c + ".cid\n";
    }
    auto s = settings(config);
    CodeToUnicodeMap* first = s->getCidToUnicode("C1");
    first->addRef();  // keep it alive to see the cache drop its reference
    first->release();
    for (const char* c : {"C2", "C3", "C4"}) s->getCidToUnicode(c)->release();
    EXPECT_EQ(first->refCount(), 2);       // the cache's and ours
    Ref<CodeToUnicodeMap> again(s->getCidToUnicode("C2"));  // a hit moves to the front
    EXPECT_EQ(s->cidToUnicodeCache().slot(0), again.p);
    s->getCidToUnicode("C5")->release();   // C1 is the least recently used
    EXPECT_EQ(first->refCount(), 1);
    EXPECT_TRUE(s->cidToUnicodeCache().slot(0)->matches("C5"));
    EXPECT_TRUE(s->cidToUnicodeCache().slot(1)->matches("C2"));
    EXPECT_TRUE(s->cidToUnicodeCache().slot(3)->matches("C3"));
    first->release();

    Ref<CPDFMap> a(s->getCPDFMap("X", "Identity-H"));
    Ref<CPDFMap> b(s->getCPDFMap("X", "Identity-H"));
    EXPECT_EQ(a.p, b.p);
    EXPECT_EQ(a->refCount(), 3);
    Ref<CPDFMap> other(s->getCPDFMap("Y", "Identity-H"));
    EXPECT_NE(a.p, other.p);
}

TEST_F(CharacterMaps, MakeFromTable) {
    uint16_t table[256] = {};
    table[65] = 0x41;
    Ref<CodeToUnicodeMap> map(CodeToUnicodeMap::makeFromTable(table));
    EXPECT_EQ(map->mapLen(), 256u);
    EXPECT_EQ(map->collection(), nullptr);
    EXPECT_EQ(unicode(*map.p, 65), std::vector<uint16_t>{0x41});
    EXPECT_EQ(unicode(*map.p, 66), std::vector<uint16_t>{});
    EXPECT_EQ(unicode(*map.p, 256), std::vector<uint16_t>{});
}

TEST(InstalledCjkData, CMapsAndCidToUnicodeOfTheFourCollections) {
    setResourceRoot("");
    GlobalSettings s("config.lst");
    ErrorCapture errors;
    struct Case {
        const char* collection;
        const char* cmap;
        std::string bytes;
        uint16_t unicode;
    };
    // The first character of each script's syllabary or the CJK "one".
    for (const Case& c : {Case{"Adobe-Japan1", "UniJIS-UCS2-H", "\x30\x42", 0x3042},
                          Case{"Adobe-Japan1", "90ms-RKSJ-V", "\x82\xA0", 0x3042},
                          Case{"Adobe-Japan1", "UniJIS-UTF16-H", std::string("\x4E\x00", 2), 0x4E00},
                          Case{"Adobe-GB1", "GBK-EUC-H", "\xD2\xBB", 0x4E00},
                          Case{"Adobe-GB1", "UniGB-UCS2-V", std::string("\x4E\x00", 2), 0x4E00},
                          Case{"Adobe-CNS1", "ETen-B5-H", "\xA4\x40", 0x4E00},
                          Case{"Adobe-Korea1", "KSCms-UHC-H", "\xB0\xA1", 0xAC00},
                          Case{"Adobe-Korea1", "UniKS-UCS2-H", std::string("\xAC\x00", 2), 0xAC00}}) {
        Ref<CPDFMap> cmap(s.getCPDFMap(c.collection, c.cmap));
        ASSERT_TRUE(cmap) << c.cmap;
        Ref<CodeToUnicodeMap> toUnicode(s.getCidToUnicode(c.collection));
        ASSERT_TRUE(toUnicode) << c.collection;
        int used = 0;
        uint32_t id = cid(*cmap.p, c.bytes, &used);
        EXPECT_EQ(used, 2) << c.cmap;
        EXPECT_NE(id, 0u) << c.cmap;
        EXPECT_EQ(unicode(*toUnicode.p, id), std::vector<uint16_t>{c.unicode}) << c.cmap;
    }
    Ref<CPDFMap> vertical(s.getCPDFMap("Adobe-Japan1", "UniJIS-UCS2-V"));
    EXPECT_EQ(vertical->wMode(), 1);
    EXPECT_TRUE(errors.messages().empty()) << errors.messages()[0];
}

}  // namespace
}  // namespace qm
