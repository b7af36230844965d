#include "fonts/config_file.h"

#include <cstring>
#include <memory>

#include "core/report_error.h"
#include "fonts/data_file.h"
#include "fonts/global_settings.h"
#include "fonts/text_lines.h"

namespace qm {

namespace {
constexpr int kMaxConfigLine = 4095;
constexpr int kMaxNameToUnicodeLine = 255;
constexpr int kMaxPaperSize = 1000000;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// A whole field of decimal digits with a positive value of sensible size.
bool parsePaperDimension(const std::string& text, int* value) {
    if (text.empty() || text.size() > 7) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v <= 0 || v > kMaxPaperSize) return false;
    *value = v;
    return true;
}
}  // namespace

std::vector<std::string> tokenizeConfigLine(std::string_view line) {
    std::vector<std::string> tokens;
    size_t i = 0, n = line.size();
    while (true) {
        while (i < n && isBlank(line[i])) ++i;
        if (i >= n) break;
        if (line[i] == '"' || line[i] == '\'') {
            char quote = line[i++];
            size_t start = i;
            while (i < n && line[i] != quote) ++i;
            tokens.emplace_back(line.substr(start, i - start));
            if (i < n) ++i;  // past the closing quote
        } else {
            size_t start = i;
            while (i < n && !isBlank(line[i])) ++i;
            tokens.emplace_back(line.substr(start, i - start));
        }
    }
    return tokens;
}

class ConfigFileReader {
public:
    ConfigFileReader(GlobalSettings& settings, const std::string& fileName) : s_(settings), fileName_(fileName) {}
    void run(FILE* file);

private:
    using Args = std::vector<std::string>;
    using Handler = void (ConfigFileReader::*)(const std::string& command, const Args& args);
    struct Command {
        const char* name;
        Handler handler;
    };
    static const Command kCommands[];

    void apply(const Args& tokens);
    // Messages of the form "... (%s:%d)" get the file name and line number.
    void bad(const char* message) { reportError(-1, message, fileName_.c_str(), line_); }
    void badNamed(const std::string& command) {
        reportError(-1, "Bad '%s' config file command (%s:%d)", command.c_str(), fileName_.c_str(), line_);
    }
    // Matches args[0] against the keywords; the index, or -1 when it is none of them or the
    // argument count is not one.
    static int keyword(const Args& args, std::initializer_list<const char*> words);

    void nameToUnicode(const std::string&, const Args& a);
    void cidToUnicode(const std::string&, const Args& a);
    void unicodeMap(const std::string&, const Args& a);
    void cMapDir(const std::string&, const Args& a);
    void toUnicodeDir(const std::string&, const Args& a);
    void displayFont(const std::string& command, const Args& a);
    void psFile(const std::string&, const Args& a);
    void psFont(const std::string&, const Args& a);
    void psPaperSize(const std::string&, const Args& a);
    void flag(const std::string& command, const Args& a);
    void psLevel(const std::string&, const Args& a);
    void textEncoding(const std::string&, const Args& a);
    void textEOL(const std::string&, const Args& a);
    void fontDir(const std::string&, const Args& a);
    void rasterControl(const std::string& command, const Args& a);
    void urlCommand(const std::string&, const Args& a);

    GlobalSettings& s_;
    std::string fileName_;
    int line_ = 0;
};

const ConfigFileReader::Command ConfigFileReader::kCommands[] = {
    {"nameToUnicode", &ConfigFileReader::nameToUnicode},
    {"cidToUnicode", &ConfigFileReader::cidToUnicode},
    {"unicodeMap", &ConfigFileReader::unicodeMap},
    {"cMapDir", &ConfigFileReader::cMapDir},
    {"toUnicodeDir", &ConfigFileReader::toUnicodeDir},
    {"displayFontX", &ConfigFileReader::displayFont},
    {"displayFontT1", &ConfigFileReader::displayFont},
    {"displayFontTT", &ConfigFileReader::displayFont},
    {"displayCIDFontX", &ConfigFileReader::displayFont},
    {"psFile", &ConfigFileReader::psFile},
    {"psFont", &ConfigFileReader::psFont},
    {"psPaperSize", &ConfigFileReader::psPaperSize},
    {"psDuplex", &ConfigFileReader::flag},
    {"psLevel", &ConfigFileReader::psLevel},
    {"psEmbedType1", &ConfigFileReader::flag},
    {"psEmbedTrueType", &ConfigFileReader::flag},
    {"psOPI", &ConfigFileReader::flag},
    {"textEncoding", &ConfigFileReader::textEncoding},
    {"textEOL", &ConfigFileReader::textEOL},
    {"fontDir", &ConfigFileReader::fontDir},
    {"t1libControl", &ConfigFileReader::rasterControl},
    {"freetypeControl", &ConfigFileReader::rasterControl},
    {"urlCommand", &ConfigFileReader::urlCommand},
    {"mapNumericCharNames", &ConfigFileReader::flag},
    {"errQuiet", &ConfigFileReader::flag},
};

