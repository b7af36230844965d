// quillmark-inspect: opens a PDF the way the converter does and prints what it found.
//   quillmark-inspect [options] FILE               version, page count, kind of cross-reference
//                                                  sections, one line per page
//   quillmark-inspect [options] --object N FILE    object N, as stored in the table
//   quillmark-inspect [options] --stream N FILE    the decoded data of stream object N
//   quillmark-inspect [options] --fonts FILE       one line per font of each page's resources
//   quillmark-inspect [options] --trace N FILE     page N's content, operator by operator
//   quillmark-inspect [options] --display N FILE   page N displayed with links and annotations,
//                                                  traced step by step
//   quillmark-inspect [options] --links N FILE     one line per link of page N: rectangle,
//                                                  border width and action
//   quillmark-inspect [options] --outline FILE     writes the outline file, prints its content
//                                                  and removes it
//   quillmark-inspect [options] --bmp N OUT FILE   page N drawn with its links, written to OUT
//                                                  as a 24-bit BMP file
//   quillmark-inspect [options] --items N FILE     page N recorded as a display list: one line
//                                                  per item, then one per link record
//   quillmark-inspect [options] --html N OUT FILE  page N recorded with its links and written as
//                                                  the HTML page OUT with its JPEG beside it
// Options: --owner-password PW, --user-password PW, --zoom Z (dots per inch for --bmp and
// --items and --html, 1..2400, default 100), --antialias (smooth page pictures for --bmp and
// --html).
// Exit status: 0 when the document opened, 1 when it did not (or the object is missing),
// 2 for bad usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "convert/settings.h"
#include "core/pdf_dict.h"
#include "core/pdf_object.h"
#include "core/report_error.h"
#include "core/xref_table.h"
#include "document/pdf_catalog.h"
#include "document/pdf_document.h"
#include "document/pdf_page.h"
#include "fonts/font_resource_set.h"
#include "fonts/font_summary.h"
#include "fonts/global_settings.h"
#include "document/page_link.h"
#include "streams/stream.h"
#include "display_page.h"
#include "render_page.h"
#include "trace_page.h"

namespace {

int usage(const char* why) {
    std::fprintf(stderr, "quillmark-inspect: %s\n", why);
    std::fprintf(stderr,
                 "usage: quillmark-inspect [--owner-password PW] [--user-password PW] "
                 "[--zoom Z] [--antialias] [--object N | --stream N | --fonts | --trace N | --display N | --links N | --outline | "
                 "--bmp N OUT | --items N | --html N OUT] FILE\n");
    return 2;
}

bool parseNumber(const char* text, int* value) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < 0 || v > 0x7fffffff) return false;
    *value = static_cast<int>(v);
    return true;
}

void printBox(const char* label, const qm::PdfRect& r) {
    std::printf(", %s [%g %g %g %g]", label, r.x1, r.y1, r.x2, r.y2);
}

int listPages(const qm::PdfDocument& doc) {
    std::printf("version: %g\n", doc.version());
    std::printf("pages: %d\n", doc.pageCount());
    const qm::XrefTable* xref = doc.xref();
    const char* kind = xref->wasRebuilt()                             ? "rebuilt"
                       : xref->usesTables() && xref->usesStreams() ? "table+stream"
                       : xref->usesStreams()                         ? "stream"
                                                                     : "table";
    std::printf("xref: %s\n", kind);
    for (int n = 1; n <= doc.pageCount(); ++n) {
        const qm::PdfPage* page = doc.catalog()->page(n);
        std::printf("page %d", n);
        printBox("media", page->mediaBox());
        if (page->hasCropBox()) printBox("crop", page->cropBox());
        std::printf(", rotate %d, contents %s\n", page->rotate(), page->contents().isNull() ? "no" : "yes");
    }
    return 0;
}

qm::PdfObject fetchObject(qm::XrefTable* xref, int num) {
    const qm::XrefEntry* e = xref->entry(num);
    if (!e) return qm::PdfObject::makeNull();
    return xref->fetch(num, e->generation);
}

int printObject(qm::XrefTable* xref, int num) {
    qm::PdfObject obj = fetchObject(xref, num);
    if (obj.isNull() && !xref->entry(num)) {
        std::fprintf(stderr, "quillmark-inspect: object %d is not in the table\n", num);
        return 1;
    }
    if (obj.isStream()) {
        std::fputs("stream ", stdout);
        obj.getStream()->sourceStream()->dictObject().dump(stdout);
    } else {
        obj.dump(stdout);
    }
    std::fputc('\n', stdout);
    return 0;
}

int writeStream(qm::XrefTable* xref, int num) {
    qm::PdfObject obj = fetchObject(xref, num);
    if (!obj.isStream()) {
        std::fprintf(stderr, "quillmark-inspect: object %d is not a stream (%s)\n", num, obj.kindName());
        return 1;
    }
    qm::Stream* s = obj.getStream();
    s->reset();
    unsigned char buffer[65536];
    for (;;) {
        int n = s->readBlock(buffer, static_cast<int>(sizeof buffer));
        if (n <= 0) break;
        std::fwrite(buffer, 1, static_cast<size_t>(n), stdout);
        if (n < static_cast<int>(sizeof buffer)) break;
    }
    s->close();
    return 0;
}

