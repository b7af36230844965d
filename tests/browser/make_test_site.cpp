// Builds a converted site for the browser tests from a PDF of the corpus: the support
// files, page files in the page writer's per-page format (a few text runs over a JPEG of
// simple shapes, with the zoom script and the site script), and the site pages with the
// document's own outline.
//
//   make_test_site OUT_FOLDER PDF [FIRST LAST]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "convert/html_text.h"
#include "convert/page_html_writer.h"
#include "convert/page_thumbnail.h"
#include "convert/site_pages.h"
#include "document/pdf_catalog.h"
#include "document/pdf_document.h"
#include "document/pdf_page.h"
#include "platform/canvas/bitmap.h"
#include "platform/jpeg/jpeg_writer.h"
#include "platform/system/data_dir.h"
#include "platform/system/file_ops.h"

namespace {

std::string baseName(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string pageName(int n) {
    char name[32];
    std::snprintf(name, sizeof name, "pg_%04d", n);
    return name;
}

// A white page with a grey frame and a few grey bars where a page would have pictures, and
// its thumbnail.
bool writePicture(const std::string& path, int width, int height, int n) {
    qm::Bitmap bitmap(width, height);
    if (!bitmap.isOk()) return false;
    bitmap.fill(qm::kWhite);
    qm::ColorRef grey = qm::makeColorRef(200, 204, 210);
    qm::ColorRef tint = qm::makeColorRef(220 - (n * 37) % 60, 230, 240);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool frame = x < 2 || y < 2 || x >= width - 2 || y >= height - 2;
            bool band = y >= 60 && y < 180 && x >= 60 && x < width - 60;
            bool bar = y >= 240 && (y - 240) % 40 < 8 && y < height - 80 && x >= 60 && x < width - 60 - (y % 7) * 20;
            if (frame || bar) bitmap.setPixel(x, y, grey);
            else if (band) bitmap.setPixel(x, y, tint);
        }
    }
    std::unique_ptr<qm::Bitmap> thumbnail = qm::shrinkToThumbnail(bitmap);
    return qm::writeJpeg(bitmap, path, 75, false) && thumbnail &&
           qm::writeJpeg(*thumbnail, qm::thumbnailPath(path), 85, false);
}

// `width` is the run's width on the PDF page, which the page's script fits it to.
std::string textRun(int top, int left, int cls, int width, const std::string& text) {
    return "<div style=\"position:absolute;top:" + std::to_string(top) + ";left:" + std::to_string(left) +
           "\"><nobr><span class=\"ft" + std::to_string(cls) + "\" data-w=\"" + std::to_string(width) + "\">" +
           text + "</span></nobr></div>\n";
}