void ConfigFileReader::run(FILE* file) {
    LineReader reader(file, kMaxConfigLine);
    std::string line;
    while (reader.next(line)) {
        line_ = reader.lineNumber();
        if (reader.tooLong()) {
            bad("Config file line too long (%s:%d)");
            continue;
        }
        Args tokens = tokenizeConfigLine(line);
        if (tokens.empty() || (!tokens[0].empty() && tokens[0][0] == '#')) continue;
        apply(tokens);
    }
}

void ConfigFileReader::apply(const Args& tokens) {
    const std::string& command = tokens[0];
    Args args(tokens.begin() + 1, tokens.end());
    for (const Command& c : kCommands) {
        if (command == c.name) {
            (this->*c.handler)(command, args);
            return;
        }
    }
    if (command == "fontpath" || command == "fontmap") {
        reportError(-1, "Unknown config file command");
        reportError(-1, "-- the config file format has changed");
        return;
    }
    reportError(-1, "Unknown config file command '%s' (%s:%d)", command.c_str(), fileName_.c_str(), line_);
}

int ConfigFileReader::keyword(const Args& args, std::initializer_list<const char*> words) {
    if (args.size() != 1) return -1;
    int i = 0;
    for (const char* w : words) {
        if (args[0] == w) return i;
        ++i;
    }
    return -1;
}

void ConfigFileReader::nameToUnicode(const std::string&, const Args& a) {
    if (a.size() != 1) return bad("Bad 'nameToUnicode' config file command (%s:%d)");
    FilePtr file = openDataFile(a[0], "r");
    if (!file) {
        reportError(-1, "Couldn't open 'nameToUnicode' file '%s'", a[0].c_str());
        return;
    }
    LineReader reader(file.get(), kMaxNameToUnicodeLine);
    std::string line;
    std::vector<std::string_view> f;
    while (reader.next(line)) {
        splitFields(line, f);
        if (f.empty() && !reader.tooLong()) continue;
        uint32_t value;
        if (reader.tooLong() || f.size() < 2 || !parseHex(f[0], &value)) {
            reportError(-1, "Bad line in 'nameToUnicode' file (%s:%d)", a[0].c_str(), reader.lineNumber());
            continue;
        }
        s_.nameToUnicode_.add(std::string(f[1]).c_str(), static_cast<uint16_t>(value & 0xFFFF));
    }
}

void ConfigFileReader::cidToUnicode(const std::string&, const Args& a) {
    if (a.size() != 2) return bad("Bad 'cidToUnicode' config file command (%s:%d)");
    s_.cidToUnicodes_.set(a[0].c_str(), std::make_unique<PdfString>(a[1].c_str()));
}

void ConfigFileReader::unicodeMap(const std::string&, const Args& a) {
    if (a.size() != 2) return bad("Bad 'unicodeMap' config file command (%s:%d)");
    s_.unicodeMaps_.set(a[0].c_str(), std::make_unique<PdfString>(a[1].c_str()));
}

void ConfigFileReader::cMapDir(const std::string&, const Args& a) {
    if (a.size() != 2) return bad("Bad 'cMapDir' config file command (%s:%d)");
    std::vector<PdfString>* dirs = s_.cMapDirs_.get(a[0].c_str());
    if (!dirs) dirs = s_.cMapDirs_.set(a[0].c_str(), std::make_unique<std::vector<PdfString>>());
    dirs->emplace_back(a[1].c_str());
}

void ConfigFileReader::toUnicodeDir(const std::string&, const Args& a) {
    if (a.size() != 1) return bad("Bad 'toUnicodeDir' config file command (%s:%d)");
    s_.toUnicodeDirs_.emplace_back(a[0].c_str());
}