int listFonts(const qm::PdfDocument& doc) {
    for (int n = 1; n <= doc.pageCount(); ++n) {
        const qm::PdfPage* page = doc.catalog()->page(n);
        qm::PdfObject fonts = page && page->resources() ? page->resources()->lookup("Font") : qm::PdfObject();
        std::printf("page %d: %d fonts\n", n, fonts.isDict() ? fonts.getDict()->length() : 0);
        if (!fonts.isDict()) continue;
        qm::FontResourceSet set(doc.xref(), fonts.getDict());
        for (int i = 0; i < set.size(); ++i) {
            if (const qm::PdfFont* font = set.at(i))
                std::printf("  %s\n", qm::describeFont(*font).c_str());
            else
                std::printf("  %s (not built)\n", fonts.getDict()->keyAt(i));
        }
    }
    return 0;
}

void printQuoted(const char* label, const qm::PdfString* s) {
    std::printf(" %s '", label);
    if (s) std::fwrite(s->text(), 1, static_cast<size_t>(s->length()), stdout);
    std::fputc('\'', stdout);
}

const char* kDestKinds[] = {"XYZ", "Fit", "FitH", "FitV", "FitR", "FitB", "FitBH", "FitBV"};

void printDest(const qm::PdfCatalog& catalog, const qm::LinkDest* dest) {
    if (!dest) {
        std::printf(" -> none");
        return;
    }
    int page = dest->pageIsRef() ? catalog.findPage(dest->pageRef().num, dest->pageRef().gen) : dest->pageNumber();
    std::printf(" page %d /%s", page, kDestKinds[dest->kind()]);
}

int printLinks(const qm::PdfDocument& doc, int pageNumber) {
    const qm::PdfCatalog& catalog = *doc.catalog();
    const qm::PdfPage* page = catalog.page(pageNumber);
    if (!page) {
        std::fprintf(stderr, "quillmark-inspect: no page %d (the document has %d)\n", pageNumber, doc.pageCount());
        return 1;
    }
    qm::PageLinkList links(page->annots().resolve(doc.xref()), catalog.baseUri());
    for (int i = 0; i < links.count(); ++i) {
        const qm::PageLink& link = links.link(i);
        std::printf("[%g %g %g %g] border %g", link.x1(), link.y1(), link.x2(), link.y2(), link.borderWidth());
        const qm::LinkAction* action = link.action();
        switch (action->kind()) {
            case qm::LinkActionKind::GoTo: {
                auto* a = static_cast<const qm::LinkGoTo*>(action);
                std::printf(" GoTo");
                if (a->namedDest()) {
                    printQuoted("name", a->namedDest());
                    printDest(catalog, catalog.findDest(*a->namedDest()).get());
                } else {
                    printDest(catalog, a->dest());
                }
                break;
            }
            case qm::LinkActionKind::GoToR: {
                auto* a = static_cast<const qm::LinkGoToR*>(action);
                std::printf(" GoToR");
                printQuoted("file", a->fileName());
                if (a->namedDest()) {
                    printQuoted("name", a->namedDest());
                } else {
                    printDest(catalog, a->dest());
                }
                break;
            }
            case qm::LinkActionKind::Launch: {
                auto* a = static_cast<const qm::LinkLaunch*>(action);
                std::printf(" Launch");
                printQuoted("file", a->fileName());
                if (a->parameters()) printQuoted("parameters", a->parameters());
                break;
            }
            case qm::LinkActionKind::Uri:
                std::printf(" URI");
                printQuoted("uri", static_cast<const qm::LinkUri*>(action)->uri());
                break;
            case qm::LinkActionKind::Named:
                std::printf(" Named");
                printQuoted("name", static_cast<const qm::LinkNamed*>(action)->name());
                break;
            case qm::LinkActionKind::Other:
                std::printf(" Other");
                printQuoted("type", static_cast<const qm::LinkUnknown*>(action)->actionType());
                break;
        }
        std::fputc('\n', stdout);
    }
    return 0;
}

