/*
 * quillmark.h: the public C interface of libquillmark.
 *
 * A page is recorded as a display list (a PageObject holding PageItems in drawing order),
 * rendered as a packed device-independent bitmap, or written as HTML, BMP or SVG.
 * All records are plain C structs with fixed-width fields, so the header can be used from
 * C, C++ and any foreign-function interface. Text in the records is UTF-16 code units;
 * names, paths and passwords are zero-terminated UTF-8.
 *
 * Records handed out by the library belong to the caller until the matching destroy
 * function; every destroy function accepts NULL.
 *
 * Partly transparent marks carry their transparency T (0..255; 0 opaque, 255 invisible; the
 * mark is laid over the page by opacity 255 - T): in the top byte of `colour` for TextItem and
 * LineItem, in `reserved1` for PolygonItem, and as an opacity plane in `extra1` for ImageItem.
 * Records made with these fields 0 or NULL are opaque, as before. A run of partly transparent
 * LineItems with the same colour, width and style, each starting where the one before ends,
 * is one stroke: the library paints it as one shape, covering each pixel once.
 */
#ifndef QUILLMARK_H
#define QUILLMARK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QM_API __attribute__((visibility("default")))
#else
#define QM_API
#endif

/* ---- The display list ------------------------------------------------------------- */

/* Kinds of PageItem. */
enum {
    QM_ITEM_TEXT = 0,
    QM_ITEM_IMAGE = 1,
    QM_ITEM_LINE = 2,
    QM_ITEM_POLYGON = 3,
    QM_ITEM_CLIP = 4
};

/* One character drawn as text. Positions are device pixels, y grows downwards, and (x, y)
 * is the start of the baseline. */
typedef struct TextItem {
    int32_t x;
    int32_t y;
    uint16_t* text;      /* UTF-16 code units, `count` of them (not zero-terminated) */
    int32_t count;
    char* face;          /* zero-terminated UTF-8 face name chosen for the font */
    int32_t advance;     /* horizontal advance in pixels */
    int32_t height;      /* em height in pixels */
    int32_t bold;        /* non-zero for a bold face */
    int32_t italic;      /* non-zero for an italic face */
    int32_t orientation; /* baseline angle in tenths of a degree, 0..3599; 0 is upright */
    uint32_t colour;     /* 0xTTBBGGRR: red in the low byte, transparency T in the top byte */
    uint8_t spare;       /* always 0 */
} TextItem;

/* The 40-byte header of a device-independent bitmap, in its field order. */
typedef struct QmBitmapInfoHeader {
    uint32_t size;       /* 40 */
    int32_t width;
    int32_t height;      /* positive: rows are stored bottom-up */
    uint16_t planes;     /* 1 */
    uint16_t bitCount;   /* 1, 4, 8, 24 or 32 */
    uint32_t compression;
    uint32_t imageSize;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t clrUsed;
    uint32_t clrImportant;
} QmBitmapInfoHeader;

/* An image drawn into a destination rectangle of the page. */
typedef struct ImageItem {
    QmBitmapInfoHeader header;
    uint32_t palette[256]; /* colour table entries 0x00RRGGBB (blue in the low byte) */
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    uint8_t* bits;         /* pixel rows in the layout `header` describes, rows padded to 4 */
    uint32_t bitsSize;
    uint8_t* extra1;       /* NULL for an opaque image; else the opacity of each pixel of `bits`
                              (0 transparent .. 255 opaque), one byte per pixel, rows in the
                              same order as `bits` and padded to 4 bytes. Pixels of opacity 0
                              are pure white in `bits`, the others keep their own colour. */
    uint32_t extra1Size;   /* bytes in extra1 */
    uint8_t* extra2;       /* reserved; NULL from this library */
    uint32_t extra2Size;
} ImageItem;

/* Pen styles of LineItem. */
enum { QM_PEN_SOLID = 0, QM_PEN_DASHED = 1 };

/* A stroked line segment. */
typedef struct LineItem {
    int32_t x0;
    int32_t y0;
    int32_t x1;
    int32_t y1;
    int32_t penWidth;
    uint32_t colour; /* 0xTTBBGGRR: transparency T in the top byte */
    int32_t penStyle;
} LineItem;

typedef struct QmPoint {
    int32_t x;
    int32_t y;
} QmPoint;

/* Fill modes of PolygonItem. */
enum { QM_FILL_ALTERNATE = 1, QM_FILL_WINDING = 2 };

/* A filled polygon. */
typedef struct PolygonItem {
    QmPoint* points;
    int32_t pointCount;
    int32_t fillMode; /* QM_FILL_ALTERNATE or QM_FILL_WINDING */
    uint32_t colour;  /* 0x00BBGGRR */
    int32_t reserved1; /* transparency 0..255, 0 opaque (values outside are clamped) */
    int32_t reserved2;
} PolygonItem;