void ConfigFileReader::displayFont(const std::string& command, const Args& a) {
    bool cid = command == "displayCIDFontX";
    bool xFont = cid || command == "displayFontX";
    if (a.size() != (xFont ? 3u : 2u)) return bad("Bad 'displayFont...' config file command (%s:%d)");
    auto record = std::make_unique<DisplayFontRecord>();
    record->name = PdfString(a[0].c_str());
    if (xFont) {
        record->kind = DisplayFontRecord::XFont;
        record->pattern = PdfString(a[1].c_str());
        record->encoding = PdfString(a[2].c_str());
    } else {
        record->kind = command == "displayFontT1" ? DisplayFontRecord::Type1File : DisplayFontRecord::TrueTypeFile;
        record->file = PdfString(a[1].c_str());
    }
    (cid ? s_.displayCIDFonts_ : s_.displayFonts_).set(a[0].c_str(), std::move(record));
}

void ConfigFileReader::psFile(const std::string&, const Args& a) {
    if (a.size() != 1) return bad("Bad 'psFile' config file command (%s:%d)");
    s_.psFile_ = PdfString(a[0].c_str());
    s_.hasPsFile_ = true;
}

void ConfigFileReader::psFont(const std::string&, const Args& a) {
    if (a.size() != 2) return bad("Bad 'psFont' config file command (%s:%d)");
    s_.psFonts_.set(a[0].c_str(), std::make_unique<PdfString>(a[1].c_str()));
}

void ConfigFileReader::psPaperSize(const std::string&, const Args& a) {
    static const int kSizes[][2] = {{612, 792}, {612, 1008}, {595, 842}, {842, 1190}};
    int width = 0, height = 0;
    int named = keyword(a, {"letter", "legal", "A4", "A3"});
    if (named >= 0) {
        width = kSizes[named][0];
        height = kSizes[named][1];
    } else if (a.size() != 2 || !parsePaperDimension(a[0], &width) || !parsePaperDimension(a[1], &height)) {
        return bad("Bad 'psPaperSize' config file command (%s:%d)");
    }
    s_.psPaperWidth_ = width;
    s_.psPaperHeight_ = height;
}

void ConfigFileReader::flag(const std::string& command, const Args& a) {
    int v = keyword(a, {"no", "yes"});
    if (v < 0) return badNamed(command);
    bool* target = command == "psDuplex"          ? &s_.psDuplex_
                   : command == "psEmbedType1"    ? &s_.psEmbedType1_
                   : command == "psEmbedTrueType" ? &s_.psEmbedTrueType_
                   : command == "psOPI"           ? &s_.psOPI_
                   : command == "errQuiet"        ? &s_.errQuiet_
                                                  : &s_.mapNumericCharNames_;
    *target = v == 1;
}

void ConfigFileReader::psLevel(const std::string&, const Args& a) {
    int v = keyword(a, {"level1", "level1sep", "level2", "level2sep"});
    if (v < 0) return bad("Bad 'psLevel' config file command (%s:%d)");
    s_.psLevel_ = static_cast<PsLevel>(v);
}

void ConfigFileReader::textEncoding(const std::string&, const Args& a) {
    if (a.size() != 1) return bad("Bad 'textEncoding' config file command (%s:%d)");
    s_.textEncoding_ = PdfString(a[0].c_str());
}

void ConfigFileReader::textEOL(const std::string&, const Args& a) {
    int v = keyword(a, {"unix", "dos", "mac"});
    if (v < 0) return bad("Bad 'textEOL' config file command (%s:%d)");
    s_.textEOL_ = static_cast<TextEol>(v);
}

void ConfigFileReader::fontDir(const std::string&, const Args& a) {
    if (a.size() != 1) return bad("Bad 'fontDir' config file command (%s:%d)");
    s_.fontDirs_.emplace_back(a[0].c_str());
}

void ConfigFileReader::rasterControl(const std::string& command, const Args& a) {
    int v = keyword(a, {"none", "plain", "low", "high"});
    if (v < 0) return badNamed(command);
    (command == "t1libControl" ? s_.t1libControl_ : s_.freetypeControl_) = static_cast<RasterControl>(v);
}

void ConfigFileReader::urlCommand(const std::string&, const Args& a) {
    if (a.size() != 1) return bad("Bad 'urlCommand' config file command (%s:%d)");
    s_.urlCommand_ = PdfString(a[0].c_str());
    s_.hasUrlCommand_ = true;
}

void readConfigFile(GlobalSettings& settings, FILE* file, const std::string& fileName) {
    ConfigFileReader(settings, fileName).run(file);
}

}  // namespace qm
