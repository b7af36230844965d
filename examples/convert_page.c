/*
 * convert_page: opens a PDF, prints its page count and the path of its outline listing, and
 * writes page 1 as HTML (with its JPEG), as a BMP image and as SVG.
 *
 *   cc convert_page.c $(pkg-config --cflags --libs quillmark) -o convert_page
 *   ./convert_page file.pdf out-folder
 */
#include <stdio.h>
#include <string.h>

#include <quillmark.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s FILE.pdf OUT-FOLDER\n", argv[0]);
        return 2;
    }
    PdfHandle* pdf = PDF_Open(argv[1], NULL, NULL, 100);
    if (pdf == NULL) {
        fprintf(stderr, "%s: cannot open\n", argv[1]);
        return 1;
    }
    printf("pages: %d\n", PDF_GetPageCount(pdf));

    char outline[4096];
    if (PDF_GetBookmark(pdf, outline, (int)sizeof outline) == 1) {
        printf("outline: %s\n", outline);
    } else {
        printf("outline: none\n");
    }

    char path[4096];
    int ok = 1;

    /* A display list for page 1, its links, then HTML and SVG from the same list. */
    PageObject* page = PDF_GetPageObject(pdf, 1);
    if (page == NULL) {
        fprintf(stderr, "page 1 could not be recorded\n");
        PDF_Close(pdf);
        return 1;
    }
    printf("page 1: %d x %d pixels, %d items\n", page->width, page->height, page->itemCount);
    HtmlLinkList* links = PDF_GetPageHtmLink(pdf, 1);
    snprintf(path, sizeof path, "%s/page1.svg", argv[2]);
    ok &= PDF_WriteToSVGFile(page, path) == 1;
    snprintf(path, sizeof path, "%s/page1.htm", argv[2]);
    ok &= PDF_ConvertToHtmlFile(page, links, path) == 1;
    PDF_DestroyHtmLink(links);
    PDF_DestroyPageObject(page);

    /* A bitmap of page 1. */
    void* bitmap = PDF_GetPageBmp(pdf, 1);
    snprintf(path, sizeof path, "%s/page1.bmp", argv[2]);
    ok &= bitmap != NULL && PDF_WriteToBMPFile(bitmap, path) == 1;
    PDF_DestroyPageBmp(bitmap);

    PDF_Close(pdf);
    printf(ok ? "wrote page1.htm, page1.jpg, page1.svg and page1.bmp\n" : "some output failed\n");
    return ok ? 0 : 1;
}