/* A change of the clip region. `data` holds region data: a 32-byte header (size 32,
 * type 1, rectangle count, bytes of rectangles, bounding rectangle as left, top, right,
 * bottom) followed by the rectangles (left, top, right exclusive, bottom exclusive), all
 * little-endian 32-bit. An item without data means no clipping. */
typedef struct ClipItem {
    uint8_t* data;
    uint32_t dataSize;
} ClipItem;

typedef struct PageItem {
    int32_t kind; /* QM_ITEM_* */
    union {
        TextItem* text;
        ImageItem* image;
        LineItem* line;
        PolygonItem* polygon;
        ClipItem* clip;
        void* any;
    } record;
} PageItem;

/* One page recorded as a display list. */
typedef struct PageObject {
    int32_t width;      /* page width in pixels at the document's zoom */
    int32_t height;     /* page height in pixels */
    int32_t pageNumber; /* 1-based */
    int32_t pageCount;
    int32_t zoom;       /* resolution in dots per inch */
    float pdfVersion;
    PageItem* items;    /* in drawing order */
    int32_t itemCount;
    int32_t itemCapacity; /* internal */
} PageObject;

/* One link area of a page. Note the order: both x values come before both y values. */
typedef struct HtmlLink {
    int32_t left;
    int32_t right;
    int32_t top;
    int32_t bottom;
    char* target; /* "actionGoTo:N", "actionURI:...", "actionLaunch:...", "actionGoToR:..."
                     or a bare file name; zero-terminated UTF-8 */
} HtmlLink;

typedef struct HtmlLinkList {
    HtmlLink* links;
    int32_t count;
    int32_t capacity; /* internal */
} HtmlLinkList;

/* An open document. */
typedef struct PdfHandle PdfHandle;

/* ---- The thirteen functions ------------------------------------------------------- */
/* Calling order: PDF_Open; PDF_GetPageCount and PDF_GetBookmark at any time; per page
 * either PDF_GetPageObject, PDF_GetPageHtmLink (same page), PDF_ConvertToHtmlFile or
 * PDF_WriteToSVGFile, PDF_DestroyHtmLink, PDF_DestroyPageObject; or PDF_GetPageBmp,
 * PDF_WriteToBMPFile, PDF_DestroyPageBmp; finally PDF_Close. A NULL handle, or one that
 * was not made by PDF_Open, gives -1, 0 or NULL as each function says. */

/* Opens a PDF file; `zoom` is the resolution in dots per inch for every page of it (100
 * makes a 612-point page 850 pixels wide). Passwords may be NULL or empty. NULL when the
 * file cannot be opened (missing, damaged beyond repair, wrong password). */
QM_API PdfHandle* PDF_Open(const char* fileName, const char* ownerPassword, const char* userPassword,
                           int zoom);

/* Closes the document and frees the handle. Closing a handle twice, or using it after the
 * close, is harmless: it is refused like any pointer PDF_Open did not return. */
QM_API void PDF_Close(PdfHandle* handle);

/* Number of pages, or -1 for a bad handle. */
QM_API int PDF_GetPageCount(PdfHandle* handle);

/* Writes the document's outline listing to a file and puts the file's zero-terminated path
 * into `buffer` (`size` bytes). 1 when the document has outline items, else 0. */
QM_API int PDF_GetBookmark(PdfHandle* handle, char* buffer, int size);

/* Records page `page` (1-based) as a display list; NULL for a bad handle or page. */
QM_API PageObject* PDF_GetPageObject(PdfHandle* handle, int page);
QM_API void PDF_DestroyPageObject(PageObject* page);

/* Draws page `page` into a bitmap and returns it as one heap block: the 40-byte header,
 * the colour table (when the bit depth has one), then the pixel rows bottom-up, padded to
 * 4 bytes. NULL for a bad handle or page. Free it with PDF_DestroyPageBmp. */
QM_API void* PDF_GetPageBmp(PdfHandle* handle, int page);
QM_API void PDF_DestroyPageBmp(void* block);

/* The link areas of the page drawn last (by PDF_GetPageObject); NULL for any other page.
 * A page without links gives an empty list. */
QM_API HtmlLinkList* PDF_GetPageHtmLink(PdfHandle* handle, int page);
QM_API void PDF_DestroyHtmLink(HtmlLinkList* links);

/* Writes the page's HTML file at `htmlPath` and its JPEG background beside it. The page's
 * non-text items are removed during the call. `links` may be NULL. 1 when done, 0 when a
 * file could not be written whole (or the page is too large to draw), -1 when the page or
 * the path is missing. */
QM_API int PDF_ConvertToHtmlFile(PageObject* page, HtmlLinkList* links, const char* htmlPath);

/* Writes a block from PDF_GetPageBmp as a BMP file. 1 on success, 0 on failure. */
QM_API int PDF_WriteToBMPFile(void* block, const char* path);

/* Writes the page's display list as an SVG file. 1 on success, 0 on failure. */
QM_API int PDF_WriteToSVGFile(PageObject* page, const char* path);

#ifdef __cplusplus
}
#endif

#endif /* QUILLMARK_H */