// The page file as the per-page writer lays it out; "\n" becomes CR LF on the way out.
std::string pageText(int n, int count, int width, int height, const std::string& title) {
    std::string name = pageName(n);
    std::string t = "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n<title>" +
                    name + "</title>\n\n";
    t += "<script language=\"javascript\"> \n<!-- hide \nfunction killerrors() { \nreturn true; \n} \n"
         "window.onerror = killerrors; \n// --> \n</script>\n";
    t += "<style type=\"text/css\">\n<!--\n"
         ".ft0{font-style:normal;font-weight:bold;font-size:40px;font-family:DejaVu Sans;color:#1f2937;}\n"
         ".ft1{font-style:normal;font-weight:normal;font-size:18px;font-family:DejaVu Serif;color:#374151;}\n"
         "-->\n</style>\n</head>\n<body vlink=\"#FFFFFF\" link=\"#FFFFFF\" bgcolor=\"#ffffff\">\n";
    t += "\n<script language=\"JavaScript\">\nvar currentpos,timer; \nfunction initialize() \n{ \n"
         "timer=setInterval(\"scrollwindow()\",10);\n} \nfunction sc(){\nclearInterval(timer); \n}\n"
         "function scrollwindow() \n{ \ncurrentpos=document.body.scrollTop; \nwindow.scroll(0,++currentpos); \n"
         "if (currentpos != document.body.scrollTop) \nsc();\n} \ndocument.onmousedown=sc\n"
         "document.ondblclick=initialize\n</script>\n";
    std::string img = "<img width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
                      "\" src=\"" + name + ".jpg\"";
    if (count > 1) {
        // Every page links to the next one (the last to the first) through the image map.
        std::string target = pageName(n % count + 1) + ".htm";
        t += "<div style=\"position:absolute;top:0;left:0\"><map name=\"FPMap0\">\n<area href=\"" + target +
             "\" shape=\"rect\" coords=\"60,60," + std::to_string(width - 60) + ",180\">\n</map>\n" + img +
             " usemap=\"#FPMap0\"></div>\n";
    } else {
        t += "<div style=\"position:absolute;top:0;left:0\">" + img + "></div>\n";
    }
    t += textRun(80, 80, 0, 150, "Page " + std::to_string(n));
    // The same words as a block that keeps its blanks, ending in three: its ink is held to
    // the same width.
    t += "<div id=\"kept-blanks\" style=\"position:absolute;top:300px;left:80px;white-space:pre\"><span class=\"ft0\" "
         "data-w=\"150\">Page " + std::to_string(n) + "   </span></div>\n";
    t += textRun(200, 60, 1, 400, qm::escapeHtml(title) + " &#8211; page " + std::to_string(n) + " of " +
                                      std::to_string(count));
    t += std::string(qm::fitRunsScript());
    t += "<script language=\"javascript\">\n\t\t\tvar currentZoom = parent.ltop.currentZoom;\n"
         "\t\t\tif(currentZoom != undefined)\n\t\t\t\tdocument.body.style.zoom=currentZoom/100;\n\t\t\t</script>\n";
    t += std::string(qm::pageSiteScript());
    t += "</body>\n</html>";
    std::string out;
    for (char c : t) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: make_test_site OUT_FOLDER PDF [FIRST LAST]\n");
        return 2;
    }
    std::string folder = argv[1], pdf = argv[2];
    qm::PdfDocument doc(qm::PdfString(pdf.c_str()), nullptr, nullptr);
    if (!doc.isOk()) {
        std::fprintf(stderr, "make_test_site: cannot open %s\n", pdf.c_str());
        return 1;
    }
    int first = 1, last = doc.pageCount();
    if (argc == 5) {
        first = std::atoi(argv[3]);
        last = std::atoi(argv[4]);
    }
    if (first < 1 || last < first || last > doc.pageCount()) {
        std::fprintf(stderr, "make_test_site: bad page range\n");
        return 1;
    }
    if (!qm::makeDirectoryPath(folder)) return 1;
    std::string site = qm::dataDirectory() + "/site";
    if (!qm::copyFilesMatching(site + "/pg_*.htm", folder) || !qm::copyFilesMatching(site + "/pg_*.gif", folder) ||
        !qm::copyFilesMatching(site + "/pg_*.js", folder)) {
        std::fprintf(stderr, "make_test_site: cannot copy the support files from %s\n", site.c_str());
        return 1;
    }
    std::string title = baseName(pdf);
    int count = last - first + 1;
    for (int i = first; i <= last; ++i) {
        int n = i - first + 1;
        const qm::PdfRect& box = doc.catalog()->page(i)->pageBox();
        int width = static_cast<int>(std::lround(std::fabs(box.x2 - box.x1) * 100 / 72));
        int height = static_cast<int>(std::lround(std::fabs(box.y2 - box.y1) * 100 / 72));
        if (width < 200 || width > 3000) width = 850;
        if (height < 200 || height > 3000) height = 1100;
        std::string base = folder + "/" + pageName(n);
        if (!writePicture(base + ".jpg", width, height, n) ||
            !writeFile(base + ".htm", pageText(n, count, width, height, title))) {
            std::fprintf(stderr, "make_test_site: cannot write %s\n", base.c_str());
            return 1;
        }
    }
    char listing[260] = {0};
    std::string listingPath = doc.catalog()->writeOutlines(listing, sizeof listing) ? listing : "";
    qm::SiteOptions options;
    options.keywords = "test, \"site\"";
    options.homeLink = true;
    options.homeAddress = "https://example.org/?a=1&b=2";
    if (!qm::writeSitePages(folder, title, first, last, options, listingPath)) {
        std::fprintf(stderr, "make_test_site: cannot write the site pages\n");
        return 1;
    }
    return 0;
}