int printOutline(const qm::PdfDocument& doc) {
    char path[260];
    if (!doc.catalog()->writeOutlines(path, static_cast<int>(sizeof path))) {
        std::fprintf(stderr, "quillmark-inspect: the document has no outline\n");
        return 0;
    }
    std::FILE* in = std::fopen(path, "rb");
    if (!in) {
        std::fprintf(stderr, "quillmark-inspect: cannot read %s\n", path);
        return 1;
    }
    char buffer[16384];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) std::fwrite(buffer, 1, n, stdout);
    std::fclose(in);
    // The file only exists to be shown here; leaving it would fill the cache folder.
    std::remove(path);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<qm::PdfString> owner, user;
    int objectNum = -1, streamNum = -1, tracePageNum = -1, linksPage = -1, displayPageNum = -1;
    int bmpPage = -1, itemsPage = -1, htmlPage = -1, zoom = 100;
    const char* bmpPath = nullptr;
    const char* htmlPath = nullptr;
    bool fonts = false;
    bool outline = false;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        bool hasValue = i + 1 < argc;
        if (std::strcmp(a, "--owner-password") == 0) {
            if (!hasValue) return usage("--owner-password needs a value");
            owner = qm::PdfString(argv[++i]);
        } else if (std::strcmp(a, "--user-password") == 0) {
            if (!hasValue) return usage("--user-password needs a value");
            user = qm::PdfString(argv[++i]);
        } else if (std::strcmp(a, "--object") == 0 || std::strcmp(a, "--stream") == 0) {
            int* target = a[2] == 'o' ? &objectNum : &streamNum;
            if (!hasValue || !parseNumber(argv[++i], target)) return usage("--object and --stream need a number");
        } else if (std::strcmp(a, "--fonts") == 0) {
            fonts = true;
        } else if (std::strcmp(a, "--trace") == 0) {
            if (!hasValue || !parseNumber(argv[++i], &tracePageNum)) return usage("--trace needs a page number");
        } else if (std::strcmp(a, "--display") == 0) {
            if (!hasValue || !parseNumber(argv[++i], &displayPageNum)) return usage("--display needs a page number");
        } else if (std::strcmp(a, "--links") == 0) {
            if (!hasValue || !parseNumber(argv[++i], &linksPage)) return usage("--links needs a page number");
        } else if (std::strcmp(a, "--bmp") == 0) {
            if (i + 2 >= argc || !parseNumber(argv[++i], &bmpPage)) return usage("--bmp needs a page number and a file");
            bmpPath = argv[++i];
        } else if (std::strcmp(a, "--html") == 0) {
            if (i + 2 >= argc || !parseNumber(argv[++i], &htmlPage)) return usage("--html needs a page number and a file");
            htmlPath = argv[++i];
        } else if (std::strcmp(a, "--items") == 0) {
            if (!hasValue || !parseNumber(argv[++i], &itemsPage)) return usage("--items needs a page number");
        } else if (std::strcmp(a, "--zoom") == 0) {
            if (!hasValue || !parseNumber(argv[++i], &zoom) || zoom < 1 || zoom > 2400)
                return usage("--zoom needs a resolution from 1 to 2400");
        } else if (std::strcmp(a, "--outline") == 0) {
            outline = true;
        } else if (std::strcmp(a, "--antialias") == 0) {
            qm::Settings::setOverride(qm::Setting::antialias, 1);
        } else if (a[0] == '-' && a[1] == '-') {
            return usage("unknown option");
        } else if (file) {
            return usage("only one file at a time");
        } else {
            file = a;
        }
    }
    if (!file) return usage("no file given");
    if ((objectNum >= 0) + (streamNum >= 0) + (tracePageNum >= 0) + (displayPageNum >= 0) + (linksPage >= 0) +
            (bmpPage >= 0) + (itemsPage >= 0) + (htmlPage >= 0) + outline + fonts >
        1) {
        return usage("--object, --stream, --fonts, --trace, --display, --links, --outline, --bmp, --items and --html "
                     "exclude each other");
    }

    // The engine's own messages explain a failed open; show them whatever the environment.
    // Only the open's: a crafted page reports millions, which would all be kept.
    std::optional<qm::ErrorCapture> capture(std::in_place);
    // Fonts of every mode (listing, trace, display) need the engine's settings.
    qm::GlobalSettingsScope settings;
    qm::PdfDocument doc(qm::PdfString(file), owner ? &*owner : nullptr, user ? &*user : nullptr,
                        displayPageNum >= 0 ? 1 : 0);
    if (!doc.isOk()) {
        for (const auto& m : capture->messages()) std::fprintf(stderr, "%s\n", m.c_str());
        std::fprintf(stderr, "quillmark-inspect: cannot open %s\n", file);
        return 1;
    }
    capture.reset();
    if (objectNum >= 0) return printObject(doc.xref(), objectNum);
    if (streamNum >= 0) return writeStream(doc.xref(), streamNum);
    if (fonts) return listFonts(doc);
    if (tracePageNum >= 0) return tracePage(doc, tracePageNum);
    if (displayPageNum >= 0) return displayPageTraced(doc, displayPageNum);
    if (linksPage >= 0) return printLinks(doc, linksPage);
    if (outline) return printOutline(doc);
    if (bmpPage >= 0) return renderPageBmp(doc, bmpPage, zoom, bmpPath);
    if (itemsPage >= 0) return printPageItems(doc, itemsPage, zoom);
    if (htmlPage >= 0) return writePageHtmlFile(doc, htmlPage, zoom, htmlPath);
    return listPages(doc);
}
